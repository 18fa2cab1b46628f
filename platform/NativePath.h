#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace korvel::platform {

// File names on disk are bytes, and those from Windows (archives, disks,
// shares) are often GBK rather than UTF-8. The program carries paths as
// readable text and turns them back into the bytes on disk where a file is
// opened.

// The path as text: each part that is UTF-8 as such, one that is not read as
// GBK (GB 18030), and bytes that are neither shown as U+FFFD.
QString readablePath(const QByteArray &native);

// The bytes of the file that path names: its UTF-8 form when that exists,
// otherwise each part that is missing is looked up in its folder among the
// names that read as that part (as readablePath() shows them, or, for one
// name alone, with the bytes that are not UTF-8 shown as U+FFFD, as the
// toolkit's file dialogs and dropped addresses do). The UTF-8 form when
// nothing matches, so the caller's open fails as for a missing file.
QByteArray nativePath(const QString &path);

// The command line as readablePath() shows each argument.
QStringList readableArguments(int argc, char **argv);

} // namespace korvel::platform
