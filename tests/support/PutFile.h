#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace korvel::test {

// Writes bytes to a new (or emptied) file at path; false when it cannot.
inline bool putFile(const QString &path, const QByteArray &bytes = {})
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace korvel::test
