#include "app/library/CatalogPane.h"

#include "app/library/CatalogMessages.h"
#include "app/library/CategoryTree.h"
#include "app/library/BookRecordDialog.h"
#include "app/library/CategoryDialog.h"
#include "app/Icons.h"
#include "book/RecentList.h"
#include "catalog/Rules.h"
#include "platform/SaveTarget.h"
#include "platform/Services.h"
#include "view/Twips.h"
#include "widgets/KeyCodes.h"
#include "widgets/VirtualKeys.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <functional>

namespace korvel::app {

namespace {

const QString kSearchPrompt = QStringLiteral("请输入连环画书名");
const QString kPresent = QStringLiteral("正常");
const QString kGone = QStringLiteral("已删");

// The list's columns, by what they hold.
enum Column { IdColumn, ClassColumn, TypeColumn, TitleColumn, StatusColumn, SignColumn, DrawerColumn,
              PublisherColumn, DateColumn, PathColumn };

catalog::BookRecord recordOf(const QTreeWidgetItem *row)
{
    catalog::BookRecord r;
    r.id = row->text(IdColumn).toLongLong();
    r.classId = row->text(ClassColumn).toLongLong();
    r.type = row->text(TypeColumn);
    r.title = row->text(TitleColumn);
    r.present = row->text(StatusColumn) == kPresent;
    r.sign = row->text(SignColumn);
    r.drawer = row->text(DrawerColumn);
    r.publisher = row->text(PublisherColumn);
    r.publishDate = row->text(DateColumn);
    r.path = row->text(PathColumn);
    return r;
}

} // namespace

CatalogPane::CatalogPane(const AppContext &context, QWidget *container)
    : QObject(container)
    , m_context(context)
    , m_store(catalog::CatalogStore::pathIn(context.appDir))
    , m_searchText(kSearchPrompt)
{
    setObjectName(QStringLiteral("catalogPane"));
    m_tree = new QTreeWidget(container);
    m_tree->setObjectName(QStringLiteral("tvTreeView"));
    m_tree->setHeaderHidden(true);
    m_tree->setFrameShape(QFrame::NoFrame);
    m_tree->setContextMenuPolicy(Qt::PreventContextMenu);
    m_tree->installEventFilter(this);
    m_tree->viewport()->installEventFilter(this);

    m_list = new QTreeWidget(container);
    showTextsCut(m_list);
    m_list->setObjectName(QStringLiteral("lsvListView"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setAllColumnsShowFocus(true);
    m_list->setContextMenuPolicy(Qt::PreventContextMenu);
    m_list->header()->setSectionsClickable(false);
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    m_list->hide();
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (selectedRow())
            openSelected();
    });
    buildMenus();
}

void CatalogPane::buildMenus()
{
    auto add = [this](QMenu *menu, const char *name, const char *text, std::function<void()> slot) {
        QAction *a = menu->addAction(QString::fromUtf8(text));
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, std::move(slot));
        return a;
    };
    auto separator = [](QMenu *menu, const char *name) { menu->addSeparator()->setObjectName(QLatin1String(name)); };

    m_editMenu = new QMenu(QStringLiteral("编辑(&E)"), m_tree);
    m_addBookAction = add(m_editMenu, "mnuAddlhh", "添加连环画", [this] { addBook(); });
    separator(m_editMenu, "mnuBar21");
    add(m_editMenu, "mnuAddClass", "添加连环画分类", [this] { showCategoryDialog(false); });
    m_editClassAction = add(m_editMenu, "mnuEditClass", "修改连环画分类", [this] { showCategoryDialog(true); });
    m_deleteClassAction = add(m_editMenu, "mnuDelClass", "删除连环画分类", [this] { deleteCategory(); });
    separator(m_editMenu, "mnuBar22");
    add(m_editMenu, "mnuExpandClass", "展开连环画分类", [this] { expandAll(true); });
    add(m_editMenu, "mnuiUnExpandClass", "收缩连环画分类", [this] { expandAll(false); });
    // What a right click took away applies to its popup only: the menu bar's
    // Edit menu offers every command again.
    connect(m_editMenu, &QMenu::aboutToHide, this, [this] {
        m_addBookAction->setEnabled(true);
        m_editClassAction->setEnabled(true);
        enableDeleteClass();
        m_editMenu->setDefaultAction(nullptr);
    });

