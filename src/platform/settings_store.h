#pragma once

// The per-user settings store: text values under the section "Settings". Reads fall back
// to the given default; a write is on disk when the call returns. Neither reports a
// failure: a failed read gives the default, a failed write keeps the old value.

#include <QString>

#include <memory>

class QSettings;

namespace veskor {

class SettingsStore {
public:
    virtual ~SettingsStore();
    virtual QString read(const QString& key, const QString& defaultValue) const = 0;
    virtual void write(const QString& key, const QString& value) = 0;
};

// An INI file in the user's configuration folder ($XDG_CONFIG_HOME/Veskor/Veskor.ini),
// or at a given path.
class IniSettingsStore : public SettingsStore {
public:
    IniSettingsStore();
    explicit IniSettingsStore(const QString& filePath);
    ~IniSettingsStore() override;

    QString read(const QString& key, const QString& defaultValue) const override;
    void write(const QString& key, const QString& value) override;

    QString fileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace veskor
