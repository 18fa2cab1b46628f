// The banner and the advert window on a main window whose advert timers run
// on a stepped clock: ten minutes pass in a call. The site is a server on
// 127.0.0.1.
#include "Harness.h"

#include "app/FrmAD.h"
#include "tests/support/HttpStub.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineView>

using namespace korvel;
using namespace korvel::test;

namespace {

constexpr qint64 kMinute = 60000;

// The advert windows on screen.
QList<app::FrmAD *> shownAdverts()
{
    QList<app::FrmAD *> shown;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *ad = qobject_cast<app::FrmAD *>(w); ad && ad->isVisible())
            shown << ad;
    return shown;
}

// Every advert window there is, shown or not.
int advertWindowCount()
{
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        count += qobject_cast<app::FrmAD *>(w) ? 1 : 0;
    return count;
}

// Lets closed windows go.
void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Points the harness at a site that serves the advert pages.
bool serveAdverts(Harness &h, HttpStub &site)
{
    if (!site.start())
        return false;
    site.serve("/Korvel/AD.html", "<html><body>advert</body></html>");
    site.serve("/Korvel/TopAD.html", "<html><body>banner</body></html>");
    h.siteRoot = site.root();
    return true;
}

QWebEngineView *browserOf(app::FrmAD *ad)
{
    return ad->findChild<QWebEngineView *>(QStringLiteral("WebBrowser1"));
}

} // namespace

class AdvertsTest : public QObject {
    Q_OBJECT

private slots:
    void advertEveryTenMinutesForAMinute();
    void offlineTickStartsTheCountAgain();
    void oneAdvertWindowAtATime();
    void focusStaysInTheMainWindow();
    void advertCloses_data();
    void advertCloses();
    void advertPageThatNeverLoads();
    void bannerFollowsTheConnection();
};

void AdvertsTest::advertEveryTenMinutesForAMinute()
{
    Harness h;
    HttpStub site;
    QVERIFY(serveAdverts(h, site));
    h.connected = true;
    h.start();
    QCOMPARE(h.find<QTimer>("timTopAD")->interval(), 60000);
    QCOMPARE(h.find<QTimer>("timAD")->interval(), 60000);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();

    h.clock.advance(9 * kMinute);
    QVERIFY(shownAdverts().isEmpty());
    h.clock.advance(kMinute);
    QCOMPARE(shownAdverts().size(), 1);
    QPointer<app::FrmAD> ad = shownAdverts().first();
    QVERIFY(ad->windowFlags() & Qt::WindowStaysOnTopHint);
    // At the right edge, just below the screen, until its first tick.
    QCOMPARE(ad->frameGeometry().right(), screen.right());
    QCOMPARE(ad->frameGeometry().top(), screen.bottom() + 1);
    QCOMPARE(browserOf(ad)->url().toString(), site.root() + "Korvel/AD.html");
    h.clock.advance(1);
    QCOMPARE(ad->frameGeometry().bottom(), available.bottom());
    QCOMPARE(ad->frameGeometry().right(), screen.right());
    QTRY_VERIFY_WITH_TIMEOUT(site.requested.contains("/Korvel/AD.html"), 20000);

    // A minute after it came it goes, and leaves nothing running.
    h.clock.advance(kMinute - 2);
    QVERIFY(ad && ad->isVisible());
    h.clock.advance(1);
    settle();
    QVERIFY(!ad);
    QCOMPARE(advertWindowCount(), 0);
    QCOMPARE(h.clock.runningCount(), 2); // timTopAD and timAD

    // Ten minutes after the last one, a fresh window.
    h.clock.advance(9 * kMinute - 1);
    QVERIFY(shownAdverts().isEmpty());
    h.clock.advance(1);
    QCOMPARE(shownAdverts().size(), 1);
    QVERIFY(h.messages.shown.isEmpty());
    QVERIFY(h.shell.opened.isEmpty());
}

void AdvertsTest::offlineTickStartsTheCountAgain()
{
    Harness h;
    HttpStub site;
    QVERIFY(serveAdverts(h, site));
    h.connected = true;
    app::FrmMain &w = h.start();
    QVERIFY(w.isConnected());
    h.clock.advance(5 * kMinute);
    h.connected = false;
    h.clock.advance(5 * kMinute);
    QVERIFY(shownAdverts().isEmpty());
    QVERIFY(!w.isConnected());
    // Back online at once, but the next attempt is ten minutes on.
    h.connected = true;
    h.clock.advance(9 * kMinute);
    QVERIFY(shownAdverts().isEmpty());
    h.clock.advance(kMinute);
    QCOMPARE(shownAdverts().size(), 1);
    QVERIFY(w.isConnected());
    QVERIFY(h.messages.shown.isEmpty());
}

void AdvertsTest::oneAdvertWindowAtATime()
{
    Harness h;
    HttpStub site;
    QVERIFY(serveAdverts(h, site));
    h.connected = true;
    h.start();
    h.clock.advance(10 * kMinute);
    QPointer<app::FrmAD> first = shownAdverts().value(0);
    QVERIFY(first);
    // The advert timer alone runs on for ten ticks while the window's own
    // minute has not come.
    QTimer *advertTimer = h.find<QTimer>("timAD");
    for (int i = 0; i < 10; ++i)
        QMetaObject::invokeMethod(advertTimer, "timeout");
    QCOMPARE(shownAdverts().size(), 1);
    QVERIFY(shownAdverts().first() != first);
    settle();
    QVERIFY(!first);
    QCOMPARE(advertWindowCount(), 1);
}

