#pragma once

#include <QString>

namespace korvel::web {

// The file name a downloaded book gets from its title. The title comes from a
// web page, so it is made safe to be one name inside the target folder:
// "/", "\" and control characters become "_", so do the dots of ".." and
// leading dots (no hidden file, no way up), and blanks at either end go. A
// long title is cut, at a whole character, to kLongestTitleBytes of UTF-8,
// leaving room for "(n).lhh" and the writer's temporary name within the
// 255 bytes a file name may have. Empty when nothing is left.
QString safeFileTitle(const QString &title);
constexpr int kLongestTitleBytes = 200;

// folder + T.lhh; while that is taken, T(1).lhh, T(2).lhh, ... folder ends in
// "/". A name that is a dangling link counts as taken. Empty when the title
// leaves no name.
QString freeBookPath(const QString &folder, const QString &title);

} // namespace korvel::web
