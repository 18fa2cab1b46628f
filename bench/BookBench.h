#pragma once

#include <QString>

namespace korvel::bench {

// The book file figures, each beside a baseline measured in the same run:
// making a book of 100, 200 and 400 pictures against copying the same files
// with cp, and what the hardened connection costs a page read and the page
// list of a 2000-page book against one opened without it, and reading every
// page of a book without an index on its page numbers at two sizes. Works in
// scratchDir (removed again), takes the empty book from appDir; prints one
// result line per figure and returns whether every goal was met.
bool bookFigures(const QString &appDir, const QString &scratchDir);

} // namespace korvel::bench