    m_listMenu = new QMenu(QStringLiteral("操作(&O)"), m_list);
    m_openAction = add(m_listMenu, "mnuOpenlhh", "打开", [this] { openSelected(); });
    separator(m_listMenu, "mnuBar31");
    add(m_listMenu, "mnuAddlhh1", "添加", [this] { addBook(); });
    m_editBookAction = add(m_listMenu, "mnuEditlhh", "修改", [this] { editBook(); });
    m_deleteBookAction = add(m_listMenu, "mnuDellhh", "删除", [this] { deleteBook(); });
    separator(m_listMenu, "mnuBar32");
    add(m_listMenu, "mnuDelAlllhh", "删除全部已删", [this] { deleteMissingBooks(); });
    separator(m_listMenu, "mnuBar33");
    m_folderAction = add(m_listMenu, "mnuDir", "打开文件目录", [this] { showInFolder(); });
}

QWidget *CatalogPane::tree() const
{
    return m_tree;
}

QWidget *CatalogPane::list() const
{
    return m_list;
}

// ------------------------------------------------------------------ the tree

void CatalogPane::fillTree()
{
    m_treeFilled = initTreeView(m_tree, m_store, *m_context.messages, true) > 0;
}

void CatalogPane::restoreTree()
{
    if (m_treeFilled)
        return;
    // Quietly: the action that follows reads the catalog too, and tells
    // the user if it still cannot.
    const catalog::TreeRead read = m_store.readTree();
    if (read.outcome != catalog::Outcome::Done || read.nodes.isEmpty())
        return;
    // The search node stays chosen when that is what the user chose; else
    // the category listed before, or the root.
    const bool onSearchNode = nodeKey(m_tree->currentItem()) == kSearchNode;
    fillTree();
    QTreeWidgetItem *node = onSearchNode ? nodeAt(m_tree, nodeCount(m_tree) - 2) : categoryNode(m_tree, m_currentClassId);
    app::selectNode(m_tree, node ? node : nodeAt(m_tree, 1));
}

int CatalogPane::selectedNodeIndex() const
{
    const int index = nodeIndex(m_tree, m_tree->currentItem());
    return index > 0 ? index : 1;
}

void CatalogPane::selectNode(int index)
{
    QTreeWidgetItem *node = nodeAt(m_tree, index);
    app::selectNode(m_tree, node ? node : nodeAt(m_tree, 1));
}

void CatalogPane::showCategory(qint64 classId)
{
    if (QTreeWidgetItem *node = categoryNode(m_tree, classId))
        app::selectNode(m_tree, node);
    clickTreeView(true);
}

void CatalogPane::enableDeleteClass()
{
    m_deleteClassAction->setEnabled(nodeIndex(m_tree, m_tree->currentItem()) != 1);
}

int CatalogPane::preselectedIndex() const
{
    // The dialogs' trees hold the categories only: a fixed node stands for the root.
    QTreeWidgetItem *node = m_tree->currentItem();
    return node && !isFixedNode(node) ? nodeIndex(m_tree, node) : 1;
}

void CatalogPane::expandAll(bool expanded)
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        (*it)->setExpanded(expanded);
}

void CatalogPane::showCategoryDialog(bool edit)
{
    restoreTree();
    CategoryDialog dialog(edit ? CategoryDialog::Mode::Edit : CategoryDialog::Mode::Add, preselectedIndex(), m_context.appDir, m_store,
                          *m_context.messages, *m_context.dialogs, m_tree->window());
    dialog.exec();
    if (!dialog.saved())
        return;
    fillTree();
    app::selectNode(m_tree, nodeAt(m_tree, dialog.chosenIndex()));
}

