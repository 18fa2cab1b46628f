// What the downloader reads out of a reading page and the site's script, the
// addresses of the web pane and the web search, and the names books get.
#include "web/BookName.h"
#include "web/PageText.h"
#include "web/SiteRules.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

using namespace korvel;

class WebRulesTest : public QObject {
    Q_OBJECT

private slots:
    void markers_data();
    void markers();
    void pictureList_data();
    void pictureList();
    void references_data();
    void references();
    void script_data();
    void script();
    void siteAddresses_data();
    void siteAddresses();
    void webSearch_data();
    void webSearch();
    void safeNames_data();
    void safeNames();
    void namesStayInsideTheFolder();
    void takenNamesCount();
};

void WebRulesTest::markers_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("drawer");
    QTest::addColumn<QString>("summary");
    const QString page = QStringLiteral("<h1><a href=\"b1.html\">《小英雄雨来》</a></h1>"
                                        "<P><B>绘画：</B>张三</P><!-- 绘画 -->"
                                        "<P><B>简介：</B>雨来的故事※※※</P>");
    QTest::newRow("as the site writes it") << page << "小英雄雨来" << "张三" << "雨来的故事";
    QTest::newRow("tag names in lower case") << page.toLower() << "小英雄雨来" << "张三" << "雨来的故事";
    QTest::newRow("tag names in mixed case")
        << QStringLiteral("<p><B>绘画：</b>李四</P><!-- 绘画 --><P><b>简介：</B>x※※※") << "" << "李四" << "x";
    // Only tag names bend: the text of a marker is matched exactly.
    QTest::newRow("marker text differs")
        << QStringLiteral("<p><b>绘画:</b>李四</p><!-- 绘画 -->") << "" << "" << "";
    QTest::newRow("no closing marker: nothing, not a fragment")
        << QStringLiteral("\">《没有结尾 <p><b>绘画：</b>王五</p>") << "" << "" << "";
    QTest::newRow("first of several") << QStringLiteral("\">《一》</a>\">《二》</a>") << "一" << "" << "";
    QTest::newRow("references decoded")
        << QStringLiteral("\">《Tom &amp; Jerry &lt;1&gt;》</a><p><b>绘画：</b>&quot;王&quot;&#39;s</p><!-- 绘画")
        << "Tom & Jerry <1>" << "\"王\"'s" << "";
    QTest::newRow("empty page") << QString() << "" << "" << "";
}

void WebRulesTest::markers()
{
    QFETCH(QString, html);
    QFETCH(QString, title);
    QFETCH(QString, drawer);
    QFETCH(QString, summary);
    QCOMPARE(web::pageTitle(html), title);
    QCOMPARE(web::pageDrawer(html), drawer);
    QCOMPARE(web::pageSummary(html), summary);
}

void WebRulesTest::pictureList_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<bool>("hasList");
    QTest::addColumn<QStringList>("pieces");
    auto page = [](const QString &list) { return "<script>var PicList = \"" + list + "\"; //图片列表\n</script>"; };
    QTest::newRow("two pieces, in order") << page("a.jpg,b.jpg") << true << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("trailing comma names no page") << page("a.jpg,b.jpg,") << true << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("blanks around pieces") << page(" a.jpg , b.jpg") << true << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("empty list") << page("") << true << QStringList{};
    QTest::newRow("commas only") << page(",,") << true << QStringList{};
    QTest::newRow("no closing marker") << "var PicList = \"a.jpg,b.jpg" << true << QStringList{};
    QTest::newRow("no list") << "<p>nothing</p>" << false << QStringList{};
    QStringList many;
    for (int i = 0; i < 5000; ++i)
        many << QStringLiteral("b/%1.jpg").arg(i);
    QTest::newRow("5000 pieces") << page(many.join(',')) << true << many;
}

void WebRulesTest::pictureList()
{
    QFETCH(QString, html);
    QFETCH(bool, hasList);
    QFETCH(QStringList, pieces);
    QCOMPARE(web::hasPictureList(html), hasList);
    QCOMPARE(web::pictureList(html), pieces);
}

void WebRulesTest::references_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("decoded");
    QTest::newRow("amp") << "a &amp; b" << "a & b";
    QTest::newRow("amp of amp, once") << "&amp;amp;" << "&amp;";
    QTest::newRow("decimal and hex") << "&#20070;&#x4E66;&#X4e66;" << "书书书";
    QTest::newRow("beyond the BMP") << "&#x1F600;" << QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("nbsp") << "a&nbsp;b" << QStringLiteral("a\u00a0b");
    QTest::newRow("no character: replacement") << "&#0;&#x110000;&#xD800;" << QStringLiteral("\ufffd\ufffd\ufffd");
    QTest::newRow("unknown name stays") << "&bogus; &amp" << "&bogus; &amp";
    QTest::newRow("bare ampersand") << "AT&T" << "AT&T";
}

