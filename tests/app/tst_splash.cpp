// The splash: how the picture is read (and refused), the window start-up
// shows while the main window loads, and what a click and a drag do to it.
#include "Harness.h"

#include "app/FrmSplash.h"
#include "app/SplashPicture.h"

#include <QFile>
#include <QImageWriter>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSignalSpy>

#include <unistd.h>

using namespace korvel;
using namespace korvel::test;

namespace {

// The splash windows there are, shown or not.
QList<app::FrmSplash *> splashes()
{
    QList<app::FrmSplash *> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *s = qobject_cast<app::FrmSplash *>(w))
            found << s;
    return found;
}

app::FrmSplash *shownSplash()
{
    for (app::FrmSplash *s : splashes())
        if (s->isVisible())
            return s;
    return nullptr;
}

// A picture with see-through parts: a red disc, half transparent at its rim.
QImage disc(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(QPen(QColor(255, 0, 0, 120), 4));
    p.setBrush(QColor(255, 0, 0));
    p.drawEllipse(QRect(2, 2, width - 4, height - 4));
    return image;
}

// A picture of one colour with a marked top-left corner, written as 1-bit
// PNG so that even very large ones are cheap to write.
bool writeLargePicture(const QString &path, int width, int height)
{
    QImage image(width, height, QImage::Format_Mono);
    image.fill(1);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, 0);
    return QImageWriter(path, "png").write(image);
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

// A mouse event at a point of the window as it is placed now.
void sendMouse(QWidget *w, QEvent::Type type, QPoint local, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

class SplashTest : public QObject {
    Q_OBJECT

private slots:
    void readPicture_data();
    void readPicture();
    void hugePictureCostsNothing();
    void shownWhileTheMainWindowLoads();
    void clickClosesAtOnce_data();
    void clickClosesAtOnce();
    void dragMovesIt();
    void noPictureNoSplash_data();
    void noPictureNoSplash();
    void seeThroughPartsWithAndWithoutCompositor();
};

void SplashTest::readPicture_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("expected"); // invalid: nothing shown
    const QSize none;
    QTest::newRow("missing") << "missing" << QSize() << none;
    QTest::newRow("empty") << "empty" << QSize() << none;
    QTest::newRow("not a picture") << "text" << QSize() << none;
    QTest::newRow("damaged") << "damaged" << QSize(200, 100) << none;
    QTest::newRow("small") << "picture" << QSize(480, 300) << QSize(480, 300);
    QTest::newRow("exactly the screen") << "picture" << QSize(800, 600) << QSize(800, 600);
    QTest::newRow("wider than the screen") << "picture" << QSize(1000, 400) << QSize(800, 400);
    QTest::newRow("larger than the screen") << "large" << QSize(1000, 900) << QSize(800, 600);
    QTest::newRow("at the size limit") << "large" << QSize(4096, 4096) << QSize(800, 600);
    QTest::newRow("one column over the limit") << "large" << QSize(4097, 4096) << none;
}

void SplashTest::readPicture()
{
    QFETCH(QString, kind);
    QFETCH(QSize, size);
    QFETCH(QSize, expected);
    TestEnv env;
    const QString path = env.path("splash.png");
    if (kind == "empty") {
        QVERIFY(writeBytes(path, {}));
    } else if (kind == "text") {
        QVERIFY(writeBytes(path, "<html>not a picture</html>"));
    } else if (kind == "damaged") {
        // A sound header, then the picture's data cut short and overwritten.
        QByteArray bytes = pictureBytes(size.width(), size.height(), "PNG");
        bytes.truncate(bytes.size() / 2);
        bytes.append(QByteArray(64, '\x5a'));
        QVERIFY(writeBytes(path, bytes));
    } else if (kind == "picture") {
        QVERIFY(disc(size.width(), size.height()).save(path, "PNG"));
    } else if (kind == "large") {
        QVERIFY(writeLargePicture(path, size.width(), size.height()));
    }
    const QImage picture = app::readSplashPicture(path, QSize(800, 600));
    if (!expected.isValid()) {
        QVERIFY(picture.isNull());
        return;
    }
    QCOMPARE(picture.size(), expected);
    QVERIFY(picture.hasAlphaChannel());
    // A cut picture keeps its top-left part, unscaled.
    if (kind == "large") {
        QCOMPARE(picture.pixelColor(7, 7), QColor(Qt::black));
        QCOMPARE(picture.pixelColor(8, 8), QColor(Qt::white));
    }
}

void SplashTest::hugePictureCostsNothing()
{
    TestEnv env;
    const QString path = env.path("splash.png");
    QVERIFY(writeLargePicture(path, 20000, 20000));
    const qint64 before = residentBytes();
    QElapsedTimer t;
    t.start();
    QVERIFY(app::readSplashPicture(path, QSize(1920, 1080)).isNull());
    QVERIFY(t.elapsed() < 1000);
    QVERIFY(residentBytes() - before < 50 * 1000 * 1000);
}

