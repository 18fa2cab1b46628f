#pragma once

#include <QString>

namespace korvel::db {

// What went wrong, as a value. code is the engine's result code (extended
// when the engine gives one) or one of the negative codes below, which the
// engine never uses; 0 means no error, so `if (error)` reads naturally.
struct Error {
    int code = 0;
    QString message;       // for logs and the command-line tools, in English
    int systemError = 0;   // errno of a failed system call, when one failed
    explicit operator bool() const { return code != 0; }
};

// Our own codes, for failures that happen outside the engine.
enum Code : int {
    NoSuchFile = -1,        // the path names nothing
    NotAFile = -2,          // a folder or a device
    Held = -3,              // open in a Korvel connection, here or in another process
    Unreadable = -4,        // no permission or an I/O failure before the engine saw it
    NotADatabase = -5,      // empty, cut off or foreign bytes
    NotOpen = -6,           // the connection was never opened or has been closed
    MoreThanOneStatement = -7,
    FileFailed = -8,        // copying, reading, syncing or renaming a file
    Misuse = -9,            // a call that makes no sense in the current state
    TooManyPages = -10,     // a book claiming more pages than any real book has
    PathTooLong = -11,      // longer than the system opens
    JournalUnreadable = -12, // the write-ahead log beside a book, holding pages, cannot be read
};

// What went wrong, in Chinese, for the details of a message box: the
// system's reason where a system call failed, else the engine's.
QString describe(const Error &error);

} // namespace korvel::db
