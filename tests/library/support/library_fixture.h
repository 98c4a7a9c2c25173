#pragma once

// Shared pieces of the library tests: a settings store in memory, a temporary data
// folder with helpers to fill it, and a Library wired to both and to a recording
// launcher.

#include "library/library.h"
#include "platform/native_path.h"
#include "web/recording_launcher.h"

#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace veskor::testing {

class MemorySettingsStore : public SettingsStore {
public:
    QString read(const QString& key, const QString& defaultValue) const override { return values.value(key, defaultValue); }
    void write(const QString& key, const QString& value) override { values[key] = value; }
    QMap<QString, QString> values;
};

class LibraryTest : public ::testing::Test {
protected:
    LibraryTest()
    {
        library.setApplicationFolder(m_app.path());
        library.saomiao = m_data.path() + "/资料";
        makeFolder("资料");
    }

    // A path below the temporary data folder's parent, "资料/a.swf" and so on.
    QString path(const QString& relative) const { return m_data.path() + QLatin1Char('/') + relative; }
    std::filesystem::path native(const QString& relative) const { return fsFromPath(path(relative)); }
    void makeFolder(const QString& relative) { std::filesystem::create_directories(native(relative)); }
    void makeFile(const QString& relative, const std::string& content = "x")
    {
        std::filesystem::create_directories(native(relative).parent_path());
        std::ofstream(native(relative), std::ios::binary) << content;
    }
    // The catalogue in the application's support folder, where it is looked for by default.
    void writeDefaultCatalogue(const std::string& bytes)
    {
        const auto file = fsFromPath(library.defaultCatalogue());
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
    }
    QString dataRoot() const { return path("资料"); }

    // The texts of a node's children in the order the tree shows them.
    static QStringList texts(const Node* node)
    {
        QStringList out;
        for (const Node* child : node->children())
            out << child->Text();
        return out;
    }

    QTemporaryDir m_data;
    QTemporaryDir m_app;
    LocalFileSystem localFs;
    MemorySettingsStore settings;
    RecordingLauncher launcher;
    Library library{localFs, settings, launcher};
};

} // namespace veskor::testing
