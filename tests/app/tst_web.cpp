// The web in the window: pages read back from a real browser, the home pages
// and their busy rule, pop-ups, the web search, and the downloader's dialog
// from the page in the pane to the book in the list. Every site is on 127.0.0.1.
#include "Harness.h"

#include "app/FrmDownload.h"
#include "app/WebPane.h"
#include "book/BookReader.h"
#include "catalog/CatalogStore.h"
#include "db/Connection.h"
#include "site/SiteContent.h"
#include "site/SiteServer.h"
#include "tests/support/FaultySite.h"
#include "tests/support/HttpStub.h"
#include "web/PageText.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QWebEnginePage>

using namespace korvel;
using namespace korvel::test;

namespace {

// Waits until the view has loaded the address (a load it cut short before does not count).
bool shows(QWebEngineView *view, const QString &address, QSignalSpy &loaded)
{
    return QTest::qWaitFor(
        [&] { return !loaded.isEmpty() && loaded.last().first().toBool() && view->url() == QUrl(address); }, 30000);
}

// Loads the address in the view and waits until it is shown.
bool load(QWebEngineView *view, const QString &address)
{
    QSignalSpy loaded(view, &QWebEngineView::loadFinished);
    view->setUrl(QUrl(address));
    return shows(view, address, loaded);
}

QString bodyOf(app::WebPane &pane)
{
    QString html;
    bool done = false;
    pane.readBody([&](const QString &h) {
        html = h;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 20000))
        qWarning("the page's body was not read");
    return html;
}

} // namespace

class WebTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void fieldsFromARealBrowser_data();
    void fieldsFromARealBrowser();
    void homePagesAndTheBusyRule();
    void popUps_data();
    void popUps();
    void standInSitePopUpStaysInThePane();
    void webSearch_data();
    void webSearch();
    void entryRefusals();
    void downloadFromTheStandInSite();
    void busyDialogCannotClose();

private:
    // The stand-in site over two books made here; their pictures in order.
    void makeSite();
    app::FrmDownload *openDialog(Harness &h);

    QTemporaryDir m_dir;
    std::unique_ptr<site::SiteServer> m_site;
    QList<site::SiteBook> m_books;
    QList<QByteArray> m_pictures;
};

void WebTest::initTestCase()
{
    makeSite();
}

void WebTest::makeSite()
{
    TestEnv env;
    const QString books = m_dir.path() + "/books";
    QDir().mkpath(books);
    m_pictures = {pictureBytes(60, 80, "PNG", Qt::red), pictureBytes(80, 60, "JPEG", Qt::green),
                  pictureBytes(50, 50, "BMP", Qt::blue), pictureBytes(70, 90, "PNG", Qt::yellow)};
    QVERIFY(makeBook(env.appDir(), books + "/a.lhh",
                     {{0, m_pictures[0]}, {1, m_pictures[1]}, {2, m_pictures[2]}, {3, m_pictures[3]}}));
    {
        db::Connection c;
        QVERIFY(!c.open(books + "/a.lhh", db::Access::ReadWrite));
        QVERIFY(!c.exec("UPDATE books SET title=?, drawer=?, summary=?",
                        {QStringLiteral("雨来 & \"小英雄\""), QStringLiteral("张三 & 李四"),
                         QStringLiteral("芦花村的孩子 <雨来>")}));
    }
    QVERIFY(makeBook(env.appDir(), books + "/b.lhh", {{0, m_pictures[2]}}));
    QString error;
    QVERIFY2(site::generateSite(books, m_dir.path() + "/site", &error, &m_books), qPrintable(error));
    m_site = std::make_unique<site::SiteServer>(m_dir.path() + "/site");
    QVERIFY(m_site->listen());
}

