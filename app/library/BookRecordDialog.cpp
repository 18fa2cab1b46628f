#include "app/library/BookRecordDialog.h"

#include "app/library/CatalogMessages.h"
#include "app/library/CategoryTree.h"
#include "app/Icons.h"
#include "catalog/Rules.h"
#include "platform/Services.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace korvel::app {

namespace {

QLineEdit *makeBox(QWidget *parent, const char *name)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

} // namespace

BookRecordDialog::BookRecordDialog(const catalog::BookRecord *record, int preselect, catalog::CatalogStore &store,
                                   platform::MessageService &messages, platform::DialogService &dialogs, QWidget *owner)
    : QDialog(owner)
    , m_edit(record != nullptr)
    , m_store(store)
    , m_messages(messages)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmAddlhh"));
    setWindowTitle(m_edit ? QStringLiteral("修改连环画") : QStringLiteral("添加连环画"));
    setWindowIcon(programIcon());
    setModal(true);
    resize(560, 400);

    auto *heading = new QLabel(QStringLiteral("选择连环画文件"), this);
    heading->setObjectName(QStringLiteral("Label1_0"));
    auto *hint = new QLabel(QStringLiteral("请选择需要管理到连环画文件，目前系统支持格式：.exe,.lhh"), this);
    hint->setObjectName(QStringLiteral("Label1_1"));
    hint->setWordWrap(true);
    m_pathBox = makeBox(this, "Text1");
    m_browseButton = new QPushButton(QStringLiteral("浏览(&B)..."), this);
    m_browseButton->setObjectName(QStringLiteral("Command1"));
    m_typeBox = new QComboBox(this);
    m_typeBox->setObjectName(QStringLiteral("Combo1"));
    m_typeBox->addItems({QStringLiteral("exe"), QStringLiteral("lhh")});
    m_typeBox->setCurrentIndex(1);
    m_titleBox = makeBox(this, "Text2");
    m_signBox = makeBox(this, "Text7");
    m_drawerBox = makeBox(this, "Text3");
    m_publisherBox = makeBox(this, "Text4");
    m_dateBox = makeBox(this, "Text5");
    m_idBox = makeBox(this, "Text6");
    m_idBox->setReadOnly(true);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("tvTreeView"));
    m_tree->setHeaderHidden(true);
    m_keepAddingBox = new QCheckBox(QStringLiteral("连续添加"), this);
    m_keepAddingBox->setObjectName(QStringLiteral("Check1"));
    m_okButton = new QPushButton(QStringLiteral("确定(&O)"), this);
    m_okButton->setObjectName(QStringLiteral("Command3"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("取消(&C)"), this);
    m_cancelButton->setObjectName(QStringLiteral("Command2"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(heading, 0, 0, 1, 3);
    grid->addWidget(hint, 1, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("文件路径"), this), 2, 0);
    grid->addWidget(m_pathBox, 2, 1);
    grid->addWidget(m_browseButton, 2, 2);
    const std::pair<const char *, QWidget *> fields[] = {
        {"类型", m_typeBox},       {"书名", m_titleBox},      {"制作", m_signBox}, {"绘画", m_drawerBox},
        {"出版社", m_publisherBox}, {"出版时间", m_dateBox}, {"编号", m_idBox},
    };
    int row = 3;
    for (const auto &[caption, box] : fields) {
        auto *label = new QLabel(QString::fromUtf8(caption), this);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row++, 1);
        if (box == m_idBox)
            label->setVisible(m_edit);
    }
    m_idBox->setVisible(m_edit);
    grid->addWidget(new QLabel(QStringLiteral("分类"), this), 3, 2);
    grid->addWidget(m_tree, 4, 2, row - 4, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(row - 1, 1); // room to spare goes below the fields and to the tree
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_keepAddingBox);
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    grid->addLayout(buttons, row, 0, 1, 3);

    connect(m_browseButton, &QPushButton::clicked, this, &BookRecordDialog::chooseFile);
    connect(m_okButton, &QPushButton::clicked, this, &BookRecordDialog::save);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    initTreeView(m_tree, m_store, m_messages, false);
    QTreeWidgetItem *start = nodeAt(m_tree, preselect) ? nodeAt(m_tree, preselect) : nodeAt(m_tree, 1);
    if (record) {
        // A record keeps its own category unless another is chosen, wherever
        // it was listed from (a search result has no category of its own).
        if (QTreeWidgetItem *own = categoryNode(m_tree, record->classId))
            start = own;
        m_pathBox->setText(record->path);
        m_titleBox->setText(record->title);
        m_signBox->setText(record->sign);
        m_drawerBox->setText(record->drawer);
        m_publisherBox->setText(record->publisher);
        m_dateBox->setText(record->publishDate);
        m_idBox->setText(QString::number(record->id));
        setType(record->type);
    }
    selectNode(m_tree, start);
}

