#pragma once

namespace korvel::bench {

// The desktop's cover of a book whose first page is a 1600x2400 JPEG,
// against decoding that page to the same size with QImageReader alone, in
// the same run. Prints one line a figure; returns whether the goal was met.
bool thumbnailFigures();

} // namespace korvel::bench
