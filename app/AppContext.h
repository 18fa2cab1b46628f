#pragma once

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
    QString appDir;
    platform::SettingsStore *settings = nullptr;
    platform::MessageService *messages = nullptr;
    platform::DialogService *dialogs = nullptr;
    platform::ShellService *shell = nullptr;
    std::function<bool()> isConnected;
    QString siteRoot;    // ends in "/"
    QString programPath; // for the file association
    QString dataHome;    // where the association is written; empty: the user's
    bool refreshDesktopCaches = true;
    adverts::Clock *clock = nullptr; // what the advert timers run on; none: real time

    book::ReadingSession *session = nullptr;
    book::RecentList *recent = nullptr;
};

} // namespace korvel::app