void CatalogPane::deleteCategory()
{
    const QString refusedRoot = QStringLiteral("无法删除根分类。");
    QTreeWidgetItem *node = m_tree->currentItem();
    if (node && !isFixedNode(node) && nodeIndex(m_tree, node) == 1) {
        m_context.messages->information(text::notice, refusedRoot);
        return;
    }
    if (!node || isFixedNode(node)) {
        m_context.messages->information(text::notice, QStringLiteral("请选择要删除的分类。"));
        return;
    }
    if (m_context.messages->information(text::notice, QStringLiteral("删除分类将同时删除所有的子分类，是否继续？"),
                                        platform::MessageService::Buttons::YesNo)
        == platform::MessageService::Answer::No)
        return;
    const int parentIndex = nodeIndex(m_tree, node->parent());
    const catalog::Change change = m_store.deleteCategory(catalog::classIdFromKey(nodeKey(node)));
    // A catalog that cannot be opened is told by the rebuild that follows.
    if (change.outcome == catalog::Outcome::IsRoot)
        m_context.messages->information(text::notice, refusedRoot);
    else if (change.outcome != catalog::Outcome::CatalogMissing)
        reportOutcome(*m_context.messages, change.outcome);
    fillTree();
    if (m_treeFilled)
        app::selectNode(m_tree, nodeAt(m_tree, parentIndex));
}

void CatalogPane::treeKeyReleased(int vk)
{
    enableDeleteClass();
    if (vk == widgets::vk::Apps) {
        const QRect r = m_tree->visualItemRect(m_tree->currentItem());
        popUp(m_editMenu, m_addBookAction, m_tree->viewport(), r.isValid() ? r.center() : QPoint(10, 10));
        return;
    }
    clickTreeView(false);
}

void CatalogPane::treeMouseReleased(Qt::MouseButton button, QPoint pos)
{
    enableDeleteClass();
    QTreeWidgetItem *under = m_tree->itemAt(pos);
    if (button == Qt::RightButton) {
        for (QAction *a : {m_addBookAction, m_editClassAction, m_deleteClassAction})
            a->setEnabled(under != nullptr);
        popUp(m_editMenu, m_addBookAction, m_tree->viewport(), pos);
    } else if (button == Qt::LeftButton && under) {
        clickTreeView(false);
    }
}

void CatalogPane::popUp(QMenu *menu, QAction *defaultAction, QWidget *over, QPoint pos)
{
    menu->setDefaultAction(defaultAction);
    menu->popup(over->mapToGlobal(pos));
}

// ------------------------------------------------------------------ the list

void CatalogPane::setUpColumns(const float (&widths)[8])
{
    m_list->clear();
    m_list->setHeaderLabels({QStringLiteral("编号"), QStringLiteral("分类号"), QStringLiteral("类型"),
                             QStringLiteral("连环画书名"), QStringLiteral("状态"), QStringLiteral("制作"),
                             QStringLiteral("绘画"), QStringLiteral("出版社"), QStringLiteral("出版时间"),
                             QStringLiteral("文件路径")});
    m_list->header()->setMinimumSectionSize(0);
    m_list->header()->setStretchLastSection(false);
    m_list->setColumnWidth(IdColumn, 0);
    m_list->setColumnWidth(ClassColumn, 0);
    for (int i = 0; i < 8; ++i)
        m_list->setColumnWidth(i + 2, std::max(0, toPixels(widths[i])));
}

void CatalogPane::columnWidths(float (&widths)[8]) const
{
    for (int i = 0; i < 8; ++i)
        widths[i] = toTwips(m_list->columnWidth(i + 2));
}

void CatalogPane::clickTreeView(bool force)
{
    emit listWanted();
    QTreeWidgetItem *node = m_tree->currentItem();
    if (!node)
        return;
    QString key = nodeKey(node);
    if (key == kDalvaneNode) {
        emit siteRequested(false);
        return;
    }
    if (key == kKorvelSiteNode) {
        emit siteRequested(true);
        return;
    }
    restoreTree();
    node = m_tree->currentItem();
    key = nodeKey(node);
    if (isFixedNode(node)) {
        search();
        return;
    }
    enableDeleteClass();
    const qint64 classId = catalog::classIdFromKey(key);
    if (classId == m_currentClassId && !force)
        return;
    const catalog::ListRead read = m_store.listCategory(classId);
    if (!reportOutcome(*m_context.messages, read.outcome, text::recordsReadFailed))
        return;
    // Only a category that was listed counts as shown: clicking it again retries.
    m_currentClassId = classId;
    showRecords(read);
}

