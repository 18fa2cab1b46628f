// The downloader against sites on 127.0.0.1: the stand-in site, and one that
// misbehaves on request. A download either leaves a whole book and its
// record, or neither.
#include "adverts/Clock.h"
#include "book/BookReader.h"
#include "catalog/CatalogStore.h"
#include "db/Connection.h"
#include "platform/FileLock.h"
#include "site/SiteContent.h"
#include "site/SiteServer.h"
#include "tests/support/FaultySite.h"
#include "tests/support/TestEnv.h"
#include "web/Downloader.h"
#include "web/PageText.h"
#include "web/SiteRules.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

using namespace korvel;

namespace {

using Kind = test::FaultySite::Kind;
using Answer = test::FaultySite::Answer;

QString readingPage(const QStringList &pieces)
{
    return "<h1><a href=\"x\">《T》</a></h1><script>var PicList = \"" + pieces.join(',') + "\"; //图片列表\n</script>";
}

// One download in a world of its own: the application folder with its
// catalog, a site, the downloader on a clock the test moves.
struct Run {
    test::TestEnv env;
    adverts::SteppedClock clock;
    web::Downloader downloader{&clock};
    QSignalSpy finished{&downloader, &web::Downloader::finished};
    QSignalSpy progressed{&downloader, &web::Downloader::progressed};
    web::DownloadJob job;
    qint64 classAtEnd = 1;

    Run()
    {
        job.appDir = env.appDir();
        job.classId = 1;
        job.meta.title = QStringLiteral("T");
        job.meta.sign = QStringLiteral("Dalvane");
        job.recordAtEnd = [this] {
            catalog::BookRecord r;
            r.classId = classAtEnd;
            r.type = QStringLiteral("lhh");
            r.title = job.meta.title;
            r.sign = job.meta.sign;
            r.drawer = job.meta.drawer;
            return r;
        };
    }
    catalog::CatalogStore store() const { return catalog::CatalogStore(catalog::CatalogStore::pathIn(env.appDir())); }
    QString books() const { return env.appDir() + "/books"; }

    // A site with one picture, and a reading page that lists it.
    test::FaultySite site;
    const QByteArray picture = test::pictureBytes(4, 4, "PNG");
    bool serveOne()
    {
        if (!site.start())
            return false;
        site.serve("/lianupload/images/1.gif", picture);
        job.siteRoot = site.root();
        job.pageHtml = readingPage({"1.gif"});
        return true;
    }

