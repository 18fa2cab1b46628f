#include "app/web/DownloadDialog.h"

#include "app/library/CatalogMessages.h"
#include "app/library/CategoryTree.h"
#include "app/Icons.h"
#include "catalog/CatalogStore.h"
#include "catalog/Rules.h"
#include "platform/Services.h"
#include "platform/SiteConfig.h"
#include "web/Downloader.h"
#include "web/PageText.h"
#include "web/SiteRules.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace korvel::app {

namespace {

QLineEdit *makeBox(QWidget *parent, const char *name)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QLabel *makeLabel(QWidget *parent, const QString &text, const QString &name)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

DownloadDialog::DownloadDialog(const AppContext &context, const QString &html, const QString &address, int preselect,
                               QWidget *owner)
    : QDialog(owner)
    , m_context(context)
    , m_html(html)
{
    setObjectName(QStringLiteral("frmDownload"));
    setWindowTitle(QStringLiteral("下载连环画"));
    setWindowIcon(programIcon());
    setWindowModality(Qt::ApplicationModal);
    resize(640, 480);

    auto *heading = makeLabel(this, QStringLiteral("下载连环画文件"), QStringLiteral("Label1_0"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto *hint = makeLabel(this, QStringLiteral("打开连环画阅读页面，即可下载页面中的连环画。"), QStringLiteral("Label1_1"));
    m_addressBox = makeBox(this, "Text1");
    m_titleBox = makeBox(this, "Text2");
    m_drawerBox = makeBox(this, "Text3");
    m_publisherBox = makeBox(this, "Text4");
    m_dateBox = makeBox(this, "Text5");
    m_summaryBox = new QPlainTextEdit(this);
    m_summaryBox->setObjectName(QStringLiteral("Text6"));
    m_signBox = makeBox(this, "Text7");
    m_writerBox = makeBox(this, "Text8");
    m_coverBox = makeBox(this, "Text9");
    m_typeBox = new QComboBox(this);
    m_typeBox->setObjectName(QStringLiteral("Combo1"));
    m_typeBox->addItems({QStringLiteral("exe"), QStringLiteral("lhh")});
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("tvTreeView"));
    m_tree->setHeaderHidden(true);
    m_progress = makeLabel(this, QString(), QStringLiteral("Label1_11"));
    m_doneButton = new QPushButton(QStringLiteral("完成(&F)"), this);
    m_doneButton->setObjectName(QStringLiteral("Command1"));
    m_doneButton->hide();
    m_downloadButton = new QPushButton(QStringLiteral("下载(&D)"), this);
    m_downloadButton->setObjectName(QStringLiteral("Command3"));
    m_downloadButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("取消(&C)"), this);
    m_cancelButton->setObjectName(QStringLiteral("Command2"));
    m_advert = new QWebEngineView(this);
    m_advert->setObjectName(QStringLiteral("WebBrowser1"));
    m_advert->setContextMenuPolicy(Qt::NoContextMenu);
    m_advert->setFixedHeight(90);

    auto *grid = new QGridLayout(this);
    grid->addWidget(heading, 0, 0, 1, 4);
    grid->addWidget(hint, 1, 0, 1, 4);
    const std::pair<const char *, QWidget *> fields[] = {
        {"下载地址：", m_addressBox}, {"书名标题：", m_titleBox}, {"绘　　画：", m_drawerBox},
        {"出 版 社：", m_publisherBox}, {"出版时间：", m_dateBox}, {"内容提要：", m_summaryBox},
        {"制    作：", m_signBox},     {"作    者：", m_writerBox}, {"封面设计：", m_coverBox},
    };
    int row = 2;
    for (const auto &[caption, box] : fields) {
        grid->addWidget(makeLabel(this, QString::fromUtf8(caption), QStringLiteral("Label1_%1").arg(row)), row, 0,
                        box == m_summaryBox ? Qt::AlignTop : Qt::Alignment());
        grid->addWidget(box, row++, 1, 1, box == m_addressBox ? 3 : 1);
    }
    grid->addWidget(makeLabel(this, QStringLiteral("所属格式："), QStringLiteral("Label2_0")), row, 0);
    grid->addWidget(m_typeBox, row++, 1);
    grid->addWidget(makeLabel(this, QStringLiteral("所属分类："), QStringLiteral("Label2_1")), 3, 2, Qt::AlignTop);
    // The tree beside the fields down to the summary, the advert under it.
    grid->addWidget(m_tree, 3, 3, 5, 1);
    grid->addWidget(m_advert, 8, 2, row - 8, 2);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);
    grid->setRowStretch(7, 1); // the summary takes the room to spare
    auto *buttons = new QGridLayout;
    buttons->addWidget(m_progress, 0, 0);
    buttons->setColumnStretch(0, 1);
    // 完成 comes up in 下载's place, over it.
    buttons->addWidget(m_downloadButton, 0, 1);
    buttons->addWidget(m_doneButton, 0, 1);
    buttons->addWidget(m_cancelButton, 0, 2);
    grid->addLayout(buttons, row, 0, 1, 4);

