#pragma once

#include <QString>

namespace korvel::platform {

// Where the program finds what it reads and keeps what it writes.
//
// Run from the folder the build assembles (writable, holding Korvel.mdb)
// every folder is that one, as the program has always had it. Installed (the
// executable's folder is not writable or holds no catalog) nothing is ever
// written beside the program: the read-only files come from the share
// folder of the installation, the catalog and the books live in the user's
// data folder and read.tmp with the other scratch files in the user's cache
// folder.
struct AppFolders {
    bool installed = false;
    QString programDir;  // the executable's folder
    QString resourceDir; // Korvel.tmp!, splash.png, top.html
    QString dataDir;     // Korvel.mdb and books/
    QString cacheDir;    // read.tmp and other scratch files
    QString seedDir;     // installed: the demo catalog and books copied at the first start
};

// The one rule that decides between the two: the application folder is the
// executable's folder when that folder is writable and holds Korvel.mdb.
bool isApplicationFolder(const QString &programDir);

// The folders for a program in programDir. Installed, the data folder is
// $XDG_DATA_HOME/Korvel and the cache folder $XDG_CACHE_HOME/Korvel (their
// defaults ~/.local/share and ~/.cache); the share folder is found relative
// to programDir, so any installation prefix works.
AppFolders locateAppFolders(const QString &programDir);

} // namespace korvel::platform
