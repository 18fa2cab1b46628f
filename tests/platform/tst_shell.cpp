// Showing a book's file in the desktop's file manager: ShowItems over D-Bus
// on a bus of the test's own, and the folder opened when no file manager
// answers. The call never waits for the file manager. And Qt's own texts in
// the message boxes in Chinese, and the file dialogs' filters.
#include "platform/QtServices.h"
#include "platform/QtTranslations.h"
#include "tests/support/PutFile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace korvel;

namespace {

QProcess *g_bus = nullptr;

// The file manager's side of the interface, on its own connection.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
public slots:
    void ShowItems(const QStringList &uris, const QString & /*startupId*/) { shown << uris; }
};

} // namespace

class ShellTest : public QObject {
    Q_OBJECT

public slots:
    void openFile(const QUrl &url) { m_opened << url; }

private slots:
    void initTestCase() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openFile"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    void qtTextsInChinese()
    {
        QVERIFY(platform::installQtTranslations(*qApp) > 0);
        QStringList buttons;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            for (QAbstractButton *b : box->buttons())
                buttons << b->text();
            box->button(QMessageBox::No)->click();
        });
        platform::QtMessageService messages;
        using Service = platform::MessageService;
        QCOMPARE(messages.information(QStringLiteral("提示"), QStringLiteral("是否继续？"), Service::Buttons::YesNo),
                 Service::Answer::No);
        buttons.sort();
        QCOMPARE(buttons.size(), 2);
        QVERIFY2(buttons.at(0).startsWith(QStringLiteral("否")) && buttons.at(1).startsWith(QStringLiteral("是")),
                 qPrintable(buttons.join(',')));

        // The save dialog: each filter's text once as given.
        QStringList filters;
        int shownType = -1;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
            for (int i = 0; combo && i < combo->count(); ++i)
                filters << combo->itemText(i);
            // The type asked for is the one shown, and comes back by its number.
            shownType = combo ? combo->currentIndex() : -1;
            dialog->selectFile(QStringLiteral("copy"));
            static_cast<QDialog *>(dialog)->accept();
        });
        QTemporaryDir folder;
        platform::FileDialogRequest request;
        request.filters = {{QStringLiteral("连环画文件(*.lhh;*.exe)"), QStringLiteral("*.lhh;*.exe")},
                           {QStringLiteral("所有文件"), QStringLiteral("*")}};
        request.initialDir = folder.path();
        request.filterIndex = 2;
        platform::QtDialogService dialogs;
        QVERIFY(dialogs.showSave(request));
        QCOMPARE(shownType, 1);
        QCOMPARE(request.filterIndex, 2);
        QCOMPARE(filters, (QStringList{QStringLiteral("连环画文件(*.lhh;*.exe)"), QStringLiteral("所有文件")}));
    }

    void showInFolder()
    {
        if (!g_bus)
            QSKIP("dbus-daemon is not installed");
        // No file manager answers: the folder is opened.
        QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QStringLiteral("org.freedesktop.FileManager1")));
        platform::DesktopShell().showInFolder(QStringLiteral("/书/甲 乙/a.lhh"));
        QTRY_COMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/书/甲 乙"))});
        m_opened.clear();

        // One does: it is asked to show the file, and nothing else opens.
        QDBusConnection fm = QDBusConnection::connectToBus(QString::fromUtf8(qgetenv("DBUS_SESSION_BUS_ADDRESS")),
                                                           QStringLiteral("file manager"));
        QVERIFY(fm.isConnected());
        FakeFileManager fake;
        const auto leave = qScopeGuard([&] {
            fm.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
            QDBusConnection::disconnectFromBus(QStringLiteral("file manager"));
        });
        QVERIFY(fm.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fake,
                                  QDBusConnection::ExportAllSlots));
        QVERIFY(fm.registerService(QStringLiteral("org.freedesktop.FileManager1")));
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/a #1 100%/连环画 it's.lhh");
        QElapsedTimer t;
        t.start();
        platform::DesktopShell().showInFolder(path);
        QVERIFY(t.elapsed() < 1000);
        QTRY_COMPARE(fake.shown, QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)});
        QTest::qWait(50);
        QVERIFY(m_opened.isEmpty());
    }

private:
    QList<QUrl> m_opened;
};

// A session bus of this run only, set before anything reaches for one. It
// starts no services of its own, so no installed file manager answers.
int main(int argc, char *argv[])
{
    QProcess bus;
    QTemporaryDir busDir;
    const QString config = busDir.path() + QStringLiteral("/bus.conf");
    test::putFile(config, "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                          "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                          "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (!daemon.isEmpty()) {
        bus.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                           QStringLiteral("--print-address")});
        if (bus.waitForStarted() && bus.waitForReadyRead(10000)) {
            qputenv("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed());
            g_bus = &bus;
        }
    }
    int result;
    {
        QApplication app(argc, argv);
        ShellTest test;
        result = QTest::qExec(&test, argc, argv);
    }
    bus.terminate();
    bus.waitForFinished(5000);
    return result;
}

#include "tst_shell.moc"
