#include "ui/keyed_tool_bar.h"

#include "ui/icon_library.h"

#include <QToolButton>

namespace veskor {

const QList<ToolbarButtonSpec>& KeyedToolBar::buttonSpecs()
{
    static const QList<ToolbarButtonSpec> specs = {
        {"隐藏", " 隐藏与显示列表"},
        {"打开", "打开flash音乐"},
        {"保存", "另存为其它flash课件"},
        {"swf", "Flash课件"},
        {"ppt", "PPT课件"},
        {"doc", "Word文档"},
        {"all", "所有资料"},
        {"播放", "开始"},
        {"快进", "快进"},
        {"暂停", "暂停"},
        {"停止", "停止"},
        {"后退", "后退"},
        {"快退", "快退"},
    };
    return specs;
}

KeyedToolBar::KeyedToolBar(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    for (const ToolbarButtonSpec& entry : buttonSpecs()) {
        auto* b = new QToolButton(this);
        const QString key = QString::fromUtf8(entry.key);
        b->setObjectName(key);
        b->setToolTip(QString::fromUtf8(entry.toolTip));
        b->setIcon(toolbarIcon(key));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        if (m_buttons.isEmpty())
            b->setCheckable(true);
        connect(b, &QToolButton::clicked, this, [this, key] { emit ButtonClick(key); });
        m_buttons.append(b);
    }
    setButtonSize(22);
}

QToolButton* KeyedToolBar::button(const QString& key) const
{
    for (QToolButton* b : m_buttons)
        if (b->objectName() == key)
            return b;
    return nullptr;
}

int KeyedToolBar::Value(const QString& key) const
{
    const QToolButton* b = button(key);
    return b && b->isCheckable() && b->isChecked() ? 1 : 0;
}

void KeyedToolBar::setValue(const QString& key, int value)
{
    if (QToolButton* b = button(key); b && b->isCheckable())
        b->setChecked(value == 1);
}

void KeyedToolBar::setButtonSize(int side)
{
    // 16-pixel icons on 22-pixel buttons at the usual resolution, in proportion elsewhere.
    const int icon = std::max(8, side * 16 / 22);
    int left = 2;
    for (QToolButton* b : m_buttons) {
        b->setIconSize(QSize(icon, icon));
        b->setGeometry(left, std::max(0, (height() - side) / 2), side, side);
        left += side;
    }
}

} // namespace veskor
