// korvel-site: the stand-in for the maker's web site, on 127.0.0.1.
//
//   korvel-site --generate BOOKS_DIR CONTENT_DIR   writes the site's pages from the books
//   korvel-site [--port N] CONTENT_DIR             serves them; prints "listening PORT"
#include "platform/CommandLine.h"
#include "site/SiteContent.h"
#include "site/SiteServer.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

const char kUsage[] =
    "Usage: korvel-site [--port N] CONTENT_DIR\n"
    "       korvel-site --generate BOOKS_DIR CONTENT_DIR\n"
    "The stand-in for the maker's web site. The first form serves CONTENT_DIR on\n"
    "127.0.0.1 (port N, or a free one) and prints \"listening PORT\"; the second\n"
    "writes the site's pages from the books in BOOKS_DIR into CONTENT_DIR.\n"
    "  --help      this text\n"
    "  --version   the version\n";

} // namespace

int main(int argc, char *argv[])
{
    if (const auto answered = korvel::platform::answerHelpOrVersion(argc, argv, "korvel-site", kUsage))
        return *answered;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args.at(0) == QLatin1String("--generate")) {
        QString error;
        if (!korvel::site::generateSite(args.at(1), args.at(2), &error)) {
            std::fprintf(stderr, "korvel-site: %s\n", qPrintable(error));
            return 1;
        }
        return 0;
    }
    quint16 port = 0;
    QString content;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--port") && i + 1 < args.size())
            port = quint16(args.at(++i).toUInt());
        else
            content = args.at(i);
    }
    if (content.isEmpty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    korvel::site::SiteServer server(content);
    if (!server.listen(port)) {
        std::fprintf(stderr, "korvel-site: cannot listen on 127.0.0.1:%u\n", unsigned(port));
        return 1;
    }
    std::printf("listening %u\n", unsigned(server.port()));
    std::fflush(stdout);
    // A terminating signal ends the program cleanly.
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        std::signal(s, [](int) { QCoreApplication::quit(); });
    return app.exec();
}
