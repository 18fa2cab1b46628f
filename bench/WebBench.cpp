#include "bench/WebBench.h"

#include "app/AppContext.h"
#include "app/web/DownloadDialog.h"
#include "bench/BenchSupport.h"
#include "tests/support/Fakes.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QWebEngineView>

#include <algorithm>
#include <unistd.h>
#include <vector>

namespace korvel::bench {

namespace {

constexpr int kPages = 200;
constexpr int kDistinct = 8;
constexpr qint64 kTargetBytes = 600 * 1024;
constexpr int kRounds = 5;
constexpr double kGoal = 0.70;

// A scanned-looking page: colour fields and grain, as JPEG.
QByteArray page(quint32 seed, int grain)
{
    QImage image(1200, 1700, QImage::Format_RGB32);
    QRandomGenerator rng(seed);
    QPainter p(&image);
    QLinearGradient g(0, 0, image.width(), image.height());
    g.setColorAt(0, QColor::fromHsv(int(seed * 41 % 360), 70, 235));
    g.setColorAt(1, QColor::fromHsv(int(seed * 97 % 360), 110, 140));
    p.fillRect(image.rect(), g);
    p.end();
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int d = int(rng.bounded(2 * grain + 1)) - grain;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + d, 0, 255), std::clamp(qGreen(c) + d, 0, 255),
                           std::clamp(qBlue(c) + d, 0, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(85);
    writer.write(image);
    return bytes;
}

int calibrate()
{
    int low = 0, high = 100;
    while (high - low > 1) {
        const int mid = (low + high) / 2;
        (page(1, mid).size() < kTargetBytes ? low : high) = mid;
    }
    return high;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The bare loop: each address fetched whole before the next is asked for.
// With a sink, what came is also written to it, and synced at the end.
double bareLoopMs(const QStringList &urls, qint64 *bytes, QFile *sink = nullptr)
{
    QNetworkAccessManager network;
    QElapsedTimer t;
    t.start();
    *bytes = 0;
    for (const QString &url : urls) {
        QNetworkReply *reply = network.get(QNetworkRequest(QUrl(url)));
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        const QByteArray answer = reply->readAll();
        *bytes += answer.size();
        if (sink)
            sink->write(answer);
        reply->deleteLater();
    }
    if (sink) {
        sink->flush();
        ::fsync(sink->handle());
    }
    return msSince(t);
}

struct DialogRun {
    double ms = 0;
    bool ok = false;
    int linesPainted = 0;     // distinct progress lines the dialog painted
    double longestPause = 0; // the longest the event loop was away, in ms
};

// The whole download as the user makes it: 下载 clicked to 完成 shown.
DialogRun dialogDownload(const app::AppContext &context, const QString &html, const QString &address,
                         const QString &title)
{
    DialogRun run;
    app::DownloadDialog dialog(context, html, address, 1, nullptr);
    dialog.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(title);
    // The user reads the dialog first: its advert is up before 下载 is clicked.
    auto *advert = dialog.findChild<QWebEngineView *>(QStringLiteral("WebBrowser1"));
    QEventLoop shown;
    QObject::connect(advert, &QWebEngineView::loadFinished, &shown, &QEventLoop::quit);
    QTimer::singleShot(15000, &shown, &QEventLoop::quit);
    dialog.show();
    shown.exec();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    auto *progress = dialog.findChild<QLabel *>(QStringLiteral("Label1_11"));
    auto *done = dialog.findChild<QPushButton *>(QStringLiteral("Command1"));
    QStringList painted;
    struct Watch final : QObject {
        QLabel *label;
        QStringList *painted;
        bool eventFilter(QObject *o, QEvent *e) override
        {
            if (o == label && e->type() == QEvent::Paint && (painted->isEmpty() || painted->last() != label->text()))
                *painted << label->text();
            return false;
        }
    } watch;
    watch.label = progress;
    watch.painted = &painted;
    progress->installEventFilter(&watch);

    QElapsedTimer beat;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        run.longestPause = std::max(run.longestPause, msSince(beat));
        beat.start();
    });

    QElapsedTimer t;
    t.start();
    beat.start();
    ticker.start();
    dialog.findChild<QPushButton *>(QStringLiteral("Command3"))->click();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done->isVisible() || !dialog.isBusy())
            loop.quit();
    });
    poll.start(1);
    loop.exec();
    run.ms = msSince(t);
    ticker.stop();
    run.ok = done->isVisible();
    QCoreApplication::processEvents(); // the last line's paint
    run.linesPainted = int(painted.size());
    return run;
}

} // namespace

