#pragma once

#include "app/AppContext.h"
#include "catalog/CatalogStore.h"

#include <QObject>
#include <QPoint>
#include <QSet>

class QAction;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace korvel::app {

// The library: the category tree on the left and the book list, one of the
// three views of the right-hand side, with the category commands (the Edit
// menu, also the tree's context menu) and the book-list commands (the list's
// context menu). The frame places both views and shows the list when asked.
class CatalogPane final : public QObject {
    Q_OBJECT
public:
    CatalogPane(const AppContext &context, QWidget *container);

    QWidget *tree() const;
    QWidget *list() const;
    QMenu *editMenu() const { return m_editMenu; }
    QMenu *listMenu() const { return m_listMenu; }

    // InitTreeView: the categories, then the three fixed nodes.
    void fillTree();
    // The book list's ten columns; the first two are hidden, the others take
    // the stored widths (twips), and give them back for storing.
    void setUpColumns(const float (&widths)[8]);
    void columnWidths(float (&widths)[8]) const;

    // The selected node by its index (from 1, depth first); an index that
    // names no node falls back to the first.
    int selectedNodeIndex() const;
    void selectNode(int index);
    // The node the dialogs' trees start on: the selected one, or the root
    // when a fixed node is selected (their trees hold only categories).
    int preselectedIndex() const;

    // ClickTreeView: shows what the selected node stands for. A category's
    // books are read again only when it is not the one listed, or when
    // force is set (its books have changed).
    void clickTreeView(bool force);
    // Selects the category (when the tree has it) and lists its books afresh.
    void showCategory(qint64 classId);
    // The title search with the search box's text.
    void search();
    void setSearchText(const QString &text) { m_searchText = text; }
    // The category the list shows; 0 after a search.
    qint64 currentClassId() const { return m_currentClassId; }

    // Saves a copy of the selected book under a new name.
    void saveCopy();
    void addBook();

signals:
    void listWanted();
    void countChanged(const QString &text);
    // A catalogued .lhh book to show in the reader.
    void bookWanted(const QString &path);
    // The site nodes: the maker's home page, or Korvel's page on it.
    void siteRequested(bool korvelPage);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    // After a read of the tree failed, it holds only the fixed nodes: the
    // next action that reads the catalog builds it again first, keeping
    // the selected node.
    void restoreTree();
    void showRecords(const catalog::ListRead &read);
    QTreeWidgetItem *selectedRow() const;
    void enableDeleteClass();

    void treeKeyReleased(int vk);
    void treeMouseReleased(Qt::MouseButton button, QPoint pos);
    void listMouseReleased(Qt::MouseButton button, QPoint pos);
    void popUp(QMenu *menu, QAction *defaultAction, QWidget *over, QPoint pos);

    void showCategoryDialog(bool edit);
    void deleteCategory();
    void expandAll(bool expanded);
    void openSelected();
    void editBook();
    void showBookDialog(const catalog::BookRecord *record);
    void deleteBook();
    void deleteMissingBooks();
    void showInFolder();

    AppContext m_context;
    catalog::CatalogStore m_store;
    QTreeWidget *m_tree = nullptr;
    QTreeWidget *m_list = nullptr;
    QMenu *m_editMenu = nullptr;
    QMenu *m_listMenu = nullptr;
    QAction *m_addBookAction = nullptr;
    QAction *m_editClassAction = nullptr;
    QAction *m_deleteClassAction = nullptr;
    QAction *m_openAction = nullptr;
    QAction *m_editBookAction = nullptr;
    QAction *m_deleteBookAction = nullptr;
    QAction *m_folderAction = nullptr;

    qint64 m_currentClassId = 0;
    QString m_searchText;
    bool m_treeFilled = false; // the tree holds the catalog's categories
    QSet<int> m_treeKeysDown; // keys pressed while the tree had the focus, not yet released
};

} // namespace korvel::app
