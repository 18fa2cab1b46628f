// korvel-lhh: Korvel's books from a shell (korvel-lhh --help).
#include "platform/CommandLine.h"
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
    context.templatePath = QCoreApplication::applicationDirPath() + QStringLiteral("/Korvel.tmp!");
    context.showProgress = ::isatty(STDERR_FILENO) == 1;
    return korvel::tools::runBookTool(app.arguments().mid(1), context, out, err);
}
