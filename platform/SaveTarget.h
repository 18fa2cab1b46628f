#pragma once

#include <QString>

namespace korvel::platform {

class MessageService;

// A save dialog asks before replacing the name as the user typed it. When the
// program then adds the chosen filter's extension ("pg0" becomes "pg0.jpg"),
// the file it writes is one the dialog never asked about: this asks about it,
// with the dialog's own question and title. True when the file may be
// written: the name is the one the dialog returned, nothing of that name
// exists, or the user said Yes.
bool mayReplace(MessageService &messages, const QString &dialogTitle, const QString &chosen,
                const QString &target);

// The save dialog's question about a file that exists, in the language the
// program runs in.
QString replaceQuestion(const QString &path);

} // namespace korvel::platform
