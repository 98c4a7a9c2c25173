#include "ui/icon_library.h"

#include <QHash>

// The resource lives in a static library; nothing references it by symbol, so it is
// registered by hand before the first use.
static void registerIconResource()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)registered;
}

namespace veskor {

namespace {

QIcon svgIcon(const QString& name)
{
    registerIconResource();
    static QHash<QString, QIcon> cache;
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.insert(name, QIcon(QStringLiteral(":/icons/%1.svg").arg(name)));
    return *it;
}

} // namespace

QIcon treeImage(int image)
{
    switch (image) {
    case 4: return svgIcon(QStringLiteral("file_swf"));
    case 5: return svgIcon(QStringLiteral("file_ppt"));
    case 6: return svgIcon(QStringLiteral("file_doc"));
    case 14: return svgIcon(QStringLiteral("folder"));
    case 15: return svgIcon(QStringLiteral("folder_open"));
    case 16: return svgIcon(QStringLiteral("file_other"));
    default: return {};
    }
}

QIcon toolbarIcon(const QString& key)
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("隐藏"), QStringLiteral("tb_hide")},
        {QStringLiteral("打开"), QStringLiteral("tb_open")},
        {QStringLiteral("保存"), QStringLiteral("tb_save")},
        {QStringLiteral("swf"), QStringLiteral("file_swf")},
        {QStringLiteral("ppt"), QStringLiteral("file_ppt")},
        {QStringLiteral("doc"), QStringLiteral("file_doc")},
        {QStringLiteral("all"), QStringLiteral("tb_all")},
        {QStringLiteral("播放"), QStringLiteral("tb_play")},
        {QStringLiteral("快进"), QStringLiteral("tb_fastforward")},
        {QStringLiteral("暂停"), QStringLiteral("tb_pause")},
        {QStringLiteral("停止"), QStringLiteral("tb_stop")},
        {QStringLiteral("后退"), QStringLiteral("tb_stepback")},
        {QStringLiteral("快退"), QStringLiteral("tb_fastback")},
    };
    const auto it = names.find(key);
    return it == names.end() ? QIcon() : svgIcon(*it);
}

QIcon applicationIcon() { return svgIcon(QStringLiteral("app")); }

} // namespace veskor
