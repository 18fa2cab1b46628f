#include "bench/BookBench.h"

#include "bench/BenchSupport.h"

#include "book/BookReader.h"
#include "book/BookWriter.h"
#include "db/Connection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <unistd.h>

namespace korvel::bench {

namespace {

constexpr int kPictures = 400;
constexpr qint64 kPictureBytes = 600 * 1024;
constexpr int kWriteRounds = 5;
constexpr int kListPages = 2000;
constexpr int kReadRounds = 16;

// Pictures as the encoder leaves them: bytes without pattern, so nothing on
// the way can make them smaller. Sizes vary a little around 600 KB.
bool writePictures(const QString &folder, QStringList *files, qint64 *total)
{
    QRandomGenerator rng(20090410);
    QDir().mkpath(folder);
    for (int i = 0; i < kPictures; ++i) {
        QByteArray bytes(int(kPictureBytes - 32 * 1024 + rng.bounded(64 * 1024)), Qt::Uninitialized);
        rng.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        const QString path = QStringLiteral("%1/%2.jpg").arg(folder).arg(i, 3, 10, QLatin1Char('0'));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return false;
        *files << path;
        *total += bytes.size();
    }
    return true;
}

// A folder holding the first count pictures, as links to the same files, so
// cp copies exactly what the writer stores.
bool linkFolder(const QString &folder, const QStringList &files, int count)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        const QString link = folder + QLatin1Char('/') + QFileInfo(files.at(i)).fileName();
        if (::link(QFile::encodeName(files.at(i)).constData(), QFile::encodeName(link).constData()) != 0)
            return false;
    }
    return true;
}

// cp's time, and in *synced its time with the copy also on the disk, which
// the book writer waits for before the book takes its name.
double copyMs(const QString &from, const QString &to, double *synced)
{
    QElapsedTimer t;
    t.start();
    const int rc = QProcess::execute(QStringLiteral("/bin/cp"), {QStringLiteral("-r"), from, to});
    const double ms = msSince(t);
    ::sync();
    *synced = msSince(t);
    return rc == 0 ? ms : -1;
}

double writeMs(const QString &templatePath, const QString &target, const QStringList &files)
{
    book::BookMeta meta;
    meta.title = QStringLiteral("bench");
    QElapsedTimer t;
    t.start();
    const db::Error e = book::writeBook(templatePath, target, meta, files);
    const double ms = msSince(t);
    if (e)
        say(QStringLiteral("   write failed: %1").arg(e.message));
    return e ? -1 : ms;
}

