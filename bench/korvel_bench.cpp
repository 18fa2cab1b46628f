// korvel-bench: how fast the reader turns and opens pages, how its memory
// behaves over a long reading, and how soon the real program shows a page.
// Every figure is printed beside a baseline measured in the same run.
//
//   QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 build/bench/korvel-bench
#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "app/reading/ReadingPane.h"
#include "app/StartUp.h"
#include "bench/BenchSupport.h"
#include "bench/BookBench.h"
#include "bench/StartupBench.h"
#include "bench/MakerBench.h"
#include "bench/CatalogBench.h"
#include "bench/PrefetchBench.h"
#include "bench/ThumbnailBench.h"
#include "bench/WebBench.h"
#include "book/BookFile.h"
#include "book/BookReader.h"
#include "book/BookWriter.h"
#include "book/ReadingSession.h"
#include "book/RecentList.h"
#include "db/Connection.h"
#include "view/PageImage.h"
#include "tests/support/Fakes.h"
#include "tests/support/TestEnv.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace korvel;
using namespace korvel::bench;

namespace {

constexpr int kPageWidth = 1600;
constexpr int kPageHeight = 2400;
constexpr int kJpegQuality = 90;
constexpr qint64 kTargetJpegBytes = 600 * 1024;
constexpr int kSmallBookPages = 40;
constexpr int kBigBookPages = 2000;
constexpr int kTimedTurns = 30;
constexpr int kOpenRuns = 5;
constexpr int kStartRuns = 5;
const QSize kFrame(1280, 800);

// ------------------------------------------------------------------ figures

// ------------------------------------------------------------------ pictures

// A page as a scanned picture-story page looks to the encoder: soft colour
// fields, inked shapes and text, and grain everywhere.
QImage drawArt(int index)
{
    QImage image(kPageWidth, kPageHeight, QImage::Format_RGB32);
    QRandomGenerator rng(quint32(1000 + index));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, kPageWidth * 0.3, kPageHeight);
    sky.setColorAt(0, QColor::fromHsv((index * 37) % 360, 70, 240));
    sky.setColorAt(0.6, QColor::fromHsv((index * 37 + 60) % 360, 120, 190));
    sky.setColorAt(1, QColor::fromHsv((index * 37 + 150) % 360, 150, 90));
    p.fillRect(image.rect(), sky);

    p.setPen(Qt::NoPen);
    for (int i = 0; i < 20; ++i) {
        const QPointF c(rng.bounded(kPageWidth), rng.bounded(kPageHeight));
        const double r = 80 + rng.bounded(420);
        QRadialGradient glow(c, r);
        const QColor core = QColor::fromHsv(rng.bounded(360), 80 + rng.bounded(150), 60 + rng.bounded(190), 200);
        glow.setColorAt(0, core);
        glow.setColorAt(1, QColor(core.red(), core.green(), core.blue(), 0));
        p.setBrush(glow);
        p.drawEllipse(c, r, r * (0.5 + rng.generateDouble()));
    }

    for (int i = 0; i < 12; ++i) {
        p.setPen(QPen(QColor::fromHsv(rng.bounded(360), rng.bounded(120), rng.bounded(90)), 1 + rng.bounded(6)));
        QPainterPath stroke(QPointF(rng.bounded(kPageWidth), rng.bounded(kPageHeight)));
        stroke.cubicTo(QPointF(rng.bounded(kPageWidth), rng.bounded(kPageHeight)),
                       QPointF(rng.bounded(kPageWidth), rng.bounded(kPageHeight)),
                       QPointF(rng.bounded(kPageWidth), rng.bounded(kPageHeight)));
        p.drawPath(stroke);
    }

