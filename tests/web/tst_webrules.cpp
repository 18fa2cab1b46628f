// What the downloader reads out of a reading page and the site's script, the
// addresses of the web pane and the web search, and the names books get.
#include "web/BookName.h"
#include "web/PageText.h"
#include "web/SiteRules.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

using namespace korvel;

class WebRulesTest : public QObject {
    Q_OBJECT

private slots:
    void markersAndReferences()
    {
        struct Case {
            QString html, title, drawer, summary;
        };
        const QString page = QStringLiteral("<h1><a href=\"b1.html\">《小英雄雨来》</a></h1>"
                                            "<P><B>绘画：</B>张三</P><!-- 绘画 -->"
                                            "<P><B>简介：</B>雨来的故事※※※</P>");
        const QList<Case> cases = {
            {page, "小英雄雨来", "张三", "雨来的故事"},
            // Tag names in any case; only the text of a marker is matched exactly.
            {page.toLower(), "小英雄雨来", "张三", "雨来的故事"},
            {"<p><B>绘画：</b>李四</P><!-- 绘画 --><P><b>简介：</B>x※※※", "", "李四", "x"},
            {"<p><b>绘画:</b>李四</p><!-- 绘画 -->", "", "", ""},
            // No closing marker: nothing, not a fragment.
            {"\">《没有结尾 <p><b>绘画：</b>王五</p>", "", "", ""},
            // The first of several.
            {"\">《一》</a>\">《二》</a>", "一", "", ""},
            {"\">《Tom &amp; Jerry &lt;1&gt;》</a><p><b>绘画：</b>&quot;王&quot;&#39;s</p><!-- 绘画", "Tom & Jerry <1>",
             "\"王\"'s", ""},
            {QString(), "", "", ""},
        };
        for (const Case &c : cases) {
            QCOMPARE(web::pageTitle(c.html), c.title);
            QCOMPARE(web::pageDrawer(c.html), c.drawer);
            QCOMPARE(web::pageSummary(c.html), c.summary);
        }

        // Character references: each decoded once; one naming no character
        // becomes the replacement; an unknown one stays.
        const QList<std::pair<QString, QString>> references = {
            {"&amp;amp;", "&amp;"}, // decoded once
            {"&#20070;&#x4E66;&#X4e66;", "书书书"},
            {"&#x1F600;", QString::fromUtf8("\xF0\x9F\x98\x80")},
            {"a&nbsp;b", QStringLiteral("a\u00a0b")},
            {"&#0;&#x110000;&#xD800;", QStringLiteral("\ufffd\ufffd\ufffd")}, // no character: replacement
            {"&bogus; &amp", "&bogus; &amp"},
            {"AT&T", "AT&T"},
        };
        for (const auto &[text, decoded] : references)
            QCOMPARE(web::decodeReferences(text), decoded);
    }

    void pictureList()
    {
        auto page = [](const QString &list) { return "<script>var PicList = \"" + list + "\"; //图片列表\n</script>"; };
        const QStringList ab = {"a.jpg", "b.jpg"};
        // (A list of 5000 pieces is the downloader's test.)
        const QList<std::pair<QString, QStringList>> cases = {
            {page("a.jpg,b.jpg"), ab},
            {page("a.jpg,b.jpg,"), ab}, // a trailing comma names no page
            {page(" a.jpg , b.jpg"), ab},
            {page(",,"), {}},
            {"var PicList = \"a.jpg,b.jpg", {}}, // no closing marker
        };
        for (const auto &[html, pieces] : cases) {
            QVERIFY(web::hasPictureList(html));
            QCOMPARE(web::pictureList(html), pieces);
        }
        QVERIFY(!web::hasPictureList("<p>nothing</p>"));
    }

    void script()
    {
        struct Case {
            QByteArray script;
            QString base, standard, alternative;
        };
        const QString root = "http://127.0.0.1:1/";
        const QString std = "lianupload/images/", alt = "comicstripimages_zerith/";
        QByteArray big(int(web::kLargestScript) + 1, ' ');
        big.prepend("fp=fp+\"big/\";\n");
        QByteArray atLimit(int(web::kLargestScript), ' ');
        atLimit.replace(0, 14, "fp=fp+\"lim/\";\n");
        const QList<Case> cases = {
            {"var fp = \"http://h:2/\";\nlianup=fp+\"std/\";\nfp=fp+\"alt/\";\n", "http://h:2/", "std/", "alt/"},
            // Later lines override; CRLF.
            {"fp=fp+\"one/\";\r\nfp=fp+\"x/\";\r\n", root, std, "x/"},
            {"  var fp = \"http://h/\"; // base\n", "http://h/", std, alt},
            // No closing quote: the last two characters go.
            {"fp=fp+\"alt/;;\n", root, std, "alt/"},
            {"var fp = \"\";\nlianup=fp+\"\";\n", root, std, alt},
            {QByteArray("\x00\xff\xfe\x01", 4) + "var fp = \"\x01\x02\";\nfp=fp+\"\xff\xfe/\";\n", root, std, alt},
            // A local file is no site base.
            {"var fp = \"file:///etc/\";\nvar fp = \"javascript:x\";\n", root, std, alt},
            {big, root, std, alt},
            {atLimit, root, std, "lim/"},
        };
        for (const Case &c : cases) {
            const web::PictureFolders f = web::readSiteScript(c.script, root);
            QCOMPARE(f.siteBase, c.base);
            QCOMPARE(f.standardFolder, c.standard);
            QCOMPARE(f.alternativeFolder, c.alternative);
        }
    }

