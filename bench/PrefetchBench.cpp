#include "bench/PrefetchBench.h"

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "app/reading/ReadingPane.h"
#include "app/StartUp.h"
#include "bench/BenchSupport.h"
#include "book/BookWriter.h"
#include "book/ReadingSession.h"
#include "book/RecentList.h"
#include "tests/support/Fakes.h"
#include "tests/support/TestEnv.h"
#include "view/PageImage.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

#include <memory>

namespace korvel::bench {

namespace {

constexpr int kPages = 40;
constexpr int kPictures = 8;
constexpr int kPaceTurns = 20;
constexpr int kPaceMs = 300;
constexpr int kBurstTurns = 40;
constexpr int kMemoryTurns = 1000;
const QSize kFrame(1280, 800);

// A scan-like page: shapes and fine grain, about 600 KB as JPEG q90.
QByteArray scanPage(int index)
{
    QImage image(1600, 2400, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((index * 47) % 360, 40, 235));
    QPainter p(&image);
    QRandomGenerator rng(quint32(1975 + index));
    for (int i = 0; i < 220; ++i) {
        p.setPen(QPen(QColor::fromHsv(rng.bounded(360), rng.bounded(160), rng.bounded(200)), 1 + rng.bounded(8)));
        p.drawEllipse(QPointF(rng.bounded(1600), rng.bounded(2400)), rng.bounded(300), rng.bounded(300));
    }
    p.end();
    quint32 s = 0x9e3779b9u + quint32(index);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            s ^= s << 13;
            s ^= s >> 17;
            s ^= s << 5;
            const int d = int(s % 9) - 4;
            const QRgb px = line[x];
            line[x] = qRgb(std::clamp(qRed(px) + d, 0, 255), std::clamp(qGreen(px) + d, 0, 255),
                           std::clamp(qBlue(px) + d, 0, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.write(image);
    return bytes;
}

// The main window with the desktop replaced by fakes, offscreen, 1280x800.
struct Window {
    test::TestEnv env;
    test::FakeMessages messages;
    test::FakeDialogs dialogs;
    test::FakeShell shell;
    std::unique_ptr<book::ReadingSession> session;
    std::unique_ptr<book::RecentList> recent;
    std::unique_ptr<app::MainWindow> frame;
    app::ReadingPane *pane = nullptr;
    QWidget *page = nullptr;
    QAction *nextPage = nullptr;

    Window()
    {
        session = std::make_unique<book::ReadingSession>(env.appDir());
        recent = std::make_unique<book::RecentList>(env.settings());
        app::AppContext c;
        c.appDir = env.appDir();
        c.settings = &env.settings();
        c.messages = &messages;
        c.dialogs = &dialogs;
        c.shell = &shell;
        c.isConnected = [] { return false; };
        c.siteRoot = QStringLiteral("http://127.0.0.1:9/");
        c.programPath = env.appDir() + QStringLiteral("/korvel");
        c.dataHome = env.dataHome();
        c.refreshDesktopCaches = false;
        c.session = session.get();
        c.recent = recent.get();
        frame = std::make_unique<app::MainWindow>(c);
        app::startUp(*frame, c, {QStringLiteral("korvel")});
        pane = frame->findChild<app::ReadingPane *>(QStringLiteral("picView"));
        page = frame->findChild<QWidget *>(QStringLiteral("picViewIt"));
        nextPage = frame->findChild<QAction *>(QStringLiteral("mnuNextPage"));
        frame->show();
        if (!QTest::qWaitForWindowExposed(frame.get()))
            say(QStringLiteral("warning: main window not exposed"));
        frame->resize(kFrame - (frame->frameGeometry().size() - frame->geometry().size()));
        QTest::qWait(500);
    }
    ~Window()
    {
        session->close();
        frame.reset();
    }

    double turn()
    {
        QElapsedTimer t;
        t.start();
        nextPage->trigger();
        page->repaint();
        return msSince(t);
    }
};

// What a reader without pages decoded ahead has to do at the least: the
// page's bytes decoded at the size shown.
double bareDecodeMs(const QByteArray &bytes, QSize shown)
{
    QElapsedTimer t;
    t.start();
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QSize natural = reader.size();
    reader.setScaledSize(view::decodeSizeFor(natural, shown));
    const QImage image = reader.read();
    const double ms = msSince(t);
    return image.isNull() ? -1 : ms;
}

} // namespace

bool prefetchFigures()
{
    QList<QByteArray> pictures;
    qint64 total = 0;
    for (int i = 0; i < kPictures; ++i) {
        pictures << scanPage(i);
        total += pictures.last().size();
    }
    Window w;
    const QString path = w.env.path(QStringLiteral("prefetch.lhh"));
    {
        book::BookWriter writer(w.env.appDir() + QStringLiteral("/Korvel.tmp!"), path);
        book::BookMeta meta;
        meta.title = QStringLiteral("prefetch");
        bool ok = !writer.begin(meta);
        for (int i = 0; ok && i < kPages; ++i)
            ok = !writer.addPage(pictures.at(i % kPictures));
        if (!ok || writer.commit()) {
            say(QStringLiteral("cannot write the prefetch book"));
            return false;
        }
    }
    if (w.session->open(path) != book::ReadingSession::OpenResult::Opened) {
        say(QStringLiteral("cannot open the prefetch book"));
        return false;
    }
    QTest::qWait(100);
    const QSize shown = w.page->size() * w.page->devicePixelRatioF();
    say(QStringLiteral("pages decoded ahead: %1 pages 1600x2400 JPEG q90, average %2 KB, shown at %3x%4")
            .arg(kPages)
            .arg(total / kPictures / 1024)
            .arg(shown.width())
            .arg(shown.height()));
    bool allPass = true;
    // Reading pace: the page on screen is read for 300 ms, then the next is
    // asked for; the baseline decodes the same page's bytes right after.
    std::vector<double> paced, bare;
    for (int i = 0; i < kPaceTurns + 3; ++i) {
        QTest::qWait(kPaceMs);
        const double ms = w.turn();
        const QByteArray bytes = w.session->readPageBytes(w.session->pageNumbers().at(w.session->position())).value();
        const double base = bareDecodeMs(bytes, shown);
        if (i >= 3) {
            paced.push_back(ms);
            bare.push_back(base);
        }
    }
    const double pacedMs = median(paced), bareMs = median(bare);
    allPass &= verdict(QStringLiteral("P1. turn at reading pace (300 ms a page)"),
                       QStringLiteral("median %1 ms over %2 turns").arg(pacedMs, 0, 'f', 2).arg(paced.size()),
                       QStringLiteral("bare decode at the shown size %1 ms").arg(bareMs, 0, 'f', 2), pacedMs / bareMs,
                       0.25);
    say(QStringLiteral("   turns (ms): %1").arg(list(paced, 2)));

    // A held arrow key: turn after turn with only the window's own events
    // between them. The baseline makes each turn as before: the page read
    // out of the book (read.tmp written) and decoded at the shown size.
    std::vector<double> burst, before;
    for (int round = 0; round < 2; ++round) {
        QCoreApplication::processEvents();
        for (int i = 0; i < kBurstTurns; ++i) {
            burst.push_back(w.turn());
            QCoreApplication::processEvents();
        }
        w.pane->prefetch().waitForIdle();
        for (int i = 0; i < kBurstTurns; ++i) {
            const int position = (w.session->position() + 1 + i) % kPages;
            QElapsedTimer t;
            t.start();
            const book::ReadingSession::Page page = w.session->extractPage(w.session->pageNumbers().at(position));
            view::PageImage image;
            image.load(page.bytes, shown);
            before.push_back(msSince(t));
            QCoreApplication::processEvents();
        }
    }
    const double burstMs = median(burst), beforeMs = median(before);
    allPass &= verdict(QStringLiteral("P2. burst of turns (held arrow key)"),
                       QStringLiteral("median %1 ms over %2 turns").arg(burstMs, 0, 'f', 2).arg(burst.size()),
                       QStringLiteral("read + decode as before %1 ms").arg(beforeMs, 0, 'f', 2), burstMs / beforeMs,
                       1.0);

    // Memory over a long reading, turning at full speed.
    for (int i = 0; i < 10; ++i) {
        w.turn();
        QCoreApplication::processEvents();
    }
    const qint64 rss10 = residentBytes();
    qint64 highest = rss10;
    for (int i = 10; i < kMemoryTurns; ++i) {
        w.turn();
        QCoreApplication::processEvents();
        if (i % 50 == 0)
            highest = std::max(highest, residentBytes());
    }
    w.pane->prefetch().waitForIdle();
    const qint64 rss1000 = residentBytes();
    const double growth = megabytes(rss1000 - rss10);
    const bool flat = growth <= 10.0;
    allPass &= flat;
    say(QStringLiteral("P3. memory over %1 turns | RSS %2 MB after | %3 MB after 10 turns, highest %4 MB | "
                       "growth %5 MB | goal growth <= 10 MB | %6")
            .arg(kMemoryTurns)
            .arg(megabytes(rss1000), 0, 'f', 1)
            .arg(megabytes(rss10), 0, 'f', 1)
            .arg(megabytes(highest), 0, 'f', 1)
            .arg(growth, 0, 'f', 1)
            .arg(flat ? QStringLiteral("PASS") : QStringLiteral("FAIL")));
    return allPass;
}

} // namespace korvel::bench
