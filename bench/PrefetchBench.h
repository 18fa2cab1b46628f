#pragma once

namespace korvel::bench {

// Page turns with the pages around the one on screen decoded ahead: a turn
// at reading pace (the next page asked for 300 ms after the last) against
// the bare decode of that page at its shown size, a burst of turns (a held
// arrow key) against the same turns made the way they were before pages
// were decoded ahead (read the page, decode it, show it), and the resident
// memory over 1000 turns. Prints one line a figure; returns whether every
// goal was met.
bool prefetchFigures();

} // namespace korvel::bench
