#include "bench/MakerBench.h"

#include "bench/BenchSupport.h"

#include "book/BookWriter.h"
#include "book/ReadingSession.h"
#include "maker/BookMaker.h"
#include "maker/PageExport.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <unistd.h>

namespace korvel::bench {

namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 2400;
constexpr qint64 kTargetBytes = 600 * 1024;
constexpr int kDistinctScans = 8;
constexpr int kSavePictures = 400;
constexpr int kAddPictures = 500;
constexpr int kExportPages = 100;
constexpr int kRounds = 3;
constexpr qint64 kMemoryGoal = 400LL * 1024 * 1024;

QString mb(qint64 bytes)
{
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 0) + QStringLiteral(" MB");
}

// A scan-like page: soft shapes with a grain strong enough that the JPEG
// weighs about 600 KB.
QImage scan(quint32 seed, int grain)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QRandomGenerator rng(seed);
    QPainter p(&image);
    QLinearGradient g(0, 0, kWidth, kHeight);
    g.setColorAt(0, QColor::fromHsv(int(seed * 37 % 360), 60, 235));
    g.setColorAt(1, QColor::fromHsv(int(seed * 91 % 360), 90, 150));
    p.fillRect(image.rect(), g);
    for (int i = 0; i < 40; ++i) {
        p.setPen(QPen(QColor::fromHsv(int(rng.bounded(360)), 120, int(rng.bounded(200))), 4 + rng.bounded(12)));
        p.drawEllipse(QPoint(int(rng.bounded(kWidth)), int(rng.bounded(kHeight))), 40 + int(rng.bounded(400)),
                      40 + int(rng.bounded(400)));
    }
    p.end();
    for (int y = 0; y < kHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const int d = int(rng.bounded(2 * grain + 1)) - grain;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + d, 0, 255), std::clamp(qGreen(c) + d, 0, 255),
                           std::clamp(qBlue(c) + d, 0, 255));
        }
    }
    return image;
}

QByteArray jpeg(const QImage &image, int quality = 85)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter w(&buffer, "jpeg");
    w.setQuality(quality);
    w.write(image);
    return bytes;
}

// A few distinct scans near 600 KB; the grain is found by halving.
QList<QByteArray> makeScans()
{
    int low = 0, high = 64;
    while (high - low > 1) {
        const int mid = (low + high) / 2;
        (jpeg(scan(1, mid)).size() < kTargetBytes ? low : high) = mid;
    }
    QList<QByteArray> scans;
    for (int i = 0; i < kDistinctScans; ++i)
        scans << jpeg(scan(quint32(i + 1), high));
    return scans;
}

// count picture files in folder: the scans in turn, each file made unique by
// a few bytes after the picture's end, which readers skip.
QStringList writeScans(const QString &folder, const QList<QByteArray> &scans, int count, qint64 *total)
{
    QDir().mkpath(folder);
    QStringList files;
    QRandomGenerator rng(20090410);
    for (int i = 0; i < count; ++i) {
        QByteArray bytes = scans.at(i % scans.size());
        for (int k = 0; k < 4; ++k)
            bytes.append(char(rng.bounded(256)));
        const QString path = QStringLiteral("%1/%2.jpg").arg(folder).arg(i, 3, 10, QLatin1Char('0'));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return {};
        files << path;
        *total += bytes.size();
    }
    return files;
}

// Waits for the maker's small pictures, noting the longest the event loop
// went without turning (what the user would see as a frozen window).
double waitForThumbnails(maker::BookMaker &pages, double *longestGapMs)
{
    QElapsedTimer t;
    t.start();
    if (pages.pendingThumbnails() > 0) {
        QEventLoop loop;
        QObject::connect(&pages, &maker::BookMaker::thumbnailsFinished, &loop, &QEventLoop::quit);
        QTimer heartbeat;
        heartbeat.setInterval(5);
        QElapsedTimer beat;
        beat.start();
        double longest = 0;
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            longest = std::max(longest, msSince(beat));
            beat.restart();
        });
        heartbeat.start();
        loop.exec();
        if (longestGapMs)
            *longestGapMs = longest;
    }
    return msSince(t);
}

