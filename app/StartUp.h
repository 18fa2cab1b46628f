#pragma once

#include <QStringList>

namespace korvel::app {

struct AppContext;
class FrmMain;

// Start-up once the window is built: the window's own load, the file
// association, a book named on the command line, and the recent menu.
void startUp(FrmMain &window, const AppContext &context, const QStringList &arguments);

} // namespace korvel::app
