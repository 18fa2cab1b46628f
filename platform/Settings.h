#pragma once

#include <QString>

#include <memory>

class QSettings;

namespace korvel::platform {

// The per-user settings store: (section, key) -> text, under the application
// "Korvel". Numbers are kept as decimal text, exactly as the program writes them.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString value(const QString &section, const QString &key, const QString &defaultValue) const = 0;
    virtual void setValue(const QString &section, const QString &key, const QString &value) = 0;
    virtual void sync() {}

    // A stored number, or the default when the value is missing or is not a
    // decimal number (a hand-edited store must not throw the window off screen).
    double number(const QString &section, const QString &key, double defaultValue) const;
};

// Backed by an INI file; the default file is $XDG_CONFIG_HOME/Korvel/Korvel.conf.
class IniSettingsStore final : public SettingsStore {
public:
    explicit IniSettingsStore(const QString &filePath = defaultPath());
    ~IniSettingsStore() override;
    static QString defaultPath();

    QString value(const QString &section, const QString &key, const QString &defaultValue) const override;
    void setValue(const QString &section, const QString &key, const QString &value) override;
    void sync() override;
    QString filePath() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace korvel::platform