bool saveFigure(const QString &templatePath, const QString &scratch, const QStringList &files, qint64 bytes)
{
    maker::BookMaker pages;
    pages.insertPictures(-1, files);
    waitForThumbnails(pages, nullptr);
    if (pages.rowCount() != files.size()) {
        say(QStringLiteral("6. the maker took %1 of %2 pictures").arg(pages.rowCount()).arg(files.size()));
        return false;
    }
    book::BookMeta meta;
    meta.title = QStringLiteral("bench");
    std::vector<double> saves, copies;
    for (int round = 0; round < kRounds; ++round) {
        const QString target = scratch + QStringLiteral("/made.lhh");
        const QString copy = scratch + QStringLiteral("/copy");
        ::sync();
        QElapsedTimer t;
        t.start();
        const auto outcome = pages.save(templatePath, target, meta);
        saves.push_back(outcome.kind == maker::BookMaker::SaveOutcome::Saved ? msSince(t) : -1);
        ::sync();
        t.restart();
        const int rc = QProcess::execute(QStringLiteral("/bin/cp"),
                                         {QStringLiteral("-r"), QFileInfo(files.first()).absolutePath(), copy});
        copies.push_back(rc == 0 ? msSince(t) : -1);
        QFile::remove(target);
        QDir(copy).removeRecursively();
    }
    if (*std::min_element(saves.begin(), saves.end()) < 0 || *std::min_element(copies.begin(), copies.end()) < 0) {
        say(QStringLiteral("6. the maker's save or the copy failed"));
        return false;
    }
    const double s = median(saves), c = median(copies), m = double(bytes) / 1e6;
    return verdict(QStringLiteral("6. save a %1-picture book from the maker (%2 MB)").arg(files.size()).arg(m, 0, 'f', 0),
                   QStringLiteral("median %1 ms, %2 MB/s").arg(s, 0, 'f', 0).arg(m / (s / 1000), 0, 'f', 0),
                   QStringLiteral("cp of the pictures %1 ms, %2 MB/s").arg(c, 0, 'f', 0).arg(m / (c / 1000), 0, 'f', 0),
                   s / c, QStringLiteral("<= 2.00 (half cp's throughput)"), s / c <= 2.0);
}

bool addFigure(const QStringList &files)
{
    // Baseline: the same files decoded whole, one after another.
    QElapsedTimer t;
    t.start();
    int decoded = 0;
    for (const QString &f : files)
        decoded += QImageReader(f).read().isNull() ? 0 : 1;
    const double whole = msSince(t);

    const qint64 before = statusBytes("VmRSS");
    resetPeak();
    double longestGap = 0;
    maker::BookMaker pages;
    t.restart();
    pages.insertPictures(-1, files);
    const double inserted = msSince(t);
    const double toLast = inserted + waitForThumbnails(pages, &longestGap);
    const qint64 peak = statusBytes("VmHWM");
    bool pass = verdict(QStringLiteral("7. add %1 scans of %2x%3 to the page list").arg(files.size()).arg(kWidth).arg(kHeight),
                        QStringLiteral("%1 ms to the last small picture (rows shown after %2 ms, event loop never "
                                       "waited more than %3 ms)")
                            .arg(toLast, 0, 'f', 0)
                            .arg(inserted, 0, 'f', 0)
                            .arg(longestGap, 0, 'f', 0),
                        QStringLiteral("decoding the %1 whole, one after another, %2 ms").arg(decoded).arg(whole, 0, 'f', 0),
                        toLast / whole, QStringLiteral("none (printed)"), pages.rowCount() == files.size());
    pass &= verdict(QStringLiteral("7. peak resident memory while adding"),
                    QStringLiteral("%1 (%2 more than before)").arg(mb(peak), mb(peak - before)),
                    QStringLiteral("%1 resident before").arg(mb(before)), double(peak) / double(kMemoryGoal),
                    QStringLiteral("< 400 MB"), peak > 0 && peak < kMemoryGoal);
    return pass;
}

