#pragma once

#include <QString>

namespace korvel::bench {

// The library figures, each beside a baseline measured in the same run:
// filling the book list with a category of 10,000 records (half of their
// files there) against the bare query and existence tests; a title search
// over 100,000 records to the filled list against the bare search query; the
// category tree of 2,000 categories five levels deep against the statements
// the tree fill would issue one category at a time; and the longest of these
// fills, as the time the window cannot take input. Works in scratchDir,
// takes the empty book from appDir; prints one result line per figure and
// returns whether every goal was met.
bool catalogFigures(const QString &appDir, const QString &scratchDir);

} // namespace korvel::bench
