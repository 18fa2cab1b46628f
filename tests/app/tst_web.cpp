// The web in the window: the home pages and their busy rule, pop-ups, the web
// search, and the downloader's dialog from the page in the pane to the book in
// the list. Every site is on 127.0.0.1. What the pages say is read in
// tests/web; here only what the window adds.
#include "Harness.h"

#include "app/web/DownloadDialog.h"
#include "app/web/WebPane.h"
#include "catalog/CatalogStore.h"
#include "tests/support/FaultySite.h"

#include <QPlainTextEdit>
#include <QEventLoop>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>

using namespace korvel;
using namespace korvel::test;

namespace {

// The pages a view finished loading, by address: a load that failed or that
// a later one cut short does not count, nor does another page that finished
// meanwhile (the address the view shows changes before its page has come).
class Loads : public QObject {
public:
    explicit Loads(QWebEngineView *view)
    {
        connect(view->page(), &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
            if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus)
                m_finished.append(info.url());
            m_wait.quit();
        });
    }

    // Waits in an event loop, not by polling: the engine's work runs on this
    // thread's loop, and polling with sleeps starves it for seconds.
    bool shown(const QString &address)
    {
        QDeadlineTimer deadline(30000);
        while (!m_finished.contains(QUrl(address))) {
            if (deadline.hasExpired())
                return false;
            QTimer::singleShot(50, &m_wait, &QEventLoop::quit);
            m_wait.exec();
        }
        return true;
    }

    void clear() { m_finished.clear(); }

private:
    QList<QUrl> m_finished;
    QEventLoop m_wait;
};

// Loads the address in the view and waits until it is shown.
bool load(QWebEngineView *view, const QString &address)
{
    Loads loads(view);
    view->setUrl(QUrl(address));
    return loads.shown(address);
}

// Opens the download dialog from the page in the pane and waits until it is up.
app::DownloadDialog *openDialog(Harness &h)
{
    h.action("ToolbarButton10")->trigger();
    app::DownloadDialog *dialog = nullptr;
    const bool shown = QTest::qWaitFor(
        [&] { return (dialog = h.window->findChild<app::DownloadDialog *>()) && dialog->isVisible(); }, 20000);
    return shown ? dialog : nullptr;
}

} // namespace

class WebTest : public QObject {
    Q_OBJECT

private slots:
    // The home pages, pop-ups and the busy rule, on one window. (A page after
    // the first costs the engine seconds here: the case loads as few as it can.)
    void homePagesPopUpsAndTheBusyRule()
    {
        Harness h;
        FaultySite site;
        QVERIFY(site.start());
        const QString in = site.root() + "b.html?from=DALVANE";
        const QString out = QStringLiteral("http://127.0.0.1:%1/b.html").arg(FaultySite::closedPort());
        site.serve("/", "<html><body><a id=\"in\" href=\"" + in.toUtf8() + "\" target=\"_blank\">in</a><a id=\"out\" href=\""
                       + out.toUtf8() + "\" target=\"_blank\">out</a></body></html>",
                   "text/html");
        site.serve("/b.html?from=DALVANE", QByteArray("<html><body>b</body></html>"), "text/html");
        // Korvel's home page never comes.
        site.serve("/Korvel/", FaultySite::Answer{"", "text/html", 200, FaultySite::Kind::Silent});
        h.siteRoot = site.root();
        h.start();
        auto *web = h.find<QWebEngineView>("wbbMain");
        Loads loaded(web);
        // The web search goes to the desktop's browser.
        h.find<QLineEdit>("txtSearch")->setText("A&B");
        h.click("tzbWebSearch");
        QCOMPARE(h.shell.opened, QList<QUrl>{QUrl(h.siteRoot + "search/keyword/?show=title&classid=2&keyboard=A%26B")});
        QVERIFY(!web->isVisible());
        // The web tab on an empty pane goes to the site's home page.
        h.click("tzbBottom_2");
        QVERIFY(web->isVisible() && !h.find("lsvListView")->isVisible());
        QVERIFY(h.button("tzbBottom_2")->value() && !h.button("tzbBottom_1")->value());
        QVERIFY(loaded.shown(site.root()));
        // A page without a picture list: the download entry says so, and the pane stays.
        h.action("ToolbarButton10")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(h.messages.shown.size(), 1, 20000);
        QCOMPARE(h.messages.shown[0].title, QStringLiteral("错误"));
        QCOMPARE(h.messages.shown[0].text, QStringLiteral("请打开到要下载连环画的页面。"));
        QCOMPARE(web->url().toString(), site.root());
        QVERIFY(!h.window->findChild<app::DownloadDialog *>());
        // The web tab shows the pane as it is once it has a page.
        h.click("tzbBottom_1");
        h.click("tzbBottom_2");
        QVERIFY(web->isVisible());
        QCOMPARE(web->url().toString(), site.root());

        // Pop-ups: another site goes to the desktop's browser, the site's own
        // (its word anywhere in the address) stays in the pane; no window of their own.
        web->page()->runJavaScript("document.getElementById('out').click();");
        QTRY_COMPARE_WITH_TIMEOUT(h.shell.opened.size(), 2, 20000);
        QCOMPARE(h.shell.opened.last(), QUrl(out));
        QCOMPARE(web->url().toString(), site.root());
        loaded.clear();
        web->page()->runJavaScript("document.getElementById('in').click();");
        QVERIFY(loaded.shown(in));
        QCOMPARE(h.shell.opened.size(), 2);
        QVERIFY(windows<QWebEngineView>().isEmpty());

        // A home page that never comes keeps the pane busy: the other one waits.
        h.click("tzbBottom_1");
        h.action("mnuHomePage1")->trigger();
        QVERIFY(web->isVisible() && h.button("tzbBottom_2")->value());
        QCOMPARE(web->url().toString(), site.root() + "Korvel/");
        QTRY_VERIFY_WITH_TIMEOUT(site.heldOpen() == 1, 20000);
        QVERIFY(static_cast<app::WebPane *>(web)->isBusy());
        h.action("ToolbarButton12")->trigger(); // 主页
        QTest::qWait(100);
        QCOMPARE(web->url().toString(), site.root() + "Korvel/");
        // The page view's tab brings the reading pane back.
        h.click("tzbBottom_0");
        QVERIFY(h.reading()->isVisible() && !web->isVisible() && h.button("tzbBottom_0")->value());
    }

