#pragma once

#include "platform/AppFolders.h"

#include <QString>

#include <functional>

namespace korvel::platform {
class DialogService;
class MessageService;
class SettingsStore;
class ShellService;
}

namespace korvel::adverts {
class Clock;
}

namespace korvel::book {
class ReadingSession;
class RecentList;
}

namespace korvel::app {

// What the windows are given: the application folder, the settings store,
// the services that stand between them and the desktop, and the logic
// objects. main() builds it from the real ones; tests and the benchmark from
// fakes and temporary folders.
struct AppContext {
    // The folder of the catalog Korvel.mdb and books/: the application folder,
    // or, installed, the user's data folder (platform/AppFolders.h).
    QString appDir;
    // The read-only files (Korvel.tmp!, splash.png, top.html); empty: appDir.
    QString resourceDir;
    // Installed: the book maker proposes books/ under appDir for a new book.
    bool installed = false;
    // Takes the folders the program runs with (platform::locateAppFolders()).
    void useFolders(const platform::AppFolders &folders)
    {
        appDir = folders.dataDir;
        resourceDir = folders.resourceDir;
        installed = folders.installed;
    }
    QString resourceFolder() const { return resourceDir.isEmpty() ? appDir : resourceDir; }
    QString resource(const QString &name) const { return resourceFolder() + QLatin1Char('/') + name; }
    platform::SettingsStore *settings = nullptr;
    platform::MessageService *messages = nullptr;
    platform::DialogService *dialogs = nullptr;
    platform::ShellService *shell = nullptr;
    std::function<bool()> isConnected;
    QString siteRoot;    // ends in "/"
    QString programPath; // for the file association; empty: none is written
    QString dataHome;    // where the association is written; empty: the user's
    bool refreshDesktopCaches = true;
    adverts::Clock *clock = nullptr; // what the advert timers run on; none: real time

    book::ReadingSession *session = nullptr;
    book::RecentList *recent = nullptr;
};

} // namespace korvel::app
