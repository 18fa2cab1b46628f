#pragma once

#include <QByteArray>
#include <QString>

namespace korvel::platform {

// Writes bytes over path whole or not at all: into a hidden file beside it,
// renamed onto it when complete, so a reader never sees half of it. Unlike
// QSaveFile it does not wait for the disk: for files that are made again
// whenever they are lost (read.tmp, thumbnails), where that wait would be
// most of the cost of a page turn. Sets *error on failure, leaving path as
// it was and nothing beside it.
bool writeScratchFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Exchanges the two names in one step when to is a plain file (from then
// holds what to held); false, and nothing changes, otherwise.
bool swapWithFile(const QByteArray &from, const QByteArray &to);

} // namespace korvel::platform
