// korvel-screen-bench: what the user sees. It starts an X server of its own
// (Xvfb), runs the real korvel on it beside a bare Qt viewer of its own and
// the picture viewers a reader might use instead (qimgv, zathura with
// zathura-cb, mcomix, feh, each when installed), presses keys through XTest
// and watches the screen's pixels, polling about every millisecond. Every
// test page carries a colour patch (24 colours in turn) by which the probe
// tells which page is on screen.
//
//   build/bench/korvel-screen-bench [--runs 7] [--pages 300] [--big 2000]
//                                   [--only korvel,bare,...] [--korvel-dir DIR]
//
// It prints medians over interleaved runs: launch to first page on screen
// (300- and 2000-page books), key to page at reading pace (one key a
// second), 20 keys at once to the 20th page, and memory after opening and
// after 200 turns. Needs Xvfb and the XTest extension; not run by ctest.
#include "archive/ComicArchive.h"
#include "bench/BenchSupport.h"
#include "bench/ScreenProbe.h"
#include "book/BookWriter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <csignal>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <thread>
#include <vector>

using namespace korvel;
using namespace korvel::bench;

namespace {

constexpr int kPageWidth = 1600;
constexpr int kPageHeight = 2300;
constexpr qint64 kTargetBytes = 1024 * 1024;
constexpr int kColours = 24;
constexpr int kTolerance = 26;
constexpr int kMinHits = 30;
constexpr int kScreenWidth = 1280, kScreenHeight = 800;
constexpr int kBurst = 20;
constexpr int kPaceTurns = 3;
constexpr int kMemoryTurns = 200;
constexpr int kPredecoded = 48;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

quint32 patchColour(int page)
{
    return QColor::fromHsv((page % kColours) * 360 / kColours, 255, 235).rgb() & 0xffffff;
}

// ------------------------------------------------------------------ the pages

// A scanned page as the encoder sees it: grey art and grain (no colour the
// probe could take for a patch), with the page's colour patch across its top.
QByteArray makePage(int index, int grain)
{
    QImage image(kPageWidth, kPageHeight, QImage::Format_RGB32);
    QRandomGenerator rng(quint32(500 + index));
    {
        QPainter p(&image);
        QLinearGradient shade(0, 0, kPageWidth * 0.4, kPageHeight);
        shade.setColorAt(0, QColor(235, 235, 235));
        shade.setColorAt(1, QColor(90, 90, 90));
        p.fillRect(image.rect(), shade);
        p.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 30; ++i) {
            const int g = rng.bounded(30, 220);
            p.setPen(QPen(QColor(g, g, g), 2 + rng.bounded(10)));
            p.setBrush(QColor(255 - g, 255 - g, 255 - g));
            p.drawEllipse(QPointF(rng.bounded(kPageWidth), rng.bounded(kPageHeight)), 40 + rng.bounded(300),
                          40 + rng.bounded(300));
        }
        QFont font = p.font();
        font.setPixelSize(60);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QRect(80, kPageHeight - 300, kPageWidth - 160, 200), Qt::AlignCenter,
                   QStringLiteral("page %1").arg(index));
    }
    quint32 s = quint32(index) * 2654435761u | 1u;
    const int span = 2 * grain + 1;
    for (int y = 0; y < kPageHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < kPageWidth; ++x) {
            s ^= s << 13;
            s ^= s >> 17;
            s ^= s << 5;
            const int d = int(s % quint32(span)) - grain;
            const int v = std::clamp(qRed(line[x]) + d, 0, 255);
            line[x] = qRgb(v, v, v);
        }
    }
    {
        QPainter p(&image);
        p.fillRect(QRect(0, 0, kPageWidth, kPageHeight / 4), QColor::fromRgb(patchColour(index)));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(92);
    writer.write(image);
    return bytes;
}

int calibrateGrain()
{
    int low = 0, high = 127;
    while (high - low > 1) {
        const int mid = (low + high) / 2;
        (makePage(0, mid).size() < kTargetBytes ? low : high) = mid;
    }
    return high;
}

// ------------------------------------------------------------------ processes

qint64 statusKb(qint64 pid, const char *field)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// The process and every process below it.
QList<qint64> processTree(qint64 root)
{
    std::multimap<qint64, qint64> children;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> after = text.mid(text.lastIndexOf(')') + 2).split(' ');
        children.emplace(after.value(1).toLongLong(), pid);
    }
    QList<qint64> tree{root};
    for (int i = 0; i < tree.size(); ++i) {
        auto range = children.equal_range(tree.at(i));
        for (auto it = range.first; it != range.second; ++it)
            tree << it->second;
    }
    return tree;
}

