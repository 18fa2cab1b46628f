#include "platform/SaveTarget.h"

#include "platform/Services.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace korvel::platform {

QString replaceQuestion(const QString &path)
{
    // The same text, and so the same translation, as the file dialog's own.
    return QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?")
        .arg(QFileInfo(path).fileName());
}

bool mayReplace(MessageService &messages, const QString &dialogTitle, const QString &chosen, const QString &target)
{
    if (target == chosen)
        return true;
    const QFileInfo info(target);
    // A dangling link is a name too: writing there would go wherever it points.
    if (!info.exists() && !info.isSymLink())
        return true;
    return messages.information(dialogTitle, replaceQuestion(target), MessageService::Buttons::YesNo)
        == MessageService::Answer::Yes;
}

} // namespace korvel::platform