    // The caption panel under the picture.
    const QRect panel(60, kPageHeight - 420, kPageWidth - 120, 360);
    p.setPen(QPen(Qt::black, 4));
    p.setBrush(QColor(250, 246, 232));
    p.drawRect(panel);
    QFont font = p.font();
    font.setPixelSize(44);
    p.setFont(font);
    p.setPen(Qt::black);
    QString caption;
    for (int line = 0; line < 5; ++line)
        caption += QStringLiteral("Page %1, panel %2: the river crossing at dawn, and the long road home.\n")
                       .arg(index + 1)
                       .arg(line + 1);
    p.drawText(panel.adjusted(30, 20, -30, -20), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, caption);
    p.end();
    return image;
}

// Adds grain of the given strength (0..127) to every channel of every pixel.
QImage withGrain(const QImage &art, int strength, quint32 seed)
{
    QImage image = art.copy();
    const int span = 2 * strength + 1;
    quint32 s = seed | 1u;
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            s ^= s << 13;
            s ^= s >> 17;
            s ^= s << 5;
            const QRgb px = line[x];
            const int r = std::clamp(qRed(px) + int((s & 0xff) % span) - strength, 0, 255);
            const int g = std::clamp(qGreen(px) + int(((s >> 8) & 0xff) % span) - strength, 0, 255);
            const int b = std::clamp(qBlue(px) + int(((s >> 16) & 0xff) % span) - strength, 0, 255);
            line[x] = qRgb(r, g, b);
        }
    }
    return image;
}

QByteArray jpeg(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(kJpegQuality);
    writer.write(image);
    return bytes;
}

// The grain strength that brings the first page near the target size.
int calibrateGrain()
{
    const QImage art = drawArt(0);
    int low = 0, high = 127;
    while (high - low > 1) {
        const int mid = (low + high) / 2;
        if (jpeg(withGrain(art, mid, 7)).size() < kTargetJpegBytes)
            low = mid;
        else
            high = mid;
    }
    const qint64 lowSize = jpeg(withGrain(art, low, 7)).size();
    const qint64 highSize = jpeg(withGrain(art, high, 7)).size();
    return std::abs(lowSize - kTargetJpegBytes) <= std::abs(highSize - kTargetJpegBytes) ? low : high;
}

// ------------------------------------------------------------------ books

// Writes a book of the given page pictures, numbering the pages 0, 1, 2, ...;
// page i holds pictures[i % n].
bool writeBook(const QString &appDir, const QString &path, const QList<QByteArray> &pictures, int pageCount)
{
    book::BookWriter writer(appDir + QStringLiteral("/Korvel.tmp!"), path);
    book::BookMeta meta;
    meta.title = QStringLiteral("bench");
    bool ok = !writer.begin(meta);
    for (int i = 0; ok && i < pageCount; ++i)
        ok = !writer.addPage(pictures.at(i % pictures.size()));
    return ok && !writer.commit();
}

// ------------------------------------------------------------------ the window

// A main window in a private world, the desktop replaced by fakes, shown
// offscreen with a 1280x800 frame.
struct Reader {
    test::FakeMessages messages;
    test::FakeDialogs dialogs;
    test::FakeShell shell;
    std::unique_ptr<book::ReadingSession> session;
    std::unique_ptr<book::RecentList> recent;
    std::unique_ptr<app::MainWindow> window;
    QWidget *page = nullptr;
    app::ReadingPane *pane = nullptr;
    QAction *nextPage = nullptr;
    QComboBox *pageBox = nullptr;

    explicit Reader(test::TestEnv &env)
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
        window = std::make_unique<app::MainWindow>(c);
        app::startUp(*window, c, {QStringLiteral("korvel")});
        page = window->findChild<QWidget *>(QStringLiteral("picViewIt"));
        pane = window->findChild<app::ReadingPane *>(QStringLiteral("picView"));
        nextPage = window->findChild<QAction *>(QStringLiteral("mnuNextPage"));
        pageBox = window->findChild<QComboBox *>(QStringLiteral("Combo1"));
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            say(QStringLiteral("warning: main window not exposed"));
        const QSize decoration = window->frameGeometry().size() - window->geometry().size();
        window->resize(kFrame - decoration);
        // Let the web views load their pages before anything is timed.
        QTest::qWait(2000);
    }

    ~Reader()
    {
        session->close();
        window->close();
        window.reset();
        settle();
    }

    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    // Opens a book as the Open menu does.
    bool open(const QString &path)
    {
        dialogs.names = {path};
        messages.shown.clear();
        window->findChild<QAction *>(QStringLiteral("mnuOpen"))->trigger();
        return session->isOpen() && messages.shown.isEmpty();
    }

    // One timed page turn: the call and the page drawn.
    double turn()
    {
        settle();
        QElapsedTimer t;
        t.start();
        nextPage->trigger();
        page->repaint();
        return msSince(t);
    }
};

