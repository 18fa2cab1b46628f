// The main window as a person starts it: the splash while it loads, what the
// first start shows, what the next start remembers, the layout rules on a real
// window, the About box, the menus and the file association; the banner and
// the advert window, whose timers run on a stepped clock so ten minutes pass
// in a call, against a site on 127.0.0.1.
#include "Harness.h"

#include "app/AboutDialog.h"
#include "app/SplashPicture.h"
#include "app/SplashWindow.h"
#include "app/adverts/AdvertWindow.h"
#include "tests/support/FaultySite.h"
#include "tests/support/PutFile.h"

#include <QDateTime>
#include <QImageWriter>
#include <QPainter>
#include <QTcpServer>

using namespace korvel;
using namespace korvel::test;

namespace {

app::SplashWindow *splash(bool shownOnly = true)
{
    return windows<app::SplashWindow>(shownOnly).value(0);
}

// "picture": 200 x 100 with see-through corners; "large:WxH": one colour
// but a black 8 x 8 top-left corner, written 1 bit deep so even huge ones are
// cheap; anything else: those bytes.
bool writeSplash(const QString &path, const QByteArray &kind)
{
    if (kind == "picture") {
        QImage image(200, 100, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter(&image).fillRect(10, 10, 180, 80, Qt::darkRed);
        return image.save(path, "PNG");
    }
    if (kind.startsWith("large:")) {
        const QList<QByteArray> size = kind.mid(6).split('x');
        QImage image(size.at(0).toInt(), size.at(1).toInt(), QImage::Format_Mono);
        image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        image.fill(1);
        for (int i = 0; i < 64; ++i)
            image.setPixel(i % 8, i / 8, 0);
        return QImageWriter(path, "png").write(image);
    }
    return putFile(path, kind);
}

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

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void firstStartShowsTheDesignedFrame()
    {
        Harness h;
        app::MainWindow &w = h.start();
        // The catalog's root, then the three fixed nodes; the first node is
        // selected and its books listed.
        auto *tree = h.find<QTreeWidget>("tvTreeView");
        QCOMPARE(tree->topLevelItemCount(), 4);
        QCOMPARE(tree->currentItem(), tree->topLevelItem(0));
        QVERIFY(!h.isOpen() && !h.page()->isVisible());
        QVERIFY(h.find("lsvListView")->isVisible() && !h.reading()->isVisible());
        QVERIFY(!h.button("tzbBottom_0")->value() && h.button("tzbBottom_1")->value()
                && !h.button("tzbBottom_2")->value());
        for (int i = 0; i < 5; ++i)
            QVERIFY(!h.action(QStringLiteral("mnuRecent_%1").arg(i))->isEnabled());
        QVERIFY(!h.action("mnuClose")->isEnabled() && !h.action("ToolbarButton4")->isEnabled());
        QVERIFY(!h.find<QLineEdit>("Text2")->isEnabled());
        QVERIFY(h.messages.shown.isEmpty());

        // Toolbar button 3 is the open command: it asks for a book; so does a
        // double click on the empty frame.
        h.action("ToolbarButton3")->trigger();
        QCOMPARE(h.dialogs.requests.size(), 1);
        QTest::mouseDClick(h.reading(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(h.dialogs.requests.size(), 2);
        w.resize(300, 200);
        QTRY_COMPARE(w.frameGeometry().size(), QSize(534, 334)); // raised to 8000 x 5000 twips, rounded up

        // The About box and its two links.
        onDialog([&](QDialog *about) {
            QVERIFY(qobject_cast<app::AboutDialog *>(about));
            QTest::mouseClick(about->findChild<QWidget *>("Label1"), Qt::LeftButton);
            QTest::mouseClick(about->findChild<QWidget *>("Label2"), Qt::LeftButton);
        });
        h.action("ToolbarButton13")->trigger();
        QCOMPARE(h.shell.opened, (QList<QUrl>{QUrl(h.siteRoot + "korvel/"), QUrl(h.siteRoot)}));
    }

    void nextStartRemembersLayout()
    {
        Harness h;
        QSize outer;
        {
            app::MainWindow &w = h.start();
            w.resize(900, 600);
            QWidget *splitter = h.find("imgSplitter");
            QWidget *bar = h.find("picSplitter");
            // Drag the splitter 100 pixels to the right.
            QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(2, 50));
            QMouseEvent move(QEvent::MouseMove, QPointF(102, 50), splitter->mapToGlobal(QPointF(102, 50)), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(splitter, &move);
            // Events that are not the mouse's pass by the drag untouched.
            QEvent enter(QEvent::Enter);
            QApplication::sendEvent(splitter, &enter);
            QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
            QApplication::sendEvent(splitter, &key);
            QVERIFY(bar->isVisible());
            QCOMPARE(splitter->x(), 164); // only the drag bar moves
            QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(102, 50));
            QVERIFY(!bar->isVisible());
            QCOMPARE(splitter->x(), 266);
            QCOMPARE(h.reading()->x(), 271);
            h.find<QTreeWidget>("lsvListView")->setColumnWidth(3, 200);
            auto *tree = h.find<QTreeWidget>("tvTreeView");
            tree->setCurrentItem(tree->topLevelItem(1));
            w.move(40, 30);
            outer = w.frameGeometry().size();
            w.close();
        }
        // The outer size is what is kept, in twips.
        QCOMPARE(h.stored("frmMain", "Width"), QString::number(outer.width() * 15));
        QCOMPARE(h.stored("frmMain", "Height"), QString::number(outer.height() * 15));
        QCOMPARE(h.stored("frmMain", "Splitter"), QStringLiteral("3990"));
        QCOMPARE(h.stored("frmMain", "TreeView"), QStringLiteral("2"));
        QCOMPARE(h.stored("frmMain", "WindowState"), QStringLiteral("0"));
        QCOMPARE(h.stored("ListView", "Width2"), QStringLiteral("3000"));
    }

    void unreachableBannerShowsTheLocalPage()
    {
        // Connected, but nothing answers on the site's port.
        Harness h;
        h.siteRoot = QStringLiteral("http://127.0.0.1:%1/").arg(FaultySite::closedPort());
        h.connected = true;
        h.start({}, false);
        auto *banner = h.find<QWebEngineView>("wbbTopAD");
        const QUrl local = QUrl::fromLocalFile(h.env.appDir() + "/top.html");
        QTRY_COMPARE_WITH_TIMEOUT(banner->url(), local, 20000);
    }

    void geometryComesBackExactly()
    {
        // Untouched, the stored values come back as they were, start after
        // start, with a frame round the window and without one.
        Harness h;
        h.env.settings().setValue("frmMain", "Width", "11700");
        h.env.settings().setValue("frmMain", "Splitter", "100");
        for (const bool frameless : {true, false, true}) {
            app::MainWindow &w = h.start({}, false);
            w.setWindowFlag(Qt::FramelessWindowHint, frameless);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QCOMPARE(w.frameGeometry(), QRect(7, 7, 780, 543));
            QCOMPARE(h.find("imgSplitter")->x(), 53); // a stored 100 comes up as 800
            w.close();
            QCOMPARE(h.stored("frmMain", "Width"), QStringLiteral("11700"));
            QCOMPARE(h.stored("frmMain", "Height"), QStringLiteral("8145"));
            QCOMPARE(h.stored("frmMain", "Left"), QStringLiteral("100"));
            // A splitter raised to its minimum is stored at it, not a pixel below.
            QCOMPARE(h.stored("frmMain", "Splitter"), QStringLiteral("800"));
            QCOMPARE(h.stored("ListView", "Width6"), QStringLiteral("1505"));
        }
        // Closed maximised: the state is kept, and the normal size beside it.
        app::MainWindow &w = h.start();
        w.showMaximized();
        QTRY_VERIFY(w.windowState() & Qt::WindowMaximized);
        w.close();
        QCOMPARE(h.stored("frmMain", "WindowState"), QStringLiteral("2"));
        QCOMPARE(h.stored("frmMain", "Width"), QStringLiteral("11700"));
    }

    // The desktop entry, the type and the thumbnailer's entry are written at
    // every start where they differ, left alone where they do not, and a data
    // folder that cannot take them is silent.
    void associationWrittenEveryStart()
    {
        Harness h;
        const QString desktop = h.env.dataHome() + "/applications/korvel.desktop";
        const QString mime = h.env.dataHome() + "/mime/packages/korvel-lhh.xml";
        const QString entry = h.env.dataHome() + "/thumbnailers/korvel.thumbnailer";
        h.start({}, false);
        QVERIFY(fileBytes(desktop).contains("MimeType=application/x-lhh;"));
        QVERIFY(fileBytes(desktop).contains(QString("Exec=\"" + h.env.appDir() + "/korvel\" %f").toUtf8()));
        QVERIFY(fileBytes(mime).contains("<glob pattern=\"*.lhh\"/>"));
        QVERIFY(fileBytes(entry).contains(
            QString("Exec=\"" + h.env.appDir() + "/korvel-thumbnailer\" -s %s %i %o\n").toUtf8()));
        const QDateTime old = QDateTime::currentDateTime().addDays(-2);
        {
            QFile f(entry);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(old, QFileDevice::FileModificationTime));
        }
        // A stale entry (the program was moved) is rewritten at the next start.
        QFile::remove(mime);
        writeFile(desktop, "[Desktop Entry]\nExec=/old/place/korvel %f\n");
        h.start({}, false);
        QVERIFY(fileBytes(desktop).contains(QString(h.env.appDir() + "/korvel").toUtf8()));
        QVERIFY(QFileInfo::exists(mime));
        QVERIFY(std::abs(QFileInfo(entry).lastModified().secsTo(old)) < 2);
        for (const char *folder : {"/applications", "/thumbnailers"}) {
            QDir(h.env.dataHome() + folder).removeRecursively();
            QFile blocker(h.env.dataHome() + folder);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        h.start({}, false);
        QVERIFY(h.messages.shown.isEmpty());
    }

    void splashPictureReadOrRefused()
    {
        // The size read on an 800 x 600 screen; an invalid one: refused.
        const QList<std::pair<QByteArray, QSize>> cases = {
            {QByteArray(), QSize()},
            {QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x20\0\0\0\x20\x08\x06", 24), QSize()},
            {"picture", QSize(200, 100)},
            {"large:4096x4096", QSize(800, 600)},
            {"large:4097x4096", QSize()},
            {"large:20000x20000", QSize()}};
        TestEnv env;
        const QString path = env.path("splash.png");
        for (const auto &[kind, expected] : cases) {
            QVERIFY(writeSplash(path, kind));
            resetPeak();
            const qint64 before = peakMegabytes();
            const QImage picture = app::readSplashPicture(path, QSize(800, 600));
            QVERIFY2(peakMegabytes() - before < 100, kind.constData());
            QVERIFY2(picture.size() == (expected.isValid() ? expected : QSize(0, 0)), kind.constData());
            // A cut picture keeps its top-left part, unscaled.
            if (kind.startsWith("large:") && !picture.isNull()) {
                QCOMPARE(picture.pixelColor(7, 7), QColor(Qt::black));
                QCOMPARE(picture.pixelColor(8, 8), QColor(Qt::white));
            }
        }
    }

    // Shown while the main window loads, taken away by a click, or not there at all.
    void splashWhileTheWindowLoads()
    {
        for (const auto &[kind, click] : {std::pair<QByteArray, bool>{"picture", false}, {"picture", true}, {"", false}}) {
            Harness h;
            if (!kind.isEmpty())
                QVERIFY(writeSplash(h.env.appDir() + "/splash.png", kind));
            QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
            QPointer<app::SplashWindow> whileLoading;
            bool goneBeforeShown = false;
            app::StartUpHooks hooks;
            hooks.built = [&](app::MainWindow &) {
                whileLoading = splash(false);
                if (whileLoading && click) {
                    QTest::mouseClick(whileLoading, Qt::LeftButton, {}, QPoint(100, 50));
                    QVERIFY(!splash()); // closed at once
                }
            };
            hooks.loaded = [&](app::MainWindow &w) { goneBeforeShown = !splash() && !w.isVisible(); };
            h.window = app::startProgram(h.freshContext(), {"korvel"}, hooks);

            QCOMPARE(bool(whileLoading), !kind.isEmpty());
            if (whileLoading)
                QCOMPARE(whileLoading->size(), QSize(200, 100));
            QVERIFY(goneBeforeShown);
            // The main window comes up all the same, and the program was never told to end.
            QVERIFY(h.window->isVisible());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!splash(false));
            QCOMPARE(lastClosed.count(), 0);
            QVERIFY(h.messages.shown.isEmpty());
        }
    }

    // A drag moves the window; its see-through parts with a compositor and without.
    void splashDragAndSeeThroughParts()
    {
        TestEnv env;
        QVERIFY(writeSplash(env.appDir() + "/splash.png", "picture"));
        QPointer<app::SplashWindow> s = app::showSplash(env.appDir());
        QVERIFY(s && s->isVisible());
        const QPoint start = s->pos();
        sendMouse(s, QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton);
        sendMouse(s, QEvent::MouseMove, QPoint(21, 20), Qt::LeftButton); // within the drag distance
        QCOMPARE(s->pos(), start);
        sendMouse(s, QEvent::MouseMove, QPoint(70, 50), Qt::LeftButton);
        QCOMPARE(s->pos(), start + QPoint(50, 30));
        sendMouse(s, QEvent::MouseMove, QPoint(30, 25), Qt::LeftButton); // relative to where it is now
        QCOMPARE(s->pos(), start + QPoint(60, 35));
        sendMouse(s, QEvent::MouseButtonRelease, QPoint(30, 25), Qt::NoButton);
        // A drag is not a click: it stays, on top.
        QVERIFY(s && s->isVisible() && s->windowFlags() & Qt::WindowStaysOnTopHint);
        s->close();

        // See-through, half see-through and solid thirds.
        QImage picture(60, 40, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        QPainter(&picture).fillRect(20, 0, 20, 40, QColor(255, 0, 0, 120));
        QPainter(&picture).fillRect(40, 0, 20, 40, QColor(255, 0, 0));
        const QPoint clear(5, 20), half(30, 20), solid(50, 20);

        app::SplashWindow composited(picture, true);
        QImage shown = composited.grab().toImage();
        QCOMPARE(qAlpha(shown.pixel(clear)), 0);
        QCOMPARE(qAlpha(shown.pixel(half)), 120);
        QCOMPARE(shown.pixelColor(solid), QColor(Qt::red));

        // Without a compositor: a plain background under the picture, and the
        // window cut to the picture's outline.
        app::SplashWindow plain(picture, false);
        shown = plain.grab().toImage();
        QCOMPARE(qAlpha(shown.pixel(half)), 255);
        QCOMPARE(shown.pixelColor(solid), QColor(Qt::red));
        QVERIFY(!plain.mask().contains(clear) && plain.mask().contains(solid));
    }

    // A damaged book on the command line: its message comes up while the main
    // window loads, and was hidden under the splash, which could not be clicked
    // away while the message waited.
    void aMessageAtStartUpTakesTheSplashAway()
    {
        Harness h;
        QVERIFY(writeSplash(h.env.appDir() + "/splash.png", "picture"));
        const QString damaged = h.env.path("damaged.lhh");
        QVERIFY(writeSplash(damaged, "not a book at all"));
        bool splashUp = true;
        h.messages.whenShown = [&] { splashUp = splash(); };
        h.window = app::startProgram(h.freshContext(), {"korvel", damaged});
        QCOMPARE(h.messages.shown.size(), 1);
        QVERIFY(!splashUp);
        QVERIFY(h.window->isVisible());
    }

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
            auto *browser = ad->findChild<QWebEngineView *>("WebBrowser1");
            QSignalSpy loaded(browser, &QWebEngineView::loadFinished);
            const QUrl link(o.site.root() + "Korvel/more.html");

            if (how == "link") {
                QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 20000);
                browser->page()->runJavaScript(QStringLiteral("window.open('%1')").arg(link.toString()));
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

KORVEL_WINDOW_TEST_MAIN(MainWindowTest)

#include "tst_mainwindow.moc"
