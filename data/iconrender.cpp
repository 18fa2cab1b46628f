// korvel-iconrender SVG SIZE OUT.png: the icon theme's fixed-size pictures,
// drawn from the project's own scalable icons at build time.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: korvel-iconrender SVG SIZE OUT.png\n");
        return 2;
    }
    QSvgRenderer svg(args.at(0));
    const int size = args.at(1).toInt();
    if (!svg.isValid() || size <= 0) {
        std::fprintf(stderr, "korvel-iconrender: cannot draw %s at %s pixels\n", qPrintable(args.at(0)),
                     qPrintable(args.at(1)));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    svg.render(&p);
    p.end();
    if (!image.save(args.at(2), "PNG")) {
        std::fprintf(stderr, "korvel-iconrender: cannot write %s\n", qPrintable(args.at(2)));
        return 1;
    }
    return 0;
}