void WebRulesTest::references()
{
    QFETCH(QString, text);
    QFETCH(QString, decoded);
    QCOMPARE(web::decodeReferences(text), decoded);
}

void WebRulesTest::script_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("standard");
    QTest::addColumn<QString>("alternative");
    const QString root = "http://127.0.0.1:1/";
    QTest::newRow("the site's script")
        << QByteArray("var fp = \"http://h:2/\";\nlianup=fp+\"std/\";\nfp=fp+\"alt/\";\n") << "http://h:2/" << "std/"
        << "alt/";
    QTest::newRow("later lines override, CRLF")
        << QByteArray("fp=fp+\"one/\";\r\nfp=fp+\"x/\";\r\n") << root << "lianupload/images/" << "x/";
    QTest::newRow("lianup line sets only the standard folder")
        << QByteArray("lianup=fp+\"s/\";\n") << root << "s/" << "comicstripimages_zerith/";
    QTest::newRow("prefix inside the line") << QByteArray("  var fp = \"http://h/\"; // base\n") << "http://h/"
                                           << "lianupload/images/" << "comicstripimages_zerith/";
    QTest::newRow("no closing quote: the last two characters go")
        << QByteArray("fp=fp+\"alt/;;\n") << root << "lianupload/images/" << "alt/";
    QTest::newRow("missing or empty: defaults") << QByteArray() << root << "lianupload/images/"
                                                 << "comicstripimages_zerith/";
    QTest::newRow("empty values: defaults")
        << QByteArray("var fp = \"\";\nlianup=fp+\"\";\n") << root << "lianupload/images/" << "comicstripimages_zerith/";
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe\x01", 4) + "var fp = \"\x01\x02\";\nfp=fp+\"\xff\xfe/\";\n" << root
                            << "lianupload/images/" << "comicstripimages_zerith/";
    QTest::newRow("a local file is no site base")
        << QByteArray("var fp = \"file:///etc/\";\nvar fp = \"javascript:x\";\n") << root << "lianupload/images/"
        << "comicstripimages_zerith/";
    QByteArray big(int(web::kLargestScript) + 1, ' ');
    big.prepend("fp=fp+\"big/\";\n");
    QTest::newRow("larger than a script: defaults") << big << root << "lianupload/images/" << "comicstripimages_zerith/";
    QByteArray atLimit(int(web::kLargestScript), ' ');
    atLimit.replace(0, 14, "fp=fp+\"lim/\";\n");
    QTest::newRow("at the limit: read") << atLimit << root << "lianupload/images/" << "lim/";
}

void WebRulesTest::script()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, base);
    QFETCH(QString, standard);
    QFETCH(QString, alternative);
    const web::PictureFolders f = web::readSiteScript(script, "http://127.0.0.1:1/");
    QCOMPARE(f.siteBase, base);
    QCOMPARE(f.standardFolder, standard);
    QCOMPARE(f.alternativeFolder, alternative);
}

void WebRulesTest::siteAddresses_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("site");
    QTest::newRow("word in the host") << "http://www.dalvane.com/x.html" << true;
    QTest::newRow("capitals") << "http://WWW.DALVANE.COM/" << true;
    QTest::newRow("word in the path, mixed case") << "http://127.0.0.1:8/DalVane/b.html" << true;
    QTest::newRow("word in the query") << "http://127.0.0.1:8/b.html?from=Dalvane" << true;
    QTest::newRow("another site") << "http://127.0.0.1:8/b.html" << false;
    QTest::newRow("near miss") << "http://dalvan.example/" << false;
}

void WebRulesTest::siteAddresses()
{
    QFETCH(QString, url);
    QFETCH(bool, site);
    QCOMPARE(web::isSiteAddress(QUrl(url)), site);
}

void WebRulesTest::webSearch_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("searched"); // the keyword the site reads; null: the plain search page
    QTest::newRow("empty") << "" << "/search/" << QString();
    QTest::newRow("the prompt") << "请输入连环画书名" << "/search/" << QString();
    QTest::newRow("prompt and more") << "请输入连环画书名2" << "/search/keyword/" << "请输入连环画书名2";
    QTest::newRow("Chinese and blanks") << "三国 演义" << "/search/keyword/" << "三国 演义";
    QTest::newRow("query characters") << "a&b=c#d+e%f" << "/search/keyword/" << "a&b=c#d+e%f";
}

