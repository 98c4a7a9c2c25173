#pragma once

// Dragging a node inside the resource tree with Qt's own drag machinery. The drag
// carries a private MIME type with a token of this object, and the tree's viewport
// accepts only that drag: a node cannot be dropped anywhere else, and nothing dragged
// from outside can be dropped on the tree. The drag events are passed on as the
// window's hover and drop handlers take them (state 0 enter, 1 leave, 2 over); what a
// drop means is the window's business. While the pointer rests near the top or bottom
// edge during a drag, the view scrolls, so a folder out of sight can be reached; the
// wheel scrolls it too, although the platform's drag loop keeps wheel events to itself.

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QTimer>
#include <functional>

class QAbstractItemView;
class QDrag;
class QMimeData;
class QWheelEvent;

namespace veskor {

inline const QString kTreeDragMimeType = QStringLiteral("application/x-veskor-tree-node");

class TreeDrag : public QObject {
    Q_OBJECT
public:
    // Installs itself on the view and its viewport, and lets the viewport take drops.
    explicit TreeDrag(QAbstractItemView* view);

    // True when the pointer is the platform's drag distance away from the last press,
    // so that a click with a slightly shaky hand does not become a drag.
    bool movedFarEnough(const QPoint& viewportPos) const;
    void setPressPosition(const QPoint& viewportPos) { m_pressPos = viewportPos; }

    // Runs the drag until it is dropped or ends; the icon follows the pointer.
    void exec(const QIcon& icon);
    // Ends a drag that is under way; nothing otherwise.
    void end();
    bool dragging() const { return m_dragging; }

    // Whether a drag's data is this object's own drag under way.
    bool isOwnDrag(const QMimeData* data) const;

    // Tests put the event sequence of a drag here instead of the platform's drag loop.
    std::function<void(QDrag& drag)> runDrag;

signals:
    void DragOver(const QPoint& pos, int state);
    void DragDrop(const QPoint& pos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPoint toViewport(QObject* watched, const QPoint& pos) const;
    // -1 near the top edge, 1 near the bottom edge, 0 elsewhere.
    int edgeDirection(const QPoint& viewportPos) const;
    void autoScroll();
    // A wheel turned over the view during the drag: scrolls it; false elsewhere.
    bool wheelDuringDrag(const QWheelEvent& wheel);

    QAbstractItemView* m_view;
    // Kept apart from the view: events still arrive while the view is being destroyed,
    // when its own members may no longer be called.
    QWidget* m_viewport;
    QByteArray m_token;
    QPoint m_pressPos;
    QPoint m_lastPos;
    bool m_dragging = false;
    bool m_watchingApplication = false;  // filtering the application's events during a drag
    QTimer m_autoScroll;
};

} // namespace veskor