bool webFigures(const QString &appDir, const QString &scratchDir)
{
    const QString siteProgram = QFileInfo(QStringLiteral(KORVEL_PROGRAM)).path() + QStringLiteral("/korvel-site");
    const QString content = scratchDir + QStringLiteral("/website");
    QElapsedTimer made;
    made.start();
    const int grain = calibrate();
    QList<QByteArray> pictures;
    for (int i = 0; i < kDistinct; ++i)
        pictures << page(quint32(i + 1), grain);
    QStringList pieces;
    qint64 total = 0;
    for (int i = 0; i < kPages; ++i) {
        pieces << QStringLiteral("bench/%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
        total += pictures.at(i % kDistinct).size();
        if (!writeFile(content + QStringLiteral("/lianupload/images/") + pieces.last(), pictures.at(i % kDistinct))) {
            say(QStringLiteral("download: cannot write the site's pictures"));
            return false;
        }
    }
    const QString html = QStringLiteral("<h1><a href=\"/\">《bench》</a></h1>\n<script>var PicList = \"%1\"; //图片列表\n</script>")
                             .arg(pieces.join(QLatin1Char(',')));
    writeFile(content + QStringLiteral("/Korvel/lhh/bench.html"), html.toUtf8());
    writeFile(content + QStringLiteral("/Korvel/DownRightAD.html"), QByteArrayLiteral("<html><body>Dalvane</body></html>"));
    // On the disk before anything is timed: what was written before would
    // otherwise go out with the first sync of a figure.
    ::sync();
    say(QStringLiteral("download site: %1 pages, average %2 KB, made in %3 s")
            .arg(kPages)
            .arg(total / kPages / 1024)
            .arg(made.elapsed() / 1000.0, 0, 'f', 1));

    // The site in a process of its own, as the maker's server would be.
    QProcess site;
    site.start(siteProgram, {content});
    if (!site.waitForReadyRead(10000)) {
        say(QStringLiteral("download: %1 did not start").arg(siteProgram));
        return false;
    }
    const QString root = QStringLiteral("http://127.0.0.1:%1/").arg(QString::fromLatin1(site.readLine()).section(' ', 1).trimmed());
    QStringList urls;
    for (const QString &piece : pieces)
        urls << root + QStringLiteral("lianupload/images/") + piece;

    test::FakeMessages messages;
    test::FakeDialogs dialogs;
    test::FakeShell shell;
    app::AppContext context;
    context.appDir = appDir;
    context.messages = &messages;
    context.dialogs = &dialogs;
    context.shell = &shell;
    context.siteRoot = root;
    context.isConnected = [] { return false; };

    qint64 fetched = 0;
    bareLoopMs(urls.mid(0, 10), &fetched); // connections and caches warm for both
    std::vector<double> bare, synced, dialogMs, pauses;
    std::vector<int> lines;
    bool ok = true;
    for (int round = 0; round < kRounds; ++round) {
        bare.push_back(bareLoopMs(urls, &fetched));
        ok = ok && fetched == total;
        {
            QFile sink(scratchDir + QStringLiteral("/fetched.bin"));
            sink.open(QIODevice::WriteOnly | QIODevice::Truncate);
            synced.push_back(bareLoopMs(urls, &fetched, &sink));
            sink.remove();
        }
        const DialogRun run = dialogDownload(context, html, root + QStringLiteral("Korvel/lhh/bench.html"),
                                             QStringLiteral("bench %1").arg(round));
        ok = ok && run.ok;
        dialogMs.push_back(run.ms);
        pauses.push_back(run.longestPause);
        lines.push_back(run.linesPainted);
        QFile::remove(appDir + QStringLiteral("/books/bench %1.lhh").arg(round));
    }
    site.terminate();
    site.waitForFinished(5000);
    for (const auto &m : messages.shown)
        say(QStringLiteral("   message: %1").arg(m.text));

    const double mb = double(total) / (1024 * 1024);
    const double bareRate = mb / (median(bare) / 1000);
    const double downloadRate = mb / (median(dialogMs) / 1000);
    const double ratio = downloadRate / bareRate;
    const bool pass = ok && ratio >= kGoal;
    verdict(QStringLiteral("download a %1-page book (%2 MB) through the dialog").arg(kPages).arg(mb, 0, 'f', 0),
            QStringLiteral("median %1 ms, %2 MB/s").arg(median(dialogMs), 0, 'f', 0).arg(downloadRate, 0, 'f', 0),
            QStringLiteral("bare fetch loop %1 ms, %2 MB/s").arg(median(bare), 0, 'f', 0).arg(bareRate, 0, 'f', 0),
            ratio, QStringLiteral(">= %1 of the bare loop's throughput").arg(kGoal, 0, 'f', 2), pass);
    say(QStringLiteral("   download (ms): %1; bare loop (ms): %2%3")
            .arg(list(dialogMs, 0), list(bare, 0), ok ? QString() : QStringLiteral("; a run failed")));
    // What keeping the pictures costs at the least: the disk's part.
    say(QStringLiteral("   for scale: the bare loop writing what came to one file and syncing it %1 ms (ratio %2 to the "
                       "bare loop's throughput); download against that %3")
            .arg(median(synced), 0, 'f', 0)
            .arg(median(bare) / median(synced), 0, 'f', 2)
            .arg(median(synced) / median(dialogMs), 0, 'f', 2));
    QStringList painted;
    for (int n : lines)
        painted << QString::number(n);
    say(QStringLiteral("   the dialog meanwhile: progress lines painted %1 of %2; longest pause of the event loop %3 ms")
            .arg(painted.join(QLatin1Char(' ')))
            .arg(kPages)
            .arg(list(pauses, 1)));
    return pass;
}

} // namespace korvel::bench