void WebTest::fieldsFromARealBrowser_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("drawer");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QStringList>("pieces");
    const QByteArray list = "<script>var PicList = \"a.jpg,Images/b.jpg\"; //图片列表\n</script>";
    QTest::newRow("capital tags, references")
        << "<html><body><h1><a href=\"/x\">《Tom &amp; Jerry》</a></h1>"
           "<P><B>绘画：</B>O'Neil &amp; \"画\"</P><!-- 绘画 -->"
           "<P><B>简介：</B>一 &lt;二&gt; 三※※※</P>" + list + "</body></html>"
        << "Tom & Jerry" << "O'Neil & \"画\"" << "一 <二> 三" << QStringList{"a.jpg", "Images/b.jpg"};
    QTest::newRow("numbers and a blank")
        << "<body><p><A HREF=\"/x\">《&#20070;&#x4E66;&nbsp;二》</A></p><p><b>绘画：</b>王</p><!-- 绘画 -->" + list
               + "</body>"
        << QStringLiteral("书书\u00a0二") << "王" << "" << QStringList{"a.jpg", "Images/b.jpg"};
    QTest::newRow("the stand-in site's page") << QByteArray() << QStringLiteral("雨来 & \"小英雄\"")
                                             << QStringLiteral("张三 & 李四") << QStringLiteral("芦花村的孩子 <雨来>")
                                             << QStringList{"b1/001.png", "b1/002.jpg", "b1/003.bmp", "b1/004.png"};
}

void WebTest::fieldsFromARealBrowser()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, title);
    QFETCH(QString, drawer);
    QFETCH(QString, summary);
    QFETCH(QStringList, pieces);
    FakeShell shell;
    app::WebPane pane(shell);
    pane.resize(600, 400);
    pane.show();
    HttpStub stub;
    QVERIFY(stub.start());
    stub.serve("/p.html", page);
    QVERIFY(load(&pane, page.isEmpty() ? m_site->root() + m_books[0].page.mid(1) : stub.root() + "p.html"));
    const QString html = bodyOf(pane);
    // The browser writes the tags back in its own case and the texts escaped.
    QVERIFY2(!html.contains("<P>") && !html.contains("<B>"), qPrintable(html));
    QCOMPARE(web::pageTitle(html), title);
    QCOMPARE(web::pageDrawer(html), drawer);
    QCOMPARE(web::pageSummary(html), summary);
    QCOMPARE(web::pictureList(html), pieces);
}

void WebTest::homePagesAndTheBusyRule()
{
    Harness h;
    FaultySite site;
    QVERIFY(site.start());
    site.serve("/", QByteArray("<html><body>home</body></html>"), "text/html");
    site.serve("/Korvel/", QByteArray("<html><body>korvel</body></html>"), "text/html");
    h.siteRoot = site.root();
    h.start();
    auto *web = h.find<QWebEngineView>("wbbMain");
    QSignalSpy loaded(web, &QWebEngineView::loadFinished);
    h.action("mnuHomePage1")->trigger();
    QVERIFY(web->isVisible() && h.button("tzbBottom_2")->value());
    QVERIFY(shows(web, site.root() + "Korvel/", loaded));
    // The web tab shows the pane as it is once it has a page.
    h.click("tzbBottom_1");
    h.click("tzbBottom_2");
    QVERIFY(web->isVisible());
    QCOMPARE(web->url().toString(), site.root() + "Korvel/");

    // A home page that never comes keeps the pane busy: the other one waits.
    site.serve("/", FaultySite::Answer{"", "text/html", 200, FaultySite::Kind::Silent});
    h.action("ToolbarButton12")->trigger(); // 主页
    QCOMPARE(web->url().toString(), site.root());
    QTRY_VERIFY_WITH_TIMEOUT(site.heldOpen() == 1, 20000);
    QVERIFY(static_cast<app::WebPane *>(web)->isBusy());
    h.action("mnuHomePage1")->trigger();
    QTest::qWait(200);
    QCOMPARE(web->url().toString(), site.root());
}

void WebTest::popUps_data()
{
    QTest::addColumn<QString>("link"); // "@" stands for the site's root
    QTest::addColumn<bool>("inPane");
    QTest::newRow("the site word in the path") << "@Dalvane/b.html" << true;
    QTest::newRow("in capitals, in the query") << "@b.html?from=DALVANE" << true;
    QTest::newRow("another site") << "http://127.0.0.1:%1/b.html" << false;
    QTest::newRow("the site's own address without the word") << "@b.html" << false;
}

