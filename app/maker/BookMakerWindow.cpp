#include "app/maker/BookMakerWindow.h"
#include <QWindow>

#include "app/Icons.h"
#include "app/maker/PageListView.h"
#include "catalog/Rules.h"
#include "maker/BookMaker.h"
#include "maker/MakerLayout.h"
#include "maker/PictureSources.h"
#include "platform/Services.h"
#include "view/PictureDecoder.h"
#include "view/Twips.h"
#include "view/WindowLayout.h"
#include "web/BookName.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QToolBar>

#include <cmath>

namespace korvel::app {

namespace {

const QString kNoticeTitle = QStringLiteral("提示");
const QString kErrorTitle = QStringLiteral("错误");

} // namespace

// The preview box (picView): the selected page drawn stretched inside a
// single border, decoded no larger than the box shows it.
class PreviewBox final : public QFrame {
public:
    explicit PreviewBox(QWidget *parent)
        : QFrame(parent)
    {
        setObjectName(QStringLiteral("picView"));
        setFrameShape(QFrame::Box);
        setLineWidth(1);
    }
    void setImage(const QImage &image)
    {
        m_image = image;
        update();
    }
    const QImage &image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *e) override
    {
        QFrame::paintEvent(e);
        if (m_image.isNull())
            return;
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(contentsRect(), m_image);
    }

private:
    QImage m_image;
};

BookMakerWindow::BookMakerWindow(const AppContext &context, QWidget *owner)
    // Owned as a window (it stays above its owner), not as a child: its
    // controls share object names with the main window's (Toolbar, Text2...),
    // and a search of the main window must never find them.
    : QWidget(nullptr, Qt::Window)

    , m_context(context)
    , m_pages(new maker::BookMaker(this))
{
    m_owner = owner;
    setObjectName(QStringLiteral("frmMaklhh"));
    setWindowTitle(QStringLiteral("制作连环画"));
    setWindowIcon(programIcon());
    setAttribute(Qt::WA_DeleteOnClose);
    m_sources = std::make_unique<maker::PictureSources>();
    buildControls();
    buildPanel();
    connectControls();
    resize(800, 600);
}

BookMakerWindow::~BookMakerWindow() = default;

BookMakerWindow *BookMakerWindow::showOne(QPointer<BookMakerWindow> &maker, const AppContext &context, QWidget *owner)
{
    if (!maker) {
        maker = new BookMakerWindow(context, owner);
        maker->winId();
        if (owner && owner->window()->windowHandle())
            maker->windowHandle()->setTransientParent(owner->window()->windowHandle());
    }
    maker->show();
    if (maker->isMinimized())
        maker->showNormal();
    maker->raise();
    maker->activateWindow();
    return maker;
}

// ------------------------------------------------------------------ building

void BookMakerWindow::buildControls()
{
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("Toolbar"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_toolbar->setStyleSheet(QStringLiteral(
        "QToolBar#Toolbar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f7fc, stop:1 #c6d3e8);"
        " border: none; }"));
    const QStringList captions = {QString(), QStringLiteral("打开"), QString(), QStringLiteral("保存"), QString(),
                                  QStringLiteral("插入图片"), QString(), QStringLiteral("删除图片"), QString(),
                                  QStringLiteral("信息"), QString(), QStringLiteral("退出")};
    for (int i = 1; i <= 11; ++i) {
        m_buttons[i] = i % 2 ? m_toolbar->addAction(captions.at(i)) : m_toolbar->addSeparator();
        m_buttons[i]->setObjectName(QStringLiteral("ToolbarButton%1").arg(i));
    }
    m_buttons[9]->setToolTip(QStringLiteral("连环画信息"));
    m_buttons[9]->setCheckable(true);

    m_list = new PageListView(this);
    m_list->setModel(m_pages);
    m_list->setColumnWidth(maker::BookMaker::NumberColumn, toPixels(maker::kNumberColumnWidth));
    m_list->setColumnWidth(maker::BookMaker::PictureColumn, toPixels(maker::kPictureColumnWidth));
    m_list->setColumnHidden(maker::BookMaker::PathColumn, true);
    // Square picture cells, each as high as the picture column is wide.
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setDefaultSectionSize(toPixels(maker::kPictureColumnWidth));

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("prgPictures"));
    m_progress->setFormat(QStringLiteral("正在读取图片 %v / %m"));
    m_progress->hide();

    m_previewArea = new QWidget(this);
    m_previewArea->setObjectName(QStringLiteral("picRight"));
    m_preview = new PreviewBox(m_previewArea);
    m_preview->hide();
}

