#include "platform/NativePath.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <dirent.h>
#include <sys/stat.h>

namespace korvel::platform {

namespace {

bool exists(const QByteArray &native)
{
    struct stat st {};
    return ::lstat(native.constData(), &st) == 0;
}

QString lossyName(const QByteArray &name)
{
    return QString::fromUtf8(name);
}

QString readableName(const QByteArray &name)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(name);
    if (!utf8.hasError())
        return text;
    QStringDecoder gbk("GB18030", QStringDecoder::Flag::Stateless);
    if (gbk.isValid()) {
        text = gbk.decode(name);
        if (!gbk.hasError() && !text.contains(QChar::ReplacementCharacter))
            return text;
    }
    return lossyName(name);
}

// The entry of folder whose name reads as part, or nothing.
QByteArray findEntry(const QByteArray &folder, const QString &part)
{
    DIR *dir = ::opendir(folder.isEmpty() ? "/" : folder.constData());
    if (!dir)
        return {};
    QByteArray found;
    QByteArray lossyMatch;
    int lossyMatches = 0;
    while (dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (readableName(name) == part) {
            found = name;
            break;
        }
        if (lossyName(name) == part) {
            lossyMatch = name;
            ++lossyMatches;
        }
    }
    ::closedir(dir);
    if (found.isEmpty() && lossyMatches == 1)
        found = lossyMatch;
    return found;
}

} // namespace

QString readablePath(const QByteArray &native)
{
    const QList<QByteArray> parts = native.split('/');
    QStringList text;
    text.reserve(parts.size());
    for (const QByteArray &part : parts)
        text << readableName(part);
    return text.join(QLatin1Char('/'));
}

QByteArray nativePath(const QString &path)
{
    const QByteArray plain = QFile::encodeName(path);
    if (plain.isEmpty() || exists(plain))
        return plain;
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path);
    QByteArray resolved;
    const QStringList parts = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size(); ++i) {
        const QString &part = parts.at(i);
        QByteArray next = resolved + '/' + QFile::encodeName(part);
        if (part != QLatin1String(".") && part != QLatin1String("..") && !exists(next)) {
            const QByteArray entry = findEntry(resolved, part);
            if (entry.isEmpty())
                return plain;
            next = resolved + '/' + entry;
        }
        resolved = next;
    }
    return resolved;
}

QStringList readableArguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << readablePath(QByteArray(argv[i]));
    return arguments;
}

} // namespace korvel::platform