    // From the page in the pane, through the dialog, to the book in the list;
    // then a download that hangs, whose dialog cannot be closed while it waits.
    // The pane starts on the blank page; an address asked for while that is
    // still coming (the first download or web tab of a session) is loaded,
    // not left showing in the address without a page.
    void anAddressAskedWhileTheBlankPageComesIsLoaded()
    {
        FaultySite site;
        QVERIFY(site.start());
        site.serve("/", QByteArray("<html><body>home</body></html>"), "text/html");
        FakeShell shell;
        app::WebPane pane(shell);
        Loads loads(&pane);
        connect(pane.page(), &QWebEnginePage::loadingChanged, &pane, [&](const QWebEngineLoadingInfo &info) {
            if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus && info.url() == QUrl("about:blank"))
                pane.open(QUrl(site.root()));
        });
        pane.setUrl(QUrl("about:blank"));
        QVERIFY(loads.shown(site.root()));
        QVERIFY(!pane.isBusy());
    }

    void downloadsFromThePane()
    {
        Harness h;
        FaultySite site;
        QVERIFY(site.start());
        const QByteArray script = "<script>var PicList = \"1.png,2.jpg\"; //图片列表\n</script>";
        site.serve("/a.html",
                   "<html><body><h1><a href=\"b1.html\">《雨来 &amp; \"小英雄\"》</a></h1><P><B>绘画：</B>张三 &amp; "
                   "李四</P><!-- 绘画 --><P><B>简介：</B>芦花村的孩子 &lt;雨来&gt;※※※</P>"
                       + script + "</body></html>",
                   "text/html; charset=utf-8");
        site.serve("/b.html", "<html><body><a href=\"x\">《挂起》</a>" + QByteArray(script).replace("2.jpg", "3.png")
                                  + "</body></html>",
                   "text/html; charset=utf-8");
        site.serve("/", QByteArray("<html><body>home, no book here</body></html>"), "text/html");
        site.serve("/lianupload/images/1.png", pictureBytes(60, 80, "PNG", Qt::red));
        site.serve("/lianupload/images/2.jpg", pictureBytes(80, 60, "JPEG", Qt::green));
        site.serve("/lianupload/images/3.png", FaultySite::Answer{"", "", 200, FaultySite::Kind::Silent});
        catalog::CatalogStore store(catalog::CatalogStore::pathIn(h.env.appDir()));
        const QString folder = h.env.path("童话书");
        QVERIFY(store.addCategory(1, "童话", folder).id > 1);
        h.siteRoot = site.root();
        h.start();
        // The main tree on a fixed node: the dialog's tree starts on the root.
        auto *mainTree = h.find<QTreeWidget>("tvTreeView");
        mainTree->setCurrentItem(mainTree->topLevelItem(mainTree->topLevelItemCount() - 2));
        auto *web = h.find<QWebEngineView>("wbbMain");
        // An empty pane: the download entry says so, then shows the site's home page.
        Loads loaded(web);
        h.action("mnuFromDalvane")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(h.messages.shown.size(), 1, 20000);
        QCOMPARE(h.messages.shown[0].text, QStringLiteral("请打开到要下载连环画的页面。"));
        QVERIFY(web->isVisible() && loaded.shown(site.root()));
        h.messages.shown.clear();
        QVERIFY(load(web, site.root() + "a.html"));
        h.click("tzbBottom_2");

        // The fields as the browser wrote the page back: tags in its own case, texts escaped.
        app::DownloadDialog *dialog = openDialog(h);
        QVERIFY(dialog);
        QVERIFY(dialog->isModal());
        auto box = [&](const char *name) { return dialog->findChild<QLineEdit *>(name)->text(); };
        QCOMPARE(box("Text1"), site.root() + "a.html");
        QCOMPARE(box("Text2"), QStringLiteral("雨来 & \"小英雄\""));
        QCOMPARE(box("Text3"), QStringLiteral("张三 & 李四"));
        QCOMPARE(dialog->findChild<QPlainTextEdit *>("Text6")->toPlainText(), QStringLiteral("芦花村的孩子 <雨来>"));
        auto *tree = dialog->findChild<QTreeWidget *>("tvTreeView");
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("连环画"));
        QCOMPARE(tree->topLevelItemCount(), 1); // only the categories

        // Corrected by hand, filed under 童话.
        dialog->findChild<QLineEdit *>("Text4")->setText("少年儿童出版社");
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        QTest::mouseClick(dialog->findChild<QPushButton *>("Command3"), Qt::LeftButton);
        auto *done = dialog->findChild<QPushButton *>("Command1");
        QTRY_VERIFY_WITH_TIMEOUT(done->isVisible(), 30000);
        QCOMPARE(h.messages.shown.size(), 0);
        QCOMPARE(dialog->findChild<QLabel *>("Label1_11")->text(), QStringLiteral("下载进度：共 2 页，已下载 2 页。"));
        QVERIFY(!dialog->findChild<QPushButton *>("Command3")->isEnabled());
        const QString path = folder + "/雨来 & \"小英雄\".lhh";

        // 完成: the list shows the category the book went into, the book in it.
        QTest::mouseClick(done, Qt::LeftButton);
        QTRY_VERIFY(!h.window->findChild<app::DownloadDialog *>());
        QCOMPARE(mainTree->currentItem()->text(0), QStringLiteral("童话"));
        auto *list = h.find<QTreeWidget>("lsvListView");
        QVERIFY(list->isVisible());
        QCOMPARE(list->topLevelItemCount(), 1);
        QTreeWidgetItem *row = list->topLevelItem(0);
        QCOMPARE(row->text(3), QStringLiteral("雨来 & \"小英雄\""));
        QCOMPARE(row->text(7), QStringLiteral("少年儿童出版社"));
        QCOMPARE(row->text(9), path);

        // A page whose second picture never comes; the dialog's tree starts on
        // the category selected in the main tree.
        QVERIFY(load(web, site.root() + "b.html"));
        h.click("tzbBottom_2");
        dialog = openDialog(h);
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QTreeWidget *>("tvTreeView")->currentItem()->text(0), QStringLiteral("童话"));
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
        // Thirty seconds of silence end it with a message; no book.
        h.clock.advance(30000);
        QTRY_COMPARE_WITH_TIMEOUT(h.messages.shown.size(), 1, 20000);
        QCOMPARE(h.messages.shown[0].title, QStringLiteral("错误"));
        QVERIFY(!dialog->isBusy());
        QVERIFY(dialog->findChild<QPushButton *>("Command3")->isEnabled());
        QVERIFY(dialog->findChild<QPushButton *>("Command1")->isHidden());
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(path).fileName()});
        QTest::mouseClick(dialog->findChild<QPushButton *>("Command2"), Qt::LeftButton);
        QTRY_VERIFY(!h.window->findChild<app::DownloadDialog *>());
    }
};

KORVEL_WINDOW_TEST_MAIN(WebTest)

#include "tst_web.moc"
