#include "app/library/CategoryTree.h"

#include "app/library/CatalogMessages.h"
#include "app/Icons.h"
#include "catalog/Rules.h"
#include "view/Twips.h"

#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace korvel::app {

const QString kSearchNode = QStringLiteral("搜索结果");
const QString kDalvaneNode = QStringLiteral("访问Dalvane网站");
const QString kKorvelSiteNode = QStringLiteral("访问 Korvel 主页");

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kFixedRole = Qt::UserRole + 1;

// The usual look, with the text cut before it is laid out or measured.
class CutTextDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = shownText(option->text);
    }
};

} // namespace

QString shownText(const QString &text)
{
    if (text.size() <= kLongestShownText)
        return text;
    qsizetype cut = kLongestShownText;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QChar(0x2026);
}

void showTextsCut(QAbstractItemView *view)
{
    if (!dynamic_cast<CutTextDelegate *>(view->itemDelegate()))
        view->setItemDelegate(new CutTextDelegate(view));
}

int initTreeView(QTreeWidget *tree, const catalog::CatalogStore &store, platform::MessageService &messages,
                 bool withFixedNodes)
{
    showTextsCut(tree);
    tree->clear();
    tree->setIndentation(toPixels(100));
    const catalog::TreeRead read = store.readTree();
    reportOutcome(messages, read.outcome);

    // Built apart and put in at once: the view lays itself out only once.
    QVector<QTreeWidgetItem *> items;
    items.reserve(read.nodes.size());
    const QIcon root = treeImage(1);
    const QIcon category = treeImage(2);
    for (const catalog::CategoryNode &n : read.nodes) {
        auto *item = n.parent < 0 ? new QTreeWidgetItem : new QTreeWidgetItem(items.at(n.parent));
        item->setText(0, n.name);
        item->setData(0, kKeyRole, catalog::nodeKey(n.name, n.id));
        item->setIcon(0, n.parent < 0 ? root : category);
        items.append(item);
    }
    QList<QTreeWidgetItem *> top;
    if (!items.isEmpty())
        top << items.first();
    if (withFixedNodes) {
        const std::pair<const QString *, int> fixed[] = {{&kSearchNode, 6}, {&kDalvaneNode, 3}, {&kKorvelSiteNode, 3}};
        for (const auto &[name, image] : fixed) {
            auto *item = new QTreeWidgetItem(QStringList{*name});
            item->setData(0, kKeyRole, *name);
            item->setData(0, kFixedRole, true);
            item->setIcon(0, treeImage(image));
            top << item;
        }
    }
    tree->addTopLevelItems(top);
    // The categories are what the tree is for: the root shows its children.
    if (!items.isEmpty())
        items.first()->setExpanded(true);
    return int(items.size());
}

QString nodeKey(const QTreeWidgetItem *node)
{
    return node ? node->data(0, kKeyRole).toString() : QString();
}

bool isFixedNode(const QTreeWidgetItem *node)
{
    return node && node->data(0, kFixedRole).toBool();
}

int nodeIndex(const QTreeWidget *tree, const QTreeWidgetItem *node)
{
    if (!node)
        return 0;
    int index = 1;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget *>(tree)); *it; ++it, ++index) {
        if (*it == node)
            return index;
    }
    return 0;
}

QTreeWidgetItem *nodeAt(const QTreeWidget *tree, int index)
{
    if (index < 1)
        return nullptr;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget *>(tree)); *it; ++it) {
        if (--index == 0)
            return *it;
    }
    return nullptr;
}

int nodeCount(const QTreeWidget *tree)
{
    int count = 0;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget *>(tree)); *it; ++it)
        ++count;
    return count;
}

QTreeWidgetItem *categoryNode(const QTreeWidget *tree, qint64 classId)
{
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget *>(tree)); *it; ++it) {
        if (!isFixedNode(*it) && catalog::classIdFromKey(nodeKey(*it)) == classId)
            return *it;
    }
    return nullptr;
}

void selectNode(QTreeWidget *tree, QTreeWidgetItem *node)
{
    if (!node)
        return;
    for (QTreeWidgetItem *p = node->parent(); p; p = p->parent())
        p->setExpanded(true);
    tree->setCurrentItem(node);
    tree->scrollToItem(node);
}

} // namespace korvel::app
