#include "platform/Settings.h"

#include <QSettings>
#include <QStandardPaths>

#include <cmath>

namespace korvel::platform {

double SettingsStore::number(const QString &section, const QString &key, double defaultValue) const
{
    bool ok = false;
    const double v = value(section, key, QString()).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return defaultValue;
    return v;
}

IniSettingsStore::IniSettingsStore(const QString &filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

IniSettingsStore::~IniSettingsStore() = default;

QString IniSettingsStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Korvel/Korvel.conf");
}

QString IniSettingsStore::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QVariant v = m_settings->value(section + QLatin1Char('/') + key);
    return v.isValid() ? v.toString() : defaultValue;
}

void IniSettingsStore::setValue(const QString &section, const QString &key, const QString &value)
{
    m_settings->setValue(section + QLatin1Char('/') + key, value);
}

void IniSettingsStore::sync()
{
    m_settings->sync();
}

QString IniSettingsStore::filePath() const
{
    return m_settings->fileName();
}

} // namespace korvel::platform
