#include "book/RecentList.h"

#include "platform/Settings.h"

namespace korvel::book {

static const QString kSection = QStringLiteral("frmMain");

static QString key(int i)
{
    return QStringLiteral("Recent") + QString::number(i);
}

QStringList readRecentTags(const platform::SettingsStore &store)
{
    QStringList tags;
    for (int i = 1; i <= kRecentCount; ++i)
        tags << store.value(kSection, key(i), kNoRecent);
    return tags;
}

QStringList promoteRecent(platform::SettingsStore &store, const QString &path)
{
    const QStringList stored = readRecentTags(store);
    const int p = int(stored.indexOf(path)) + 1; // 0: not held
    if (p >= 2 && p <= 4) {
        for (int k = p; k >= 2; --k)
            store.setValue(kSection, key(k), store.value(kSection, key(k - 1), kNoRecent));
    } else if (p == 0 || p == 5) {
        for (int k = 5; k >= 2; --k)
            store.setValue(kSection, key(k), store.value(kSection, key(k - 1), kNoRecent));
    }
    if (p != 1)
        store.setValue(kSection, key(1), path);
    store.sync();
    return readRecentTags(store);
}

QString recentCaption(const QString &path)
{
    return path.left(12) + QStringLiteral(" ... ") + path.right(12);
}

RecentList::RecentList(platform::SettingsStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
}

QStringList RecentList::paths() const
{
    return readRecentTags(m_store);
}

void RecentList::promote(const QString &path)
{
    promoteRecent(m_store, path);
    emit changed();
}

} // namespace korvel::book