// Full decode of picture bytes with nothing else: the floor a reader that
// shows whole pictures cannot go under.
double fullDecodeMs(const QByteArray &bytes, QSize *decoded = nullptr)
{
    QElapsedTimer t;
    t.start();
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QImage image = reader.read();
    const double ms = msSince(t);
    if (decoded)
        *decoded = image.size();
    return ms;
}

double scaledDecodeMs(const QByteArray &bytes, QSize shown)
{
    QElapsedTimer t;
    t.start();
    view::PageImage page;
    page.load(bytes, shown);
    return msSince(t);
}

// Where a page turn goes, piece by piece, in medians over pages of the open
// book: reading the page out of the book (with read.tmp written), decoding
// it at the size shown, drawing it.
QString pieces(Reader &r)
{
    const QSize shown = r.page->size() * r.page->devicePixelRatioF();
    std::vector<double> extract, scaled, draw;
    const auto &numbers = r.session->pageNumbers();
    for (int i = 0; i < 15; ++i) {
        const int number = numbers.at((r.session->position() + 1 + i) % numbers.size());
        QElapsedTimer piece;
        piece.start();
        const book::ReadingSession::Page page = r.session->extractPage(number);
        extract.push_back(msSince(piece));
        scaled.push_back(scaledDecodeMs(page.bytes, shown));
        piece.start();
        r.page->repaint();
        draw.push_back(msSince(piece));
    }
    return QStringLiteral("   where a turn goes (medians, measured apart): page read out of the book + read.tmp "
                          "%1 ms, decode at shown size %2 ms, draw %3 ms")
        .arg(median(extract), 0, 'f', 2)
        .arg(median(scaled), 0, 'f', 2)
        .arg(median(draw), 0, 'f', 2);
}

// Where an open goes, in medians over a few rounds with the book closed in the
// window: the book's connection, the list of page numbers, the page box
// filled with them, and the recent list written. The first page itself then
// costs about one turn.
QString openPieces(Reader &r, test::TestEnv &env, const QString &path)
{
    std::vector<double> connect, numbers, pageBox, recent;
    for (int round = 0; round < 5; ++round) {
        db::Connection book;
        QElapsedTimer t;
        t.start();
        book.open(path, db::Access::ReadOnly);
        connect.push_back(msSince(t));
        t.start();
        QVector<qint32> pageNumbers;
        book::readPageNumbers(book, &pageNumbers);
        numbers.push_back(msSince(t));
        t.start();
        QStringList items;
        for (int i = 0; i < pageNumbers.size(); ++i)
            items << QString::number(i);
        r.pageBox->clear();
        r.pageBox->addItems(items);
        r.pageBox->setCurrentIndex(0);
        pageBox.push_back(msSince(t));
        t.start();
        book::promoteRecent(env.settings(), path);
        recent.push_back(msSince(t));
    }
    return QStringLiteral("   where an open goes (medians, measured apart): book connection %1 ms, page numbers %2 ms, "
                          "page box filled %3 ms, recent list written %4 ms")
        .arg(median(connect), 0, 'f', 2)
        .arg(median(numbers), 0, 'f', 2)
        .arg(median(pageBox), 0, 'f', 2)
        .arg(median(recent), 0, 'f', 2);
}

// ------------------------------------------------------------------ the real program

struct StartRun {
    bool ok = false;
    double wallToLine = 0;  // from start to the report on stdout
    double wallToExit = 0;
    double ownFigure = 0;   // what the program says
};

