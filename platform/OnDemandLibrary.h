#pragma once

#include <QString>

#include <initializer_list>
#include <utility>

namespace korvel::platform {

// A system library that only some commands need (comic archives, GIF
// pictures) is opened the first time one of them runs rather than with the
// program, which then starts without mapping it and what it depends on.
//
// Opens the library of this file name ("libgif.so.7") and resolves each
// named call into the pointer beside it. Empty on success; otherwise why
// not, and every pointer is left null. Loading the same library again is
// cheap: the dynamic loader keeps it.
QString openLibrary(const char *fileName, std::initializer_list<std::pair<const char *, void **>> calls);

} // namespace korvel::platform
