#pragma once

class QCoreApplication;

namespace korvel::platform {

// Qt's own texts (the message boxes' buttons, the file dialogs, the web
// view's menus) in Chinese, as the rest of the interface is, whatever the
// desktop's language. Loaded from Qt's translations folder; the number of
// catalogs found is returned (none leaves Qt's English).
int installQtTranslations(QCoreApplication &app);

} // namespace korvel::platform