struct Memory {
    double rssMb = kNaN;  // the main process
    double treePssMb = kNaN; // all its processes, shared pages shared out
    int processes = 0;
};

Memory memoryOf(qint64 pid)
{
    Memory m;
    m.rssMb = statusKb(pid, "VmRSS:") / 1024.0;
    qint64 pss = 0;
    const QList<qint64> tree = processTree(pid);
    for (qint64 p : tree) {
        QFile f(QStringLiteral("/proc/%1/smaps_rollup").arg(p));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : f.readAll().split('\n')) {
            if (line.startsWith("Pss:"))
                pss += line.mid(4).trimmed().split(' ').value(0).toLongLong();
        }
    }
    m.treePssMb = pss / 1024.0;
    m.processes = int(tree.size());
    return m;
}

// ------------------------------------------------------------------ viewers

struct Viewer {
    Viewer(QString n, QString p, std::function<QStringList(bool big)> a)
        : name(std::move(n))
        , program(std::move(p))
        , arguments(std::move(a))
    {
    }
    QString name;
    QString program;
    std::function<QStringList(bool big)> arguments; // empty: no such book
    const char *nextKey = "Right";
    bool shift = false;
    bool launchFigures = true; // the pre-decoded baseline is there for its turns
    bool memoryFigures = true;
    QProcessEnvironment env;
};

struct Figures {
    std::vector<double> launch, launchBig, pace, burst, rssOpen, pssOpen, rssTurned, pssTurned;
    QString pageShown;
    int failures = 0;
};

class Bench {
public:
    Bench(ScreenProbe &probe, QString display)
        : m_probe(probe)
        , m_display(std::move(display))
    {
    }

    // Waits until the page's patch is on screen; ms since start, NaN after timeout.
    double waitForPage(int page, const QElapsedTimer &since, int timeoutMs, const ScreenBox &region = {})
    {
        const quint32 colour = patchColour(page);
        while (since.elapsed() < timeoutMs) {
            ScreenBox bounds;
            if (m_probe.count(colour, kTolerance, region, region.isEmpty() ? 4 : 2, &bounds) >= kMinHits) {
                const double ms = double(since.nsecsElapsed()) / 1e6;
                if (region.isEmpty())
                    m_patch = bounds;
                return ms;
            }
            QThread::usleep(700);
        }
        return kNaN;
    }

    void runOnce(const Viewer &v, Figures &f, bool withMemoryTurns)
    {
        if (v.launchFigures) {
            if (const QStringList args = v.arguments(true); !args.isEmpty()) {
                QProcess proc;
                f.launchBig.push_back(launch(v, args, proc));
                stop(proc);
            }
        }
        QProcess proc;
        const double first = launch(v, v.arguments(false), proc);
        if (v.launchFigures)
            f.launch.push_back(first);
        if (std::isnan(first)) {
            ++f.failures;
            stop(proc);
            return;
        }
        // The patch's box, shrunk, is where later pages are looked for.
        const ScreenBox page = m_patch;
        f.pageShown = QStringLiteral("%1x%2 patch at %3,%4").arg(page.w).arg(page.h).arg(page.x).arg(page.y);
        const ScreenBox watch{page.x + page.w / 8, page.y + page.h / 8, std::max(8, page.w * 3 / 4),
                              std::max(8, page.h * 3 / 4)};
        QThread::msleep(1000);
        if (v.memoryFigures) {
            const Memory m = memoryOf(proc.processId());
            f.rssOpen.push_back(m.rssMb);
            f.pssOpen.push_back(m.treePssMb);
        }
        m_probe.focusWindowAt(page.x + page.w / 2, page.y + page.h * 2);
        QThread::msleep(300);

        int at = 0;
        auto turn = [&](int keys, int timeoutMs) {
            QElapsedTimer t;
            t.start();
            for (int i = 0; i < keys; ++i)
                m_probe.key(v.nextKey, v.shift);
            m_probe.flush();
            at += keys;
            return waitForPage(at, t, timeoutMs, watch);
        };
        for (int i = 0; i < kPaceTurns; ++i) {
            const double ms = turn(1, 5000);
            f.pace.push_back(ms);
            if (std::isnan(ms)) {
                ++f.failures;
                break;
            }
            QThread::msleep(1000);
        }
        if (!f.pace.empty() && !std::isnan(f.pace.back())) {
            const double ms = turn(kBurst, 15000);
            f.burst.push_back(ms);
            if (std::isnan(ms))
                ++f.failures;
        }
        if (withMemoryTurns && v.memoryFigures && !f.burst.empty() && !std::isnan(f.burst.back())) {
            QThread::msleep(500);
            bool ok = true;
            for (int i = 0; i < kMemoryTurns && ok; ++i)
                ok = !std::isnan(turn(1, 5000));
            QThread::msleep(1000);
            if (ok) {
                const Memory m = memoryOf(proc.processId());
                f.rssTurned.push_back(m.rssMb);
                f.pssTurned.push_back(m.treePssMb);
            } else {
                ++f.failures;
            }
        }
        stop(proc);
    }

private:
    double launch(const Viewer &v, const QStringList &args, QProcess &proc)
    {
        proc.setProcessEnvironment(v.env);
        proc.setStandardOutputFile(QProcess::nullDevice());
        proc.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer t;
        t.start();
        proc.start(v.program, args);
        if (!proc.waitForStarted(10000))
            return kNaN;
        return waitForPage(0, t, 30000);
    }