void AdvertsTest::focusStaysInTheMainWindow()
{
    Harness h;
    HttpStub site;
    QVERIFY(serveAdverts(h, site));
    h.connected = true;
    app::FrmMain &w = h.start();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *tree = h.find<QTreeWidget>("tvTreeView");
    tree->setFocus();
    QCOMPARE(QApplication::focusWidget(), tree);

    h.clock.advance(10 * kMinute + 1);
    QCOMPARE(shownAdverts().size(), 1);
    QTest::qWait(200);
    QCOMPARE(shownAdverts().size(), 1);
    QCOMPARE(QApplication::activeWindow(), &w);
    QCOMPARE(QApplication::focusWidget(), tree);
}

void AdvertsTest::advertCloses_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close mark") << "Label1";
    QTest::newRow("strip") << "Picture1";
    QTest::newRow("link asks for a new window") << "link";
    QTest::newRow("site answers with an error") << "error";
}

void AdvertsTest::advertCloses()
{
    QFETCH(QString, how);
    Harness h;
    HttpStub site;
    QVERIFY(site.start());
    if (how != "error")
        site.serve("/Korvel/AD.html", "<html><body>advert</body></html>");
    h.siteRoot = site.root();
    h.connected = true;
    h.start();
    h.clock.advance(10 * kMinute + 1);
    QPointer<app::FrmAD> ad = shownAdverts().value(0);
    QVERIFY(ad);
    QSignalSpy loaded(browserOf(ad), &QWebEngineView::loadFinished);

    if (how == "link") {
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 20000);
        browserOf(ad)->page()->runJavaScript(QStringLiteral("window.open('%1Korvel/more.html')").arg(site.root()));
        QTRY_VERIFY_WITH_TIMEOUT(!ad || !ad->isVisible(), 20000);
        QCOMPARE(h.shell.opened, (QList<QUrl>{QUrl(site.root() + "Korvel/more.html")}));
    } else if (how == "error") {
        QTRY_VERIFY_WITH_TIMEOUT(!ad || !ad->isVisible(), 20000);
        QVERIFY(h.shell.opened.isEmpty());
    } else {
        QWidget *target = ad->findChild<QWidget *>(how);
        QVERIFY(target && target->isVisible());
        // The strip is clicked beside the mark; the mark in its middle.
        QTest::mouseClick(target, Qt::LeftButton, {}, how == "Picture1" ? QPoint(3, 3) : target->rect().center());
        QVERIFY(!ad->isVisible());
        QVERIFY(h.shell.opened.isEmpty());
    }
    settle();
    QCOMPARE(advertWindowCount(), 0);
    QVERIFY(h.messages.shown.isEmpty());
    // The next cycle brings a fresh one.
    h.clock.advance(10 * kMinute);
    QCOMPARE(shownAdverts().size(), 1);
}

void AdvertsTest::advertPageThatNeverLoads()
{
    // A site that takes the connection and never answers.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    QList<QTcpSocket *> held;
    connect(&silent, &QTcpServer::newConnection, [&] {
        while (QTcpSocket *s = silent.nextPendingConnection())
            held << s;
    });
    Harness h;
    h.siteRoot = QStringLiteral("http://127.0.0.1:%1/").arg(silent.serverPort());
    h.connected = true;
    h.start();
    h.clock.advance(10 * kMinute + 1);
    QPointer<app::FrmAD> ad = shownAdverts().value(0);
    QVERIFY(ad);
    QTRY_VERIFY_WITH_TIMEOUT(!held.isEmpty(), 20000);
    QTest::qWait(300);
    QVERIFY(ad->isVisible());
    h.clock.advance(kMinute);
    settle();
    QVERIFY(!ad);
    QCOMPARE(advertWindowCount(), 0);
    QVERIFY(h.messages.shown.isEmpty());
}

void AdvertsTest::bannerFollowsTheConnection()
{
    Harness h;
    HttpStub site;
    QVERIFY(serveAdverts(h, site));
    app::FrmMain &w = h.start();
    auto *banner = h.find<QWebEngineView>("wbbTopAD");
    const QUrl offline = QUrl::fromLocalFile(h.env.appDir() + "/top.html");
    const QUrl online(site.root() + "Korvel/TopAD.html");
    QCOMPARE(banner->url(), offline);
    // The address the loaded page reports is the one the rule knows.
    QSignalSpy loaded(banner, &QWebEngineView::loadFinished);
    QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 20000);

    h.clock.advance(kMinute);
    QCOMPARE(banner->url(), offline);
    QVERIFY(!w.isConnected());

    h.connected = true;
    h.clock.advance(kMinute);
    QVERIFY(w.isConnected());
    QCOMPARE(banner->url(), online);
    QTRY_COMPARE_WITH_TIMEOUT(site.requested.count("/Korvel/TopAD.html"), 1, 20000);
    // Online, it is reloaded every minute.
    h.clock.advance(kMinute);
    QTRY_COMPARE_WITH_TIMEOUT(site.requested.count("/Korvel/TopAD.html"), 2, 20000);

    // Offline again: it keeps the page it has.
    h.connected = false;
    h.clock.advance(kMinute);
    QVERIFY(!w.isConnected());
    QTest::qWait(300);
    QCOMPARE(banner->url(), online);
    QCOMPARE(site.requested.count("/Korvel/TopAD.html"), 2);
    QVERIFY(h.messages.shown.isEmpty());
}

KORVEL_WINDOW_TEST_MAIN(AdvertsTest)
#include "tst_adverts.moc"