void CatalogPane::search()
{
    restoreTree();
    m_currentClassId = 0;
    if (m_searchText.isEmpty() || m_searchText == kSearchPrompt) {
        m_list->clear();
        return;
    }
    const catalog::ListRead read = m_store.searchTitles(m_searchText);
    if (!reportOutcome(*m_context.messages, read.outcome, text::recordsReadFailed))
        return;
    showRecords(read);
    if (read.records.isEmpty())
        return;
    app::selectNode(m_tree, nodeAt(m_tree, nodeCount(m_tree) - 2));
}

void CatalogPane::showRecords(const catalog::ListRead &read)
{
    emit countChanged(QStringLiteral("本分类共 %1 本").arg(read.records.size()));
    m_list->clear();
    static const QIcon lhhImage = listImage(2), otherImage = listImage(7), presentImage = listImage(4),
                       goneImage = listImage(5);
    QList<QTreeWidgetItem *> rows;
    rows.reserve(read.records.size());
    for (const catalog::BookRecord &r : read.records) {
        auto *row = new QTreeWidgetItem(QStringList{QString::number(r.id), QString::number(r.classId), r.type, r.title,
                                                    r.present ? kPresent : kGone, r.sign, r.drawer, r.publisher,
                                                    r.publishDate, r.path});
        row->setIcon(TypeColumn, r.type == QLatin1String("lhh") ? lhhImage : otherImage);
        row->setIcon(StatusColumn, r.present ? presentImage : goneImage);
        rows.append(row);
    }
    m_list->addTopLevelItems(rows);
}

QTreeWidgetItem *CatalogPane::selectedRow() const
{
    const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void CatalogPane::listMouseReleased(Qt::MouseButton button, QPoint pos)
{
    if (button != Qt::RightButton)
        return;
    QTreeWidgetItem *under = m_list->itemAt(pos);
    for (QAction *a : {m_openAction, m_editBookAction, m_deleteBookAction})
        a->setEnabled(under != nullptr);
    m_folderAction->setEnabled(under && under->text(StatusColumn) == kPresent);
    popUp(m_listMenu, under ? m_openAction : nullptr, m_list->viewport(), pos);
}

void CatalogPane::openSelected()
{
    QTreeWidgetItem *row = selectedRow();
    if (!row || row->text(PathColumn).isEmpty())
        return;
    if (row->text(StatusColumn) == kGone) {
        m_context.messages->information(text::error, QStringLiteral("文件已被删除，请重新选择。"));
        return;
    }
    // The catalog's opener: the recorded type says how, and the path goes to
    // the top of the recent list whatever came of it.
    const QString path = row->text(PathColumn);
    const QString type = row->text(TypeColumn);
    if (type == QLatin1String("lhh"))
        emit bookWanted(path);
    else if (type == QLatin1String("exe"))
        m_context.shell->open(QUrl::fromLocalFile(path));
    m_context.recent->promote(path);
}

void CatalogPane::addBook()
{
    showBookDialog(nullptr);
}

void CatalogPane::editBook()
{
    QTreeWidgetItem *row = selectedRow();
    if (!row) {
        m_context.messages->information(text::notice, text::noRowToEdit);
        return;
    }
    const catalog::BookRecord record = recordOf(row);
    showBookDialog(&record);
}

void CatalogPane::showBookDialog(const catalog::BookRecord *record)
{
    restoreTree();
    BookRecordDialog dialog(record, preselectedIndex(), m_store, *m_context.messages, *m_context.dialogs, m_tree->window());
    connect(&dialog, &BookRecordDialog::saved, this, [this] { clickTreeView(true); });
    dialog.exec();
}

void CatalogPane::deleteBook()
{
    QTreeWidgetItem *row = selectedRow();
    if (!row) {
        m_context.messages->information(text::notice, QStringLiteral("请选择要删除的数据。"));
        return;
    }
    if (m_context.messages->information(text::notice, QStringLiteral("即将删除指定连环画，是否继续？"),
                                        platform::MessageService::Buttons::YesNo)
        == platform::MessageService::Answer::No)
        return;
    reportOutcome(*m_context.messages, m_store.deleteBook(row->text(IdColumn).toLongLong()).outcome);
    clickTreeView(true);
}

void CatalogPane::deleteMissingBooks()
{
    if (m_context.messages->information(text::notice, QStringLiteral("即将删除所有文件已删除的连环画，是否继续？"),
                                        platform::MessageService::Buttons::YesNo)
        == platform::MessageService::Answer::No)
        return;
    // The rows as listed, with the status they were listed with.
    QVector<qint64> gone;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        if (m_list->topLevelItem(i)->text(StatusColumn) == kGone)
            gone << m_list->topLevelItem(i)->text(IdColumn).toLongLong();
    }
    reportOutcome(*m_context.messages, m_store.deleteBooks(gone).outcome);
    clickTreeView(true);
}