    bool download()
    {
        downloader.start(job);
        return finished.count() > 0 || finished.wait(60000);
    }
    bool ok() const { return finished.count() == 1 && finished.first().at(0).toBool(); }
    QString message() const { return finished.isEmpty() ? QString() : finished.first().at(1).toString(); }
    // Every file in the folder, hidden ones included.
    QStringList filesIn(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
};

QList<QByteArray> bookPages(const QString &path, book::BookMeta *meta = nullptr)
{
    db::Connection c;
    if (c.open(path, db::Access::ReadOnly))
        return {};
    QVector<qint32> numbers;
    if (book::readPageNumbers(c, &numbers))
        return {};
    QList<QByteArray> pages;
    for (int i = 0; i < numbers.size(); ++i) {
        if (numbers.at(i) != i)
            return {}; // pages are numbered 0, 1, 2, ...
        pages << book::readPage(c, numbers.at(i)).bytes;
    }
    if (meta)
        *meta = book::readBookMeta(c);
    return pages;
}

} // namespace

class DownloaderTest : public QObject {
    Q_OBJECT

private slots:
    void fromTheStandInSite_data();
    void fromTheStandInSite();
    void scripts_data();
    void scripts();
    void failingPicture_data();
    void failingPicture();
    void silenceOf30Seconds();
    void pictureLimit_data();
    void pictureLimit();
    void refusedSite();
    void namesFromTitles_data();
    void namesFromTitles();
    void filedUnderTheCategoryAtTheEnd();
    void refusedBeforeFetching_data();
    void refusedBeforeFetching();
    void targetFolders_data();
    void targetFolders();
    void recordAlreadyThere();
    void fiveThousandPages();
};

void DownloaderTest::fromTheStandInSite_data()
{
    QTest::addColumn<int>("book");
    QTest::newRow("standard picture folder") << 0;
    QTest::newRow("alternative picture folder") << 1;
}

void DownloaderTest::fromTheStandInSite()
{
    QFETCH(int, book);
    Run run;
    const QString source = run.env.path("source");
    QDir().mkpath(source);
    const QList<QByteArray> pictures = {test::pictureBytes(40, 30, "PNG", Qt::red), test::pictureBytes(30, 40, "JPEG"),
                                        test::pictureBytes(20, 20, "BMP", Qt::blue)};
    QVERIFY(test::makeBook(run.env.appDir(), source + "/a.lhh", {{0, pictures[0]}, {5, pictures[1]}, {9, pictures[2]}}));
    QVERIFY(test::makeBook(run.env.appDir(), source + "/b.lhh", {{0, pictures[2]}, {1, pictures[0]}}));
    QList<site::SiteBook> books;
    QString error;
    QVERIFY2(site::generateSite(source, run.env.path("site"), &error, &books), qPrintable(error));
    site::SiteServer server(run.env.path("site"));
    QVERIFY(server.listen());

    QFile page(run.env.path("site") + books.at(book).page);
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    run.job.siteRoot = server.root();
    run.job.pageHtml = html;
    run.job.meta.title = web::pageTitle(html);
    run.job.meta.url = server.root() + books.at(book).page.mid(1);
    QVERIFY(run.download());
    QVERIFY2(run.ok(), qPrintable(run.message()));
    QCOMPARE(run.message(), QString());

    const QList<QByteArray> expected = book == 0 ? pictures : QList<QByteArray>{pictures[2], pictures[0]};
    QCOMPARE(run.downloader.bookPath(), run.books() + "/test.lhh");
    book::BookMeta meta;
    QCOMPARE(bookPages(run.downloader.bookPath(), &meta), expected);
    QCOMPARE(meta.url, run.job.meta.url);
    QCOMPARE(meta.sign, QString("Dalvane"));
    // The progress after each page, counting to the whole.
    QCOMPARE(run.progressed.count(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(run.progressed.at(i), (QVariantList{i + 1, int(expected.size())}));

    const catalog::ListRead records = run.store().listCategory(1);
    QCOMPARE(records.records.size(), 1);
    QCOMPARE(records.records[0].path, run.downloader.bookPath());
    QCOMPARE(records.records[0].title, QString("test"));
    // Nothing else is left behind, here or in the application folder.
    QCOMPARE(run.filesIn(run.books()), QStringList{"test.lhh"});
    for (const char *temporary : {"fp.tmp", "down.tmp"})
        QVERIFY(!QFile::exists(run.env.appDir() + '/' + temporary));
}

void DownloaderTest::scripts_data()
{
    QTest::addColumn<QByteArray>("script"); // "-": none served
    QTest::addColumn<QString>("firstPiece");
    QTest::addColumn<QString>("asked");
    QTest::newRow("no script: the built-in folders") << QByteArray("-") << "b/1.gif" << "/lianupload/images/b/1.gif";
    QTest::newRow("the script's alternative folder")
        << QByteArray("lianup=fp+\"std/\";\nfp=fp+\"alt/\";\n") << "images/1.gif" << "/alt/images/1.gif";
    QByteArray big(10 * 1024 * 1024, 'x');
    big.prepend("lianup=fp+\"std/\";\n");
    QTest::newRow("10 MB script") << big << "b/1.gif" << "/lianupload/images/b/1.gif";
}

void DownloaderTest::scripts()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, firstPiece);
    QFETCH(QString, asked);
    Run run;
    test::FaultySite site;
    QVERIFY(site.start());
    if (script != "-")
        site.serve("/js/fp.js", script, "application/javascript");
    const QByteArray gif = test::pictureBytes(4, 4, "PNG");
    site.serve(asked, gif);
    run.job.siteRoot = site.root();
    run.job.pageHtml = readingPage({firstPiece});
    QVERIFY(run.download());
    QVERIFY2(run.ok(), qPrintable(run.message() + " asked: " + site.requested.join(' ')));
    QCOMPARE(site.requested, (QStringList{"/js/fp.js", asked}));
    QCOMPARE(bookPages(run.downloader.bookPath()), QList<QByteArray>{gif});
}

void DownloaderTest::failingPicture_data()
{
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QString>("reason");
    const QByteArray jpeg = test::pictureBytes(300, 300, "JPEG");
    QTest::newRow("missing") << Answer{"gone", "text/html", 404} << "HTTP 404";
    QTest::newRow("server error") << Answer{jpeg, "image/jpeg", 500} << "HTTP 500";
    QTest::newRow("closed mid-answer") << Answer{jpeg, "image/jpeg", 200, Kind::CutShort} << "断开";
    QTest::newRow("not a picture") << Answer{"<html><body>hello</body></html>", "text/html"} << "不是图片";
    QTest::newRow("an empty answer") << Answer{"", "image/jpeg"} << "不是图片";
    QTest::newRow("larger than 64 MB, as announced")
        << Answer{jpeg, "image/jpeg", 200, Kind::Whole, web::Downloader::kLargestPicture + 1} << "大于 64 MB";
}

void DownloaderTest::failingPicture()
{
    QFETCH(Answer, answer);
    QFETCH(QString, reason);
    Run run;
    test::FaultySite site;
    QVERIFY(site.start());
    const QByteArray png = test::pictureBytes(8, 8, "PNG");
    site.serve("/lianupload/images/1.png", png);
    site.serve("/lianupload/images/2.jpg", answer);
    site.serve("/lianupload/images/3.png", png);
    run.job.siteRoot = site.root();
    run.job.pageHtml = readingPage({"1.png", "2.jpg", "3.png"});
    QVERIFY(run.download());
    QVERIFY(!run.ok());
    // The page is named, by its place in the list and its address.
    QVERIFY2(run.message().startsWith("第 2 页图片（" + site.root() + "lianupload/images/2.jpg）下载失败："),
             qPrintable(run.message()));
    QVERIFY2(run.message().contains(reason), qPrintable(run.message()));
    // No book (whole or in part) and no record.
    QCOMPARE(run.filesIn(run.books()), QStringList());
    QCOMPARE(run.store().listCategory(1).records.size(), 0);
}

void DownloaderTest::silenceOf30Seconds()
{
    Run run;
    test::FaultySite site;
    QVERIFY(site.start());
    site.serve("/lianupload/images/1.png", test::pictureBytes(8, 8, "PNG"));
    site.serve("/lianupload/images/2.png", Answer{"", "", 200, Kind::Silent});
    run.job.siteRoot = site.root();
    run.job.pageHtml = readingPage({"1.png", "2.png"});
    run.downloader.start(run.job);
    QTRY_COMPARE_WITH_TIMEOUT(run.progressed.count(), 1, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(site.heldOpen(), 1, 20000);
    // Time passes only as the test says: a moment short of 30 seconds is not enough.
    run.clock.advance(web::Downloader::kSilenceMs - 1);
    QTest::qWait(50);
    QCOMPARE(run.finished.count(), 0);
    run.clock.advance(1);
    QTRY_COMPARE_WITH_TIMEOUT(run.finished.count(), 1, 20000);
    QVERIFY(!run.ok());
    QVERIFY2(run.message().contains("第 2 页") && run.message().contains("30 秒没有回应"), qPrintable(run.message()));
    QCOMPARE(run.filesIn(run.books()), QStringList());
    QCOMPARE(run.store().listCategory(1).records.size(), 0);
}

void DownloaderTest::pictureLimit_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("extra"); // bytes beyond the limit
    QTest::newRow("at the limit") << Kind::Whole << 0;
    QTest::newRow("one byte over") << Kind::Whole << 1;
    QTest::newRow("at the limit, unannounced") << Kind::Unsized << 0;
    QTest::newRow("one byte over, unannounced") << Kind::Unsized << 1;
}

void DownloaderTest::pictureLimit()
{
    QFETCH(Kind, kind);
    QFETCH(int, extra);
    Run run;
    test::FaultySite site;
    QVERIFY(site.start());
    const int limit = 200000;
    QByteArray picture = test::pictureBytes(8, 8, "PNG");
    picture.append(limit + extra - picture.size(), '\0');
    site.serve("/lianupload/images/1.png", Answer{picture, "image/png", 200, kind});
    run.job.siteRoot = site.root();
    run.job.pageHtml = readingPage({"1.png"});
    run.downloader.setLargestPicture(limit);
    QVERIFY(run.download());
    QCOMPARE(run.ok(), extra == 0);
    if (extra == 0)
        QCOMPARE(bookPages(run.downloader.bookPath()), QList<QByteArray>{picture});
    else
        QVERIFY2(run.message().contains("大于"), qPrintable(run.message()));
}

void DownloaderTest::refusedSite()
{
    Run run;
    run.job.siteRoot = QStringLiteral("http://127.0.0.1:%1/").arg(test::FaultySite::closedPort());
    run.job.pageHtml = readingPage({"1.png"});
    QVERIFY(run.download());
    QVERIFY(!run.ok());
    QVERIFY2(run.message().contains("第 1 页") && run.message().contains("拒绝连接"), qPrintable(run.message()));
    QCOMPARE(run.filesIn(run.books()), QStringList());
}

void DownloaderTest::namesFromTitles_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("file");
    QTest::newRow("quotes") << "他说\"走'吧\"" << "他说\"走'吧\"";
    QTest::newRow("the way up") << "../..hidden" << "_____hidden";
}