void BookMakerWindow::buildPanel()
{
    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("Picture1"));
    m_panel->setFrameShape(QFrame::Box);
    m_panel->setAutoFillBackground(true);
    auto *grid = new QGridLayout(m_panel);
    grid->setContentsMargins(6, 0, 6, 6);

    m_panelHandle = new QLabel(QStringLiteral("连环画信息"), m_panel);
    m_panelHandle->setObjectName(QStringLiteral("Image1"));
    m_panelHandle->setCursor(Qt::SizeAllCursor);
    m_panelHandle->setMinimumHeight(22);
    m_panelHandle->setStyleSheet(QStringLiteral(
        "background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #dfe8f6, stop:1 #b7c8e4); padding-left: 4px;"));
    m_panelHandle->installEventFilter(this);
    m_panelClose = new QLabel(QStringLiteral("×"), m_panel);
    m_panelClose->setObjectName(QStringLiteral("Image2"));
    m_panelClose->setCursor(Qt::PointingHandCursor);
    m_panelClose->setToolTip(QStringLiteral("关闭"));
    m_panelClose->installEventFilter(this);
    grid->addWidget(m_panelHandle, 0, 0, 1, 2);
    grid->addWidget(m_panelClose, 0, 2, Qt::AlignRight);

    struct Field {
        QLineEdit **box;
        const char *name;
        const char *label;
    };
    const Field fields[] = {
        {&m_title, "Text2", "书名标题："},   {&m_summary, "Text6", "内容提要："},
        {&m_writer, "Text8", "作    者："},  {&m_sign, "Text7", "制    作："},
        {&m_publisher, "Text4", "出 版 社："}, {&m_publishDate, "Text5", "出版时间："},
        {&m_drawer, "Text3", "绘　　画："},  {&m_coverDrawer, "Text9", "封面设计："},
    };
    int row = 1;
    for (const Field &f : fields) {
        *f.box = new QLineEdit(m_panel);
        (*f.box)->setObjectName(QLatin1String(f.name));
        auto *label = new QLabel(QString::fromUtf8(f.label), m_panel);
        label->setBuddy(*f.box);
        grid->addWidget(label, row, 0);
        grid->addWidget(*f.box, row, 1, 1, 2);
        ++row;
    }
    m_panelOk = new QPushButton(QStringLiteral("确定(&O)"), m_panel);
    m_panelOk->setObjectName(QStringLiteral("Command3"));
    grid->addWidget(m_panelOk, row, 1, 1, 2, Qt::AlignRight);
    m_panel->setFixedSize(toPixels(4200), m_panel->sizeHint().height());
    m_buttons[9]->setChecked(true);
}

