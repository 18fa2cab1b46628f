#pragma once

#include <QStringList>

#include <functional>
#include <memory>

namespace korvel::app {

struct AppContext;
class MainWindow;

// Start-up once the window is built: the window's own load, the file
// association, a book named on the command line, and the recent menu. The
// web part comes at once, or with webLater once the first page is painted.
void startUp(MainWindow &window, const AppContext &context, const QStringList &arguments, bool webLater = false);

// Where the caller joins the program's start-up.
struct StartUpHooks {
    std::function<void(MainWindow &)> built;  // the window is built and not yet loaded
    std::function<void(MainWindow &)> loaded; // loaded, the splash gone, not yet shown
};

// The program's start-up: the splash up first, the main window built and
// loaded behind it, the splash gone, the main window shown.
std::unique_ptr<MainWindow> startProgram(const AppContext &context, const QStringList &arguments,
                                         const StartUpHooks &hooks = {});

} // namespace korvel::app
