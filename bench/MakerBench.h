#pragma once

#include <QString>

namespace korvel::bench {

// The maker and export figures, each beside a baseline measured in the same
// run: saving a 400-picture book from the maker's page list against cp of
// the pictures; adding 500 scans of 1600x2400 to the page list (time to the
// last small picture, the longest the event loop waited, and the peak
// resident memory) against decoding them whole; exporting every page of a
// 100-page book against decoding and encoding the same pages with
// QImageReader and QImageWriter alone. Works in scratchDir (removed again),
// takes the empty book from appDir; returns whether every goal was met.
bool makerFigures(const QString &appDir, const QString &scratchDir);

} // namespace korvel::bench
