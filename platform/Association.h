#pragma once

#include <QString>

namespace korvel::platform {

// Binds *.lhh to the program the freedesktop way: a MIME type
// application/x-lhh under <dataHome>/mime/packages/ and a desktop entry
// korvel.desktop under <dataHome>/applications/ whose Exec is the program
// path with %f, and beside them the thumbnailer entry
// thumbnailers/korvel.thumbnailer, so file managers show every book's cover
// through korvel-thumbnailer in the program's folder. Checked at every start
// and a file rewritten only when its text differs from what it should hold;
// every failure is silent. With refreshCaches the desktop's MIME and
// application caches are rebuilt in the background when their file changed.
// True when a file was written.
bool writeFileAssociation(const QString &programPath, const QString &dataHome = QString(),
                          bool refreshCaches = true);

// The texts written, for callers that want to check them.
QString lhhMimeXml();
QString desktopEntry(const QString &programPath);
QString thumbnailerEntry(const QString &thumbnailerPath);
// The thumbnailer that comes with the program at programPath.
QString thumbnailerPath(const QString &programPath);

} // namespace korvel::platform
