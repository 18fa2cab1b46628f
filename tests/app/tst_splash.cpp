// The splash: how its picture is read or refused, the window start-up shows
// while the main window loads, and what a click and a drag do to it.
#include "Harness.h"

#include "app/SplashWindow.h"
#include "app/SplashPicture.h"
#include "tests/support/PutFile.h"

#include <QImageWriter>
#include <QPainter>

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

} // namespace

class SplashTest : public QObject {
    Q_OBJECT

private slots:
    void readPicture()
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
    void startUp()
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
    void dragAndSeeThroughParts()
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
};

KORVEL_WINDOW_TEST_MAIN(SplashTest)
#include "tst_splash.moc"
