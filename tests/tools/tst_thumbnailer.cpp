#include "db/Connection.h"
#include "tests/support/TestEnv.h"
#include "tests/tools/ToolRun.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QScopeGuard>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

using namespace korvel;
using namespace korvel::test;

namespace {

const QString kTool = QStringLiteral("korvel-thumbnailer");

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class ThumbnailerTest : public QObject {
    Q_OBJECT
private slots:
    void coverOfTheFirstPage_data();
    void coverOfTheFirstPage();
    void refusals_data();
    void refusals();
    void wrongCommandLines_data();
    void wrongCommandLines();
    void namesFromWindowsOpen();
    void helpAndVersion_data();
    void helpAndVersion();
};

void ThumbnailerTest::coverOfTheFirstPage_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QSize>("page");
    QTest::addColumn<QSize>("expected");
    QTest::addColumn<bool>("asUri");
    QTest::newRow("tall page, 128") << 128 << QSize(300, 400) << QSize(96, 128) << false;
    QTest::newRow("small page is not enlarged") << 256 << QSize(50, 40) << QSize(50, 40) << false;
    QTest::newRow("one pixel") << 1 << QSize(300, 400) << QSize(1, 1) << false;
    QTest::newRow("file address") << 128 << QSize(300, 400) << QSize(96, 128) << true;
}

void ThumbnailerTest::coverOfTheFirstPage()
{
    QFETCH(int, size);
    QFETCH(QSize, page);
    QFETCH(QSize, expected);
    QFETCH(bool, asUri);
    TestEnv env;
    QVERIFY(QDir().mkpath(env.path("书")));
    const QString book = env.path("书/雨来 it's.lhh");
    // The first page is the lowest number, wherever it is stored.
    QVERIFY(makeBook(env.appDir(), book,
                     {{9, pictureBytes(10, 10, "PNG")},
                      {4, pictureBytes(page.width(), page.height(), "JPEG", Qt::blue)},
                      {6, QByteArray("not a picture")}}));
    const QByteArray before = fileHash(book);
    const QString out = env.path("thumb.png");
    const QString input = asUri ? QUrl::fromLocalFile(book).toString() : book;
    const ToolRun r = runTool(kTool, {"-s", QString::number(size), input, out});
    QCOMPARE(r.exitCode, 0);
    QImage thumb;
    QVERIFY(thumb.load(out, "PNG"));
    QCOMPARE(thumb.size(), expected);
    const QColor centre = thumb.pixelColor(thumb.width() / 2, thumb.height() / 4);
    QVERIFY(centre.blue() > 150 && centre.red() < 100);
    // Read only: the book and its folder stay exactly as they were.
    QCOMPARE(fileHash(book), before);
    QCOMPARE(entries(env.path("书")), QStringList{"雨来 it's.lhh"});
}

void ThumbnailerTest::refusals_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("first page cut off") << "cut";
    QTest::newRow("first page not a picture") << "foreign";
    QTest::newRow("first page null") << "null";
    QTest::newRow("no pages") << "no pages";
    QTest::newRow("not a book") << "not a book";
    QTest::newRow("missing") << "missing";
    QTest::newRow("held") << "held";
    QTest::newRow("output folder missing") << "no output folder";
}

void ThumbnailerTest::refusals()
{
    QFETCH(QString, kind);
    TestEnv env;
    const QString book = env.path("b.lhh");
    QString out = env.path("thumb.png");
    const QByteArray cut = pictureBytes(300, 400, "JPEG").left(900);
    db::Connection holder;
    // (A first page that claims a huge size: see tst_booktool's memoryStaysBounded.)
    if (kind == "cut") {
        QVERIFY(makeBook(env.appDir(), book, {{0, cut}, {1, pictureBytes(10, 10, "PNG")}}));
    } else if (kind == "foreign") {
        QVERIFY(makeBook(env.appDir(), book, {{0, QByteArray(100, 'x')}}));
    } else if (kind == "null") {
        QVERIFY(makeBook(env.appDir(), book, {{0, std::nullopt}, {1, pictureBytes(10, 10, "PNG")}}));
    } else if (kind == "no pages") {
        QVERIFY(makeBook(env.appDir(), book, {}));
    } else if (kind == "not a book") {
        QFile f(book);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(pictureBytes(10, 10, "PNG"));
    } else if (kind == "held") {
        QVERIFY(makeSimpleBook(env.appDir(), book, 2));
        QVERIFY(!holder.open(book, db::Access::ReadOnly));
    } else if (kind == "no output folder") {
        QVERIFY(makeSimpleBook(env.appDir(), book, 2));
        out = env.path("nowhere/thumb.png");
    }
    const QStringList before = entries(env.path(QString()));
    const ToolRun r = runTool(kTool, {"-s", "256", book, out});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.err.startsWith("korvel-thumbnailer: "));
    QVERIFY(!QFileInfo::exists(out));
    QCOMPARE(entries(env.path(QString())), before);
}

