#pragma once

#include "catalog/CatalogStore.h"

#include <QString>

class QAbstractItemView;
class QTreeWidget;
class QTreeWidgetItem;

namespace korvel::platform {
class MessageService;
}

namespace korvel::app {

// The category tree as the main window and the catalog dialogs show it.
// A node's key is kept in its data (catalog::nodeKey for a category, the
// text for a fixed node); its index counts from 1 in the order the nodes
// were added, depth first, so a dialog's tree of categories only gives each
// category the index it has in the main tree.

// The fixed nodes of the main tree, keyed by their text, always last.
extern const QString kSearchNode;     // "搜索结果"
extern const QString kDalvaneNode;    // "访问Dalvane网站"
extern const QString kKorvelSiteNode; // "访问 Korvel 主页"

// InitTreeView: rebuilds the tree from the catalog, telling the user when
// the catalog cannot be opened or read; the fixed nodes follow when asked
// for, even then. Returns the number of category nodes.
int initTreeView(QTreeWidget *tree, const catalog::CatalogStore &store, platform::MessageService &messages,
                 bool withFixedNodes);

// The texts of the tree and the list are shown cut to this many characters
// and "…": a name of millions of characters (a damaged or forged catalog)
// would take seconds to lay out at every paint. The stored value and the
// item's text stay whole.
constexpr int kLongestShownText = 1000;
QString shownText(const QString &text);
// Makes view show its texts as shownText() cuts them (initTreeView does so for its tree).
void showTextsCut(QAbstractItemView *view);

QString nodeKey(const QTreeWidgetItem *node);
bool isFixedNode(const QTreeWidgetItem *node);
int nodeIndex(const QTreeWidget *tree, const QTreeWidgetItem *node); // 0 for none
QTreeWidgetItem *nodeAt(const QTreeWidget *tree, int index);          // nullptr for none
int nodeCount(const QTreeWidget *tree);
// The node of a category, by its ClassID; nullptr when the tree has none.
QTreeWidgetItem *categoryNode(const QTreeWidget *tree, qint64 classId);
// Selects the node, opening the branches above it.
void selectNode(QTreeWidget *tree, QTreeWidgetItem *node);

} // namespace korvel::app