void BookMakerWindow::connectControls()
{
    connect(m_buttons[3], &QAction::triggered, this, &BookMakerWindow::saveBook);
    connect(m_buttons[5], &QAction::triggered, this, &BookMakerWindow::addPictures);
    connect(m_buttons[7], &QAction::triggered, this, &BookMakerWindow::removePictures);
    connect(m_buttons[9], &QAction::triggered, this, [this] { togglePanel(); });
    connect(m_buttons[11], &QAction::triggered, this, &QWidget::close);
    connect(m_panelOk, &QPushButton::clicked, this, [this] {
        togglePanel();
        m_buttons[9]->setChecked(false);
    });

    connect(m_list, &PageListView::selectionShown, this, &BookMakerWindow::showSelectedPage);
    connect(m_list, &PageListView::filesDropped, this,
            [this](int target, const QStringList &paths) { insertSources(target, paths, true); });
    connect(m_list, &PageListView::rowsDropped, this, [this](const QList<int> &rows, int target) {
        const int start = m_pages->movePages(rows, target);
        // The moved rows stay selected in their new place.
        QItemSelection moved(m_pages->index(start, 0),
                             m_pages->index(start + int(rows.size()) - 1, maker::BookMaker::ColumnCount - 1));
        m_list->selectionModel()->select(moved, QItemSelectionModel::ClearAndSelect);
        m_list->selectionModel()->setCurrentIndex(m_pages->index(start, 0), QItemSelectionModel::NoUpdate);
    });
    connect(m_pages, &maker::BookMaker::thumbnailProgress, this, [this](int done, int total) {
        m_progress->setRange(0, total);
        m_progress->setValue(done);
        if (m_progress->isHidden() && done < total) {
            m_progress->show();
            layoutWindow();
        }
    });
    connect(m_pages, &maker::BookMaker::thumbnailsFinished, this, &BookMakerWindow::thumbnailsDone);
}

// ------------------------------------------------------------------ layout

void BookMakerWindow::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    layoutWindow();
}

void BookMakerWindow::layoutWindow()
{
    const bool normal = !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    const QSize outer = isVisible() ? frameGeometry().size() : size();
    float w = 0, h = 0;
    if (normal && view::enforceMinimum(toTwips(outer.width()), toTwips(outer.height()), w, h)) {
        // Whole pixels, rounded up, so the new size meets the minimum; the
        // resize lays the window out again.
        const QSize extra = outer - size();
        resize(QSize(int(std::ceil(w / kTwipsPerPixel)), int(std::ceil(h / kTwipsPerPixel))) - extra);
        return;
    }
    // A minimized window may be smaller than its parts: nothing is placed
    // at a negative size.
    const int top = m_toolbar->sizeHint().height();
    m_toolbar->setGeometry(0, 0, width(), top);
    const int listWidth = toPixels(maker::kNumberColumnWidth) + toPixels(maker::kPictureColumnWidth)
        + m_list->verticalScrollBar()->sizeHint().width() + 2 * m_list->frameWidth();
    const int bodyHeight = std::max(0, height() - top);
    const int progressHeight = m_progress->isHidden() ? 0 : m_progress->sizeHint().height();
    m_list->setGeometry(0, top, listWidth, std::max(0, bodyHeight - progressHeight));
    m_progress->setGeometry(0, top + bodyHeight - progressHeight, listWidth, progressHeight);
    // The preview area overlaps the list by one pixel (15 twips), sharing its border.
    const float areaWidth = toTwips(width()) - toTwips(listWidth) + 15;
    m_previewArea->setGeometry(listWidth - 1, top, std::max(0, toPixels(areaWidth)), bodyHeight);
    fitPreview();
    m_panel->move(width() - m_panel->width(), top + toPixels(45));
    m_panel->raise();
}

// ------------------------------------------------------------------ the preview

void BookMakerWindow::showSelectedPage()
{
    const int row = m_list->firstSelectedRow();
    if (row < 0)
        return;
    const QString path = m_pages->path(row);
    const auto header = view::PictureDecoder::forFile(path);
    const QSize natural = header->isPicture() ? header->size() : QSize();
    if (!natural.isValid() || natural.isEmpty()) {
        m_previewPath.clear();
        m_preview->setImage({});
        m_preview->hide();
        m_context.messages->information(kErrorTitle, QStringLiteral("无法读取图片文件：\n") + path);
        return;
    }
    m_previewPath = path;
    m_previewNatural = natural;
    m_preview->setImage({});
    fitPreview();
}

