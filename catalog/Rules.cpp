#include "catalog/Rules.h"

#include "book/BookReader.h"
#include "db/Connection.h"
#include "platform/FileLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel::catalog {

QString nodeKey(const QString &className, qint64 classId)
{
    return className + QLatin1Char('-') + QString::number(classId);
}

qint64 classIdFromKey(const QString &key)
{
    const int dash = int(key.lastIndexOf(QLatin1Char('-')));
    if (dash < 0)
        return 0;
    bool ok = false;
    const qint64 id = key.mid(dash + 1).toLongLong(&ok);
    return ok ? id : 0;
}

QString booksFolder(const QString &appDir)
{
    return appDir + QStringLiteral("/books/");
}

QString categoryFolder(const QString &appDir, const QString &className)
{
    QString name = className;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QLatin1Char('\\'), QLatin1Char('_'));
    name.remove(QChar(0));
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        name.fill(QLatin1Char('_'));
    return booksFolder(appDir) + name;
}

QString withoutTrailingSeparator(const QString &folder)
{
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        return folder.chopped(1);
    return folder;
}

bool makeCategoryFolder(const QString &folder, QStringList *made)
{
    if (folder.isEmpty() || folder.contains(QChar(0)) || !QDir::isAbsolutePath(folder))
        return false;
    QStringList missing;
    for (QString f = QDir::cleanPath(folder); !QFileInfo::exists(f) && !QDir(f).isRoot(); f = QFileInfo(f).path())
        missing << f;
    QDir().mkpath(folder);
    if (made) {
        for (const QString &f : std::as_const(missing)) {
            if (QFileInfo(f).isDir())
                *made << f;
        }
    }
    return QFileInfo(folder).isDir();
}

void removeMadeFolders(const QStringList &made)
{
    for (const QString &f : made) {
        if (!QDir().rmdir(f))
            return;
    }
}

QString titlePattern(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

bool fileExists(const QString &path, int method)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return false;
    const QByteArray native = QFile::encodeName(path);
    switch (method) {
    case 0:
    case 2:
    case 3:
    case 4: {
        struct stat st {};
        return ::stat(native.constData(), &st) == 0;
    }
    case 1: {
        // Non-blocking, so a FIFO or a device cannot stall the list.
        const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            return false;
        struct stat st {};
        const bool file = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
        ::close(fd);
        return file;
    }
    default:
        return false;
    }
}

BookFileRead readBookFile(const QString &path)
{
    BookFileRead read;
    db::Connection book;
    if (book.open(path, db::Access::ReadOnly)) {
        read.outcome = BookFileRead::Outcome::OpenFailed;
        return read;
    }
    db::Error error;
    read.meta = book::readBookMeta(book, &error);
    read.outcome = error ? BookFileRead::Outcome::ReadFailed : BookFileRead::Outcome::Read;
    return read;
}

QString copyName(const QString &typed, const QString &type)
{
    if (type.isEmpty() || typed.contains(QLatin1Char('.') + type))
        return typed;
    return typed + QLatin1Char('.') + type;
}

bool saveCopy(const QString &source, const QString &target)
{
    if (source.isEmpty() || target.isEmpty())
        return false;
    // A book open in a reader is not replaced under it.
    if (QFileInfo::exists(target) && platform::FileLock::isHeldElsewhere(target))
        return false;
    return platform::copyFileUnlessHeld(source, target);
}

} // namespace korvel::catalog
