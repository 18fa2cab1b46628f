#pragma once

#include <QString>

namespace korvel::bench {

// Start-up of the real program to the first page drawn, with and without
// "splash.png" in its folder, runs taking turns. Prints the figures and the
// verdict on the goal (at most 20 ms apart); true when it is met.
// program: the built executable, beside the rest of its folder; book: a book
// to open from the command line.
bool splashStartUp(const QString &program, const QString &book);

} // namespace korvel::bench