    void addresses()
    {
        const QList<std::pair<QString, bool>> site = {
            {"http://www.dalvane.com/x.html", true},
            {"http://127.0.0.1:8/DalVane/b.html", true},
            {"http://127.0.0.1:8/b.html?from=Dalvane", true},
            {"http://127.0.0.1:8/b.html", false},
            {"http://dalvan.example/", false},
        };
        for (const auto &[url, yes] : site)
            QVERIFY2(web::isSiteAddress(QUrl(url)) == yes, qPrintable(url));

        // The web search: the prompt alone is no keyword.
        for (const QString &none : {QString(), QStringLiteral("请输入连环画书名")})
            QCOMPARE(web::webSearchAddress("http://127.0.0.1:5/", none), QUrl("http://127.0.0.1:5/search/"));
        for (const QString keyword : {"请输入连环画书名2", "三国 演义", "a&b=c#d+e%f"}) {
            const QUrl url = web::webSearchAddress("http://127.0.0.1:5/", keyword);
            QCOMPARE(url.authority(), QString("127.0.0.1:5"));
            QCOMPARE(url.path(), QString("/search/keyword/"));
            const QUrlQuery query(url);
            QCOMPARE(query.queryItemValue("keyboard", QUrl::FullyDecoded), keyword);
            // Readable as typed where nothing would change the query's meaning.
            if (!keyword.contains('&'))
                QVERIFY2(url.toString().endsWith("keyboard=" + keyword), qPrintable(url.toString()));
        }
    }

    void safeNames()
    {
        const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
        const QList<std::pair<QString, QString>> cases = {
            {"他说\"走'吧\"", "他说\"走'吧\""},
            {"上/下\\册", "上_下_册"},
            {"../../etc/passwd", "______etc_passwd"},
            {"a..b...c.d", "a__b___c.d"},
            {".hidden", "_hidden"},
            {QStringLiteral("a\tb\nc\u0001d\u007fe\u0085f"), "a_b_c_d_e_f"},
            {"  雨来  ", "雨来"},
            {QString(66, QChar(0x4E66)), QString(66, QChar(0x4E66))}, // 198 bytes: at the limit
            {QString(100, QChar(0x4E66)), QString(66, QChar(0x4E66))},
            {emoji.repeated(60), emoji.repeated(50)}, // four-byte characters never split
        };
        for (const auto &[title, name] : cases)
            QCOMPARE(web::safeFileTitle(title), name);
    }

    void freeNames()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + "/books/";
        QVERIFY(QDir().mkpath(folder));
        const QStringList titles = {"../escape", "/etc/x", "..", "a/../../b", QString(300, QChar(0x4E66)),
                                    QString("\\..\\..\\x"), ".", "\n"};
        for (const QString &title : titles) {
            const QString path = web::freeBookPath(folder, title);
            QCOMPARE(QFileInfo(path).absolutePath() + '/', folder);
            QVERIFY(path.endsWith(".lhh"));
            // The writer's hidden name beside it fits as well.
            QVERIFY(QFileInfo(path).fileName().toUtf8().size() + 16 < 255);
            QFile f(path);
            QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
        }
        QCOMPARE(web::freeBookPath(folder, "  "), QString());

        // Taken names count up; a dangling link and a folder are names in use too.
        QCOMPARE(web::freeBookPath(folder, "T"), folder + "T.lhh");
        QFile(folder + "T.lhh").open(QIODevice::WriteOnly);
        QCOMPARE(web::freeBookPath(folder, "T"), folder + "T(1).lhh");
        QVERIFY(QFile::link(folder + "nowhere", folder + "T(1).lhh"));
        QCOMPARE(web::freeBookPath(folder, "T"), folder + "T(2).lhh");
        QDir().mkpath(folder + "T(2).lhh");
        QCOMPARE(web::freeBookPath(folder, "T"), folder + "T(3).lhh");
    }
};

QTEST_GUILESS_MAIN(WebRulesTest)

#include "tst_webrules.moc"
