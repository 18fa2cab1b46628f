#pragma once

#include <QProxyStyle>

namespace korvel::app {

// The program's style: the desktop's own, except that the tool bars'
// extension icons are read as the PNG pictures they are. Left to Qt, the
// first of them asks every image plugin whether it reads PNG, which loads all
// of them (SVG, WebP, TIFF and the rest, with their libraries) before the
// first page is on screen.
class QuietIconStyle final : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};

} // namespace korvel::app
