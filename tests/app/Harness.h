#pragma once

#include "app/FrmMain.h"
#include "app/PagePicture.h"
#include "tests/support/Fakes.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineProfile>

#include <memory>

namespace korvel::test {

// A main window in its own temporary world, with the desktop replaced by fakes.
struct Harness {
    TestEnv env;
    FakeMessages messages;
    FakeDialogs dialogs;
    FakeShell shell;
    bool connected = false;
    QString siteRoot = QStringLiteral("http://127.0.0.1:9/");
    std::unique_ptr<app::FrmMain> window;

    app::FrmMain &start(const QStringList &args = {}, bool show = true)
    {
        app::Services s;
        s.appDir = env.appDir();
        s.settings = &env.settings();
        s.messages = &messages;
        s.dialogs = &dialogs;
        s.shell = &shell;
        s.isConnected = [this] { return connected; };
        s.siteRoot = siteRoot;
        s.programPath = env.appDir() + QStringLiteral("/korvel");
        s.dataHome = env.dataHome();
        s.refreshDesktopCaches = false;
        s.arguments = QStringList{QStringLiteral("korvel")} + args;
        window = std::make_unique<app::FrmMain>(s);
        window->Form_Load();
        if (show) {
            window->show();
            if (!QTest::qWaitForWindowExposed(window.get()))
                qWarning("main window not exposed");
        }
        return *window;
    }

    QString book(const QString &name, int pages = 3, int w = 300, int h = 400)
    {
        const QString path = env.path(name);
        makeSimpleBook(env.appDir(), path, pages, w, h);
        return path;
    }
};

} // namespace korvel::test

// The main of a test that builds main windows. The web views keep their
// profile in a folder of this run, not in a test's own folder that goes away
// while they still use it.
#define KORVEL_WINDOW_TEST_MAIN(TestClass)                                  \
    int main(int argc, char *argv[])                                        \
    {                                                                       \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);         \
        QTemporaryDir home;                                                 \
        qputenv("XDG_DATA_HOME", home.path().toUtf8());                     \
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());                   \
        QApplication app(argc, argv);                                       \
        QWebEngineProfile::defaultProfile();                                \
        TestClass test;                                                     \
        return QTest::qExec(&test, argc, argv);                             \
    }