void WebTest::popUps()
{
    QFETCH(QString, link);
    QFETCH(bool, inPane);
    Harness h;
    FaultySite site;
    QVERIFY(site.start());
    link.replace("@", site.root());
    if (link.contains("%1"))
        link = link.arg(FaultySite::closedPort());
    site.serve("/", "<html><body><a id=\"pop\" href=\"" + link.toUtf8() + "\" target=\"_blank\">pop</a></body></html>",
               "text/html");
    site.serve("/Dalvane/b.html", QByteArray("<html><body>b</body></html>"), "text/html");
    site.serve("/b.html", QByteArray("<html><body>b</body></html>"), "text/html");
    h.siteRoot = site.root();
    h.start();
    auto *web = h.find<QWebEngineView>("wbbMain");
    QSignalSpy loaded(web, &QWebEngineView::loadFinished);
    h.action("mnuHomePage")->trigger();
    QVERIFY(shows(web, site.root(), loaded));
    web->page()->runJavaScript("document.getElementById('pop').click();");
    if (inPane) {
        QTRY_COMPARE_WITH_TIMEOUT(web->url().toString(), link, 20000);
        QCOMPARE(h.shell.opened, QList<QUrl>());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(h.shell.opened, QList<QUrl>{QUrl(link)}, 20000);
        QCOMPARE(web->url().toString(), site.root());
    }
    // No window of its own either way.
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<QWebEngineView *>(w) || !w->isVisible());
}

void WebTest::standInSitePopUpStaysInThePane()
{
    Harness h;
    h.siteRoot = m_site->root();
    h.start();
    auto *web = h.find<QWebEngineView>("wbbMain");
    h.action("mnuHomePage")->trigger();
    QVERIFY(load(web, m_site->root() + m_books[0].page.mid(1)));
    web->page()->runJavaScript("document.querySelector('a[target=_blank]').click();");
    QTRY_COMPARE_WITH_TIMEOUT(web->url().toString(), m_site->root() + m_books[1].page.mid(1) + "?from=Dalvane", 20000);
    QCOMPARE(h.shell.opened, QList<QUrl>());
}

void WebTest::webSearch_data()
{
    QTest::addColumn<QString>("typed"); // null: the box left with its prompt
    QTest::addColumn<QString>("address");
    QTest::newRow("the prompt") << QString() << "search/";
    QTest::newRow("emptied") << "" << "search/";
    QTest::newRow("Chinese with a blank") << "三国 演义" << "search/keyword/?show=title&classid=2&keyboard=三国 演义";
    QTest::newRow("an ampersand") << "A&B" << "search/keyword/?show=title&classid=2&keyboard=A%26B";
}

void WebTest::webSearch()
{
    QFETCH(QString, typed);
    QFETCH(QString, address);
    Harness h;
    h.start();
    auto *box = h.find<QLineEdit>("txtSearch");
    QCOMPARE(box->text(), QStringLiteral("请输入连环画书名"));
    if (!typed.isNull()) {
        QTest::mouseClick(box, Qt::LeftButton); // the prompt goes
        box->setText(typed);
    }
    QVERIFY(h.button("tzbWebSearch")->isEnabled());
    h.click("tzbWebSearch");
    QCOMPARE(h.shell.opened.size(), 1);
    QCOMPARE(h.shell.opened.first().toString(), h.siteRoot + address);
    // The desktop's browser gets it, not the pane.
    QVERIFY(!h.find("wbbMain")->isVisible());
}

void WebTest::entryRefusals()
{
    Harness h;
    HttpStub stub;
    QVERIFY(stub.start());
    stub.serve("/", "<html><body>home, no book here</body></html>");
    h.siteRoot = stub.root();
    h.start();
    auto *web = h.find<QWebEngineView>("wbbMain");
    QSignalSpy loaded(web, &QWebEngineView::loadFinished);
    const QString noPage = QStringLiteral("请打开到要下载连环画的页面。");

    // An empty pane: the message, then the site's home page.
    QVERIFY(h.action("mnuFromDalvane")->isEnabled() && h.action("ToolbarButton10")->isEnabled());
    h.action("mnuFromDalvane")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(h.messages.shown.size(), 1, 20000);
    QCOMPARE(h.messages.shown[0].title, QStringLiteral("错误"));
    QCOMPARE(h.messages.shown[0].text, noPage);
    QVERIFY(web->isVisible());
    QVERIFY(shows(web, stub.root(), loaded));

    // A page without a picture list: the message, and the pane stays.
    h.action("ToolbarButton10")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(h.messages.shown.size(), 2, 20000);
    QCOMPARE(h.messages.shown[1].text, noPage);
    QTest::qWait(100);
    QCOMPARE(web->url().toString(), stub.root());
    QVERIFY(!h.window->findChild<app::FrmDownload *>());
}

