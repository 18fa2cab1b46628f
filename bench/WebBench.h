#pragma once

#include <QString>

namespace korvel::bench {

// The download figure: a 200-page book of about 600 KB pages from the
// stand-in site (its own program, korvel-site beside korvel, on 127.0.0.1),
// downloaded through the downloader's dialog, against fetching the same
// addresses one after another with a bare QNetworkAccessManager loop in the
// same run; and how the dialog kept up meanwhile: the progress lines it
// painted and the longest time the window could not take input. Works in
// scratchDir with the empty book and the catalog of appDir; prints one
// result line and returns whether the goal was met.
bool webFigures(const QString &appDir, const QString &scratchDir);

} // namespace korvel::bench
