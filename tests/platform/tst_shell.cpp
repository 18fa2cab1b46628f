// Showing a book's file in the desktop's file manager: ShowItems over D-Bus
// on a bus of the test's own, and the folder opened when no file manager
// answers. The call never waits for the file manager.
#include "platform/QtServices.h"

#include <QApplication>
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
    void ShowItems(const QStringList &uris, const QString &startupId)
    {
        Q_UNUSED(startupId);
        shown << uris;
    }
};

} // namespace

class ShellTest : public QObject {
    Q_OBJECT

public slots:
    void openFile(const QUrl &url) { m_opened << url; }

private slots:
    void initTestCase()
    {
        if (!g_bus)
            QSKIP("dbus-daemon is not installed");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openFile");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    void showItemsReachesTheFileManager()
    {
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
        QVERIFY(fake.shown.first().contains(QLatin1String("%23")) && !fake.shown.first().contains(QChar(0x8FDE)));
        QCOMPARE(QUrl(fake.shown.first()).toLocalFile(), path);
        QTest::qWait(50);
        QVERIFY(m_opened.isEmpty());
    }

    void noFileManagerOpensTheFolder()
    {
        QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QStringLiteral("org.freedesktop.FileManager1")));
        platform::DesktopShell().showInFolder(QStringLiteral("/书/甲 乙/a.lhh"));
        QTRY_COMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/书/甲 乙"))});
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
    {
        QFile f(config);
        if (f.open(QIODevice::WriteOnly))
            f.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                    "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                    "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    }
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
