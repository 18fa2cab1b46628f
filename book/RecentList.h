#pragma once

#include <QString>
#include <QStringList>

namespace korvel::platform {
class SettingsStore;
}

namespace korvel::book {

// The five most recent books, "Recent1" (newest) to "Recent5" in section
// frmMain of the settings store; a missing value reads as "<无>".
inline const QString kNoRecent = QStringLiteral("<无>");

// The menu's tags, read from the store (refreshing the menu).
QStringList readRecentTags(const platform::SettingsStore &store);

// Moves path to the top, given the menu's current tags (compared character
// for character, with case). Writes the store and returns the new tags.
QStringList promoteRecent(platform::SettingsStore &store, const QStringList &menuTags, const QString &path);

// A menu caption: the first 12 characters, " ... ", the last 12.
QString recentCaption(const QString &path);

} // namespace korvel::book
