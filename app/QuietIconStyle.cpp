#include "app/QuietIconStyle.h"

#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>

namespace korvel::app {

QIcon QuietIconStyle::standardIcon(StandardPixmap icon, const QStyleOption *option, const QWidget *widget) const
{
    const char *name = icon == SP_ToolBarHorizontalExtensionButton ? "h"
                       : icon == SP_ToolBarVerticalExtensionButton ? "v"
                                                                   : nullptr;
    if (!name || QGuiApplication::isRightToLeft())
        return QProxyStyle::standardIcon(icon, option, widget);
    // Qt's own pictures, in the sizes Qt offers them.
    const QList<int> sizes = icon == SP_ToolBarHorizontalExtensionButton ? QList<int>{8, 16, 32} : QList<int>{5, 10, 20};
    QIcon read;
    for (int size : sizes) {
        QImageReader reader(QStringLiteral(":/qt-project.org/styles/commonstyle/images/toolbar-ext-%1-%2.png")
                                .arg(QLatin1String(name))
                                .arg(size),
                            "png");
        reader.setAutoDetectImageFormat(false);
        const QImage picture = reader.read();
        if (!picture.isNull())
            read.addPixmap(QPixmap::fromImage(picture));
    }
    return read.isNull() ? QProxyStyle::standardIcon(icon, option, widget) : read;
}

} // namespace korvel::app