void SplashTest::shownWhileTheMainWindowLoads()
{
    Harness h;
    QVERIFY(disc(200, 100).save(h.env.appDir() + "/splash.png", "PNG"));
    QPointer<app::FrmSplash> seen;
    bool goneWhenLoaded = false;
    app::StartUpHooks hooks;
    hooks.built = [&](app::FrmMain &) { seen = shownSplash(); };
    hooks.loaded = [&](app::FrmMain &w) { goneWhenLoaded = !shownSplash() && !w.isVisible(); };
    const app::AppContext c = h.freshContext();
    QVERIFY(splashes().isEmpty());
    h.window = app::startProgram(c, {"korvel"}, hooks);

    QVERIFY(seen);
    QCOMPARE(seen->objectName(), QStringLiteral("frmSplash"));
    QCOMPARE(seen->size(), QSize(200, 100));
    QVERIFY(seen->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(seen->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(seen->testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(goneWhenLoaded);
    QVERIFY(h.window->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(splashes().isEmpty());
    QVERIFY(h.messages.shown.isEmpty());
}

void SplashTest::clickClosesAtOnce_data()
{
    QTest::addColumn<bool>("doubleClick");
    QTest::newRow("click") << false;
    QTest::newRow("double click") << true;
}

void SplashTest::clickClosesAtOnce()
{
    QFETCH(bool, doubleClick);
    Harness h;
    QVERIFY(disc(200, 100).save(h.env.appDir() + "/splash.png", "PNG"));
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    bool closedByClick = false;
    app::StartUpHooks hooks;
    hooks.built = [&](app::FrmMain &) {
        app::FrmSplash *splash = shownSplash();
        QVERIFY(splash);
        if (doubleClick)
            QTest::mouseDClick(splash, Qt::LeftButton, {}, QPoint(100, 50));
        else
            QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(100, 50));
        closedByClick = !shownSplash();
    };
    h.window = app::startProgram(h.freshContext(), {"korvel"}, hooks);
    QVERIFY(closedByClick);
    // The main window still comes up, and the program was never told to end.
    QVERIFY(h.window->isVisible());
    QCoreApplication::processEvents();
    QCOMPARE(lastClosed.count(), 0);
}

void SplashTest::dragMovesIt()
{
    TestEnv env;
    QVERIFY(disc(200, 100).save(env.appDir() + "/splash.png", "PNG"));
    QPointer<app::FrmSplash> splash = app::showSplash(env.appDir());
    QVERIFY(splash && splash->isVisible());
    const QPoint start = splash->pos();
    sendMouse(splash, QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton);
    // A move within the drag distance is still a click in the making.
    sendMouse(splash, QEvent::MouseMove, QPoint(21, 20), Qt::LeftButton);
    QCOMPARE(splash->pos(), start);
    sendMouse(splash, QEvent::MouseMove, QPoint(70, 50), Qt::LeftButton);
    QCOMPARE(splash->pos(), start + QPoint(50, 30));
    // The pointer stays on the picture as the window follows it.
    sendMouse(splash, QEvent::MouseMove, QPoint(30, 25), Qt::LeftButton);
    QCOMPARE(splash->pos(), start + QPoint(60, 35));
    sendMouse(splash, QEvent::MouseButtonRelease, QPoint(30, 25), Qt::NoButton);
    // A drag is not a click: it stays, on top.
    QVERIFY(splash && splash->isVisible());
    QVERIFY(splash->windowFlags() & Qt::WindowStaysOnTopHint);
    splash->close();
}

void SplashTest::noPictureNoSplash_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("present");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("damaged") << QByteArray("\x89PNG\r\n\x1a\n broken") << true;
}

void SplashTest::noPictureNoSplash()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, present);
    Harness h;
    if (present)
        QVERIFY(writeBytes(h.env.appDir() + "/splash.png", bytes));
    bool anySplash = true;
    app::StartUpHooks hooks;
    hooks.built = [&](app::FrmMain &) { anySplash = !splashes().isEmpty(); };
    h.window = app::startProgram(h.freshContext(), {"korvel"}, hooks);
    QVERIFY(!anySplash);
    QVERIFY(h.window->isVisible());
    QVERIFY(h.messages.shown.isEmpty());
}

void SplashTest::seeThroughPartsWithAndWithoutCompositor()
{
    // See-through, half see-through and solid thirds.
    QImage picture(60, 40, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    QPainter(&picture).fillRect(20, 0, 20, 40, QColor(255, 0, 0, 120));
    QPainter(&picture).fillRect(40, 0, 20, 40, QColor(255, 0, 0));
    const QPoint outside(5, 20), rim(30, 20), inside(50, 20);
    {
        // Composited: the picture's own alpha reaches the desktop.
        app::FrmSplash splash(picture.convertToFormat(QImage::Format_ARGB32_Premultiplied), true);
        const QImage shown = splash.grab().toImage();
        QCOMPARE(qAlpha(shown.pixel(outside)), 0);
        QCOMPARE(qAlpha(shown.pixel(rim)), qAlpha(picture.pixel(rim)));
        QCOMPARE(shown.pixelColor(inside), QColor(255, 0, 0));
    }
    {
        // Without a compositor: a plain background under the picture, and
        // the window cut to the picture's outline.
        app::FrmSplash splash(picture.convertToFormat(QImage::Format_ARGB32_Premultiplied), false);
        const QImage shown = splash.grab().toImage();
        QCOMPARE(qAlpha(shown.pixel(rim)), 255);
        QCOMPARE(shown.pixelColor(inside), QColor(255, 0, 0));
        QVERIFY(!splash.mask().isEmpty());
        QVERIFY(!splash.mask().contains(outside));
        QVERIFY(splash.mask().contains(inside));
    }
}

KORVEL_WINDOW_TEST_MAIN(SplashTest)
#include "tst_splash.moc"