    // The advert's links open in the desktop's browser.
    connect(m_advert->page(), &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest &request) { m_context.shell->open(request.requestedUrl()); });
    m_advert->setUrl(QUrl(platform::siteAddress(m_context.siteRoot, web::kDownloadAdvertPage)));

    const catalog::CatalogStore store(catalog::CatalogStore::pathIn(m_context.appDir));
    initTreeView(m_tree, store, *m_context.messages, false);
    QTreeWidgetItem *start = nodeAt(m_tree, preselect);
    app::selectNode(m_tree, start ? start : nodeAt(m_tree, 1));

    m_typeBox->setCurrentText(QStringLiteral("lhh"));
    m_signBox->setText(QStringLiteral("Dalvane"));
    m_addressBox->setText(address);
    m_titleBox->setText(web::pageTitle(html));
    m_drawerBox->setText(web::pageDrawer(html));
    m_summaryBox->setPlainText(web::pageSummary(html));

    m_downloader = new web::Downloader(m_context.clock, this);
    connect(m_downloader, &web::Downloader::progressed, this,
            [this](int downloaded, int total) { m_progress->setText(web::progressText(total, downloaded)); });
    connect(m_downloader, &web::Downloader::finished, this, &DownloadDialog::downloadEnded);
    connect(m_downloadButton, &QPushButton::clicked, this, &DownloadDialog::download);
    connect(m_cancelButton, &QPushButton::clicked, this, &DownloadDialog::close);
    connect(m_doneButton, &QPushButton::clicked, this, [this] {
        emit completed(m_filedClass);
        accept();
    });
}

DownloadDialog::~DownloadDialog() = default;

void DownloadDialog::download()
{
    if (m_busy)
        return;
    if (m_titleBox->text().trimmed().isEmpty()) {
        m_context.messages->information(text::notice, QStringLiteral("请输入连环画书名。"));
        return;
    }
    m_busy = true;
    m_downloadButton->setEnabled(false);
    m_cancelButton->setEnabled(false);

    web::DownloadJob job;
    job.appDir = m_context.appDir;
    job.templatePath = m_context.resource(QStringLiteral("Korvel.tmp!"));
    job.siteRoot = m_context.siteRoot;
    job.pageHtml = m_html;
    job.meta.title = m_titleBox->text();
    job.meta.summary = m_summaryBox->toPlainText();
    job.meta.writer = m_writerBox->text();
    job.meta.sign = m_signBox->text();
    job.meta.publisher = m_publisherBox->text();
    job.meta.publishdate = m_dateBox->text();
    job.meta.drawer = m_drawerBox->text();
    job.meta.url = m_addressBox->text();
    job.meta.coverdrawer = m_coverBox->text();
    job.classId = catalog::classIdFromKey(nodeKey(m_tree->currentItem()));
    // The record is filed as the dialog stands when the pages are in.
    job.recordAtEnd = [this] {
        catalog::BookRecord record;
        record.classId = catalog::classIdFromKey(nodeKey(m_tree->currentItem()));
        m_filedClass = record.classId;
        record.type = m_typeBox->currentText();
        record.title = m_titleBox->text();
        record.sign = m_signBox->text();
        record.drawer = m_drawerBox->text();
        record.publisher = m_publisherBox->text();
        record.publishDate = m_dateBox->text();
        return record;
    };
    m_downloader->start(job);
}

void DownloadDialog::downloadEnded(bool ok, const QString &message)
{
    m_busy = false;
    if (!message.isEmpty())
        m_context.messages->information(text::error, message);
    if (!ok) {
        m_downloadButton->setEnabled(true);
        m_cancelButton->setEnabled(true);
        return;
    }
    m_doneButton->show();
    m_doneButton->raise();
    m_doneButton->setDefault(true);
    m_doneButton->setFocus();
    QApplication::beep();
}

void DownloadDialog::closeEvent(QCloseEvent *e)
{
    if (m_busy) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

void DownloadDialog::reject()
{
    if (!m_busy)
        QDialog::reject();
}

} // namespace korvel::app
