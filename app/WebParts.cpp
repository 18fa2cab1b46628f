#include "app/WebParts.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

#include <dlfcn.h>

namespace korvel::app {

namespace {

constexpr char kEntry[] = "korvelMakeWebParts";

// Loading the engine from a library tells, on stderr, that it would rather
// have been set up before the application: it is set up by the library
// itself, on purpose, so those two lines are not passed on.
QtMessageHandler g_previousHandler = nullptr;

void quietLoadHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("Qt WebEngine seems to be initialized from a plugin"))
        || message.startsWith(QLatin1String("Attribute Qt::AA_ShareOpenGLContexts must be set before")))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

KorvelMakeWebParts *findEntry(QString *why)
{
    // Linked in (the tests): it is there already.
    if (void *linked = dlsym(RTLD_DEFAULT, kEntry))
        return reinterpret_cast<KorvelMakeWebParts *>(linked);
    const QString programDir = QCoreApplication::applicationDirPath();
    // Beside the program in the build's application folder; installed, in
    // the program's own folder under the library folder.
    const QStringList candidates{
        programDir + QStringLiteral("/" KORVEL_WEB_PARTS_FILE),
        QDir::cleanPath(programDir + QStringLiteral("/" KORVEL_BIN_TO_LIB "/korvel/" KORVEL_WEB_PARTS_FILE)),
    };
    QString reasons;
    for (const QString &file : candidates) {
        if (!QFile::exists(file))
            continue;
        QLibrary library(file);
        library.setLoadHints(QLibrary::ExportExternalSymbolsHint);
        if (auto *entry = reinterpret_cast<KorvelMakeWebParts *>(library.resolve(kEntry)))
            return entry;
        reasons = library.errorString();
    }
    *why = reasons.isEmpty() ? QStringLiteral("找不到网页部件（%1）。").arg(QStringLiteral(KORVEL_WEB_PARTS_FILE))
                             : reasons;
    return nullptr;
}

} // namespace

WebParts *makeWebParts(const AppContext &context, QWidget *owner, QString *why)
{
    g_previousHandler = qInstallMessageHandler(quietLoadHandler);
    KorvelMakeWebParts *entry = findEntry(why);
    WebParts *parts = entry ? entry(context, owner) : nullptr;
    qInstallMessageHandler(g_previousHandler);
    return parts;
}

} // namespace korvel::app