// Making books against copying the pictures with cp, rounds taking turns so
// both see the same machine and the same file caches.
bool writingFigures(const QString &templatePath, const QString &scratch, const QStringList &files)
{
    bool pass = true;
    double perPage100 = 0, perPage400 = 0;
    for (int count : {100, 200, 400}) {
        const QString source = scratch + QStringLiteral("/pictures%1").arg(count);
        if (!linkFolder(source, files, count)) {
            say(QStringLiteral("cannot link the pictures for %1 pages").arg(count));
            return false;
        }
        qint64 bytes = 0;
        for (int i = 0; i < count; ++i)
            bytes += QFileInfo(files.at(i)).size();
        std::vector<double> writes, copies, copiesSynced;
        for (int round = 0; round < kWriteRounds; ++round) {
            const QString book = scratch + QStringLiteral("/book.lhh");
            const QString copy = scratch + QStringLiteral("/copy");
            // Each starts with nothing waiting to be written, so neither is
            // slowed down by the disk catching up with the other.
            ::sync();
            writes.push_back(writeMs(templatePath, book, files.mid(0, count)));
            ::sync();
            double synced = 0;
            copies.push_back(copyMs(source, copy, &synced));
            copiesSynced.push_back(synced);
            QFile::remove(book);
            QDir(copy).removeRecursively();
        }
        if (*std::min_element(writes.begin(), writes.end()) < 0 || *std::min_element(copies.begin(), copies.end()) < 0) {
            say(QStringLiteral("cannot make or copy the %1-page book").arg(count));
            return false;
        }
        const double w = median(writes), c = median(copies), cs = median(copiesSynced);
        const double mb = double(bytes) / 1e6;
        pass &= verdict(QStringLiteral("5. make a %1-page book (%2 MB of pictures)").arg(count).arg(mb, 0, 'f', 0),
                        QStringLiteral("median %1 ms with the book synced to disk, %2 MB/s, %3 ms a page")
                            .arg(w, 0, 'f', 0)
                            .arg(mb / (w / 1000), 0, 'f', 0)
                            .arg(w / count, 0, 'f', 2),
                        QStringLiteral("cp of the pictures %1 ms, %2 MB/s (with the copy synced %3 ms, ratio %4)")
                            .arg(c, 0, 'f', 0)
                            .arg(mb / (c / 1000), 0, 'f', 0)
                            .arg(cs, 0, 'f', 0)
                            .arg(w / cs, 0, 'f', 2),
                        // The goal is the 400-picture book's; the smaller
                        // ones are printed to show the growth, where the
                        // writer's one sync to disk weighs more.
                        w / c,
                        count == kPictures ? QStringLiteral("<= 2.00 (half cp's throughput)")
                                           : QStringLiteral("none (printed for the growth)"),
                        count != kPictures || w / c <= 2.0);
        if (count == 100)
            perPage100 = w / count;
        if (count == 400)
            perPage400 = w / count;
        QDir(source).removeRecursively();
    }
    const double growth = perPage400 / perPage100;
    pass &= verdict(QStringLiteral("5. growth, 400 pages against 100"),
                    QStringLiteral("%1 ms a page").arg(perPage400, 0, 'f', 2),
                    QStringLiteral("%1 ms a page at 100").arg(perPage100, 0, 'f', 2), growth,
                    QStringLiteral("<= 1.50 (linear)"), growth <= 1.5);
    return pass;
}

// One timed read per connection in turn, the order swapped every time, so
// neither side gets the warmer caches.
template<typename Read>
void interleave(db::Connection &hardened, db::Connection &plain, int times, Read read, std::vector<double> *onHardened,
                std::vector<double> *onPlain)
{
    for (int i = 0; i < times; ++i) {
        for (int side = 0; side < 2; ++side) {
            const bool first = (side == 0) == (i % 2 == 0);
            db::Connection &c = first ? hardened : plain;
            QElapsedTimer t;
            t.start();
            read(c, i);
            (first ? onHardened : onPlain)->push_back(msSince(t));
        }
    }
}

bool hardeningFigures(const QString &templatePath, const QString &scratch, const QStringList &files)
{
    // A 2000-page book and a copy of it: one is read hardened, the other not,
    // both from the file cache.
    const QString book = scratch + QStringLiteral("/two thousand.lhh");
    const QString copy = scratch + QStringLiteral("/two thousand copy.lhh");
    {
        book::BookWriter writer(templatePath, book);
        bool ok = !writer.begin({});
        for (int i = 0; ok && i < kListPages; ++i)
            ok = !writer.addPageFile(files.at(i % files.size()));
        if (!ok || writer.commit() || !QFile::copy(book, copy)) {
            say(QStringLiteral("cannot make the 2000-page book"));
            return false;
        }
    }
    bool pass = true;
    std::vector<double> listH, listP, pageH, pageP;
    QVector<qint32> numbers;
    db::Options unguarded;
    unguarded.hardened = false;
    for (int round = 0; round < kReadRounds; ++round) {
        // The two files swap roles every round, so a difference between
        // them cannot pass for the hardening's cost.
        db::Connection hardened, plain;
        const bool swap = round % 2 == 1;
        if (hardened.open(swap ? copy : book, db::Access::ReadOnly)
            || plain.open(swap ? book : copy, db::Access::ReadOnly, unguarded)) {
            say(QStringLiteral("cannot open the 2000-page book"));
            return false;
        }
        interleave(hardened, plain, 20, [&](db::Connection &c, int) { book::readPageNumbers(c, &numbers); }, &listH,
                   &listP);
        interleave(hardened, plain, 40,
                   [&](db::Connection &c, int i) { book::readPage(c, (round * 40 + i) * 7 % kListPages); }, &pageH,
                   &pageP);
    }
    const double lh = median(listH), lp = median(listP), ph = median(pageH), pp = median(pageP);
    pass &= verdict(QStringLiteral("6. page list of a 2000-page book, hardened"),
                    QStringLiteral("median %1 ms over %2 reads").arg(lh, 0, 'f', 3).arg(listH.size()),
                    QStringLiteral("not hardened %1 ms").arg(lp, 0, 'f', 3), lh / lp, QStringLiteral("<= 1.05"),
                    lh / lp <= 1.05);
    pass &= verdict(QStringLiteral("6. page read out of the book (about 600 KB), hardened"),
                    QStringLiteral("median %1 ms over %2 reads").arg(ph, 0, 'f', 3).arg(pageH.size()),
                    QStringLiteral("not hardened %1 ms").arg(pp, 0, 'f', 3), ph / pp, QStringLiteral("<= 1.05"),
                    ph / pp <= 1.05);
    QFile::remove(book);
    QFile::remove(copy);
    return pass;
}

