// The banner and the advert window on a main window whose advert timers run
// on a stepped clock, so ten minutes pass in a call. The site is a server on
// 127.0.0.1.
#include "Harness.h"

#include "app/adverts/AdvertWindow.h"
#include "tests/support/FaultySite.h"

#include <QTcpServer>

using namespace korvel;
using namespace korvel::test;

namespace {

constexpr qint64 kMinute = 60000;

// The advert windows there are; with shownOnly, those on screen.
QList<app::AdvertWindow *> advertWindows(bool shownOnly = true)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return windows<app::AdvertWindow>(shownOnly);
}

// A main window online, on a site that serves the advert pages (or not).
struct Online {
    Harness h;
    FaultySite site;
    explicit Online(bool serveAdvert = true)
    {
        QVERIFY(site.start());
        if (serveAdvert)
            site.serve("/Korvel/AD.html", "<html><body>advert</body></html>", "text/html");
        site.serve("/Korvel/TopAD.html", "<html><body>banner</body></html>", "text/html");
        h.siteRoot = site.root();
        h.connected = true;
    }
};

QWebEngineView *browserOf(app::AdvertWindow *ad)
{
    return ad->findChild<QWebEngineView *>(QStringLiteral("WebBrowser1"));
}

} // namespace

class AdvertsTest : public QObject {
    Q_OBJECT

private slots:
    // The window the schedule asks for (its ticks and place are the schedule's
    // tests): up at minute ten, on top, the focus left where it was; one at a
    // time; gone a minute later with nothing left running.
    void advertEveryTenMinutesForAMinute()
    {
        Online o;
        app::MainWindow &w = o.h.start();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *tree = o.h.find<QTreeWidget>("tvTreeView");
        tree->setFocus();
        o.h.clock.advance(10 * kMinute - 1);
        QVERIFY(advertWindows().isEmpty());
        o.h.clock.advance(1);
        QPointer<app::AdvertWindow> first = advertWindows().value(0);
        QVERIFY(first && first->windowFlags() & Qt::WindowStaysOnTopHint);
        QTRY_VERIFY_WITH_TIMEOUT(o.site.requested.contains("/Korvel/AD.html"), 20000);
        QCOMPARE(QApplication::activeWindow(), &w);
        QCOMPARE(QApplication::focusWidget(), tree);
        // The advert timer runs ten more ticks before the window's own minute is up.
        for (int i = 0; i < 10; ++i)
            QMetaObject::invokeMethod(o.h.find<QTimer>("timAD"), "timeout");
        QCOMPARE(advertWindows(false).size(), 1);
        QPointer<app::AdvertWindow> ad = advertWindows().value(0);
        QVERIFY(!first && ad);
        o.h.clock.advance(kMinute - 1);
        QVERIFY(ad->isVisible());
        o.h.clock.advance(1);
        QVERIFY(advertWindows(false).isEmpty() && !ad);
        QCOMPARE(o.h.clock.runningCount(), 2); // timTopAD and timAD
        QVERIFY(o.h.messages.shown.isEmpty() && o.h.shell.opened.isEmpty());
    }

    // By the close mark, by the strip, by a link asking for a new window, when the
    // site answers with an error, and when the page never comes.
    void advertCloses()
    {
        for (const QString how : {"Label1", "Picture1", "link", "error", "silent"}) {
            Online o(how != "error");
            QTcpServer silent; // takes the connection and never answers
            QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
            if (how == "silent")
                o.h.siteRoot = QStringLiteral("http://127.0.0.1:%1/").arg(silent.serverPort());
            o.h.start();
            o.h.clock.advance(10 * kMinute + 1);
            QPointer<app::AdvertWindow> ad = advertWindows().value(0);
            QVERIFY2(ad, qPrintable(how));
            QSignalSpy loaded(browserOf(ad), &QWebEngineView::loadFinished);
            const QUrl link(o.site.root() + "Korvel/more.html");

            if (how == "link") {
                QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 20000);
                browserOf(ad)->page()->runJavaScript(QStringLiteral("window.open('%1')").arg(link.toString()));
            } else if (how == "silent") {
                QTRY_VERIFY_WITH_TIMEOUT(silent.hasPendingConnections(), 20000);
                QTest::qWait(300);
                QVERIFY(ad->isVisible());
                o.h.clock.advance(kMinute);
            } else if (how != "error") {
                // The strip is clicked beside the mark, the mark in its middle.
                QWidget *target = ad->findChild<QWidget *>(how);
                QTest::mouseClick(target, Qt::LeftButton, {}, how == "Picture1" ? QPoint(3, 3) : target->rect().center());
            }
            QTRY_VERIFY_WITH_TIMEOUT(advertWindows(false).isEmpty(), 20000);
            QCOMPARE(o.h.shell.opened, how == "link" ? QList<QUrl>{link} : QList<QUrl>{});
            QVERIFY(o.h.messages.shown.isEmpty());
            // The next cycle, at minute 20, brings a fresh one.
            o.h.clock.advance(20 * kMinute - o.h.clock.now());
            QVERIFY2(advertWindows().size() == 1, qPrintable(how));
        }
    }

    void bannerFollowsTheConnection()
    {
        Online o;
        o.h.connected = false;
        app::MainWindow &w = o.h.start();
        auto *banner = o.h.find<QWebEngineView>("wbbTopAD");
        const QUrl offline = QUrl::fromLocalFile(o.h.env.appDir() + "/top.html");
        const QUrl online(o.site.root() + "Korvel/TopAD.html");
        // Loaded, so that the address is the one the browser reports.
        QSignalSpy loaded(banner, &QWebEngineView::loadFinished);
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 20000);
        o.h.clock.advance(kMinute);
        QCOMPARE(banner->url(), offline);

        o.h.connected = true;
        o.h.clock.advance(kMinute);
        QVERIFY(w.isConnected());
        QCOMPARE(banner->url(), online);
        QTRY_COMPARE_WITH_TIMEOUT(o.site.requested.count("/Korvel/TopAD.html"), 1, 20000);
        // A reload while the page still loads is one load with it; on a busy
        // machine the page may take a while.
        QTRY_VERIFY_WITH_TIMEOUT(loaded.size() >= 2, 20000);
        o.h.clock.advance(kMinute); // online: reloaded every minute
        QTRY_COMPARE_WITH_TIMEOUT(o.site.requested.count("/Korvel/TopAD.html"), 2, 20000);
    }
};

KORVEL_WINDOW_TEST_MAIN(AdvertsTest)
#include "tst_adverts.moc"
