// korvel-thumbnailer -s SIZE INPUT OUTPUT
//
// The desktop's file managers run it (through korvel.thumbnailer) for every
// .lhh book they show: it writes the book's first page, scaled to fit SIZE,
// as PNG at OUTPUT. A book or first page it cannot read leaves no OUTPUT and
// a non-zero exit, so the file manager shows its plain icon instead.
#include "platform/CommandLine.h"
#include "platform/NativePath.h"
#include "tools/Thumbnail.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QUrl>

#include <cstdio>

namespace {

const char kUsage[] = "Usage: korvel-thumbnailer -s SIZE INPUT OUTPUT\n"
                     "Writes the first page of the book INPUT (a path or a file:// address),\n"
                     "scaled to fit SIZE x SIZE pixels, as a PNG file at OUTPUT.\n"
                     "  --help      this text\n"
                     "  --version   the version\n";

int usage(const QString &problem)
{
    QTextStream err(stderr);
    err << "korvel-thumbnailer: " << problem << "\n" << kUsage;
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (const auto answered = korvel::platform::answerHelpOrVersion(argc, argv, "korvel-thumbnailer", kUsage))
        return *answered;
    QCoreApplication app(argc, argv);
    // Names are taken as their bytes are, GBK ones from Windows included.
    QStringList args = korvel::platform::readableArguments(argc, argv).mid(1);
    int size = 0;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("-s") || a == QLatin1String("--size")) {
            if (i + 1 >= args.size())
                return usage(QStringLiteral("-s needs a size"));
            bool ok = false;
            size = args.at(++i).toInt(&ok);
            if (!ok || size < 1 || size > 4096)
                return usage(QStringLiteral("the size must be a whole number from 1 to 4096"));
        } else if (a.startsWith(QLatin1String("-s")) && a.size() > 2) {
            bool ok = false;
            size = a.mid(2).toInt(&ok);
            if (!ok || size < 1 || size > 4096)
                return usage(QStringLiteral("the size must be a whole number from 1 to 4096"));
        } else {
            files << a;
        }
    }
    if (size == 0)
        return usage(QStringLiteral("no size given"));
    if (files.size() != 2)
        return usage(QStringLiteral("give one book and one output file"));
    QString input = files.at(0);
    if (input.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        input = korvel::platform::readablePath(
            QByteArray::fromPercentEncoding(QUrl(input).path(QUrl::FullyEncoded).toLatin1()));

    QTextStream err(stderr);
    const korvel::tools::Thumbnail thumb = korvel::tools::bookThumbnail(input, size);
    if (!thumb.ok()) {
        err << "korvel-thumbnailer: " << input << ": " << thumb.fault << "\n";
        return 1;
    }
    QString error;
    if (!korvel::tools::writeThumbnail(thumb.image, files.at(1), &error)) {
        err << "korvel-thumbnailer: " << files.at(1) << ": " << error << "\n";
        return 1;
    }
    return 0;
}
