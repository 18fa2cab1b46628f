#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace korvel::test {

// One entry of an archive made for a test: its name as stored (anything,
// "../x.jpg" included) and its bytes, followed by that many zero bytes.
struct ArchiveEntry {
    QString name;
    QByteArray bytes;
    qint64 zeros = 0;
};

// Writes an archive through libarchive: format "zip", "7zip" or "pax";
// with a passphrase the zip's entries are encrypted; each hard link (name,
// the entry it links to) follows the entries, without bytes of its own.
// False on any failure.
bool writeArchive(const QString &path, const char *format, const QList<ArchiveEntry> &entries,
                  const char *passphrase = nullptr, const QList<QPair<QString, QString>> &hardLinks = {});

} // namespace korvel::test