    // Ends the viewer and whatever it started (its web helpers), by their ids.
    void stop(QProcess &proc)
    {
        if (proc.state() == QProcess::NotRunning)
            return;
        const QList<qint64> tree = processTree(proc.processId());
        proc.terminate();
        if (!proc.waitForFinished(3000)) {
            proc.kill();
            proc.waitForFinished(3000);
        }
        for (qint64 pid : tree.mid(1))
            ::kill(pid_t(pid), SIGKILL);
        // The screen is empty again before the next viewer starts.
        QThread::msleep(300);
    }

    ScreenProbe &m_probe;
    QString m_display;
    ScreenBox m_patch;
};

QString figure(const std::vector<double> &v, int decimals = 0)
{
    std::vector<double> good;
    for (double x : v) {
        if (!std::isnan(x))
            good.push_back(x);
    }
    if (good.empty())
        return QStringLiteral("-");
    QString s = QString::number(median(good), 'f', decimals);
    if (good.size() != v.size())
        s += QStringLiteral(" (%1 of %2)").arg(good.size()).arg(v.size());
    return s;
}

double med(const std::vector<double> &v)
{
    std::vector<double> good;
    for (double x : v) {
        if (!std::isnan(x))
            good.push_back(x);
    }
    return good.empty() ? kNaN : median(good);
}