void DownloaderTest::namesFromTitles()
{
    QFETCH(QString, title);
    QFETCH(QString, file);
    Run run;
    QVERIFY(run.serveOne());
    run.job.meta.title = title;
    run.job.meta.drawer = "O'Neil \"画\"";
    run.job.meta.url = run.site.root() + "b.html?a='1'";
    // Names in use are left alone: the book takes the next free one.
    QDir().mkpath(run.books());
    for (const QString &name : {file + ".lhh", file + "(1).lhh"}) {
        QFile f(run.books() + '/' + name);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("someone else's") == 14);
    }
    QVERIFY(run.download());
    QVERIFY2(run.ok(), qPrintable(run.message()));
    QCOMPARE(run.downloader.bookPath(), run.books() + '/' + file + "(2).lhh");
    QCOMPARE(test::fileBytes(run.books() + '/' + file + ".lhh"), QByteArray("someone else's"));
    // Every text is stored exactly as it came, in the book and in the record.
    book::BookMeta meta;
    QCOMPARE(bookPages(run.downloader.bookPath(), &meta), QList<QByteArray>{run.picture});
    QCOMPARE(meta.title, title);
    QCOMPARE(meta.drawer, run.job.meta.drawer);
    QCOMPARE(meta.url, run.job.meta.url);
    const catalog::ListRead records = run.store().listCategory(1);
    QCOMPARE(records.records.size(), 1);
    QCOMPARE(records.records[0].title, title);
    QCOMPARE(records.records[0].drawer, run.job.meta.drawer);
}

