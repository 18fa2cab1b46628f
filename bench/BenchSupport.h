#pragma once

#include <QElapsedTimer>
#include <QString>

#include <vector>

namespace korvel::bench {

// What every figure of the benchmark is printed with.
void say(const QString &line);
double median(std::vector<double> v);
QString list(const std::vector<double> &v, int decimals = 1);
double msSince(const QElapsedTimer &t);

// One result line: what, the measured value, the baseline, their ratio, the
// goal, the verdict. Returns pass.
bool verdict(const QString &what, const QString &measured, const QString &baseline, double ratio,
             const QString &goalText, bool pass);
// The common case: the ratio may be at most goal.
bool verdict(const QString &what, const QString &measured, const QString &baseline, double ratio, double goal);

// Memory of this process: resident now, or a field of /proc/self/status in
// bytes ("VmRSS", "VmHWM"); resetPeak() starts VmHWM again from now.
qint64 residentBytes();
qint64 statusBytes(const char *field);
void resetPeak();
double megabytes(qint64 bytes);

// The program refreshes the desktop's caches with helpers it does not wait
// for; a temporary folder is only removed once none of them works in it.
void waitForHelpersIn(const QString &folder, int timeoutMs = 15000);

} // namespace korvel::bench
