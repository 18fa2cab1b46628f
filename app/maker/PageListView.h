#pragma once

#include <QTableView>

namespace korvel::app {

// The maker's page list (VSFlexGrid1): rows without headers, several rows
// selectable at once, the picture column drawn stretched into its cells, and
// rows the user drags to a new place. The drag is the list's own (no
// drag-and-drop between programs), so the rows only ever move, never copy.
class PageListView final : public QTableView {
    Q_OBJECT
public:
    explicit PageListView(QWidget *parent = nullptr);

    // The selected rows, in ascending order.
    QList<int> selectedRowNumbers() const;
    // The first selected row, or -1.
    int firstSelectedRow() const;

signals:
    // The user dropped the selected rows in front of row target (rowCount at the end).
    void rowsDropped(const QList<int> &rows, int target);
    // A click or a key release in the list: time to show the selected page.
    void selectionShown();
    // Files or folders from another program were dropped in front of row
    // target (rowCount at the end).
    void filesDropped(int target, const QStringList &paths);

protected:
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dragMoveEvent(QDragMoveEvent *e) override;
    void dragLeaveEvent(QDragLeaveEvent *e) override;
    void dropEvent(QDropEvent *e) override;

private:
    int dropRow(QPoint pos) const;

    bool m_pressedOnSelection = false;
    bool m_dragging = false;
    bool m_filesOver = false; // files from another program are dragged over the list
    int m_pressedRow = -1;
    QPoint m_pressPos;
    int m_dropRow = -1;
};

} // namespace korvel::app
