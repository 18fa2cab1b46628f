#pragma once

#include <QString>

namespace korvel::platform {

// An exclusive hold on a file, across this process and any other Korvel.
// The hold is an flock() on an open descriptor of the file, so a second hold
// of the same file fails even from the same process; it never writes the file.
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // TooLong: the path is longer than the system opens (4095 bytes, 255 a name).
    enum class Result { Ok, Missing, NotAFile, Held, Unreadable, TooLong };
    Result acquire(const QString &path);
    void release();
    bool isHeld() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    // True when some holder has the file: the probe takes and drops a hold.
    static bool isHeldElsewhere(const QString &path);

private:
    int m_fd = -1;
};

// Copies source to target, replacing target, unless source is held open.
// Writes through a temporary file beside the target so that a failed copy
// never leaves a half-written target in place of a good one.
bool copyFileUnlessHeld(const QString &source, const QString &target);

} // namespace korvel::platform