void ThumbnailerTest::wrongCommandLines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no size") << QStringList{"b.lhh", "t.png"};
    QTest::newRow("size zero") << QStringList{"-s", "0", "b.lhh", "t.png"};
    QTest::newRow("size too large") << QStringList{"-s", "100000", "b.lhh", "t.png"};
    QTest::newRow("no output") << QStringList{"-s", "128", "b.lhh"};
}

void ThumbnailerTest::wrongCommandLines()
{
    QFETCH(QStringList, args);
    TestEnv env;
    QVERIFY(makeSimpleBook(env.appDir(), env.path("b.lhh"), 1));
    const ToolRun r = runTool(kTool, args, env.path(QString()));
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.err.contains("Usage: korvel-thumbnailer -s SIZE INPUT OUTPUT"));
    QVERIFY(!QFileInfo::exists(env.path("t.png")));
}

// Books and their folder named in GBK, as on a disk from Windows, given by
// their bytes as a file manager or a shell gives them: both tools open the
// one named, though the toolkit would read both names as the same six
// U+FFFD.
void ThumbnailerTest::namesFromWindowsOpen()
{
    TestEnv env;
    const QByteArray name("\xc1\xac\xbb\xb7\xbb\xad"); // 连环画
    const QByteArray other("\xc1\xad\xbb\xb8\xbb\xae"); // 镰桓划
    const QByteArray folder = QFile::encodeName(env.path(QString())) + name;
    const QByteArray book = folder + '/' + name + ".lhh";
    if (::mkdir(folder.constData(), 0700) != 0)
        QSKIP("the file system refuses the name");
    const auto cleanUp = qScopeGuard([&] {
        for (const QByteArray &file : {book, folder + '/' + other + ".lhh"})
            ::unlink(file.constData());
        ::rmdir(folder.constData());
    });
    for (int pages : {2, 3}) {
        QVERIFY(makeSimpleBook(env.appDir(), env.path("b.lhh"), pages));
        const QByteArray target = pages == 2 ? book : folder + '/' + other + ".lhh";
        QVERIFY(::rename(QFile::encodeName(env.path("b.lhh")).constData(), target.constData()) == 0);
    }
    // The shell's printf makes the bytes; they reach the tools unchanged.
    QString octal;
    for (const char c : book.mid(QFile::encodeName(env.path(QString())).size()))
        octal += QStringLiteral("\\%1").arg(uint(uchar(c)), 3, 8, QLatin1Char('0'));
    const QString out = env.path("thumb.png");
    QProcess shell;
    shell.setWorkingDirectory(env.path(QString()));
    shell.start("/bin/sh", {"-c", QString(R"sh(b="$(printf '%1')"; "$0"korvel-thumbnailer -s 64 "$b" "$1" && "$0"korvel-lhh info "$b")sh").arg(octal),
                            QStringLiteral(KORVEL_BUILD_APP_DIR "/"), out});
    QVERIFY(shell.waitForFinished(60000));
    QVERIFY2(shell.exitCode() == 0, shell.readAllStandardError().constData());
    QCOMPARE(QImage(out).width(), 48);
    QVERIFY(QString::fromUtf8(shell.readAllStandardOutput()).contains("pages: 2\n"));
    QFile::remove(out);
    const QString address = "file://" + QString::fromLatin1(book.toPercentEncoding("/"));
    QCOMPARE(runTool(kTool, {"-s", "64", address, out}).exitCode, 0);
    QVERIFY(QFileInfo::exists(out));
}

// Every program of the application folder answers --help and --version at
// once and does nothing else: no window, no server, no file written.
void ThumbnailerTest::helpAndVersion_data()
{
    QTest::addColumn<QString>("program");
    for (const char *p : {"korvel", "korvel-lhh", "korvel-thumbnailer", "korvel-site"})
        QTest::newRow(p) << QString::fromLatin1(p);
}

void ThumbnailerTest::helpAndVersion()
{
    QFETCH(QString, program);
    QTemporaryDir work;
    const ToolRun help = runTool(program, {"--help"}, work.path(), 20000);
    QCOMPARE(help.exitCode, 0);
    QVERIFY2(help.out.contains(program + QLatin1Char(' ')) && help.out.contains("--help"), qPrintable(help.out));
    const ToolRun version = runTool(program, {"--version"}, work.path(), 20000);
    QCOMPARE(version.exitCode, 0);
    QVERIFY2(QRegularExpression(QStringLiteral("^%1 \\d+\\.\\d+\\.\\d+\\n$").arg(program)).match(version.out).hasMatch(),
             qPrintable(version.out));
    QVERIFY(QDir(work.path()).isEmpty());
}

QTEST_GUILESS_MAIN(ThumbnailerTest)

#include "tst_thumbnailer.moc"
