#include "ui/resource_tree_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace veskor {

namespace {
int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) | (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0)
        | (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}
}

ResourceTreeView::ResourceTreeView(QWidget* parent) : QTreeView(parent)
{
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    // The one column is as wide as its longest shown name, at least as wide as the
    // view: a name that does not fit makes the tree scroll sideways, never cut it.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void ResourceTreeView::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    header()->setMinimumSectionSize(viewport()->width());
}

int ResourceTreeView::buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

void ResourceTreeView::setDropHighlight(const QModelIndex& index)
{
    if (m_dropHighlight == index)
        return;
    m_dropHighlight = index;
    viewport()->update();
}

void ResourceTreeView::mousePressEvent(QMouseEvent* event)
{
    // A press on empty space leaves the selection alone; the window's handler decides.
    if (indexAt(event->position().toPoint()).isValid())
        QTreeView::mousePressEvent(event);
    emit MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), event->position().toPoint());
}

void ResourceTreeView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    const QPoint pos = event->position().toPoint();
    emit MouseUp(buttonCode(event->button()), shiftCode(event->modifiers()), pos);
    if (event->button() == Qt::LeftButton)
        emit Click();
}

void ResourceTreeView::mouseMoveEvent(QMouseEvent* event)
{
    // No rubber band and no Qt drag: the window's handlers own what a move means.
    emit MouseMove(buttonCode(Qt::MouseButton(int(event->buttons()) & 0x7)), shiftCode(event->modifiers()),
                   event->position().toPoint());
}

void ResourceTreeView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    emit DblClick();
}

void ResourceTreeView::keyPressEvent(QKeyEvent* event)
{
    // Enter opens the current node as a double click does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        event->accept();
        emit DblClick();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void ResourceTreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QTreeView::drawRow(painter, option, index);
    // The drop highlight is an outline around the item, so that it never looks like a
    // second selection.
    if (m_dropHighlight.isValid() && index == QModelIndex(m_dropHighlight)) {
        painter->save();
        painter->setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::SolidLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(visualRect(index).adjusted(0, 0, -1, -1));
        painter->restore();
    }
}

} // namespace veskor