void WebRulesTest::webSearch()
{
    QFETCH(QString, keyword);
    QFETCH(QString, path);
    QFETCH(QString, searched);
    const QUrl url = web::webSearchAddress("http://127.0.0.1:5/", keyword);
    QCOMPARE(url.host(), QString("127.0.0.1"));
    QCOMPARE(url.port(), 5);
    QCOMPARE(url.path(), path);
    if (searched.isNull()) {
        QVERIFY(!url.hasQuery());
        return;
    }
    const QUrlQuery query(url);
    QCOMPARE(query.queryItemValue("show"), QString("title"));
    QCOMPARE(query.queryItemValue("classid"), QString("2"));
    QCOMPARE(query.queryItemValue("keyboard", QUrl::FullyDecoded), searched);
    // Readable as typed where nothing would change the query's meaning.
    if (!searched.contains('&'))
        QVERIFY2(url.toString().endsWith("keyboard=" + searched), qPrintable(url.toString()));
}

void WebRulesTest::safeNames_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "小英雄雨来" << "小英雄雨来";
    QTest::newRow("quotes stay") << "他说\"走'吧\"" << "他说\"走'吧\"";
    QTest::newRow("slashes") << "上/下\\册" << "上_下_册";
    QTest::newRow("way up") << "../../etc/passwd" << "______etc_passwd";
    QTest::newRow("dots inside") << "a..b...c.d" << "a__b___c.d";
    QTest::newRow("leading dot") << ".hidden" << "_hidden";
    QTest::newRow("control characters") << QStringLiteral("a\tb\nc\u0001d\u007fe\u0085f") << "a_b_c_d_e_f";
    QTest::newRow("blanks at the ends") << "  雨来  " << "雨来";
    QTest::newRow("blanks only") << "   " << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("a dot") << "." << "_";
    QTest::newRow("Chinese at the limit") << QString(66, QChar(0x4E66)) << QString(66, QChar(0x4E66)); // 198 bytes
    QTest::newRow("Chinese over the limit") << QString(100, QChar(0x4E66)) << QString(66, QChar(0x4E66));
    QTest::newRow("300 letters") << QString(300, 'x') << QString(web::kLongestTitleBytes, 'x');
    // Four-byte characters are never split in half.
    QTest::newRow("emoji") << QString::fromUtf8("\xF0\x9F\x98\x80").repeated(60)
                           << QString::fromUtf8("\xF0\x9F\x98\x80").repeated(50);
}

void WebRulesTest::safeNames()
{
    QFETCH(QString, title);
    QFETCH(QString, name);
    QCOMPARE(web::safeFileTitle(title), name);
    QVERIFY(web::safeFileTitle(title).toUtf8().size() <= web::kLongestTitleBytes);
}

void WebRulesTest::namesStayInsideTheFolder()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/books/";
    QVERIFY(QDir().mkpath(folder));
    const QStringList titles = {"../escape", "/etc/x", "..", "a/../../b", QString(300, QChar(0x4E66)),
                                QString("\\..\\..\\x"), ".", "\n"};
    for (const QString &title : titles) {
        const QString path = web::freeBookPath(folder, title);
        QVERIFY2(!path.isEmpty(), qPrintable(title));
        QCOMPARE(QFileInfo(path).absolutePath() + '/', folder);
        QVERIFY(path.endsWith(".lhh"));
        // The writer's hidden name beside it fits as well.
        QVERIFY(QFileInfo(path).fileName().toUtf8().size() + 16 < 255);
        QFile f(path);
        QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    }
    QCOMPARE(web::freeBookPath(folder, "  "), QString());
}

void WebRulesTest::takenNamesCount()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + '/';
    QCOMPARE(web::freeBookPath(folder, "T"), folder + "T.lhh");
    QFile(folder + "T.lhh").open(QIODevice::WriteOnly);
    QCOMPARE(web::freeBookPath(folder, "T"), folder + "T(1).lhh");
    QFile(folder + "T(1).lhh").open(QIODevice::WriteOnly);
    QCOMPARE(web::freeBookPath(folder, "T"), folder + "T(2).lhh");
    // A dangling link is a name in use too.
    QVERIFY(QFile::link(folder + "nowhere", folder + "T(2).lhh"));
    QCOMPARE(web::freeBookPath(folder, "T"), folder + "T(3).lhh");
    QDir().mkpath(folder + "T(3).lhh");
    QCOMPARE(web::freeBookPath(folder, "T"), folder + "T(4).lhh");
}

QTEST_GUILESS_MAIN(WebRulesTest)

#include "tst_webrules.moc"
