#include "platform/FileLock.h"

#include "platform/NativePath.h"

#include <QFile>
#include <QFileInfo>
#include "platform/NewFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel::platform {

FileLock::~FileLock()
{
    release();
}

FileLock::Result FileLock::acquire(const QString &path)
{
    release();
    const QByteArray native = nativePath(path);
    if (native.isEmpty())
        return Result::Missing;
    int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? Result::Missing
               : errno == ENAMETOOLONG             ? Result::TooLong
                                                   : Result::Unreadable;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Result::NotAFile;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return Result::Held;
    }
    m_fd = fd;
    return Result::Ok;
}

void FileLock::release()
{
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
}

bool FileLock::isHeldElsewhere(const QString &path)
{
    FileLock probe;
    return probe.acquire(path) == Result::Held;
}

bool copyFileUnlessHeld(const QString &source, const QString &target)
{
    FileLock hold;
    if (hold.acquire(source) != FileLock::Result::Ok)
        return false;
    QFile in;
    if (!in.open(hold.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return false;
    if (QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath())
        return false;
    NewFile out(target);
    if (!out.open())
        return false;
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!out.write(QByteArray::fromRawData(buffer, int(n))))
            return false;
    }
    return out.commit(true);
}

} // namespace korvel::platform
