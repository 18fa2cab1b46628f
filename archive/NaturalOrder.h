#pragma once

#include <QString>
#include <QStringList>

namespace korvel::archive {

// Scans are named the way people count: "page2" comes before "page10".
// Runs of digits compare by their value, everything else without regard to
// case; names equal that way are told apart by their plain text, so the
// order is total and the same on every run.
int naturalCompare(const QString &a, const QString &b);
inline bool naturalLess(const QString &a, const QString &b) { return naturalCompare(a, b) < 0; }
void naturalSort(QStringList &names);

} // namespace korvel::archive
