// read.tmp written ahead of its turn and swapped into place whole.
#include "book/ReadingSession.h"
#include "platform/ScratchFile.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace korvel;
using namespace korvel::test;

namespace {

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class ReadTmpTest : public QObject {
    Q_OBJECT
private slots:
    void scratchFiles_data();
    void scratchFiles();
    void stagedPageIsSwappedIn();
    void stagedBytesThatDifferAreNotUsed();
};

void ReadTmpTest::scratchFiles_data()
{
    QTest::addColumn<QString>("there");
    QTest::addColumn<bool>("written");
    QTest::newRow("nothing there") << "" << true;
    QTest::newRow("a file there") << "file" << true;
    QTest::newRow("a folder there") << "folder" << false;
    QTest::newRow("no such folder") << "no folder" << false;
}

void ReadTmpTest::scratchFiles()
{
    QFETCH(QString, there);
    QFETCH(bool, written);
    TestEnv env;
    QString path = env.path("read.tmp");
    if (there == "file") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100000, 'o'));
    } else if (there == "folder") {
        QVERIFY(QDir().mkpath(path + "/inside"));
    } else if (there == "no folder") {
        path = env.path("gone/read.tmp");
    }
    const QStringList before = entries(env.path(QString()));
    QString error;
    QCOMPARE(platform::writeScratchFile(path, "new bytes", &error), written);
    if (written) {
        QCOMPARE(fileBytes(path), QByteArray("new bytes"));
        QVERIFY(!entries(env.path(QString())).join(' ').contains(".read.tmp."));
        QCOMPARE(QFile::permissions(path) & QFileDevice::ReadOther, QFileDevice::ReadOther);
    } else {
        QVERIFY(!error.isEmpty());
        QCOMPARE(entries(env.path(QString())), before);
        if (there == "folder")
            QCOMPARE(entries(path), QStringList{"inside"});
    }
}

void ReadTmpTest::stagedPageIsSwappedIn()
{
    TestEnv env;
    const QString path = env.path("b.lhh");
    const QByteArray p0 = pictureBytes(20, 20, "PNG", Qt::red), p1 = pictureBytes(20, 20, "PNG", Qt::blue);
    QVERIFY(makeBook(env.appDir(), path, {{0, p0}, {1, p1}}));
    // What a killed reader left is gone at the next start.
    QProcess gone;
    gone.start(QStringLiteral("true"));
    QVERIFY(gone.waitForStarted());
    const qint64 dead = gone.processId();
    QVERIFY(gone.waitForFinished());
    const QString left = env.appDir() + QStringLiteral("/.read.tmp.%1.next").arg(dead);
    QFile(left).open(QIODevice::WriteOnly);
    QVERIFY(QFileInfo::exists(left));
    book::ReadingSession session(env.appDir());
    QVERIFY(!QFileInfo::exists(left));
    QCOMPARE(session.open(path), book::ReadingSession::OpenResult::Opened);
    QVERIFY(session.extractPage(0).written);
    session.stagePage(1, p1);
    QCOMPARE(fileBytes(session.stagedPath()), p1);
    QCOMPARE(fileBytes(session.readTmpPath()), p0);
    QVERIFY(session.extractPage(1).written);
    QCOMPARE(fileBytes(session.readTmpPath()), p1);
    // Back to the page before: written as ever.
    QVERIFY(session.extractPage(0).written);
    QCOMPARE(fileBytes(session.readTmpPath()), p0);
    // Closing leaves read.tmp and nothing else.
    session.stagePage(1, p1);
    session.close();
    QVERIFY(!QFileInfo::exists(session.stagedPath()));
    QCOMPARE(fileBytes(session.readTmpPath()), p0);
    QVERIFY(!entries(env.appDir()).join(' ').contains(".read.tmp"));
}

void ReadTmpTest::stagedBytesThatDifferAreNotUsed()
{
    TestEnv env;
    const QString path = env.path("b.lhh");
    const QByteArray p0 = pictureBytes(20, 20, "PNG", Qt::red), p1 = pictureBytes(20, 20, "PNG", Qt::blue);
    QVERIFY(makeBook(env.appDir(), path, {{0, p0}, {1, p1}}));
    book::ReadingSession session(env.appDir());
    QCOMPARE(session.open(path), book::ReadingSession::OpenResult::Opened);
    session.stagePage(1, "stale bytes");
    QVERIFY(session.extractPage(1).written);
    QCOMPARE(fileBytes(session.readTmpPath()), p1);
    // Staged for another page: that page's turn is an ordinary write.
    session.stagePage(0, p0);
    QVERIFY(session.extractPage(1).written);
    QCOMPARE(fileBytes(session.readTmpPath()), p1);
    // Nothing is staged without an open book.
    session.close();
    session.stagePage(0, p0);
    QVERIFY(!QFileInfo::exists(session.stagedPath()));
}

QTEST_GUILESS_MAIN(ReadTmpTest)

#include "tst_readtmp.moc"
