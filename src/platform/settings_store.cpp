#include "platform/settings_store.h"

#include "platform/native_path.h"

#include <QSettings>

namespace veskor {

namespace {

const QString kSection = QStringLiteral("Settings/");

// Paths are kept as text holding escaped bytes for names that are not UTF-8; the INI
// file holds UTF-8 text, which cannot carry those escapes. Such a value is stored as its
// native bytes instead and turned back into the same text when read.
bool holdsEscapedBytes(const QString& value)
{
    for (const QChar c : value) {
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF)
            return true;
    }
    return false;
}

} // namespace

SettingsStore::~SettingsStore() = default;

IniSettingsStore::IniSettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("Veskor"), QStringLiteral("Veskor")))
{
}

IniSettingsStore::IniSettingsStore(const QString& filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

IniSettingsStore::~IniSettingsStore() = default;

QString IniSettingsStore::read(const QString& key, const QString& defaultValue) const
{
    const QVariant value = m_settings->value(kSection + key);
    if (!value.isValid())
        return defaultValue;
    if (value.typeId() == QMetaType::QByteArray)
        return pathFromNative(value.toByteArray().toStdString());
    // A hand-edited value with commas in it reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    if (!value.canConvert<QString>())
        return defaultValue;
    return value.toString();
}

void IniSettingsStore::write(const QString& key, const QString& value)
{
    if (holdsEscapedBytes(value)) {
        const std::string bytes = nativeFromPath(value);
        m_settings->setValue(kSection + key, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    } else {
        m_settings->setValue(kSection + key, value);
    }
    m_settings->sync();
}

QString IniSettingsStore::fileName() const { return m_settings->fileName(); }

} // namespace veskor
