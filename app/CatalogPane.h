#pragma once

#include <QObject>

#include <array>

class QTreeWidget;
class QWidget;

namespace korvel::app {

// The catalog's two views: the category tree on the left and the book list,
// one of the three views of the right-hand side. The frame places both.
class CatalogPane final : public QObject {
    Q_OBJECT
public:
    explicit CatalogPane(QWidget *container);

    QWidget *tree() const;
    QWidget *list() const;

    // Fills the tree; the three fixed nodes always come last.
    void fillTree();
    // The book list's ten columns; the first two are hidden, the others take
    // the stored widths (pixels).
    void setUpColumns(const std::array<int, 8> &widths);
    std::array<int, 8> columnWidths() const;

    // The selected node as a 1-based index of the top level; one that names
    // no node falls back to the first.
    int selectedNodeIndex() const;
    void selectNode(int index);

private:
    QTreeWidget *m_tree = nullptr;
    QTreeWidget *m_list = nullptr;
};

} // namespace korvel::app
