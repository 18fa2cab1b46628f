#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace korvel::app {

// The largest splash picture read, in pixels (64 MB once decoded). The size
// is read from the file's header first, so a larger claim costs nothing.
constexpr qint64 kMaxSplashPixels = qint64(4096) * 4096;

// The splash picture, cut to what the screen can show: its top-left part, at
// most screen in size (an empty screen size cuts nothing). A missing, empty,
// damaged or too large file gives a null image.
QImage readSplashPicture(const QString &path, const QSize &screen);

} // namespace korvel::app
