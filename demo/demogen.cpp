// korvel-demogen <appDir>: writes the demo books, catalog, splash picture and
// offline advert page into the application folder. Run by the build.
#include "demo/DemoData.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "usage: korvel-demogen <application folder>\n";
        return 2;
    }
    QString error;
    if (!korvel::demo::generateDemo(args.at(1), &error)) {
        err << "korvel-demogen: " << error << '\n';
        return 1;
    }
    QTextStream(stdout) << "korvel-demogen: demo data written to " << args.at(1) << '\n';
    return 0;
}
