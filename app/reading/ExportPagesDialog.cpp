#include "app/reading/ExportPagesDialog.h"

#include "app/Icons.h"
#include "app/reading/PageSaving.h"
#include "book/ReadingSession.h"
#include "platform/Services.h"

#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace korvel::app {

ExportPagesDialog::ExportPagesDialog(book::ReadingSession &session, platform::MessageService &messages,
                                     platform::DialogService &dialogs, QWidget *owner)
    : QDialog(owner)
    , m_session(session)
    , m_messages(messages)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmSaveAllPic"));
    setWindowTitle(QStringLiteral("保存全部图片"));
    setWindowIcon(programIcon());
    setModal(true);

    auto *grid = new QGridLayout(this);
    auto *label = new QLabel(QStringLiteral("释放目录(&F)："), this);
    label->setObjectName(QStringLiteral("Label1"));
    m_folderBox = new QLineEdit(this);
    m_folderBox->setObjectName(QStringLiteral("Text2"));
    m_folderBox->setMinimumWidth(280);
    label->setBuddy(m_folderBox);
    m_browseButton = new QPushButton(QStringLiteral("浏览(&B)..."), this);
    m_browseButton->setObjectName(QStringLiteral("Command3"));
    m_okButton = new QPushButton(QStringLiteral("确定(&O)"), this);
    m_okButton->setObjectName(QStringLiteral("Command1"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("取消(&C)"), this);
    m_cancelButton->setObjectName(QStringLiteral("Command2"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("prgExport"));
    m_progress->setFormat(QStringLiteral("%v / %m"));
    m_progress->hide();

    grid->addWidget(label, 0, 0, 1, 3);
    grid->addWidget(m_folderBox, 1, 0, 1, 2);
    grid->addWidget(m_browseButton, 1, 2);
    grid->addWidget(m_progress, 2, 0, 1, 3);
    grid->addWidget(m_okButton, 3, 1);
    grid->addWidget(m_cancelButton, 3, 2);
    grid->setColumnStretch(0, 1);

    m_stepTimer = new QTimer(this);
    m_stepTimer->setObjectName(QStringLiteral("timExport"));
    m_stepTimer->setSingleShot(true);
    m_stepTimer->setInterval(0);

    connect(m_browseButton, &QPushButton::clicked, this, &ExportPagesDialog::chooseFolder);
    connect(m_okButton, &QPushButton::clicked, this, &ExportPagesDialog::startExport);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_stepTimer, &QTimer::timeout, this, &ExportPagesDialog::exportStep);
}

ExportPagesDialog::~ExportPagesDialog() = default;

void ExportPagesDialog::chooseFolder()
{
    QString folder = m_folderBox->text();
    if (!m_dialogs.chooseFolder(QStringLiteral("请选择目录") + QLatin1Char('\n')
                                    + QStringLiteral("选择分类下载或附加连环画的默认目录"),
                                folder))
        return;
    folder = folder.section(QChar(0), 0, 0);
    if (!folder.isEmpty())
        m_folderBox->setText(folder);
}

void ExportPagesDialog::startExport()
{
    if (m_export)
        return;
    QString folder;
    switch (maker::PageExport::prepareFolder(m_folderBox->text(), &folder)) {
    case maker::PageExport::FolderCheck::Empty:
        m_messages.information(QStringLiteral("提示"), QStringLiteral("请选择默认目录。"));
        return;
    case maker::PageExport::FolderCheck::NotAFolder:
        m_messages.information(QStringLiteral("提示"), QStringLiteral("目录输入有误，请重新输入。"));
        return;
    case maker::PageExport::FolderCheck::Ready:
        break;
    }
    if (!QFileInfo(folder).isWritable()) {
        m_messages.information(QStringLiteral("提示"), QStringLiteral("无法在这个目录中保存图片，请重新选择：\n") + folder);
        return;
    }
    // Without an open book there is nothing to write, and nothing is written.
    if (!m_session.isOpen())
        return;
    const QVector<qint32> numbers = m_session.pageNumbers();
    m_export = std::make_unique<maker::PageExport>(folder, int(numbers.size()), [this, numbers](int position) {
        return m_session.readPageBytes(numbers.at(position));
    });
    m_okButton->setEnabled(false);
    m_progress->setRange(0, m_export->pageCount());
    m_progress->setValue(0);
    m_progress->show();
    m_stepTimer->start();
}

void ExportPagesDialog::exportStep()
{
    if (!m_export)
        return;
    if (m_export->finished() || !m_session.isOpen()) {
        finishExport();
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const maker::SaveError e = m_export->exportNext();
    QApplication::restoreOverrideCursor();
    m_progress->setValue(m_export->done());
    if (e)
        m_messages.information(QStringLiteral("错误"), maker::saveErrorText(e));
    // The dialog may have been closed while the message was up.
    if (m_export)
        m_stepTimer->start();
}

void ExportPagesDialog::finishExport()
{
    m_stepTimer->stop();
    m_export.reset();
    m_okButton->setEnabled(true);
    m_progress->hide();
    emit exportFinished();
}

void ExportPagesDialog::done(int result)
{
    if (m_export)
        finishExport();
    QDialog::done(result);
}

} // namespace korvel::app
