#pragma once

#include "adverts/Clock.h"
#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "app/reading/ReadingPane.h"
#include "app/StartUp.h"
#include "book/ReadingSession.h"
#include "book/RecentList.h"
#include "catalog/Schema.h"
#include "db/Connection.h"
#include "tests/support/Fakes.h"
#include "tests/support/TestEnv.h"
#include "widgets/StyledButton.h"

// The widgets the window tests reach, included once for them all.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <memory>

namespace korvel::test {

inline const QString kOpenFailed = QStringLiteral("文件损坏或不是连环画文件或已经打开，请重新选择。");

inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

inline void sendMouse(QWidget *w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// The top-level windows of type T; with shownOnly, those on screen.
template <typename T>
QList<T *> windows(bool shownOnly = true)
{
    QList<T *> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<T *>(w); t && (t->isVisible() || !shownOnly))
            found << t;
    return found;
}

// Runs f on the modal dialog once it is up, and closes it if f left it open.
template <typename F>
void onDialog(F f)
{
    QTimer::singleShot(0, [f] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        f(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

// A drop from another program: the enter (accepted or not), then the drop when it was.
inline bool drop(QWidget *target, const QList<QUrl> &urls, QPoint at = QPoint(5, 5))
{
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

// A main window in its own temporary world, with the desktop replaced by
// fakes. Tests reach controls by their object names and the logic through
// the reading session and the recent list.
struct Harness {
    TestEnv env;
    FakeMessages messages;
    FakeDialogs dialogs;
    FakeShell shell;
    bool connected = false;
    QString siteRoot = QStringLiteral("http://127.0.0.1:9/");
    // The advert timers run on it: a test moves time on by hand.
    adverts::SteppedClock clock;
    std::unique_ptr<book::ReadingSession> session;
    std::unique_ptr<book::RecentList> recent;
    std::unique_ptr<app::MainWindow> window;

    // A fresh reading session and recent list (the window that used the old
    // ones goes first), and the context that hands them out with the fakes.
    app::AppContext freshContext()
    {
        window.reset();
        session = std::make_unique<book::ReadingSession>(env.appDir());
        session->rememberPagesIn(env.configHome() + QStringLiteral("/Korvel/LastPages.json"));
        recent = std::make_unique<book::RecentList>(env.settings());
        app::AppContext c;
        c.appDir = env.appDir();
        c.settings = &env.settings();
        c.messages = &messages;
        c.dialogs = &dialogs;
        c.shell = &shell;
        c.isConnected = [this] { return connected; };
        c.siteRoot = siteRoot;
        c.programPath = env.appDir() + QStringLiteral("/korvel");
        c.dataHome = env.dataHome();
        c.refreshDesktopCaches = false;
        c.session = session.get();
        c.recent = recent.get();
        c.clock = &clock;
        return c;
    }

    app::MainWindow &start(const QStringList &args = {}, bool show = true)
    {
        const app::AppContext c = freshContext();
        window = std::make_unique<app::MainWindow>(c);
        app::startUp(*window, c, QStringList{QStringLiteral("korvel")} + args);
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

    template <typename T = QWidget>
    T *find(const QString &name) const
    {
        T *found = window->findChild<T *>(name);
        if (!found)
            qWarning("no control named %s", qPrintable(name));
        return found;
    }
    QAction *action(const QString &name) const { return find<QAction>(name); }
    widgets::StyledButton *button(const QString &name) const { return find<widgets::StyledButton>(name); }
    app::ReadingPane *reading() const { return find<app::ReadingPane>(QStringLiteral("picView")); }
    QWidget *page() const { return find(QStringLiteral("picViewIt")); }

    void click(const QString &buttonName) const
    {
        widgets::StyledButton *b = button(buttonName);
        QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
    }
    // 打开 with the file dialog answering path.
    void open(const QString &path)
    {
        dialogs.names << path;
        action(QStringLiteral("mnuOpen"))->trigger();
    }
    // A started window that is the active one, as a person's would be.
    app::MainWindow &startActive(const QStringList &args = {})
    {
        start(args);
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("main window not active");
        return *window;
    }
    // What the next start reads from the settings file.
    QString stored(const QString &section, const QString &key) const
    {
        return env.reopenSettings()->value(section, key, {});
    }
    // What the recent menu's items hold, as their captions and the store say.
    QStringList recentPaths() const { return recent->paths(); }
    bool isOpen() const { return session->isOpen(); }
    int position() const { return session->position(); }
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
