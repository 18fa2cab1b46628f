#include "bench/BenchSupport.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace korvel::bench {

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

QString list(const std::vector<double> &v, int decimals)
{
    QStringList parts;
    for (double x : v)
        parts << QString::number(x, 'f', decimals);
    return parts.join(QLatin1Char(' '));
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

bool verdict(const QString &what, const QString &measured, const QString &baseline, double ratio,
             const QString &goalText, bool pass)
{
    say(QStringLiteral("%1 | %2 | baseline %3 | ratio %4 | goal %5 | %6")
            .arg(what, measured, baseline, QString::number(ratio, 'f', 2), goalText,
                 pass ? QStringLiteral("PASS") : QStringLiteral("FAIL")));
    return pass;
}

bool verdict(const QString &what, const QString &measured, const QString &baseline, double ratio, double goal)
{
    return verdict(what, measured, baseline, ratio, QStringLiteral("<= ") + QString::number(goal, 'f', 2),
                   ratio <= goal);
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().simplified().split(' ');
    if (fields.size() < 2)
        return -1;
    return fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

qint64 statusBytes(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return -1;
}

void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

double megabytes(qint64 bytes)
{
    return double(bytes) / 1e6;
}

void waitForHelpersIn(const QString &folder, int timeoutMs)
{
    const QByteArray needle = QFile::encodeName(folder);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        bool busy = false;
        const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString &entry : entries) {
            bool isPid = false;
            entry.toInt(&isPid);
            if (!isPid)
                continue;
            QFile cmdline(QStringLiteral("/proc/") + entry + QStringLiteral("/cmdline"));
            if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(needle)) {
                busy = true;
                break;
            }
        }
        if (!busy)
            return;
        QThread::msleep(50);
    }
}

} // namespace korvel::bench
