#pragma once

#include <QFile>
#include <QString>

namespace korvel::platform {

// Every file Korvel writes is made under a short hidden name beside its
// target, ".korvel.<process id>.<six letters>.part", whatever the target is
// called (so a target name of up to 255 bytes can be made), and takes the
// target's name only when it is whole. The process id tells a name a killed
// writer left from one still being written: sweepLeftovers() removes the
// former. Creates the file (the usual permissions, 0666 less the umask) and
// returns its descriptor, or -1 with errno set.
int createTemporaryIn(const QString &folder, QString *path);

// Removes what dead Korvel processes left in folder: the hidden files above
// and the staged next page of a reader (".read.tmp.<process id>.next"), each
// only when the process named in it no longer runs. Done once per folder in
// a process: at start-up for the application folder, at the first write
// into any other.
void sweepLeftovers(const QString &folder);

// Renames temporary onto target: with replace, whatever has that name (a
// link is replaced, never followed); without, only when the name is free.
// False with errno set otherwise.
bool moveIntoPlace(const QString &temporary, const QString &target, bool replace);

// A file written whole or not at all, and never through a link: the bytes
// go into a temporary file beside the target, and commit() renames it onto
// the target's name. With replace, a file, or a link, of that name is
// replaced itself (a link's target is never touched); without it, an
// existing name is refused and stays as it was.
class NewFile {
public:
    explicit NewFile(QString target);
    ~NewFile();
    NewFile(const NewFile &) = delete;
    NewFile &operator=(const NewFile &) = delete;

    bool open();
    QFile &file() { return m_file; }
    int handle() const { return m_file.handle(); }
    // Writes bytes at the end; false on a failure (error() says which).
    bool write(const QByteArray &bytes);
    bool commit(bool replace);
    void cancel();

    // Why the last step failed, with the target's path first: "the disk is
    // full", "already there", a folder that does not exist, or the system's
    // own reason.
    QString errorString() const { return m_error; }
    int error() const { return m_errno; }
    // Takes a failure of the system's (errno) as this file's.
    void failWith(int systemError);

private:
    QString m_target;
    QString m_temporary;
    QFile m_file;
    QString m_error;
    int m_errno = 0;
};

// The words for a failure of the system's while a file is written.
QString writeFailure(int systemError);

} // namespace korvel::platform