bool exportFigure(const QString &appDir, const QString &templatePath, const QString &scratch, const QStringList &files)
{
    const QString bookPath = scratch + QStringLiteral("/export.lhh");
    book::BookMeta meta;
    meta.title = QStringLiteral("export");
    if (const db::Error e = book::writeBook(templatePath, bookPath, meta, files.mid(0, kExportPages))) {
        say(QStringLiteral("8. cannot make the book to export: %1").arg(e.message));
        return false;
    }
    QList<QByteArray> pages;
    for (int i = 0; i < kExportPages; ++i) {
        QFile f(files.at(i));
        f.open(QIODevice::ReadOnly);
        pages << f.readAll();
    }
    book::ReadingSession session(appDir);
    if (session.open(bookPath) != book::ReadingSession::OpenResult::Opened) {
        say(QStringLiteral("8. cannot open the book to export"));
        return false;
    }
    std::vector<double> exports, plain;
    int failures = 0;
    for (int round = 0; round < kRounds; ++round) {
        const QString outA = scratch + QStringLiteral("/export%1/").arg(round);
        const QString outB = scratch + QStringLiteral("/plain%1/").arg(round);
        QDir().mkpath(outB);
        ::sync();
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kExportPages; ++i) {
            QBuffer buffer(&pages[i]);
            buffer.open(QIODevice::ReadOnly);
            const QImage image = QImageReader(&buffer).read();
            QImageWriter w(outB + QString::number(i) + QStringLiteral(".jpg"), "jpeg");
            w.setQuality(80);
            w.write(image);
        }
        plain.push_back(msSince(t));
        ::sync();
        t.restart();
        QString folder;
        maker::PageExport::prepareFolder(outA, &folder);
        const QVector<qint32> numbers = session.pageNumbers();
        maker::PageExport run(folder, int(numbers.size()),
                              [&](int position) { return session.readPageBytes(numbers.at(position)); });
        while (!run.finished())
            failures += run.exportNext() ? 1 : 0;
        exports.push_back(msSince(t));
        QDir(outA).removeRecursively();
        QDir(outB).removeRecursively();
    }
    session.close();
    const double e = median(exports), b = median(plain);
    return verdict(QStringLiteral("8. export every page of a %1-page book of %2x%3 JPEG pages")
                       .arg(kExportPages)
                       .arg(kWidth)
                       .arg(kHeight),
                   QStringLiteral("median %1 ms, %2 ms a page (%3 failed)").arg(e, 0, 'f', 0).arg(e / kExportPages, 0, 'f', 1).arg(failures),
                   QStringLiteral("QImageReader + QImageWriter alone %1 ms").arg(b, 0, 'f', 0), e / b,
                   QStringLiteral("<= 1.50"), failures == 0 && e / b <= 1.5);
}

} // namespace

bool makerFigures(const QString &appDir, const QString &scratchDir)
{
    const QString scratch = scratchDir + QStringLiteral("/maker figures");
    const QString templatePath = appDir + QStringLiteral("/Korvel.tmp!");
    const QList<QByteArray> scans = makeScans();
    qint64 saveBytes = 0, addBytes = 0;
    const QStringList saveFiles = writeScans(scratch + QStringLiteral("/save"), scans, kSavePictures, &saveBytes);
    const QStringList addFiles = writeScans(scratch + QStringLiteral("/add"), scans, kAddPictures, &addBytes);
    if (saveFiles.size() != kSavePictures || addFiles.size() != kAddPictures) {
        say(QStringLiteral("cannot write the scans for the maker figures"));
        return false;
    }
    ::sync();
    say(QStringLiteral("maker figures: %1 distinct scans of %2x%3, %4 KB on average")
            .arg(scans.size())
            .arg(kWidth)
            .arg(kHeight)
            .arg(double(saveBytes) / kSavePictures / 1024, 0, 'f', 0));
    bool pass = saveFigure(templatePath, scratch, saveFiles, saveBytes);
    pass &= addFigure(addFiles);
    pass &= exportFigure(appDir, templatePath, scratch, saveFiles);
    QDir(scratch).removeRecursively();
    return pass;
}

} // namespace korvel::bench