// A book as another program may write it: no index on the page numbers.
bool writePlainBook(const QString &path, int pages)
{
    QFile::remove(path);
    const QString blob = QStringLiteral("x'") + QString(200, QLatin1Char('5')) + QLatin1Char('\'');
    if (db::Connection::createFile(path, {QStringLiteral("CREATE TABLE books (booknumber INTEGER, title TEXT)"),
                                          QStringLiteral("CREATE TABLE pages (pagenumber INTEGER, image BLOB)"),
                                          QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 0 UNION ALL SELECT x + 1 "
                                                         "FROM n WHERE x < %1) INSERT INTO pages SELECT %1 - x, %2 "
                                                         "FROM n")
                                              .arg(pages - 1)
                                              .arg(blob)}))
        return false;
    return true;
}

// Milliseconds to read every page of path, by row or (byNumber) the old way.
double readEveryPageMs(const QString &path, bool byNumber)
{
    db::Connection book;
    QElapsedTimer t;
    t.start();
    book::PageList list;
    if (book.open(path, db::Access::ReadOnly) || book::readPageList(book, &list))
        return -1;
    for (int i = 0; i < list.numbers.size(); ++i) {
        if (byNumber)
            book::readPage(book, list.numbers.at(i));
        else
            book::readListedPage(book, list, i);
    }
    return msSince(t);
}

bool plainBookFigures(const QString &scratch)
{
    const QString half = scratch + QStringLiteral("/plain 8000.lhh"), whole = scratch + QStringLiteral("/plain 16000.lhh");
    if (!writePlainBook(half, 8000) || !writePlainBook(whole, 16000)) {
        say(QStringLiteral("cannot make the books without an index"));
        return false;
    }
    const double byNumber = readEveryPageMs(half, true);
    const double h = readEveryPageMs(half, false), w = readEveryPageMs(whole, false);
    say(QStringLiteral("   8000 pages found by number, one table scan each: %1 ms").arg(byNumber, 0, 'f', 0));
    return verdict(QStringLiteral("7. every page of a 16000-page book without an index"),
                   QStringLiteral("%1 ms").arg(w, 0, 'f', 1), QStringLiteral("8000 pages %1 ms").arg(h, 0, 'f', 1),
                   w / h, QStringLiteral("<= 2.2"), w / h <= 2.2);
}

} // namespace

bool bookFigures(const QString &appDir, const QString &scratchDir)
{
    const QString scratch = scratchDir + QStringLiteral("/book figures");
    const QString templatePath = appDir + QStringLiteral("/Korvel.tmp!");
    QStringList files;
    qint64 total = 0;
    if (!writePictures(scratch + QStringLiteral("/pictures"), &files, &total)) {
        say(QStringLiteral("cannot write the pictures for the book figures"));
        return false;
    }
    // On disk before anything is timed, so the kernel is not still writing them meanwhile.
    ::sync();
    say(QStringLiteral("book figures: %1 pictures of random bytes, %2 MB in all")
            .arg(files.size())
            .arg(double(total) / 1e6, 0, 'f', 0));
    bool pass = writingFigures(templatePath, scratch, files);
    pass &= hardeningFigures(templatePath, scratch, files);
    pass &= plainBookFigures(scratch);
    QDir(scratch).removeRecursively();
    return pass;
}

} // namespace korvel::bench
