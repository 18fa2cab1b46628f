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
#include "tests/support/PutFile.h"
#include "tests/support/TestEnv.h"
#include "web/Downloader.h"
#include "web/PageText.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

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
    test::FaultySite site;
    const QByteArray picture = test::pictureBytes(4, 4, "PNG");

    Run()
    {
        job.appDir = env.appDir();
        job.classId = 1;
        job.meta.title = QStringLiteral("T");
        job.meta.sign = QStringLiteral("Dalvane");
        job.recordAtEnd = [this] {
            catalog::BookRecord r;
            r.classId = classAtEnd;
            r.title = job.meta.title;
            r.drawer = job.meta.drawer;
            return r;
        };
    }
    catalog::CatalogStore store() const { return catalog::CatalogStore(catalog::CatalogStore::pathIn(env.appDir())); }
    QString books() const { return env.appDir() + "/books"; }

    // The site serves the pictures in its standard folder, and the reading
    // page lists them in this order.
    bool serve(const QList<std::pair<QString, Answer>> &pictures)
    {
        if (!site.start())
            return false;
        QStringList pieces;
        for (const auto &[piece, answer] : pictures) {
            site.serve("/lianupload/images/" + piece, answer);
            pieces << piece;
        }
        job.siteRoot = site.root();
        job.pageHtml = readingPage(pieces);
        return true;
    }
    bool serveOne() { return serve({{"1.gif", Answer{picture}}}); }

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
    // What a failed download leaves: no book, whole or in part, and no record.
    bool leftNothing() const { return filesIn(books()).isEmpty() && store().listCategory(1).records.isEmpty(); }
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
    void fromTheStandInSite()
    {
        test::TestEnv world;
        const QString source = world.path("source");
        QDir().mkpath(source);
        const QList<QByteArray> pictures = {test::pictureBytes(40, 30, "PNG", Qt::red),
                                            test::pictureBytes(30, 40, "JPEG"), test::pictureBytes(20, 20, "BMP", Qt::blue)};
        QVERIFY(test::makeBook(world.appDir(), source + "/a.lhh", {{0, pictures[0]}, {5, pictures[1]}, {9, pictures[2]}}));
        QVERIFY(test::makeBook(world.appDir(), source + "/b.lhh", {{0, pictures[2]}, {1, pictures[0]}}));
        QList<site::SiteBook> books;
        QString error;
        QVERIFY2(site::generateSite(source, world.path("site"), &error, &books), qPrintable(error));
        site::SiteServer server(world.path("site"));
        QVERIFY(server.listen());

        // The first book's pictures are in the standard folder, the second's in the alternative one.
        for (int book : {0, 1}) {
            Run run;
            const QString html = QString::fromUtf8(test::fileBytes(world.path("site") + books.at(book).page));
            run.job.siteRoot = server.root();
            run.job.pageHtml = html;
            run.job.meta.title = web::pageTitle(html);
            QVERIFY(run.download());
            QVERIFY2(run.ok(), qPrintable(run.message()));
            QCOMPARE(run.message(), QString());

            const QList<QByteArray> expected = book == 0 ? pictures : QList<QByteArray>{pictures[2], pictures[0]};
            QCOMPARE(run.downloader.bookPath(), run.books() + "/test.lhh");
            QCOMPARE(bookPages(run.downloader.bookPath()), expected);
            // The progress after each page, counting to the whole.
            QList<QVariantList> progress;
            for (int i = 1; i <= expected.size(); ++i)
                progress << QVariantList{i, int(expected.size())};
            QCOMPARE(QList<QVariantList>(run.progressed), progress);

            const QList<catalog::BookRecord> records = run.store().listCategory(1).records;
            QCOMPARE(records.size(), 1);
            QCOMPARE((QStringList{records[0].path, records[0].title}), (QStringList{run.downloader.bookPath(), "test"}));
            // Nothing else is left behind, here or in the application folder.
            QCOMPARE(run.filesIn(run.books()), QStringList{"test.lhh"});
            QCOMPARE(QDir(run.env.appDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     (QStringList{"books", "Korvel.mdb", "Korvel.tmp!", "top.html"}));
        }
    }

    void scripts()
    {
        QByteArray big(10 * 1024 * 1024, 'x');
        big.prepend("lianup=fp+\"std/\";\n");
        // The script served ("-": none), the first piece of the list, the address it is asked at.
        const QList<std::tuple<QByteArray, QString, QString>> cases = {
            {"-", "b/1.gif", "/lianupload/images/b/1.gif"},
            {"lianup=fp+\"std/\";\nfp=fp+\"alt/\";\n", "images/1.gif", "/alt/images/1.gif"},
            {big, "b/1.gif", "/lianupload/images/b/1.gif"},
        };
        for (const auto &[script, firstPiece, asked] : cases) {
            Run run;
            QVERIFY(run.site.start());
            if (script != "-")
                run.site.serve("/js/fp.js", script, "application/javascript");
            run.site.serve(asked, run.picture);
            run.job.siteRoot = run.site.root();
            run.job.pageHtml = readingPage({firstPiece});
            QVERIFY(run.download());
            QVERIFY2(run.ok(), qPrintable(run.message() + " asked: " + run.site.requested.join(' ')));
            QCOMPARE(run.site.requested, (QStringList{"/js/fp.js", asked}));
            QCOMPARE(bookPages(run.downloader.bookPath()), QList<QByteArray>{run.picture});
        }
    }

    void failingPicture()
    {
        const QByteArray jpeg = test::pictureBytes(300, 300, "JPEG");
        const QList<std::pair<Answer, QString>> cases = {
            {Answer{"gone", "text/html", 404}, "HTTP 404"},
            {Answer{jpeg, "image/jpeg", 500}, "HTTP 500"},
            {Answer{jpeg, "image/jpeg", 200, Kind::CutShort}, "断开"},
            {Answer{"<html><body>hello</body></html>", "text/html"}, "不是图片"},
            {Answer{"", "image/jpeg"}, "不是图片"},
            {Answer{jpeg, "image/jpeg", 200, Kind::Whole, web::Downloader::kLargestPicture + 1}, "大于 64 MB"},
        };
        for (const auto &[answer, reason] : cases) {
            Run run;
            const Answer png{test::pictureBytes(8, 8, "PNG")};
            QVERIFY(run.serve({{"1.png", png}, {"2.jpg", answer}, {"3.png", png}}));
            QVERIFY(run.download());
            QVERIFY(!run.ok());
            // The page is named, by its place in the list and its address.
            QVERIFY2(run.message().startsWith("第 2 页图片（" + run.site.root() + "lianupload/images/2.jpg）下载失败："),
                     qPrintable(run.message()));
            QVERIFY2(run.message().contains(reason), qPrintable(run.message()));
            QVERIFY(run.leftNothing());
        }
    }

    void silenceOf30SecondsAndRefusal()
    {
        Run run;
        QVERIFY(run.serve({{"1.png", Answer{run.picture}}, {"2.png", Answer{"", "", 200, Kind::Silent}}}));
        run.downloader.start(run.job);
        QTRY_COMPARE_WITH_TIMEOUT(run.progressed.count(), 1, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(run.site.heldOpen(), 1, 20000);
        // Time passes only as the test says: a moment short of 30 seconds is not enough.
        run.clock.advance(web::Downloader::kSilenceMs - 1);
        QTest::qWait(50);
        QCOMPARE(run.finished.count(), 0);
        run.clock.advance(1);
        QTRY_COMPARE_WITH_TIMEOUT(run.finished.count(), 1, 20000);
        QVERIFY(!run.ok());
        QVERIFY2(run.message().contains("第 2 页") && run.message().contains("30 秒没有回应"), qPrintable(run.message()));
        QVERIFY(run.leftNothing());

        // A site that refuses the connection.
        Run refused;
        refused.job.siteRoot = QStringLiteral("http://127.0.0.1:%1/").arg(test::FaultySite::closedPort());
        refused.job.pageHtml = readingPage({"1.png"});
        QVERIFY(refused.download());
        QVERIFY(!refused.ok());
        QVERIFY2(refused.message().contains("第 1 页") && refused.message().contains("拒绝连接"),
                 qPrintable(refused.message()));
        QVERIFY(refused.leftNothing());
    }

    void pictureLimit()
    {
        const int limit = 200000;
        for (Kind kind : {Kind::Whole, Kind::Unsized}) {
            for (int extra : {0, 1}) {
                Run run;
                QByteArray picture = test::pictureBytes(8, 8, "PNG");
                picture.append(limit + extra - picture.size(), '\0');
                QVERIFY(run.serve({{"1.png", Answer{picture, "image/png", 200, kind}}}));
                run.downloader.setLargestPicture(limit);
                QVERIFY(run.download());
                QCOMPARE(run.ok(), extra == 0);
                if (extra == 0)
                    QCOMPARE(bookPages(run.downloader.bookPath()), QList<QByteArray>{picture});
                else
                    QVERIFY2(run.message().contains("大于"), qPrintable(run.message()));
            }
        }
    }

    void namesFromTitles()
    {
        Run run;
        QVERIFY(run.serveOne());
        // A title with quotes and a way up, and the file name it gives.
        const QString title = "../他说\"走'吧\"", file = "___他说\"走'吧\"";
        run.job.meta.title = title;
        run.job.meta.drawer = "O'Neil \"画\"";
        run.job.meta.url = run.site.root() + "b.html?a='1'";
        // A name in use is left alone: the book takes the next free one.
        QDir().mkpath(run.books());
        QVERIFY(test::putFile(run.books() + '/' + file + ".lhh", "someone else's"));
        QVERIFY(run.download());
        QVERIFY2(run.ok(), qPrintable(run.message()));
        QCOMPARE(run.downloader.bookPath(), run.books() + '/' + file + "(1).lhh");
        QCOMPARE(test::fileBytes(run.books() + '/' + file + ".lhh"), QByteArray("someone else's"));
        // Every text is stored exactly as it came, in the book and in the record.
        book::BookMeta meta;
        QCOMPARE(bookPages(run.downloader.bookPath(), &meta), QList<QByteArray>{run.picture});
        QCOMPARE((QStringList{meta.title, meta.drawer, meta.url, meta.sign}),
                 (QStringList{title, run.job.meta.drawer, run.job.meta.url, "Dalvane"}));
        const QList<catalog::BookRecord> records = run.store().listCategory(1).records;
        QCOMPARE(records.size(), 1);
        QCOMPARE((QStringList{records[0].title, records[0].drawer}), (QStringList{title, run.job.meta.drawer}));
    }

    void refusedBeforeFetching()
    {
        struct Case {
            QString html, title;
            bool holdCatalog;
            qint64 classId;
            QString message;
        };
        const QString page = readingPage({"1.gif"});
        const QString noPage = "请打开到要下载连环画的页面。";
        const QList<Case> cases = {
            {"<p>a page</p>", "T", false, 1, noPage},
            {page, " ", false, 1, "请输入连环画书名。"},
            // The catalog held by another Korvel.
            {page, "T", true, 1, "数据库文件丢失。"},
            {page, "T", false, 99, "所选分类已不存在，请重新选择。"},
        };
        for (const Case &c : cases) {
            Run run;
            QVERIFY(run.serveOne());
            run.job.classId = c.classId;
            run.job.pageHtml = c.html;
            run.job.meta.title = c.title;
            platform::FileLock hold;
            if (c.holdCatalog)
                QCOMPARE(hold.acquire(catalog::CatalogStore::pathIn(run.env.appDir())), platform::FileLock::Result::Ok);
            QVERIFY(run.download());
            QVERIFY(!run.ok());
            QCOMPARE(run.message(), c.message);
            QCOMPARE(run.site.requested, QStringList());
            QVERIFY(run.filesIn(run.books()).isEmpty());
            // Nothing landed where the program happens to run either.
            QVERIFY(!QFile::exists(QDir::current().filePath("T.lhh")));
        }
    }

    void targetFolders()
    {
        // The category's DefaultPath ("@": the test's folder), and whether the book can go there.
        const QList<std::pair<QString, bool>> cases = {
            {"@/new/deeper", true}, // missing: made
            {"@/afile/sub", false}, // under a file: cannot be made
            {"/proc", false}, // made, but nothing can be written there
        };
        for (auto [folder, ok] : cases) {
            Run run;
            folder.replace("@", run.env.path("t"));
            QDir().mkpath(run.env.path("t"));
            QVERIFY(test::putFile(run.env.path("t/afile")));
            const qint64 id = run.store().addCategory(1, "c", folder).id;
            // The file goes to the folder of the category the download began
            // in, the record to the category chosen at the end.
            run.classAtEnd = run.store().addCategory(1, "at the end", QString()).id;
            QVERIFY(run.serveOne());
            run.job.classId = id;
            QVERIFY(run.download());
            QCOMPARE(run.ok(), ok);
            QCOMPARE(run.store().listCategory(id).records.size(), 0);
            QCOMPARE(run.store().listCategory(run.classAtEnd).records.size(), ok ? 1 : 0);
            if (ok)
                QCOMPARE(run.downloader.bookPath(), QDir::cleanPath(folder) + "/T.lhh");
            else
                QVERIFY2(run.message().contains("下载目录") && run.site.requested.isEmpty(), qPrintable(run.message()));
        }
    }

    void recordAlreadyThere()
    {
        // A record of an earlier download whose file was deleted since.
        Run run;
        catalog::BookRecord old;
        old.classId = 1;
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

    void fiveThousandPages()
    {
        Run run;
        QList<std::pair<QString, Answer>> pictures;
        for (int i = 0; i < 5000; ++i)
            pictures.append({QStringLiteral("p/%1.gif").arg(i), Answer{"GIF89a" + QByteArray::number(i)}});
        QVERIFY(run.serve(pictures));
        QVERIFY(run.download());
        QVERIFY2(run.ok(), qPrintable(run.message()));
        const QList<QByteArray> pages = bookPages(run.downloader.bookPath());
        QCOMPARE(pages.size(), 5000);
        QCOMPARE(pages.at(4999), QByteArray("GIF89a4999"));
        QCOMPARE(run.progressed.last(), (QVariantList{5000, 5000}));
    }
};

QTEST_GUILESS_MAIN(DownloaderTest)

#include "tst_downloader.moc"
