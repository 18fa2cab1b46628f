#include "platform/NewFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <limits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel::platform {

int createTemporaryIn(const QString &folder, QString *path)
{
    sweepLeftovers(folder);
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const QString prefix = QDir(folder).absolutePath() + QStringLiteral("/.korvel.%1.").arg(::getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString suffix;
        for (int i = 0; i < 6; ++i)
            suffix += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))]);
        *path = prefix + suffix + QStringLiteral(".part");
        const int fd = ::open(QFile::encodeName(*path).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

void sweepLeftovers(const QString &folder)
{
    static QMutex mutex;
    static QSet<QString> swept;
    const QString where = QDir(folder).absolutePath();
    {
        QMutexLocker lock(&mutex);
        if (swept.contains(where))
            return;
        swept.insert(where);
    }
    static const QRegularExpression ours(
        QStringLiteral("^\\.(?:korvel\\.(\\d+)\\.[A-Za-z0-9]{6}\\.part|read\\.tmp\\.(\\d+)\\.next)$"));
    const QStringList names =
        QDir(where).entryList({QStringLiteral(".korvel.*"), QStringLiteral(".read.tmp.*")},
                              QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QRegularExpressionMatch m = ours.match(name);
        if (!m.hasMatch())
            continue;
        bool ok = false;
        const qint64 pid = (m.captured(1).isEmpty() ? m.captured(2) : m.captured(1)).toLongLong(&ok);
        if (!ok || pid <= 0 || pid > std::numeric_limits<pid_t>::max() || pid == ::getpid())
            continue;
        // Only a process that is gone: one that runs (ours or not) keeps its files.
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue;
        ::unlink(QFile::encodeName(where + QLatin1Char('/') + name).constData());
    }
}

QString writeFailure(int systemError)
{
    switch (systemError) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("the disk is full");
    case EEXIST:
        return QStringLiteral("already there");
    case ENOENT:
        return QStringLiteral("its folder does not exist");
    default:
        return QString::fromLocal8Bit(std::strerror(systemError));
    }
}

bool moveIntoPlace(const QString &temporary, const QString &target, bool replace)
{
    const QByteArray from = QFile::encodeName(temporary);
    const QByteArray to = QFile::encodeName(target);
    // rename() puts the new file under the name itself: a link there is
    // replaced, never followed. Without replace, the name must be free.
    int rc = replace ? ::rename(from.constData(), to.constData())
                     : ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    if (rc != 0 && !replace && errno == EINVAL) {
        // A file system that cannot rename without replacing: a hard link is as safe.
        rc = ::link(from.constData(), to.constData());
        if (rc == 0)
            ::unlink(from.constData());
    }
    return rc == 0;
}

NewFile::NewFile(QString target)
    : m_target(std::move(target))
{
}

NewFile::~NewFile()
{
    cancel();
}

void NewFile::failWith(int systemError)
{
    m_errno = systemError;
    m_error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_target), writeFailure(systemError));
}

bool NewFile::open()
{
    cancel();
    const int fd = createTemporaryIn(QFileInfo(m_target).absolutePath(), &m_temporary);
    if (fd < 0) {
        failWith(errno);
        m_temporary.clear();
        return false;
    }
    if (!m_file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        failWith(EIO);
        return false;
    }
    return true;
}

bool NewFile::write(const QByteArray &bytes)
{
    errno = 0;
    if (m_file.write(bytes) == bytes.size() && m_file.flush())
        return true;
    failWith(errno ? errno : EIO);
    return false;
}

bool NewFile::commit(bool replace)
{
    if (m_temporary.isEmpty())
        return false;
    errno = 0;
    if (!m_file.flush()) {
        failWith(errno ? errno : EIO);
        cancel();
        return false;
    }
    m_file.close();
    if (!moveIntoPlace(m_temporary, m_target, replace)) {
        failWith(errno);
        cancel();
        return false;
    }
    m_temporary.clear();
    return true;
}

void NewFile::cancel()
{
    m_file.close();
    if (!m_temporary.isEmpty()) {
        ::unlink(QFile::encodeName(m_temporary).constData());
        m_temporary.clear();
    }
}

} // namespace korvel::platform