app::FrmDownload *WebTest::openDialog(Harness &h)
{
    h.action("ToolbarButton10")->trigger();
    app::FrmDownload *dialog = nullptr;
    const bool shown = QTest::qWaitFor(
        [&] { return (dialog = h.window->findChild<app::FrmDownload *>()) && dialog->isVisible(); }, 20000);
    return shown ? dialog : nullptr;
}

void WebTest::downloadFromTheStandInSite()
{
    Harness h;
    catalog::CatalogStore store(catalog::CatalogStore::pathIn(h.env.appDir()));
    const QString folder = h.env.path("童话书");
    const qint64 tales = store.addCategory(1, "童话", folder).id;
    const qint64 other = store.addCategory(1, "其他", "").id;
    QVERIFY(tales > 1 && other > tales);
    h.siteRoot = m_site->root();
    h.start();
    // The main tree on a fixed node: the dialog's tree starts on the root.
    auto *mainTree = h.find<QTreeWidget>("tvTreeView");
    mainTree->setCurrentItem(mainTree->topLevelItem(mainTree->topLevelItemCount() - 2));
    QCOMPARE(mainTree->currentItem()->text(0), QStringLiteral("访问Dalvane网站"));
    auto *web = h.find<QWebEngineView>("wbbMain");
    const QString address = m_site->root() + m_books[0].page.mid(1);
    h.action("mnuHomePage")->trigger();
    QVERIFY(load(web, address));

    app::FrmDownload *dialog = openDialog(h);
    QVERIFY(dialog);
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("下载连环画"));
    auto box = [&](const char *name) { return dialog->findChild<QLineEdit *>(name)->text(); };
    QCOMPARE(box("Text1"), address);
    QCOMPARE(box("Text2"), QStringLiteral("雨来 & \"小英雄\""));
    QCOMPARE(box("Text3"), QStringLiteral("张三 & 李四"));
    QCOMPARE(dialog->findChild<QPlainTextEdit *>("Text6")->toPlainText(), QStringLiteral("芦花村的孩子 <雨来>"));
    QCOMPARE(box("Text7"), QStringLiteral("Dalvane"));
    QCOMPARE(dialog->findChild<QComboBox *>("Combo1")->currentText(), QStringLiteral("lhh"));
    QCOMPARE(dialog->findChild<QWebEngineView *>("WebBrowser1")->url().toString(),
             m_site->root() + "Korvel/DownRightAD.html");
    auto *tree = dialog->findChild<QTreeWidget *>("tvTreeView");
    QCOMPARE(tree->currentItem()->text(0), QStringLiteral("连环画"));
    // Only the categories: no fixed nodes.
    QCOMPARE(tree->topLevelItemCount(), 1);
    QVERIFY(dialog->findChild<QPushButton *>("Command1")->isHidden());

    // Corrected by hand, filed under 童话.
    dialog->findChild<QLineEdit *>("Text4")->setText("少年儿童出版社");
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    QCOMPARE(tree->currentItem()->text(0), QStringLiteral("童话"));
    QTest::mouseClick(dialog->findChild<QPushButton *>("Command3"), Qt::LeftButton);
    auto *done = dialog->findChild<QPushButton *>("Command1");
    QTRY_VERIFY_WITH_TIMEOUT(done->isVisible(), 30000);
    QCOMPARE(h.messages.shown.size(), 0);
    QCOMPARE(dialog->findChild<QLabel *>("Label1_11")->text(), QStringLiteral("下载进度：共 4 页，已下载 4 页。"));
    QVERIFY(done->isDefault());
    QVERIFY(!dialog->findChild<QPushButton *>("Command3")->isEnabled());
    QVERIFY(!dialog->findChild<QPushButton *>("Command2")->isEnabled());
    const QString path = folder + "/雨来 & \"小英雄\".lhh";
    QVERIFY(QFile::exists(path));

    // 完成: the list shows the category the book went into, the book in it.
    QTest::mouseClick(done, Qt::LeftButton);
    QTRY_VERIFY(!h.window->findChild<app::FrmDownload *>());
    QCOMPARE(mainTree->currentItem()->text(0), QStringLiteral("童话"));
    auto *list = h.find<QTreeWidget>("lsvListView");
    QVERIFY(list->isVisible());
    QCOMPARE(list->topLevelItemCount(), 1);
    QTreeWidgetItem *row = list->topLevelItem(0);
    QCOMPARE(row->text(3), QStringLiteral("雨来 & \"小英雄\""));
    QCOMPARE(row->text(7), QStringLiteral("少年儿童出版社"));
    QCOMPARE(row->text(9), path);

    // And it opens in the reader with every page, in order.
    list->setCurrentItem(row);
    row->setSelected(true);
    h.action("mnuOpenlhh")->trigger();
    QVERIFY(h.isOpen() && h.reading()->isVisible());
    QCOMPARE(h.session->pageNumbers().size(), m_pictures.size());
    h.session->close();
    db::Connection c;
    QVERIFY(!c.open(path, db::Access::ReadOnly));
    for (int i = 0; i < m_pictures.size(); ++i)
        QCOMPARE(book::readPage(c, i).bytes, m_pictures.at(i));
    QCOMPARE(book::readBookMeta(c).url, address);
}