bool copyKorvelFolder(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to))
        return false;
    // The web parts come too: without them the program runs, but never starts the web.
    for (const char *name : {"korvel", "libkorvel_web_parts.so", "korvel-thumbnailer", "Korvel.mdb", "Korvel.tmp!",
                             "top.html", "splash.png"}) {
        const QString source = from + QLatin1Char('/') + QLatin1String(name);
        if (QFileInfo::exists(source) && !QFile::copy(source, to + QLatin1Char('/') + QLatin1String(name)))
            return false;
    }
    return QFile::setPermissions(to + QStringLiteral("/korvel"),
                                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

int main(int argc, char *argv[])
{
    // The bench draws its pages offscreen; only the viewers go to the X server.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    auto option = [&](const QString &name, const QString &fallback) {
        const int at = int(args.indexOf(name));
        return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
    };
    const int runs = option(QStringLiteral("--runs"), QStringLiteral("7")).toInt();
    const int pages = std::max(kPredecoded, option(QStringLiteral("--pages"), QStringLiteral("300")).toInt());
    const int bigPages = option(QStringLiteral("--big"), QStringLiteral("2000")).toInt();
    const QStringList only = option(QStringLiteral("--only"), QString()).split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QString korvelDir = option(QStringLiteral("--korvel-dir"), QStringLiteral(KORVEL_APP_DIR));
    // Another build's program folder, run beside as "korvel-before".
    const QString beforeDir = option(QStringLiteral("--before"), QString());
    const QString bareViewer = QCoreApplication::applicationDirPath() + QStringLiteral("/korvel-bare-viewer");

    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        say(QStringLiteral("korvel-screen-bench: Xvfb is not installed (scripts/ensure-deps.sh installs it)"));
        return 2;
    }
    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/korvel-screen-XXXXXX"));
    const QString root = work.path();

    // ---------------------------------------------------------------- pages and books
    QElapsedTimer t;
    t.start();
    const int grain = calibrateGrain();
    const QString folder = root + QStringLiteral("/pages"), bigFolder = root + QStringLiteral("/big");
    QDir().mkpath(folder);
    QDir().mkpath(bigFolder);
    QVector<QByteArray> pictures(pages);
    {
        std::vector<std::thread> workers;
        const int threads = std::max(1, QThread::idealThreadCount());
        for (int w = 0; w < threads; ++w)
            workers.emplace_back([&, w] {
                for (int i = w; i < pages; i += threads)
                    pictures[i] = makePage(i, grain);
            });
        for (std::thread &w : workers)
            w.join();
    }
    qint64 total = 0;
    for (int i = 0; i < pages; ++i) {
        QFile f(folder + QStringLiteral("/%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
        if (!f.open(QIODevice::WriteOnly) || f.write(pictures.at(i)) != pictures.at(i).size())
            return 2;
        total += pictures.at(i).size();
    }
    for (int i = 0; i < bigPages; ++i)
        QFile::link(folder + QStringLiteral("/%1.jpg").arg(i % pages, 4, 10, QLatin1Char('0')),
                    bigFolder + QStringLiteral("/%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
    const QString korvelApp = root + QStringLiteral("/korvel");
    const QString beforeApp = root + QStringLiteral("/korvel-before");
    if (!copyKorvelFolder(korvelDir, korvelApp) || (!beforeDir.isEmpty() && !copyKorvelFolder(beforeDir, beforeApp))) {
        say(QStringLiteral("cannot copy %1").arg(korvelDir));
        return 2;
    }
    auto writeBook = [&](const QString &path, int count) {
        book::BookWriter writer(korvelApp + QStringLiteral("/Korvel.tmp!"), path);
        book::BookMeta meta;
        meta.title = QStringLiteral("screen bench");
        bool ok = !writer.begin(meta);
        for (int i = 0; ok && i < count; ++i)
            ok = !writer.addPage(pictures.at(i % pages));
        return ok && !writer.commit();
    };
    const QString book = root + QStringLiteral("/book.lhh"), bigBook = root + QStringLiteral("/big.lhh");
    const QString cbz = root + QStringLiteral("/book.cbz");
    if (!writeBook(book, pages) || (bigPages > 0 && !writeBook(bigBook, bigPages))
        || archive::writeCbz(cbz, pictures, book::BookMeta{})) {
        say(QStringLiteral("cannot write the books"));
        return 2;
    }
    say(QStringLiteral("korvel-screen-bench: %1 pages %2x%3 JPEG, average %4 KB (grain %5), books of %1 and %6 "
                       "pages, made in %7 s")
            .arg(pages)
            .arg(kPageWidth)
            .arg(kPageHeight)
            .arg(total / pages / 1024)
            .arg(grain)
            .arg(bigPages)
            .arg(t.elapsed() / 1000.0, 0, 'f', 1));

    // ---------------------------------------------------------------- the X server
    int displayNumber = 90;
    while (displayNumber < 200
           && (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(displayNumber))
               || QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(displayNumber))))
        ++displayNumber;
    const QString display = QStringLiteral(":%1").arg(displayNumber);
    QProcess server;
    server.setStandardOutputFile(QProcess::nullDevice());
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(xvfb, {display, QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("%1x%2x24").arg(kScreenWidth).arg(kScreenHeight), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-ac")});
    server.waitForStarted(5000);
    auto probe = std::make_unique<ScreenProbe>();
    bool connected = false;
    for (int i = 0; i < 100 && !connected; ++i) {
        QThread::msleep(50);
        connected = server.state() == QProcess::Running && probe->open(display.toStdString());
        if (!connected)
            probe = std::make_unique<ScreenProbe>();
    }
    if (!connected) {
        say(QStringLiteral("cannot start Xvfb on %1, or it has no XTest").arg(display));
        server.kill();
        server.waitForFinished();
        return 2;
    }
    say(QStringLiteral("screen: Xvfb %1 %2x%3, pixels read through %4, %5 cores")
            .arg(display)
            .arg(probe->width())
            .arg(probe->height())
            .arg(probe->usesShm() ? QStringLiteral("MIT-SHM") : QStringLiteral("XGetImage"))
            .arg(QThread::idealThreadCount()));

    // ---------------------------------------------------------------- the viewers
    QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
    base.insert(QStringLiteral("DISPLAY"), display);
    base.remove(QStringLiteral("WAYLAND_DISPLAY"));
    base.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    base.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    base.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
    base.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
    base.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    // The other build has settings and data of its own: sharing them, each
    // start after the other build's would find the association files naming
    // another program and rewrite them, which no single installation does.
    for (const char *d : {"/config/Korvel", "/data", "/cache", "/home", "/zathura", "/before/config/Korvel",
                          "/before/data", "/before/cache"})
        QDir().mkpath(root + QLatin1String(d));
    for (const char *d : {"/config", "/before/config"}) {
        // The window where the user left it: the whole screen.
        QFile conf(root + QLatin1String(d) + QStringLiteral("/Korvel/Korvel.conf"));
        if (conf.open(QIODevice::WriteOnly))
            conf.write(QStringLiteral("[frmMain]\nWidth=%1\nHeight=%2\nLeft=0\nTop=0\n")
                           .arg(kScreenWidth * 15)
                           .arg(kScreenHeight * 15)
                           .toLatin1());
    }
    {
        QFile rc(root + QStringLiteral("/zathura/zathurarc"));
        if (rc.open(QIODevice::WriteOnly))
            rc.write(QStringLiteral("set window-width %1\nset window-height %2\n")
                         .arg(kScreenWidth)
                         .arg(kScreenHeight)
                         .toLatin1());
    }

    std::vector<Viewer> viewers;
    auto add = [&](Viewer v) {
        if (!only.isEmpty() && !only.contains(v.name))
            return;
        if (v.env.isEmpty())
            v.env = base;
        viewers.push_back(std::move(v));
    };
    {
        Viewer k{QStringLiteral("korvel"), korvelApp + QStringLiteral("/korvel"),
                 [&](bool big) { return QStringList{big ? bigBook : book}; }};
        k.env = base;
        k.env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
        k.env.insert(QStringLiteral("KORVEL_SITE_ROOT"), QStringLiteral("http://127.0.0.1:9/"));
        add(k);
        if (!beforeDir.isEmpty()) {
            k.name = QStringLiteral("korvel-before");
            k.program = beforeApp + QStringLiteral("/korvel");
            k.env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/before/config"));
            k.env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/before/data"));
            k.env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/before/cache"));
            add(k);
        }
    }
    add({QStringLiteral("bare"), bareViewer,
         [&](bool big) { return QStringList{big ? bigFolder : folder}; }});
    {
        Viewer ready{QStringLiteral("bare-ready"), bareViewer, [&](bool big) {
                         return big ? QStringList() : QStringList{QStringLiteral("--predecoded"),
                                                                  QString::number(kPredecoded), folder};
                     }};
        ready.launchFigures = false;
        ready.memoryFigures = false;
        add(ready);
    }
    if (const QString p = QStandardPaths::findExecutable(QStringLiteral("qimgv")); !p.isEmpty())
        add({QStringLiteral("qimgv"), p, [&](bool big) {
                 return QStringList{(big ? bigFolder : folder) + QStringLiteral("/0000.jpg")};
             }});
    if (const QString p = QStandardPaths::findExecutable(QStringLiteral("zathura"));
        !p.isEmpty() && QFileInfo::exists(QStringLiteral("/usr/lib/x86_64-linux-gnu/zathura/libcb.so"))) {
        Viewer z{QStringLiteral("zathura"), p, [&](bool big) {
                     return big ? QStringList()
                                : QStringList{QStringLiteral("-c"), root + QStringLiteral("/zathura"),
                                              QStringLiteral("-d"), root + QStringLiteral("/zathura"), cbz};
                 }};
        z.nextKey = "j";
        z.shift = true;
        add(z);
    }
    if (const QString p = QStandardPaths::findExecutable(QStringLiteral("mcomix")); !p.isEmpty()) {
        Viewer m{QStringLiteral("mcomix"), p, [&](bool big) { return big ? QStringList() : QStringList{cbz}; }};
        m.nextKey = "Page_Down";
        add(m);
    }
    if (const QString p = QStandardPaths::findExecutable(QStringLiteral("feh")); !p.isEmpty())
        add({QStringLiteral("feh"), p, [&](bool big) {
                 return QStringList{QStringLiteral("--scale-down"), QStringLiteral("--geometry"),
                                    QStringLiteral("%1x%2+0+0").arg(kScreenWidth).arg(kScreenHeight),
                                    QStringLiteral("--sort"), QStringLiteral("name"), big ? bigFolder : folder};
             }});

    // ---------------------------------------------------------------- the runs
    Bench bench(*probe, display);
    std::map<QString, Figures> figures;
    for (int run = 0; run < runs; ++run) {
        // Each run starts with another viewer, so none always goes first.
        for (std::size_t i = 0; i < viewers.size(); ++i) {
            const Viewer &v = viewers.at((i + std::size_t(run)) % viewers.size());
            bench.runOnce(v, figures[v.name], run == 0);
        }
        say(QStringLiteral("   run %1 of %2 done").arg(run + 1).arg(runs));
    }
    // The connection goes before the server, which Xlib would take for a fault.
    probe.reset();
    server.terminate();
    server.waitForFinished(3000);

    // ---------------------------------------------------------------- the figures
    say(QString());
    say(QStringLiteral("On screen (what the user sees), medians of %1 interleaved runs; ms unless said:").arg(runs));
    say(QStringLiteral("%1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9")
            .arg(QStringLiteral("viewer"), -10)
            .arg(QStringLiteral("launch %1p").arg(pages), 11)
            .arg(QStringLiteral("launch %1p").arg(bigPages), 12)
            .arg(QStringLiteral("key→page"), 9)
            .arg(QStringLiteral("%1 keys→%1th").arg(kBurst), 14)
            .arg(QStringLiteral("RSS open MB"), 11)
            .arg(QStringLiteral("PSS tree MB"), 11)
            .arg(QStringLiteral("after %1 turns RSS/PSS").arg(kMemoryTurns), 22)
            .arg(QStringLiteral("page on screen")));
    for (const Viewer &v : viewers) {
        const Figures &f = figures[v.name];
        say(QStringLiteral("%1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9%10")
                .arg(v.name, -10)
                .arg(figure(f.launch), 11)
                .arg(figure(f.launchBig), 12)
                .arg(figure(f.pace, 1), 9)
                .arg(figure(f.burst), 14)
                .arg(figure(f.rssOpen), 11)
                .arg(figure(f.pssOpen), 11)
                .arg(QStringLiteral("%1/%2").arg(figure(f.rssTurned), figure(f.pssTurned)), 22)
                .arg(f.pageShown,
                     f.failures ? QStringLiteral("  (%1 timeouts)").arg(f.failures) : QString()));
    }
    say(QString());

    // The goals, as ratios against the baselines of this run.
    bool allPass = true;
    auto goal = [&](const QString &what, double value, const QString &baseName, double base, double limit) {
        if (std::isnan(value) || std::isnan(base)) {
            say(QStringLiteral("%1 | - | baseline %2 not measured | - | goal <= %3 | -").arg(what, baseName).arg(limit));
            return;
        }
        allPass &= verdict(what, QStringLiteral("korvel %1").arg(value, 0, 'f', 1),
                           QStringLiteral("%1 %2").arg(baseName).arg(base, 0, 'f', 1), value / base, limit);
    };
    const Figures &k = figures[QStringLiteral("korvel")];
    goal(QStringLiteral("S1. launch to first page, %1 pages").arg(pages), med(k.launch), QStringLiteral("bare"),
         med(figures[QStringLiteral("bare")].launch), 1.2);
    goal(QStringLiteral("S1. launch to first page, %1 pages").arg(bigPages), med(k.launchBig),
         QStringLiteral("bare"), med(figures[QStringLiteral("bare")].launchBig), 1.2);
    goal(QStringLiteral("S1. launch to first page, %1 pages").arg(pages), med(k.launch), QStringLiteral("qimgv"),
         med(figures[QStringLiteral("qimgv")].launch), 1.0);
    goal(QStringLiteral("S2. key to page at reading pace"), med(k.pace), QStringLiteral("bare-ready"),
         med(figures[QStringLiteral("bare-ready")].pace), 1.2);
    goal(QStringLiteral("S2. key to page at reading pace"), med(k.pace), QStringLiteral("zathura"),
         med(figures[QStringLiteral("zathura")].pace), 1.0);
    goal(QStringLiteral("S3. %1 keys at once to the %1th page").arg(kBurst), med(k.burst), QStringLiteral("mcomix"),
         med(figures[QStringLiteral("mcomix")].burst), 1.0);
    goal(QStringLiteral("S4. resident memory after opening"), med(k.rssOpen), QStringLiteral("qimgv"),
         med(figures[QStringLiteral("qimgv")].rssOpen), 1.2);
    say(QString());
    say(QStringLiteral("goals: %1").arg(allPass ? QStringLiteral("all met") : QStringLiteral("NOT all met")));
    return allPass ? 0 : 1;
}
