#pragma once

#include <QString>
#include <QStringList>

namespace korvel::app {

inline const QString kProductName = QStringLiteral("Korvel"); // string resource 1001

// Major, minor and revision joined by ".": 2009.4.10.
QString GetVersion();

// The book path on the command line: every argument after the program name
// joined with single blanks. When that names an existing file as it stands,
// it is the path; otherwise every double quote is removed. Empty: no book.
QString GetCommandPath(const QStringList &arguments);

// Window captions.
QString closedCaption();
QString openCaption(const QString &bookPath);

} // namespace korvel::app