void DownloaderTest::filedUnderTheCategoryAtTheEnd()
{
    Run run;
    const qint64 first = run.store().addCategory(1, "first", run.env.path("first")).id;
    const qint64 second = run.store().addCategory(1, "second", run.env.path("second")).id;
    QVERIFY(first > 1 && second > first);
    QVERIFY(run.serveOne());
    run.job.classId = first;
    run.classAtEnd = second;
    QVERIFY(run.download());
    QVERIFY(run.ok());
    // The file goes to the folder of the category the download began in,
    // missing until then; the record to the one chosen at the end.
    QCOMPARE(run.downloader.bookPath(), run.env.path("first/T.lhh"));
    QCOMPARE(run.store().listCategory(first).records.size(), 0);
    QCOMPARE(run.store().listCategory(second).records.size(), 1);
}

void DownloaderTest::refusedBeforeFetching_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("holdCatalog");
    QTest::addColumn<qint64>("classId");
    QTest::addColumn<QString>("message");
    const QString page = readingPage({"1.gif"});
    const QString noPage = "请打开到要下载连环画的页面。";
    QTest::newRow("no markers") << "<p>a page</p>" << "T" << false << qint64(1) << noPage;
    QTest::newRow("list of commas") << readingPage({"", "", ""}) << "T" << false << qint64(1) << noPage;
    QTest::newRow("no title") << page << " " << false << qint64(1) << "请输入连环画书名。";
    QTest::newRow("catalog held by another Korvel") << page << "T" << true << qint64(1) << "数据库文件丢失。";
    QTest::newRow("category gone") << page << "T" << false << qint64(99) << "所选分类已不存在，请重新选择。";
}

