#include "bench/ThumbnailBench.h"

#include "bench/BenchSupport.h"
#include "book/BookWriter.h"
#include "tests/support/TestEnv.h"
#include "tools/Thumbnail.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>

namespace korvel::bench {

namespace {

constexpr int kRuns = 30;
constexpr int kSize = 256; // the desktop's "large" thumbnails

QByteArray coverPage()
{
    QImage image(1600, 2400, QImage::Format_RGB32);
    image.fill(QColor(236, 228, 210));
    QPainter p(&image);
    QRandomGenerator rng(20090410);
    for (int i = 0; i < 300; ++i) {
        p.setPen(QPen(QColor::fromHsv(rng.bounded(360), rng.bounded(200), rng.bounded(220)), 1 + rng.bounded(10)));
        p.drawLine(rng.bounded(1600), rng.bounded(2400), rng.bounded(1600), rng.bounded(2400));
    }
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.write(image);
    return bytes;
}

} // namespace

bool thumbnailFigures()
{
    test::TestEnv env;
    const QByteArray cover = coverPage();
    const QString picture = env.path(QStringLiteral("cover.jpg"));
    const QString book = env.path(QStringLiteral("cover.lhh"));
    {
        QFile f(picture);
        if (!f.open(QIODevice::WriteOnly) || f.write(cover) != cover.size())
            return false;
    }
    {
        book::BookWriter writer(env.appDir() + QStringLiteral("/Korvel.tmp!"), book);
        book::BookMeta meta;
        meta.title = QStringLiteral("cover");
        if (writer.begin(meta) || writer.addPage(cover) || writer.addPage(cover) || writer.commit())
            return false;
    }
    const QString out = env.path(QStringLiteral("thumb.png"));
    std::vector<double> thumbs, decodes;
    QSize made;
    for (int run = 0; run < kRuns + 3; ++run) {
        // The file manager names a new file each time.
        QFile::remove(out);
        QElapsedTimer t;
        t.start();
        const tools::Thumbnail thumb = tools::bookThumbnail(book, kSize);
        QString error;
        const bool written = thumb.ok() && tools::writeThumbnail(thumb.image, out, &error);
        const double thumbMs = msSince(t);
        if (!written) {
            say(QStringLiteral("T1. thumbnail failed: %1%2").arg(thumb.fault, error));
            return false;
        }
        made = thumb.image.size();
        t.start();
        QImageReader reader(picture);
        reader.setScaledSize(reader.size().scaled(kSize, kSize, Qt::KeepAspectRatio));
        const QImage decoded = reader.read();
        const double decodeMs = msSince(t);
        if (decoded.isNull())
            return false;
        if (run >= 3) {
            thumbs.push_back(thumbMs);
            decodes.push_back(decodeMs);
        }
    }
    const double thumbMs = median(thumbs), decodeMs = median(decodes);
    const bool pass = verdict(
        QStringLiteral("T1. cover thumbnail, first page 1600x2400 JPEG (%1 KB), %2 px").arg(cover.size() / 1024).arg(kSize),
        QStringLiteral("median %1 ms (book opened read-only, page read, decoded, %2x%3 PNG written)")
            .arg(thumbMs, 0, 'f', 2)
            .arg(made.width())
            .arg(made.height()),
        QStringLiteral("QImageReader scaled decode of the JPEG file %1 ms").arg(decodeMs, 0, 'f', 2), thumbMs / decodeMs,
        1.3);

    // The program as the file manager runs it, start to exit, for reference.
    const QString program = QStringLiteral(KORVEL_THUMBNAILER);
    std::vector<double> runs;
    for (int run = 0; run < 10; ++run) {
        QElapsedTimer t;
        t.start();
        QProcess p;
        p.start(program, {QStringLiteral("-s"), QString::number(kSize), book, out});
        if (!p.waitForFinished(30000) || p.exitCode() != 0)
            break;
        runs.push_back(msSince(t));
    }
    if (!runs.empty())
        say(QStringLiteral("   korvel-thumbnailer as a program, start to exit: median %1 ms over %2 runs")
                .arg(median(runs), 0, 'f', 1)
                .arg(runs.size()));
    return pass;
}

} // namespace korvel::bench
