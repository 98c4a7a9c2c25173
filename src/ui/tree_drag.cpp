#include "ui/tree_drag.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace veskor {

TreeDrag::TreeDrag(QAbstractItemView* view)
    : QObject(view)
    , m_view(view)
    , m_viewport(view->viewport())
{
    // The token tells this window's drag from one started by another copy of the program.
    m_token = QByteArray::number(QCoreApplication::applicationPid()) + ':'
        + QByteArray::number(reinterpret_cast<quintptr>(this), 16);
    m_viewport->setAcceptDrops(true);
    view->installEventFilter(this);
    m_viewport->installEventFilter(this);
}

bool TreeDrag::movedFarEnough(const QPoint& viewportPos) const
{
    return (viewportPos - m_pressPos).manhattanLength() >= QApplication::startDragDistance();
}

bool TreeDrag::isOwnDrag(const QMimeData* data) const
{
    return m_dragging && data && data->hasFormat(kTreeDragMimeType) && data->data(kTreeDragMimeType) == m_token;
}

void TreeDrag::exec(const QIcon& icon)
{
    if (m_dragging)
        return;
    auto* data = new QMimeData;
    data->setData(kTreeDragMimeType, m_token);
    auto* drag = new QDrag(m_view);
    drag->setMimeData(data);
    if (!icon.isNull())
        drag->setPixmap(icon.pixmap(32, 32));
    m_dragging = true;
    if (runDrag) {
        runDrag(*drag);
        delete drag;
    } else {
        // Qt deletes the drag object when the drag is over.
        drag->exec(Qt::MoveAction, Qt::MoveAction);
    }
    m_dragging = false;
}

void TreeDrag::end()
{
    if (m_dragging && !runDrag)
        QDrag::cancel();
}

QPoint TreeDrag::toViewport(QObject* watched, const QPoint& pos) const
{
    return watched == m_view ? m_viewport->mapFrom(m_view, pos) : pos;
}

bool TreeDrag::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_view && watched != m_viewport)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (watched == m_viewport)
            m_pressPos = static_cast<QMouseEvent*>(event)->position().toPoint();
        return false;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* move = static_cast<QDragMoveEvent*>(event);
        if (!isOwnDrag(move->mimeData())) {
            move->ignore();
            return true;
        }
        move->setDropAction(Qt::MoveAction);
        move->accept();
        m_lastPos = toViewport(watched, move->position().toPoint());
        emit DragOver(m_lastPos, event->type() == QEvent::DragEnter ? 0 : 2);
        return true;
    }
    case QEvent::DragLeave:
        // Also sent after a foreign drag that was ignored; only ours is reported.
        if (m_dragging)
            emit DragOver(m_lastPos, 1);
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!isOwnDrag(drop->mimeData())) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::MoveAction);
        drop->accept();
        emit DragDrop(toViewport(watched, drop->position().toPoint()));
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace veskor
