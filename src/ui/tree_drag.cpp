#include "ui/tree_drag.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

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
    m_autoScroll.setInterval(50);
    connect(&m_autoScroll, &QTimer::timeout, this, &TreeDrag::autoScroll);
}

int TreeDrag::edgeDirection(const QPoint& viewportPos) const
{
    const int margin = std::max(8, m_view->autoScrollMargin());
    if (viewportPos.y() < margin)
        return -1;
    if (viewportPos.y() >= m_viewport->height() - margin)
        return 1;
    return 0;
}

void TreeDrag::autoScroll()
{
    const int direction = m_dragging ? edgeDirection(m_lastPos) : 0;
    QScrollBar* bar = m_view->verticalScrollBar();
    const int before = bar->value();
    if (direction != 0)
        bar->setValue(before + direction * bar->singleStep());
    if (direction == 0 || bar->value() == before) {
        m_autoScroll.stop();
        return;
    }
    // Another node is under the resting pointer now.
    emit DragOver(m_lastPos, 2);
}

bool TreeDrag::wheelDuringDrag(const QWheelEvent& wheel)
{
    const QPoint at = m_viewport->mapFromGlobal(wheel.globalPosition().toPoint());
    if (!m_viewport->rect().contains(at))
        return false;
    // As the view scrolls for a wheel outside a drag: some lines a notch, sideways with
    // a sideways wheel.
    const QPoint notches = wheel.angleDelta();
    const int lines = QApplication::wheelScrollLines();
    QScrollBar* vertical = m_view->verticalScrollBar();
    QScrollBar* horizontal = m_view->horizontalScrollBar();
    vertical->setValue(vertical->value() - notches.y() * lines * vertical->singleStep() / 120);
    horizontal->setValue(horizontal->value() - notches.x() * lines * horizontal->singleStep() / 120);
    m_lastPos = at;
    // Another node is under the pointer now.
    emit DragOver(m_lastPos, 2);
    return true;
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
    m_autoScroll.stop();
    if (m_watchingApplication) {
        qApp->removeEventFilter(this);
        m_watchingApplication = false;
    }
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
    // The wheel reaches whatever window holds the pointer during a drag, so it is
    // watched for on the whole application.
    if (event->type() == QEvent::Wheel && m_dragging && wheelDuringDrag(*static_cast<QWheelEvent*>(event)))
        return true;
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
        // The platform's drag loop filters the application's events from its start and
        // swallows the wheel; a filter installed later is asked first.
        if (!m_watchingApplication) {
            qApp->installEventFilter(this);
            m_watchingApplication = true;
        }
        m_lastPos = toViewport(watched, move->position().toPoint());
        if (edgeDirection(m_lastPos) != 0 && !m_autoScroll.isActive())
            m_autoScroll.start();
        emit DragOver(m_lastPos, event->type() == QEvent::DragEnter ? 0 : 2);
        return true;
    }
    case QEvent::DragLeave:
        m_autoScroll.stop();
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
        m_autoScroll.stop();
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