void WebTest::busyDialogCannotClose()
{
    Harness h;
    FaultySite site;
    QVERIFY(site.start());
    const QByteArray png = pictureBytes(10, 10, "PNG");
    site.serve("/p.html", "<html><body><a href=\"x\">《挂起》</a><script>var PicList = \"1.png,2.png\"; //图片列表\n"
                          "</script></body></html>",
               "text/html; charset=utf-8");
    site.serve("/lianupload/images/1.png", png);
    site.serve("/lianupload/images/2.png", FaultySite::Answer{"", "", 200, FaultySite::Kind::Silent});
    catalog::CatalogStore store(catalog::CatalogStore::pathIn(h.env.appDir()));
    QVERIFY(store.addCategory(1, "甲", "").id > 0 && store.addCategory(1, "乙", "").id > 0);
    h.siteRoot = site.root();
    h.start();
    // A category selected in the main tree: the dialog's tree starts on it.
    auto *mainTree = h.find<QTreeWidget>("tvTreeView");
    mainTree->setCurrentItem(mainTree->topLevelItem(0)->child(1));
    h.action("mnuHomePage")->trigger();
    QVERIFY(load(h.find<QWebEngineView>("wbbMain"), site.root() + "p.html"));
    app::FrmDownload *dialog = openDialog(h);
    QVERIFY(dialog);
    QCOMPARE(dialog->findChild<QTreeWidget *>("tvTreeView")->currentItem()->text(0), QStringLiteral("乙"));
    QTest::mouseClick(dialog->findChild<QPushButton *>("Command3"), Qt::LeftButton);
    auto *progress = dialog->findChild<QLabel *>("Label1_11");
    QTRY_COMPARE_WITH_TIMEOUT(progress->text(), QStringLiteral("下载进度：共 2 页，已下载 1 页。"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(site.heldOpen(), 1, 20000);

    // Busy: neither closing nor Escape takes it away; the buttons wait.
    QVERIFY(dialog->isBusy());
    dialog->close();
    QTest::keyClick(dialog, Qt::Key_Escape);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->findChild<QPushButton *>("Command3")->isEnabled());
    QVERIFY(!dialog->findChild<QPushButton *>("Command2")->isEnabled());

    // Thirty seconds of silence end it with a message naming the page; no book.
    h.clock.advance(30000);
    QTRY_COMPARE_WITH_TIMEOUT(h.messages.shown.size(), 1, 20000);
    QCOMPARE(h.messages.shown[0].title, QStringLiteral("错误"));
    QVERIFY2(h.messages.shown[0].text.contains("第 2 页"), qPrintable(h.messages.shown[0].text));
    QVERIFY(!dialog->isBusy());
    QVERIFY(dialog->findChild<QPushButton *>("Command3")->isEnabled());
    QVERIFY(dialog->findChild<QPushButton *>("Command1")->isHidden());
    QCOMPARE(QDir(h.env.appDir() + "/books").entryList(QDir::Files | QDir::Hidden), QStringList());
    QTest::mouseClick(dialog->findChild<QPushButton *>("Command2"), Qt::LeftButton);
    QTRY_VERIFY(!h.window->findChild<app::FrmDownload *>());
}

KORVEL_WINDOW_TEST_MAIN(WebTest)

#include "tst_web.moc"