void DownloaderTest::refusedBeforeFetching()
{
    QFETCH(QString, html);
    QFETCH(QString, title);
    QFETCH(bool, holdCatalog);
    QFETCH(qint64, classId);
    QFETCH(QString, message);
    Run run;
    run.job.classId = classId;
    QVERIFY(run.serveOne());
    run.job.pageHtml = html;
    run.job.meta.title = title;
    platform::FileLock hold;
    if (holdCatalog)
        QCOMPARE(hold.acquire(catalog::CatalogStore::pathIn(run.env.appDir())), platform::FileLock::Result::Ok);
    QVERIFY(run.download());
    QVERIFY(!run.ok());
    QCOMPARE(run.message(), message);
    QCOMPARE(run.site.requested, QStringList());
    QVERIFY(!QDir(run.books()).exists() || run.filesIn(run.books()).isEmpty());
    // Nothing landed where the program happens to run either.
    QVERIFY(!QFile::exists(QDir::current().filePath("T.lhh")));
}

void DownloaderTest::targetFolders_data()
{
    QTest::addColumn<QString>("folder"); // the category's DefaultPath; "@" stands for the test's folder
    QTest::addColumn<bool>("ok");
    QTest::newRow("missing: made") << "@/new/deeper" << true;
    QTest::newRow("with a trailing separator") << "@/slash/" << true;
    QTest::newRow("under a file: cannot be made") << "@/afile/sub" << false;
    QTest::newRow("relative, as from another system") << "D:\\books" << false;
    QTest::newRow("read-only") << "@/readonly" << false;
    // What root cannot write into either.
    QTest::newRow("read-only file system") << "/proc" << false;
}

void DownloaderTest::targetFolders()
{
    QFETCH(QString, folder);
    QFETCH(bool, ok);
    Run run;
    folder.replace("@", run.env.path("t"));
    QDir().mkpath(run.env.path("t"));
    QFile file(run.env.path("t/afile"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    if (folder.endsWith("readonly")) {
        if (::geteuid() == 0)
            QSKIP("root writes into read-only folders");
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    const qint64 id = run.store().addCategory(1, "c", folder).id;
    QVERIFY(run.serveOne());
    run.job.classId = id;
    QVERIFY(run.download());
    QCOMPARE(run.ok(), ok);
    if (ok) {
        QCOMPARE(run.downloader.bookPath(), QDir::cleanPath(folder) + "/T.lhh");
    } else {
        QVERIFY2(run.message().contains("下载目录"), qPrintable(run.message()));
        QCOMPARE(run.site.requested, QStringList());
        QCOMPARE(run.store().listCategory(id).records.size(), 0);
    }
    QVERIFY(!QFile::exists(QDir::current().filePath("T.lhh")));
}

void DownloaderTest::recordAlreadyThere()
{
    // A record of an earlier download whose file was deleted since.
    Run run;
    catalog::BookRecord old;
    old.classId = 1;
    old.title = "T";
    old.path = run.books() + "/T.lhh";
    QCOMPARE(run.store().addBook(old).outcome, catalog::Outcome::Done);
    QVERIFY(run.serveOne());
    QVERIFY(run.download());
    // The book is whole and kept; the user is told why no second record came.
    QVERIFY(run.ok());
    QVERIFY2(run.message().contains("已有这个文件的记录"), qPrintable(run.message()));
    QCOMPARE(bookPages(old.path).size(), 1);
    QCOMPARE(run.store().listCategory(1).records.size(), 1);
}

void DownloaderTest::fiveThousandPages()
{
    Run run;
    test::FaultySite site;
    QVERIFY(site.start());
    QStringList pieces;
    for (int i = 0; i < 5000; ++i) {
        pieces << QStringLiteral("p/%1.gif").arg(i);
        site.serve("/lianupload/images/" + pieces.last(), "GIF89a" + QByteArray::number(i));
    }
    run.job.siteRoot = site.root();
    run.job.pageHtml = readingPage(pieces);
    QVERIFY(run.download());
    QVERIFY2(run.ok(), qPrintable(run.message()));
    const QList<QByteArray> pages = bookPages(run.downloader.bookPath());
    QCOMPARE(pages.size(), 5000);
    QCOMPARE(pages.at(4999), QByteArray("GIF89a4999"));
    QCOMPARE(run.progressed.last(), (QVariantList{5000, 5000}));
}

QTEST_GUILESS_MAIN(DownloaderTest)

#include "tst_downloader.moc"