void BookMakerWindow::fitPreview()
{
    if (m_previewPath.isEmpty())
        return;
    const TwipsRect box = maker::previewBox(toTwips(m_previewNatural.width()), toTwips(m_previewNatural.height()),
                                            toTwips(m_previewArea->width()), toTwips(m_previewArea->height()));
    if (box.width <= 0 || box.height <= 0) {
        m_preview->hide();
        return;
    }
    m_preview->setGeometry(box.toPixels());
    m_preview->show();
    // Decoded at the size shown, and again only when the box outgrows it.
    const QSize shown = m_preview->contentsRect().size() * devicePixelRatioF();
    const QImage &held = m_preview->image();
    if (!held.isNull() && held.width() >= std::min(shown.width(), m_previewNatural.width()))
        return;
    const auto decoder = view::PictureDecoder::forFile(m_previewPath);
    QSize target;
    if (shown.width() < m_previewNatural.width() && !shown.isEmpty())
        target = m_previewNatural.scaled(shown, Qt::KeepAspectRatio);
    m_preview->setImage(decoder->read(target));
}

// ------------------------------------------------------------------ the panel

void BookMakerWindow::togglePanel()
{
    m_panel->setVisible(m_panel->isHidden());
    m_buttons[9]->setChecked(!m_panel->isHidden());
}

