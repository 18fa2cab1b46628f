#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace korvel::platform {
class SettingsStore;
}

namespace korvel::book {

// The five most recent books, "Recent1" (newest) to "Recent5" in section
// frmMain of the settings store; a missing value reads as "<无>".
inline const QString kNoRecent = QStringLiteral("<无>");
constexpr int kRecentCount = 5;

// The five stored paths, newest first.
QStringList readRecentTags(const platform::SettingsStore &store);

// Moves path to the top. The path is looked up in the stored list (character
// for character, with case), so each path is held once even before any menu
// has been filled. Writes the store and returns the new list.
QStringList promoteRecent(platform::SettingsStore &store, const QString &path);

// A menu caption: the first 12 characters, " ... ", the last 12.
QString recentCaption(const QString &path);

// The recent list as the windows use it: it tells when it changed.
class RecentList final : public QObject {
    Q_OBJECT
public:
    explicit RecentList(platform::SettingsStore &store, QObject *parent = nullptr);

    QStringList paths() const;
    void promote(const QString &path);

signals:
    void changed();

private:
    platform::SettingsStore &m_store;
};

} // namespace korvel::book
