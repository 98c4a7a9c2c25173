#pragma once

// A settings store in memory that logs every read and write, with a hook that runs at
// each write (tests look at the tree at that moment).

#include "platform/settings_store.h"

#include <QHash>
#include <QStringList>
#include <functional>

namespace veskor::testing {

class MemorySettings : public SettingsStore {
public:
    QString read(const QString& key, const QString& defaultValue) const override
    {
        reads << key;
        return values.value(key, defaultValue);
    }
    void write(const QString& key, const QString& value) override
    {
        writes << key;
        values[key] = value;
        if (onWrite)
            onWrite(key);
    }

    QHash<QString, QString> values;
    mutable QStringList reads;
    QStringList writes;
    std::function<void(const QString&)> onWrite;
};

} // namespace veskor::testing
