#include "swf/runtime/file_access.h"

#include "swf/format/addresses.h"

#include <QFile>
#include <QString>
#include <QUrl>

namespace swf::runtime {

std::string fileUrl(const std::filesystem::path& file)
{
    return QUrl::fromLocalFile(QString::fromStdString(file.string())).toString(QUrl::FullyEncoded).toStdString();
}

FileAccess::FileAccess(const std::filesystem::path& openedMovie, const std::string& address)
{
    std::error_code error;
    const std::filesystem::path real = std::filesystem::weakly_canonical(openedMovie, error);
    if (error || real.empty())
        return;
    m_root = real.parent_path();
    m_url = fileUrl(real);
    if (!address.empty()) {
        m_url = address;
        m_base = address.substr(0, address.rfind('/') + 1);
    }
}

std::string FileAccess::urlOf(const std::filesystem::path& file) const
{
    if (m_base.empty())
        return fileUrl(file);
    const std::filesystem::path relative = file.lexically_relative(m_root);
    if (relative.empty() || *relative.begin() == "..")
        return fileUrl(file);
    const QString path = QString::fromStdString(relative.generic_string());
    return m_base + QUrl(path).toString(QUrl::FullyEncoded).toStdString();
}

std::string FileAccess::requestedUrl(const std::string& address, const std::filesystem::path& folder) const
{
    if (address.find(':') != std::string::npos || m_root.empty())
        return address;
    return urlOf(((folder.empty() ? m_root : folder) / address).lexically_normal());
}

std::optional<std::filesystem::path> FileAccess::resolve(const std::string& address, const std::filesystem::path& folder) const
{
    if (m_root.empty())
        return std::nullopt;
    return resolveAddress(address, folder.empty() ? m_root : folder, m_root);
}

std::optional<std::vector<std::uint8_t>> FileAccess::read(const std::filesystem::path& file) const
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kMaxLoadedFileSize)
        return std::nullopt;
    QFile in(QString::fromStdString(file.string()));
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = in.read(qint64(kMaxLoadedFileSize) + 1);
    if (bytes.size() > qsizetype(kMaxLoadedFileSize))
        return std::nullopt;
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

} // namespace swf::runtime
