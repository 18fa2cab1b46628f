#include "app/CatalogPane.h"

#include "app/Icons.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace korvel::app {

CatalogPane::CatalogPane(QWidget *container)
    : QObject(container)
{
    setObjectName(QStringLiteral("catalogPane"));
    m_tree = new QTreeWidget(container);
    m_tree->setObjectName(QStringLiteral("tvTreeView"));
    m_tree->setHeaderHidden(true);
    m_tree->setFrameShape(QFrame::NoFrame);

    m_list = new QTreeWidget(container);
    m_list->setObjectName(QStringLiteral("lsvListView"));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setAllColumnsShowFocus(true);
    m_list->hide();
}

QWidget *CatalogPane::tree() const
{
    return m_tree;
}

QWidget *CatalogPane::list() const
{
    return m_list;
}

void CatalogPane::fillTree()
{
    m_tree->clear();
    // The key of a fixed node is its text.
    const QList<QPair<QString, int>> fixed = {{QStringLiteral("搜索结果"), 6},
                                              {QStringLiteral("访问Dalvane网站"), 3},
                                              {QStringLiteral("访问 Korvel 主页"), 3}};
    for (const auto &f : fixed) {
        auto *node = new QTreeWidgetItem(m_tree, QStringList{f.first});
        node->setData(0, Qt::UserRole, f.first);
        node->setIcon(0, treeImage(f.second));
    }
}

void CatalogPane::setUpColumns(const std::array<int, 8> &widths)
{
    m_list->clear();
    m_list->setHeaderLabels({QStringLiteral("编号"), QStringLiteral("分类号"), QStringLiteral("类型"),
                             QStringLiteral("连环画书名"), QStringLiteral("状态"), QStringLiteral("制作"),
                             QStringLiteral("绘画"), QStringLiteral("出版社"), QStringLiteral("出版时间"),
                             QStringLiteral("文件路径")});
    m_list->header()->setMinimumSectionSize(0);
    m_list->header()->setStretchLastSection(false);
    m_list->setColumnWidth(0, 0);
    m_list->setColumnWidth(1, 0);
    for (int i = 0; i < 8; ++i)
        m_list->setColumnWidth(i + 2, std::max(0, widths[i]));
}

std::array<int, 8> CatalogPane::columnWidths() const
{
    std::array<int, 8> widths{};
    for (int i = 0; i < 8; ++i)
        widths[i] = m_list->columnWidth(i + 2);
    return widths;
}

int CatalogPane::selectedNodeIndex() const
{
    if (QTreeWidgetItem *current = m_tree->currentItem()) {
        const int index = m_tree->indexOfTopLevelItem(current);
        if (index >= 0)
            return index + 1;
    }
    return 1;
}

void CatalogPane::selectNode(int index)
{
    if (index < 1 || index > m_tree->topLevelItemCount())
        index = 1;
    if (m_tree->topLevelItemCount() > 0)
        m_tree->setCurrentItem(m_tree->topLevelItem(index - 1));
}

} // namespace korvel::app
