#pragma once

// The settings dialog's folder list (Dir1): the chain of folders from the root down to
// the current one, then the current folder's sub-folders. A double click opens a
// folder. Listing goes through the program's file-system object, so names that are
// not UTF-8 still lead to their folders.

#include "common/result.h"

#include <QListWidget>

namespace veskor {

class FileSystem;

class FolderList : public QListWidget {
    Q_OBJECT
public:
    FolderList(FileSystem& fsys, QWidget* parent = nullptr);

    QString path() const { return m_path; }
    // Fails, and keeps the current folder, when the path is no folder that can be listed.
    Result<void> setPath(const QString& path);

signals:
    void pathChanged();  // Dir1_Change

private:
    FileSystem& m_fsys;
    QString m_path;
};

// The settings dialog's file list (File1): the files of one folder that match a
// pattern ("*.*" for all, "*.txt" for text files; case does not matter).
class FileList : public QListWidget {
public:
    FileList(FileSystem& fsys, QWidget* parent = nullptr);

    void setPath(const QString& path);
    void setPattern(const QString& pattern);
    QString pattern() const { return m_pattern; }
    // The file name of an item as the file system reports it.
    static QString fileNameOf(const QListWidgetItem* item);

private:
    void refresh();

    FileSystem& m_fsys;
    QString m_path;
    QString m_pattern = QStringLiteral("*.*");
};

} // namespace veskor
