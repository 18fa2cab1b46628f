#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

namespace korvel::tools {

// korvel-lhh: books from a shell. Exit status 0 when the job is done (for
// verify: every page is sound), 1 when a book, archive, picture or output
// file failed (the reason is on err), 2 when the command line is wrong.
enum ExitCode { Success = 0, Failed = 1, Usage = 2 };

struct ToolContext {
    QString templatePath;      // the empty book new books start from
    bool showProgress = false; // long jobs count their pages on err
};

int runBookTool(const QStringList &args, const ToolContext &context, QTextStream &out, QTextStream &err);

// The --help text: a manual page in short.
QString bookToolManual();

} // namespace korvel::tools
