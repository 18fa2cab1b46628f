#pragma once

#include <QImage>
#include <QString>

namespace korvel::maker {

struct GifResult {
    bool ok = false;
    QString error; // for the user: what could not be done, and why

    explicit operator bool() const { return ok; }
};

// Writes the picture as a single-frame GIF whose 256-colour palette is made by
// median cut. Transparent parts are laid on white first. Replaces any file at
// path only once the new one is complete: on failure an earlier file is left
// as it was and no new one appears.
GifResult writeGif(const QImage &image, const QString &path);

} // namespace korvel::maker