bool BookMakerWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_panelHandle) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (event->type() == QEvent::MouseButtonPress && me->button() == Qt::LeftButton) {
            m_dragStart = me->position().toPoint();
            return true;
        }
        if (event->type() == QEvent::MouseMove && me->buttons() == Qt::LeftButton) {
            m_panel->move(m_panel->pos() + (me->position().toPoint() - m_dragStart));
            return true;
        }
    } else if (watched == m_panelClose && event->type() == QEvent::MouseButtonRelease
               && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        togglePanel();
        m_buttons[9]->setChecked(false);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ------------------------------------------------------------------ the pages

void BookMakerWindow::addPictures()
{
    platform::FileDialogRequest request;
    request.title = QStringLiteral("打开图片文件");
    const QString archives = maker::PictureSources::archivePattern();
    request.filters = {{QStringLiteral("图片文件(*.jpg;*.gif;*.bmp)"), QStringLiteral("*.jpg;*.gif;*.bmp")},
                       {QStringLiteral("漫画压缩包(%1)").arg(archives), archives},
                       {QStringLiteral("图片文件(*.jpg)"), QStringLiteral("*.jpg")},
                       {QStringLiteral("图片文件(*.gif)"), QStringLiteral("*.gif")},
                       {QStringLiteral("图片文件(*.bmp)"), QStringLiteral("*.bmp")},
                       {QStringLiteral("图片文件(*.png)"), QStringLiteral("*.png")}};
    request.flags = 524804; // explorer style, several files, no read-only box
    if (!m_context.dialogs->showOpenMulti(request))
        return;
    QStringList paths = request.fileNames;
    if (paths.size() <= 1) {
        // One answer may carry several files as the common dialog gives
        // them: the folder, then each name, separated by NULs.
        QString raw = paths.isEmpty() ? request.fileName : paths.first();
        while (raw.endsWith(QChar(0)))
            raw.chop(1);
        const QStringList pieces = raw.split(QChar(0));
        paths.clear();
        if (pieces.size() > 1) {
            const QString folder = pieces.first().endsWith(QLatin1Char('/')) ? pieces.first()
                                                                             : pieces.first() + QLatin1Char('/');
            for (int i = 1; i < pieces.size(); ++i)
                paths << folder + pieces.at(i);
        } else if (!raw.isEmpty()) {
            paths << raw;
        }
    }
    if (paths.isEmpty())
        return;
    const QModelIndex current = m_list->currentIndex();
    insertSources(current.isValid() ? current.row() : -1, paths, false);
}

void BookMakerWindow::insertSources(int position, const QStringList &paths, bool openFolders)
{
    const maker::PictureSources::Expanded expanded = m_sources->expand(paths, openFolders);
    if (!expanded.problems.isEmpty())
        m_context.messages->information(kErrorTitle, expanded.problems.join(QLatin1Char('\n')));
    if (expanded.pictures.isEmpty())
        return;
    // The list puts pictures in front of a row, or at the top; a drop below
    // the last row means the end, so the new rows move there.
    const int before = m_pages->rowCount();
    const bool atEnd = before > 0 && position >= before;
    const QStringList refused = m_pages->insertPictures(atEnd ? -1 : position, expanded.pictures);
    if (atEnd) {
        QList<int> added;
        for (int row = 0; row < m_pages->rowCount() - before; ++row)
            added << row;
        if (!added.isEmpty())
            m_pages->movePages(added, m_pages->rowCount());
    }
    refuse(refused);
}

void BookMakerWindow::thumbnailsDone(const QStringList &failed)
{
    m_progress->hide();
    layoutWindow();
    refuse(failed);
}

void BookMakerWindow::refuse(const QStringList &files)
{
    if (files.isEmpty())
        return;
    m_context.messages->information(kErrorTitle, QStringLiteral("下列文件不是可以读取的图片，没有插入：\n")
                                                     + files.join(QLatin1Char('\n')));
}

void BookMakerWindow::removePictures()
{
    if (m_pages->rowCount() > 0)
        m_pages->removePages(m_list->selectedRowNumbers());
    m_previewPath.clear();
    m_preview->setImage({});
    m_preview->hide();
}

book::BookMeta BookMakerWindow::meta() const
{
    book::BookMeta m;
    m.title = m_title->text();
    m.summary = m_summary->text();
    m.writer = m_writer->text();
    m.sign = m_sign->text();
    m.publisher = m_publisher->text();
    m.publishdate = m_publishDate->text();
    m.drawer = m_drawer->text();
    m.coverdrawer = m_coverDrawer->text();
    return m;
}

void BookMakerWindow::saveBook()
{
    switch (m_pages->checkBeforeSave(m_title->text())) {
    case maker::BookMaker::Refusal::NoPages:
        m_context.messages->information(kNoticeTitle, QStringLiteral("请插入连环画图片。"));
        return;
    case maker::BookMaker::Refusal::NoTitle:
        m_context.messages->information(kNoticeTitle, QStringLiteral("请输入连环画书名。"));
        m_panel->show();
        m_buttons[9]->setChecked(true);
        m_title->setFocus();
        return;
    case maker::BookMaker::Refusal::None:
        break;
    }

    platform::FileDialogRequest request;
    request.title = QStringLiteral("保存连环画文件");
    request.filters = {{QStringLiteral("连环画文件(*.lhh)"), QStringLiteral("*.lhh")}};
    // The title is stored as typed; the file is named after it made safe, so
    // "上/下" is one name and not a folder.
    const QString proposed = web::safeFileTitle(m_title->text()) + QStringLiteral(".lhh");
    request.fileName = proposed;
    if (m_context.installed)
        request.initialDir = catalog::booksFolder(m_context.appDir);
    request.flags = 6; // no read-only box, confirm overwrite
    if (!m_context.dialogs->showSave(request))
        return;
    QString target = request.fileName;
    target.remove(QChar(0));
    if (target.isEmpty() || target == proposed)
        return;

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const maker::BookMaker::SaveOutcome outcome =
        m_pages->save(m_context.resource(QStringLiteral("Korvel.tmp!")), target, meta());
    QApplication::restoreOverrideCursor();

    using Outcome = maker::BookMaker::SaveOutcome;
    switch (outcome.kind) {
    case Outcome::Saved:
        m_context.messages->information(QStringLiteral("恭喜"), QStringLiteral("连环画制作完成。"));
        return;
    case Outcome::MissingTemplate:
        m_context.messages->information(kErrorTitle, QStringLiteral("找不到空白连环画文件，无法制作连环画：\n")
                                                         + outcome.path);
        return;
    case Outcome::MissingPicture:
        m_context.messages->information(kErrorTitle, QStringLiteral("无法读取图片文件，连环画没有保存：\n")
                                                         + outcome.path);
        return;
    case Outcome::TargetHeld:
        m_context.messages->information(kErrorTitle, QStringLiteral("这个连环画文件已经打开，不能覆盖：\n")
                                                         + outcome.path);
        return;
    case Outcome::Failed:
        m_context.messages->information(kErrorTitle, QStringLiteral("连环画文件保存失败：\n") + outcome.path
                                                         + QStringLiteral("\n\n") + outcome.detail);
        return;
    }
}

} // namespace korvel::app
