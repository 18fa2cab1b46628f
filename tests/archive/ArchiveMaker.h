#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace korvel::test {

// One entry of an archive made for a test: its name as stored (anything,
// "../x.jpg" included) and its bytes, followed by that many zero bytes; or,
// naming another entry, a hard link to it without bytes of its own.
struct ArchiveEntry {
    QString name;
    QByteArray bytes;
    qint64 zeros = 0;
    QString hardLinkTo = {};
};

// Writes an archive through libarchive: format "zip", "7zip" or "pax";
// with a passphrase the zip's entries are encrypted. False on any failure.
bool writeArchive(const QString &path, const char *format, const QList<ArchiveEntry> &entries,
                  const char *passphrase = nullptr);

} // namespace korvel::test
