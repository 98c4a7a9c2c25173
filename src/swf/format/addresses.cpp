#include "swf/format/addresses.h"

#include <QString>
#include <QUrl>

#include <algorithm>

namespace swf {

bool isInside(const std::filesystem::path& path, const std::filesystem::path& folder)
{
    if (folder.empty())
        return false;
    auto [end, unused] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    (void)unused;
    return end == folder.end();
}

std::optional<std::filesystem::path> resolveAddress(const std::string& address, const std::filesystem::path& folder,
                                                    const std::filesystem::path& root)
{
    std::filesystem::path target;
    const QString text = QString::fromUtf8(address.data(), qsizetype(address.size()));
    const QUrl url(text);
    if (url.scheme().compare("file", Qt::CaseInsensitive) == 0) {
        target = std::filesystem::path(url.toLocalFile().toStdString());
    } else if (url.scheme().size() > 1 || text.isEmpty()) {
        return std::nullopt; // the web, or a drive letter of another system
    } else {
        std::string relative = address.substr(0, address.find_first_of("?#"));
        std::replace(relative.begin(), relative.end(), '\\', '/');
        if (relative.empty())
            return std::nullopt;
        target = folder / relative;
    }
    std::error_code error;
    const std::filesystem::path real = std::filesystem::weakly_canonical(target, error);
    if (error || !isInside(real, root) || !std::filesystem::is_regular_file(real, error))
        return std::nullopt;
    return real;
}

} // namespace swf
