#include "platform/ScratchFile.h"

#include "platform/NewFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel::platform {

bool swapWithFile(const QByteArray &from, const QByteArray &to)
{
    // Only ever with a plain file: a folder or a link in the way stays where it is.
    struct stat there;
    if (::lstat(to.constData(), &there) != 0 || !S_ISREG(there.st_mode))
        return false;
    return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) == 0;
}

bool writeScratchFile(const QString &path, const QByteArray &bytes, QString *error)
{
    auto fail = [error](const QString &what) {
        if (error)
            *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    };
    QString temporaryPath;
    const int fd = createTemporaryIn(QFileInfo(path).absolutePath(), &temporaryPath);
    if (fd < 0)
        return fail(path);
    const QByteArray temporary = QFile::encodeName(temporaryPath);
    const char *at = bytes.constData();
    for (qint64 left = bytes.size(); left > 0;) {
        const ssize_t n = ::write(fd, at, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int saved = errno;
            ::close(fd);
            ::unlink(temporary.constData());
            errno = saved;
            return fail(path);
        }
        at += n;
        left -= n;
    }
    if (::close(fd) != 0) {
        const int saved = errno;
        ::unlink(temporary.constData());
        errno = saved;
        return fail(path);
    }
    // Swapped with the file that is there, which then goes: a rename over an
    // existing file makes ext4 write the new one out at once, a wait as long
    // as the sync this avoids. Where there is nothing to swap with, or the
    // file system cannot swap, a plain rename.
    const QByteArray target = QFile::encodeName(path);
    if (swapWithFile(temporary, target)) {
        ::unlink(temporary.constData());
        return true;
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        const int saved = errno;
        ::unlink(temporary.constData());
        errno = saved;
        return fail(path);
    }
    return true;
}

} // namespace korvel::platform
