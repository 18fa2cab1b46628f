// korvel-lhh: Korvel's books from a shell (korvel-lhh --help).
#include "platform/AppFolders.h"
#include "platform/CommandLine.h"
#include "platform/NativePath.h"
#include "tools/BookTool.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    // --help is the tool's own manual.
    if (const auto answered = korvel::platform::answerHelpOrVersion(argc, argv, "korvel-lhh", nullptr))
        return *answered;
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    korvel::tools::ToolContext context;
    context.templatePath = korvel::platform::locateAppFolders(QCoreApplication::applicationDirPath()).resourceDir
        + QStringLiteral("/Korvel.tmp!");
    context.showProgress = ::isatty(STDERR_FILENO) == 1;
    // Names are taken as their bytes are, GBK ones from Windows included.
    return korvel::tools::runBookTool(korvel::platform::readableArguments(argc, argv).mid(1), context, out, err);
}
