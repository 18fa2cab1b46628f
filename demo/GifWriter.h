#pragma once

#include <QImage>
#include <QString>

namespace korvel::demo {

// Writes the picture as a single-frame GIF with a 256-colour palette made by
// median cut. Transparent parts are laid on white first. Replaces any file at
// path; on failure nothing is left there and the result is false.
bool writeGif(const QImage &image, const QString &path);

} // namespace korvel::demo
