#include "app/library/CategoryDialog.h"

#include "app/library/CatalogMessages.h"
#include "app/library/CategoryTree.h"
#include "app/Icons.h"
#include "catalog/CatalogStore.h"
#include "catalog/Rules.h"
#include "platform/Services.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace korvel::app {

CategoryDialog::CategoryDialog(Mode mode, int preselect, const QString &appDir, catalog::CatalogStore &store,
                               platform::MessageService &messages, platform::DialogService &dialogs, QWidget *owner)
    : QDialog(owner)
    , m_mode(mode)
    , m_appDir(appDir)
    , m_store(store)
    , m_messages(messages)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmClass"));
    setWindowTitle(mode == Mode::Edit ? QStringLiteral("连环画分类 - 修改") : QStringLiteral("连环画分类 - 添加"));
    setWindowIcon(programIcon());
    setModal(true);
    resize(420, 380);

    auto *label = new QLabel(QStringLiteral("请选择上级分类，输入分类名称和默认目录。"), this);
    label->setObjectName(QStringLiteral("Label1"));
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("tvTreeView"));
    m_tree->setHeaderHidden(true);
    m_nameBox = new QLineEdit(this);
    m_nameBox->setObjectName(QStringLiteral("Text1"));
    m_folderBox = new QLineEdit(this);
    m_folderBox->setObjectName(QStringLiteral("Text2"));
    m_browseButton = new QPushButton(QStringLiteral("浏览(&B)..."), this);
    m_browseButton->setObjectName(QStringLiteral("Command3"));
    m_okButton = new QPushButton(QStringLiteral("确定(&O)"), this);
    m_okButton->setObjectName(QStringLiteral("Command1"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("取消(&C)"), this);
    m_cancelButton->setObjectName(QStringLiteral("Command2"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0, 1, 3);
    grid->addWidget(m_tree, 1, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("分类名称"), this), 2, 0);
    grid->addWidget(m_nameBox, 2, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("默认目录"), this), 3, 0);
    grid->addWidget(m_folderBox, 3, 1);
    grid->addWidget(m_browseButton, 3, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    grid->addLayout(buttons, 4, 0, 1, 3);

    // Every change of the name, typed or loaded, proposes its folder.
    connect(m_nameBox, &QLineEdit::textChanged, this,
            [this](const QString &name) { m_folderBox->setText(catalog::categoryFolder(m_appDir, name)); });
    connect(m_browseButton, &QPushButton::clicked, this, &CategoryDialog::chooseFolder);
    connect(m_okButton, &QPushButton::clicked, this, &CategoryDialog::save);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    initTreeView(m_tree, m_store, m_messages, false);
    selectNode(m_tree, nodeAt(m_tree, preselect) ? nodeAt(m_tree, preselect) : nodeAt(m_tree, 1));
    if (mode == Mode::Add) {
        m_folderBox->setText(catalog::booksFolder(m_appDir));
        return;
    }
    m_editClassId = catalog::classIdFromKey(nodeKey(m_tree->currentItem()));
    const catalog::CategoryRead read = m_store.readCategory(m_editClassId);
    if (reportOutcome(m_messages, read.outcome)) {
        m_nameBox->setText(read.name);
        m_folderBox->setText(read.folder);
    }
}

void CategoryDialog::chooseFolder()
{
    QString folder = m_folderBox->text();
    if (m_dialogs.chooseFolder(QStringLiteral("请选择目录\n选择分类下载或附加连环画的默认目录"), folder)
        && !folder.isEmpty())
        m_folderBox->setText(folder);
    m_folderBox->setText(catalog::withoutTrailingSeparator(m_folderBox->text()));
}

void CategoryDialog::save()
{
    const QString name = m_nameBox->text();
    const QString folder = m_folderBox->text();
    if (name.isEmpty()) {
        m_messages.information(text::notice, QStringLiteral("请输入分类名称。"));
        return;
    }
    if (folder.isEmpty()) {
        m_messages.information(text::notice, QStringLiteral("请选择默认目录。"));
        return;
    }
    QStringList madeFolders;
    if (!catalog::makeCategoryFolder(folder, &madeFolders)) {
        catalog::removeMadeFolders(madeFolders);
        m_messages.information(text::notice, QStringLiteral("目录输入有误，请重新输入。"));
        return;
    }
    QTreeWidgetItem *parent = m_tree->currentItem();
    const qint64 parentId = catalog::classIdFromKey(nodeKey(parent));
    const catalog::Change change = m_mode == Mode::Add
        ? m_store.addCategory(parentId, name, folder)
        : m_store.editCategory(m_editClassId, parentId, name, folder);
    // Only a change that was made keeps the folder it wanted.
    if (change.outcome != catalog::Outcome::Done)
        catalog::removeMadeFolders(madeFolders);
    reportOutcome(m_messages, change.outcome);
    // A refused or failed change leaves the dialog open to choose again; a
    // catalog that cannot be opened closes it, and the main tree tells so.
    if (change.outcome != catalog::Outcome::Done && change.outcome != catalog::Outcome::CatalogMissing)
        return;
    m_saved = true;
    m_chosenIndex = nodeIndex(m_tree, parent);
    accept();
}

} // namespace korvel::app
