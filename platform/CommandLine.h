#pragma once

#include <optional>

namespace korvel::platform {

// --help and --version, answered alike by every Korvel program before it
// does anything else (no window, no server): the usage text, or the program
// name and version, on standard output. Returns the exit code (0) when one
// of them was asked for, nothing otherwise. With onlyAlone set they count
// only as the sole argument, where any other command line means a file.
// A null usage leaves --help to the program.
std::optional<int> answerHelpOrVersion(int argc, const char *const *argv, const char *program, const char *usage,
                                       bool onlyAlone = false);

// The version every program reports, the project's own ("2009.4.10").
const char *korvelVersion();

} // namespace korvel::platform
