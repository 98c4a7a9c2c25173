#pragma once

// The resource tree's view (TreeView1): a QTreeView over the tree model that reports
// its mouse events with the button codes and positions the window's handlers take
// (1 left, 2 right, 4 middle; positions in the view's own pixels), hit-tests, and
// paints the drop highlight. It starts no drag of its own.

#include <QPersistentModelIndex>
#include <QTreeView>

namespace veskor {

class ResourceTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit ResourceTreeView(QWidget* parent = nullptr);

    // The item at a point of the viewport, or an invalid index over empty space.
    QModelIndex HitTest(const QPoint& pos) const { return indexAt(pos); }

    QModelIndex DropHighlight() const { return m_dropHighlight; }
    void setDropHighlight(const QModelIndex& index);

    static int buttonCode(Qt::MouseButton button);

signals:
    void MouseDown(int button, int shift, const QPoint& pos);
    void MouseUp(int button, int shift, const QPoint& pos);
    void MouseMove(int button, int shift, const QPoint& pos);
    void Click();
    void DblClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QPersistentModelIndex m_dropHighlight;
};

} // namespace veskor