void CatalogPane::showInFolder()
{
    QTreeWidgetItem *row = selectedRow();
    if (row && row->text(StatusColumn) == kPresent && !row->text(PathColumn).isEmpty())
        m_context.shell->showInFolder(row->text(PathColumn));
}

void CatalogPane::saveCopy()
{
    QTreeWidgetItem *row = selectedRow();
    if (!row) {
        m_context.messages->information(text::notice, text::noRowToEdit);
        return;
    }
    const QString type = row->text(TypeColumn);
    platform::FileDialogRequest request;
    request.title = QStringLiteral("保存连环画文件");
    request.filters = {{QStringLiteral("连环画文件(*.lhh;*.exe)"), QStringLiteral("*.lhh;*.exe")},
                       {QStringLiteral("连环画文件(*.lhh)"), QStringLiteral("*.lhh")},
                       {QStringLiteral("连环画文件(*.exe)"), QStringLiteral("*.exe")}};
    request.flags = 6; // no read-only box; ask before replacing a file
    request.fileName = row->text(TitleColumn) + QLatin1Char('.') + type;
    if (!m_context.dialogs->showSave(request))
        return;
    QString name = request.fileName;
    name.remove(QChar(0));
    if (name.isEmpty())
        return;
    const QString target = catalog::copyName(name, type);
    if (!platform::mayReplace(*m_context.messages, request.title, name, target))
        return;
    // A copy that cannot be made (the book is gone or open) leaves everything as it was.
    catalog::saveCopy(row->text(PathColumn), target);
}

// ------------------------------------------------------------------ events

bool CatalogPane::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_tree && type == QEvent::KeyRelease) {
        // Only a key pressed on the tree counts: the release of the key that
        // answered a message box lands here, and must not ask again.
        auto *key = static_cast<QKeyEvent *>(event);
        if (!key->isAutoRepeat() && m_treeKeysDown.remove(key->key()))
            treeKeyReleased(widgets::vkCode(*key));
    } else if (watched == m_tree && type == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!key->isAutoRepeat())
            m_treeKeysDown.insert(key->key());
    } else if (watched == m_tree && type == QEvent::FocusOut) {
        m_treeKeysDown.clear();
    } else if (watched == m_tree->viewport()
               && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)) {
        // The right button selects the node under the pointer, so the popup
        // acts on what the user pointed at; the view itself does nothing else with it.
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            if (QTreeWidgetItem *under = m_tree->itemAt(mouse->position().toPoint()))
                m_tree->setCurrentItem(under);
            return true;
        }
    } else if (watched == m_tree->viewport() && type == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        treeMouseReleased(mouse->button(), mouse->position().toPoint());
    } else if (watched == m_list && type == QEvent::KeyRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!key->isAutoRepeat() && widgets::vkCode(*key) == widgets::vk::Apps) {
            const QRect r = m_list->visualItemRect(selectedRow());
            popUp(m_listMenu, m_openAction, m_list->viewport(), r.isValid() ? r.center() : QPoint(10, 10));
        }
    } else if (watched == m_list->viewport() && type == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        listMouseReleased(mouse->button(), mouse->position().toPoint());
    }
    return QObject::eventFilter(watched, event);
}

} // namespace korvel::app
