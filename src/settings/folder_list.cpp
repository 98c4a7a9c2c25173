#include "settings/folder_list.h"

#include "platform/file_system.h"
#include "platform/native_path.h"
#include "ui/icon_library.h"

#include <QCollator>
#include <QRegularExpression>
#include <algorithm>

namespace veskor {

namespace {

constexpr int kPathRole = Qt::UserRole + 1;

void sortByName(std::vector<FsItem>& items)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(items.begin(), items.end(), [&](const FsItem& a, const FsItem& b) { return collator.compare(a.Name, b.Name) < 0; });
}

// "/a/b" gives "/", "/a", "/a/b".
QStringList chainOf(const QString& path)
{
    QStringList chain = {QStringLiteral("/")};
    QString current;
    for (const QString& part : path.split('/', Qt::SkipEmptyParts)) {
        current += '/' + part;
        chain.append(current);
    }
    return chain;
}

QString lastName(const QString& path)
{
    if (path == QStringLiteral("/"))
        return path;
    return path.section('/', -1);
}

} // namespace

FolderList::FolderList(FileSystem& fsys, QWidget* parent) : QListWidget(parent), m_fsys(fsys)
{
    setIconSize(QSize(16, 16));
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (item)
            (void)setPath(item->data(kPathRole).toString());
    });
}

Result<void> FolderList::setPath(const QString& path)
{
    if (!m_fsys.FolderExists(path))
        return makeError("no such folder");
    Result<std::vector<FsItem>> subFolders = m_fsys.subFolders(path);
    if (!subFolders.ok())
        return subFolders.error();
    sortByName(*subFolders);

    clear();
    const QStringList chain = chainOf(path);
    int depth = 0;
    for (const QString& folder : chain) {
        auto* item = new QListWidgetItem(treeImage(15), QString(depth * 2, ' ') + displayText(lastName(folder)), this);
        item->setData(kPathRole, folder);
        ++depth;
    }
    setCurrentRow(count() - 1);
    for (const FsItem& folder : *subFolders) {
        auto* item = new QListWidgetItem(treeImage(14), QString(depth * 2, ' ') + displayText(folder.Name), this);
        item->setData(kPathRole, folder.Path);
    }
    const bool changed = m_path != path;
    m_path = path;
    if (changed)
        emit pathChanged();
    return {};
}

FileList::FileList(FileSystem& fsys, QWidget* parent) : QListWidget(parent), m_fsys(fsys) {}

void FileList::setPath(const QString& path)
{
    m_path = path;
    refresh();
}

void FileList::setPattern(const QString& pattern)
{
    m_pattern = pattern;
    refresh();
}

QString FileList::fileNameOf(const QListWidgetItem* item)
{
    return item ? item->data(kPathRole).toString() : QString();
}

void FileList::refresh()
{
    clear();
    if (m_path.isEmpty())
        return;
    Result<std::vector<FsItem>> files = m_fsys.files(m_path);
    if (!files.ok())
        return;
    sortByName(*files);
    // "*.*" lists every file, also those without a dot, as the desktop's lists do.
    const bool all = m_pattern == QStringLiteral("*.*") || m_pattern == QStringLiteral("*");
    const QRegularExpression match(QRegularExpression::wildcardToRegularExpression(m_pattern),
                                   QRegularExpression::CaseInsensitiveOption);
    for (const FsItem& file : *files) {
        if (!all && !match.match(file.Name).hasMatch())
            continue;
        auto* item = new QListWidgetItem(displayText(file.Name), this);
        item->setData(kPathRole, file.Name);
    }
}

} // namespace veskor