StartRun runProgram(const QString &program, const QStringList &args, const QProcessEnvironment &env)
{
    StartRun run;
    QProcess proc;
    proc.setProcessEnvironment(env);
    proc.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    proc.start(program, args);
    if (!proc.waitForStarted(10000))
        return run;
    QByteArray out;
    while (t.elapsed() < 30000) {
        const bool more = proc.waitForReadyRead(50);
        out += proc.readAllStandardOutput();
        const int at = out.indexOf("first-page-ms ");
        if (at >= 0 && out.indexOf('\n', at) > at) {
            run.wallToLine = msSince(t);
            const QByteArray figure = out.mid(at + 14, out.indexOf('\n', at) - at - 14).trimmed();
            run.ownFigure = figure.toDouble(&run.ok);
            break;
        }
        if (!more && proc.state() == QProcess::NotRunning)
            break;
    }
    if (!proc.waitForFinished(30000)) {
        proc.kill();
        proc.waitForFinished(5000);
        run.ok = false;
    }
    run.wallToExit = msSince(t);
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer whole;
    whole.start();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));

    test::TestEnv env; // temp app folder; XDG_CONFIG_HOME and XDG_DATA_HOME point into it
    bool allPass = true;

    say(QStringLiteral("korvel-bench  Qt %1, platform %2, %3 cores")
            .arg(QString::fromLatin1(qVersion()), QGuiApplication::platformName())
            .arg(QThread::idealThreadCount()));

    // ---------------------------------------------------------------- the pictures
    QElapsedTimer t;
    t.start();
    const int grain = calibrateGrain();
    QList<QByteArray> pictures;
    qint64 totalBytes = 0;
    for (int i = 0; i < kSmallBookPages; ++i) {
        pictures << jpeg(withGrain(drawArt(i), grain, quint32(7 + i * 7919)));
        totalBytes += pictures.last().size();
    }
    const qint64 minBytes = std::min_element(pictures.begin(), pictures.end(),
                                             [](const QByteArray &a, const QByteArray &b) { return a.size() < b.size(); })
                                ->size();
    const qint64 maxBytes = std::max_element(pictures.begin(), pictures.end(),
                                             [](const QByteArray &a, const QByteArray &b) { return a.size() < b.size(); })
                                ->size();
    say(QStringLiteral("pictures: %1 pages %2x%3 JPEG q%4, average %5 KB (%6..%7 KB), grain %8, made in %9 s")
            .arg(kSmallBookPages)
            .arg(kPageWidth)
            .arg(kPageHeight)
            .arg(kJpegQuality)
            .arg(totalBytes / kSmallBookPages / 1024)
            .arg(minBytes / 1024)
            .arg(maxBytes / 1024)
            .arg(grain)
            .arg(t.elapsed() / 1000.0, 0, 'f', 1));

    const QString smallBook = env.path(QStringLiteral("forty pages.lhh"));
    if (!writeBook(env.appDir(), smallBook, pictures, kSmallBookPages)) {
        say(QStringLiteral("cannot write the 40-page book"));
        return 2;
    }

    auto reader = std::make_unique<Reader>(env);
    app::MainWindow &w = *reader->window;
    if (!reader->open(smallBook)) {
        say(QStringLiteral("cannot open the 40-page book"));
        return 2;
    }
    Reader::settle();
    say(QStringLiteral("window: frame %1x%2, page frame %3x%4, page shown at %5x%6, decoded at %7x%8")
            .arg(w.frameGeometry().width())
            .arg(w.frameGeometry().height())
            .arg(reader->pane->width())
            .arg(reader->pane->height())
            .arg(reader->page->width())
            .arg(reader->page->height())
            .arg(reader->pane->pageImage().image().width())
            .arg(reader->pane->pageImage().image().height()));
    say(QString());

    // ---------------------------------------------------------------- 1. page turn
    for (int i = 0; i < 5; ++i)
        reader->turn();
    // Each turn is followed by the baseline on the same page's bytes, so
    // both see the same machine.
    std::vector<double> turns, decodes;
    QSize fullSize;
    fullDecodeMs(pictures.at(0));
    for (int i = 0; i < kTimedTurns; ++i) {
        turns.push_back(reader->turn());
        decodes.push_back(fullDecodeMs(pictures.at(reader->session->pageNumbers().at(reader->session->position())), &fullSize));
    }
    const double turnMs = median(turns);
    const double decodeMs = median(decodes);
    allPass &= verdict(QStringLiteral("1. page turn, 40-page book"),
                       QStringLiteral("median %1 ms over %2 turns").arg(turnMs, 0, 'f', 2).arg(kTimedTurns),
                       QStringLiteral("full decode %1 ms (%2x%3)")
                           .arg(decodeMs, 0, 'f', 2)
                           .arg(fullSize.width())
                           .arg(fullSize.height()),
                       turnMs / decodeMs, 1.3);

    say(pieces(*reader));
    say(QStringLiteral("   turns (ms): %1").arg(list(turns)));

    // ---------------------------------------------------------------- 3. memory over a long reading
    if (!reader->open(smallBook)) {
        say(QStringLiteral("cannot reopen the 40-page book"));
        return 2;
    }
    auto turnUntracked = [&] {
        reader->nextPage->trigger();
        reader->page->repaint();
        QCoreApplication::processEvents();
    };
    for (int i = 0; i < 10; ++i)
        turnUntracked();
    const qint64 rss10 = residentBytes();
    t.start();
    for (int i = 10; i < 1000; ++i)
        turnUntracked();
    const double longReading = t.elapsed() / 1000.0;
    const qint64 rss1000 = residentBytes();
    const double growth = megabytes(rss1000 - rss10);
    {
        const bool pass = growth <= 10.0;
        allPass &= pass;
        say(QStringLiteral("3. memory, 40-page book | RSS after 1000 turns %1 MB | baseline after 10 turns %2 MB | "
                           "growth %3 MB | goal growth <= 10 MB | %4")
                .arg(megabytes(rss1000), 0, 'f', 1)
                .arg(megabytes(rss10), 0, 'f', 1)
                .arg(growth, 0, 'f', 1)
                .arg(pass ? QStringLiteral("PASS") : QStringLiteral("FAIL")));
        say(QStringLiteral("   990 turns took %1 s").arg(longReading, 0, 'f', 1));
    }

    // ---------------------------------------------------------------- 2. opening a 2000-page book
    {
        reader->session->close();
        const QString bigBook = env.path(QStringLiteral("two thousand pages.lhh"));
        t.start();
        if (!writeBook(env.appDir(), bigBook, {pictures.at(0)}, kBigBookPages)) {
            say(QStringLiteral("cannot write the 2000-page book"));
            return 2;
        }
        {
            // On disk before anything is timed, so the kernel is not still writing it meanwhile.
            QFile file(bigBook);
            if (file.open(QIODevice::ReadOnly))
                ::fsync(file.handle());
        }
        say(QStringLiteral("2000-page book: %1 MB written in %2 s")
                .arg(megabytes(QFileInfo(bigBook).size()), 0, 'f', 0)
                .arg(t.elapsed() / 1000.0, 0, 'f', 1));

        // Opens and turns take turns, so both see the same machine.
        for (int i = 0; i < 5; ++i)
            reader->turn();
        std::vector<double> opens, bigTurns;
        for (int run = 0; run < kOpenRuns; ++run) {
            reader->session->close();
            Reader::settle();
            QElapsedTimer o;
            o.start();
            const bool opened = reader->open(bigBook);
            reader->page->repaint();
            opens.push_back(msSince(o));
            if (!opened || reader->pageBox->count() != kBigBookPages) {
                say(QStringLiteral("cannot open the 2000-page book"));
                return 2;
            }
            for (int i = 0; i < kTimedTurns / kOpenRuns; ++i)
                bigTurns.push_back(reader->turn());
        }
        const double openMs = median(opens);
        const double bigTurnMs = median(bigTurns);
        allPass &= verdict(QStringLiteral("2. open 2000-page book to first page drawn"),
                           QStringLiteral("median %1 ms over %2 opens").arg(openMs, 0, 'f', 2).arg(kOpenRuns),
                           QStringLiteral("page turn in that book %1 ms").arg(bigTurnMs, 0, 'f', 2),
                           openMs / bigTurnMs, 1.5);
        say(QStringLiteral("   opens (ms): %1").arg(list(opens)));
        say(pieces(*reader));
        reader->session->close();
        Reader::settle();
        say(openPieces(*reader, env, bigBook));
        QFile::remove(bigBook);
    }

    reader.reset();

    allPass &= bench::bookFigures(env.appDir(), env.path(QString()));
    allPass &= bench::makerFigures(env.appDir(), env.path(QString()));
    allPass &= bench::catalogFigures(env.appDir(), env.path(QString()));
    allPass &= bench::prefetchFigures();
    allPass &= bench::thumbnailFigures();
    allPass &= bench::webFigures(env.appDir(), env.path(QString()));

    // ---------------------------------------------------------------- 4. start-up of the real program
    {
        const QString program = QStringLiteral(KORVEL_PROGRAM);
        QTemporaryDir home;
        QDir().mkpath(home.path() + QStringLiteral("/config"));
        QDir().mkpath(home.path() + QStringLiteral("/data"));
        QProcessEnvironment penv = QProcessEnvironment::systemEnvironment();
        penv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        penv.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
        penv.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
        penv.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
        penv.insert(QStringLiteral("KORVEL_SITE_ROOT"), QStringLiteral("http://127.0.0.1:9/"));
        penv.insert(QStringLiteral("KORVEL_REPORT_FIRST_PAGE"), QStringLiteral("1"));

        if (!QFileInfo(program).isExecutable()) {
            say(QStringLiteral("4. start-up: %1 not found").arg(program));
        } else {
            // One of each first, so both measured sets start with warm file caches.
            runProgram(program, {smallBook}, penv);
            runProgram(program, {}, penv);
            std::vector<double> bookLine, bookOwn, bookExit, bareLine, bareOwn;
            bool ok = true;
            for (int i = 0; i < kStartRuns; ++i) {
                const StartRun withBook = runProgram(program, {smallBook}, penv);
                const StartRun bare = runProgram(program, {}, penv);
                ok = ok && withBook.ok && bare.ok;
                bookLine.push_back(withBook.wallToLine);
                bookOwn.push_back(withBook.ownFigure);
                bookExit.push_back(withBook.wallToExit);
                bareLine.push_back(bare.wallToLine);
                bareOwn.push_back(bare.ownFigure);
            }
            if (!ok)
                say(QStringLiteral("   warning: a run gave no first-page report"));
            const double wall = median(bookLine);
            const double bare = median(bareLine);
            say(QStringLiteral("4. start-up with a book to first page drawn | wall median %1 ms (program's own "
                               "figure %2 ms) | baseline no book: wall %3 ms (own %4 ms) | ratio %5 | no goal | -")
                    .arg(wall, 0, 'f', 0)
                    .arg(median(bookOwn), 0, 'f', 0)
                    .arg(bare, 0, 'f', 0)
                    .arg(median(bareOwn), 0, 'f', 0)
                    .arg(wall / bare, 0, 'f', 2));
            say(QStringLiteral("   with book, wall (ms): %1; own: %2; to exit median %3 ms")
                    .arg(list(bookLine), list(bookOwn))
                    .arg(median(bookExit), 0, 'f', 0));
        }
        waitForHelpersIn(home.path());
    }

    allPass &= bench::splashStartUp(QStringLiteral(KORVEL_PROGRAM), smallBook);

    waitForHelpersIn(env.path(QString()));
    say(QString());
    say(QStringLiteral("goals: %1   (whole run %2 s)")
            .arg(allPass ? QStringLiteral("all met") : QStringLiteral("NOT all met"))
            .arg(whole.elapsed() / 1000.0, 0, 'f', 1));
    return allPass ? 0 : 1;
}
