#include "platform/ScratchFile.h"

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

bool writeScratchFile(const QString &path, const QByteArray &bytes, QString *error)
{
    auto fail = [error](const QString &what) {
        if (error)
            *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    };
    const QFileInfo info(path);
    QByteArray temporary =
        QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return fail(path);
    // The usual permissions, as a plain new file gets them.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
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
    if (::close(fd) != 0 || ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        const int saved = errno;
        ::unlink(temporary.constData());
        errno = saved;
        return fail(path);
    }
    return true;
}

} // namespace korvel::platform