void BookRecordDialog::setType(const QString &type)
{
    // A type of an older catalog that is neither is kept as it is.
    if (m_typeBox->findText(type) < 0)
        m_typeBox->addItem(type);
    m_typeBox->setCurrentIndex(m_typeBox->findText(type));
}

void BookRecordDialog::clearFields()
{
    for (QLineEdit *box : {m_pathBox, m_titleBox, m_drawerBox, m_publisherBox, m_dateBox, m_signBox})
        box->clear();
}

void BookRecordDialog::chooseFile()
{
    platform::FileDialogRequest request;
    request.title = QStringLiteral("打开连环画文件");
    request.filters = {{QStringLiteral("连环画文件(*.lhh;*.exe)"), QStringLiteral("*.lhh;*.exe")},
                       {QStringLiteral("连环画文件(*.lhh)"), QStringLiteral("*.lhh")},
                       {QStringLiteral("连环画文件(*.exe)"), QStringLiteral("*.exe")}};
    request.flags = 4;
    if (!m_dialogs.showOpen(request))
        return;
    QString path = request.fileName;
    path.remove(QChar(0));
    if (path.isEmpty())
        return;
    m_pathBox->setText(path);
    const QString kind = path.right(3).toLower();
    if (kind == QLatin1String("exe")) {
        setType(QStringLiteral("exe"));
    } else if (kind == QLatin1String("lhh")) {
        const catalog::BookFileRead read = catalog::readBookFile(path);
        if (read.outcome == catalog::BookFileRead::Outcome::OpenFailed) {
            m_messages.information(text::error, text::bookOpenFailed);
            clearFields();
            return;
        }
        setType(QStringLiteral("lhh"));
        if (read.outcome == catalog::BookFileRead::Outcome::ReadFailed) {
            m_messages.information(text::error, text::recordsReadFailed);
            return;
        }
        m_titleBox->setText(read.meta.title);
        m_drawerBox->setText(read.meta.drawer);
        m_publisherBox->setText(read.meta.publisher);
        m_dateBox->setText(read.meta.publishdate);
        m_signBox->setText(read.meta.sign);
    } else {
        m_messages.information(text::error, QStringLiteral("系统目前支持格式为 .exe|.lhh，不支持其他格式。"));
        // A refused file is not kept for the next save.
        m_pathBox->clear();
    }
}

void BookRecordDialog::save()
{
    if (m_pathBox->text().isEmpty()) {
        m_messages.information(text::notice, QStringLiteral("请选择连环画文件。"));
        return;
    }
    if (m_titleBox->text().isEmpty()) {
        m_messages.information(text::notice, QStringLiteral("请输入连环画书名。"));
        return;
    }
    catalog::BookRecord record;
    record.classId = catalog::classIdFromKey(nodeKey(m_tree->currentItem()));
    record.type = m_typeBox->currentText();
    record.title = m_titleBox->text();
    record.sign = m_signBox->text();
    record.drawer = m_drawerBox->text();
    record.publisher = m_publisherBox->text();
    record.publishDate = m_dateBox->text();
    record.path = m_pathBox->text();
    record.id = m_idBox->text().toLongLong();
    const catalog::Change change = m_edit ? m_store.updateBook(record) : m_store.addBook(record);
    reportOutcome(m_messages, change.outcome, text::recordsReadFailed);
    if (change.outcome == catalog::Outcome::WriteFailed)
        return; // what was typed stays, to save again or cancel
    clearFields();
    emit saved();
    if (!m_keepAddingBox->isChecked())
        accept();
}

} // namespace korvel::app
