// The reading side of the main window: opening and closing books, the
// recent list, pages, the view geometry, clicks on the page and auto-play.
#include "app/FrmAbout.h"
#include "app/FrmMain.h"
#include "app/Frame.h"
#include "app/Icons.h"
#include "app/PagePicture.h"
#include "book/BookFile.h"
#include "book/RecentList.h"
#include "platform/Services.h"
#include "platform/Settings.h"
#include "widgets/KeyCodes.h"
#include "widgets/TzButton.h"

#include <QAction>
#include <QBuffer>
#include <QImageReader>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QStringListModel>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QUrl>
#include <QWebEngineView>

namespace korvel::app {

namespace {
const QString kOpenFailed = QStringLiteral("文件损坏或不是连环画文件或已经打开，请重新选择。");
const QString kPagesFailed = QStringLiteral("连环画页面读取错误。");
const QString kErrorTitle = QStringLiteral("错误");
} // namespace

bool FrmMain::isBookOpen() const
{
    return !picViewIt->isHidden();
}

// ------------------------------------------------------------------ opening and closing

bool FrmMain::ShowLhh(const QString &path, Opener opener)
{
    if (opener != Opener::CommandLine)
        mnuClose_Click();
    if (!m_db.OpenBookConn(path)) {
        m_services.messages->information(kErrorTitle, kOpenFailed);
        return false;
    }
    showPane(picView);
    if (opener != Opener::Recent)
        setBottomTabs(0);
    GetAllPagesNumber();
    if (m_reader.PageCount < 1)
        return false;
    m_reader.CurrentPage = 0;
    GetPage(m_reader.PageNumbers.at(0));
    MovePicViewIt();
    picViewIt->show();
    mnuClose->setEnabled(true);
    ToolbarButtons[4]->setEnabled(true);
    setWindowTitle(openCaption(path));
    return true;
}

void FrmMain::StartExe(const QString &path)
{
    m_services.shell->open(QUrl::fromLocalFile(path));
}

void FrmMain::mnuOpen_Click()
{
    platform::FileDialogRequest request;
    request.title = QStringLiteral("打开连环画文件");
    request.filters = {{QStringLiteral("连环画文件 (*.lhh)"), QStringLiteral("*.lhh")}};
    request.filterIndex = 0;
    request.flags = 4;
    if (!m_services.dialogs->showOpen(request))
        return;
    QString name = request.fileName;
    name.remove(QChar(0));
    if (name.isEmpty())
        return;
    if (ShowLhh(name, Opener::Dialog))
        PromoteRecent(name);
}

void FrmMain::mnuRecent_Click(int index)
{
    if (index < 0 || index > 4)
        return;
    const QString path = mnuRecentTag[index];
    if (path.isEmpty() || path == book::kNoRecent)
        return;
    const QString kind = book::bookKind(path);
    if (kind == QStringLiteral("lhh"))
        ShowLhh(path, Opener::Recent);
    else if (kind == QStringLiteral("exe"))
        StartExe(path);
    PromoteRecent(path);
}

bool FrmMain::OpenFromCommandLine(const QString &path)
{
    if (path.isEmpty())
        return false;
    const bool shown = ShowLhh(path, Opener::CommandLine);
    if (shown)
        PromoteRecent(path);
    return shown;
}

void FrmMain::mnuClose_Click()
{
    m_db.CloseBookConn();
    picViewIt->hide();
    mnuClose->setEnabled(false);
    ToolbarButtons[4]->setEnabled(false);
    if (mnuAutoPlay->isChecked())
        mnuAutoPlay_Click();
    setCaptionClosed();
}

void FrmMain::tzbClose_Click()
{
    mnuClose_Click();
    if (FullView)
        tzbMax_Click();
}

void FrmMain::mnuCloseIt_Click()
{
    tzbClose_Click();
}

void FrmMain::tzbCloselhh_Click()
{
    if (isBookOpen())
        mnuClose_Click();
    if (FullView)
        tzbMax_Click();
}

void FrmMain::PromoteRecent(const QString &path)
{
    QStringList tags;
    for (const QString &t : mnuRecentTag)
        tags << t;
    book::promoteRecent(*m_services.settings, tags, path);
    RefreshRecent();
}

void FrmMain::RefreshRecent()
{
    const QStringList tags = book::readRecentTags(*m_services.settings);
    for (int i = 0; i < 5; ++i) {
        mnuRecentTag[i] = tags.at(i);
        if (tags.at(i) != book::kNoRecent) {
            // "&" in a path is a character, not an access key.
            QString caption = book::recentCaption(tags.at(i));
            caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
            mnuRecent[i]->setText(caption);
            mnuRecent[i]->setEnabled(true);
        } else {
            mnuRecent[i]->setEnabled(false);
        }
    }
}

void FrmMain::mnuAbout_Click()
{
    FrmAbout about(m_services.siteRoot, m_services.shell, this);
    about.exec();
}

// ------------------------------------------------------------------ pages

void FrmMain::GetAllPagesNumber()
{
    if (!m_reader.GetAllPagesNumber()) {
        m_services.messages->information(kErrorTitle, kPagesFailed);
        return;
    }
    if (m_reader.PageCount < 1)
        return;
    QStringList items;
    items.reserve(m_reader.PageCount);
    for (int i = 0; i < m_reader.PageCount; ++i)
        items << QString::number(i);
    // One list for the whole box: a long book fills it in one step.
    m_pageList->setStringList(items);
    Combo1->setCurrentIndex(0);
}

void FrmMain::GetPage(qint32 PagesNumber)
{
    const book::BookReader::Page page = m_reader.ExtractPage(PagesNumber);

    // The size the page will be shown at decides how much of a large picture
    // needs decoding; the rules below then place it.
    const bool fitFirst = PagesNumber == 0 && !FirstFitDone;
    const bool locked = tzbLock->value();
    if (page.hasImage) {
        QSize hint;
        if (locked && !fitFirst) {
            hint = picViewIt->size() * devicePixelRatioF();
        } else {
            view::PageBox probe;
            QImageReader header;
            QByteArray bytes = page.bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            header.setDevice(&buffer);
            const QSize natural = header.size();
            if (natural.isValid()) {
                probe.naturalWidth = toTwips(natural.width());
                probe.naturalHeight = toTwips(natural.height());
                view::fit(probe, frameSize());
                hint = QSize(toPixels(probe.width), toPixels(probe.height)) * devicePixelRatioF();
            }
        }
        // A page that is not a picture leaves the previous one in place.
        m_picViewTemp.load(page.bytes, hint);
    } else if (page.found) {
        // A null image shows an empty picture; read.tmp keeps the last page.
        m_picViewTemp.clear();
    }
    m_box.naturalWidth = toTwips(m_picViewTemp.naturalSize().width());
    m_box.naturalHeight = toTwips(m_picViewTemp.naturalSize().height());

    if (fitFirst) {
        FirstFitDone = true;
        ResizeViewIt();
    }
    if (!locked) {
        ResizeViewIt();
        MovePicViewIt();
    }
    applyPageBox();
    picViewIt->setImage(&m_picViewTemp.image());
}

void FrmMain::gopicpre()
{
    if (m_reader.PageCount < 1 || m_reader.PageNumbers.isEmpty())
        return;
    m_reader.CurrentPage = book::BookReader::PrevIndex(m_reader.CurrentPage, int(m_reader.PageNumbers.size()));
    GetPage(m_reader.PageNumbers.at(m_reader.CurrentPage));
    Combo1->setCurrentIndex(m_reader.CurrentPage);
}

void FrmMain::gopicnext()
{
    if (m_reader.PageCount < 1 || m_reader.PageNumbers.isEmpty())
        return;
    m_reader.CurrentPage = book::BookReader::NextIndex(m_reader.CurrentPage, int(m_reader.PageNumbers.size()));
    GetPage(m_reader.PageNumbers.at(m_reader.CurrentPage));
    Combo1->setCurrentIndex(m_reader.CurrentPage);
}

void FrmMain::mnuFirstPage_Click()
{
    if (!isBookOpen() || m_reader.PageNumbers.isEmpty())
        return;
    m_reader.CurrentPage = 0;
    GetPage(m_reader.PageNumbers.at(0));
    Combo1->setCurrentIndex(0);
}

void FrmMain::mmnuLastPage_Click()
{
    if (!isBookOpen() || m_reader.PageNumbers.isEmpty())
        return;
    m_reader.CurrentPage = int(m_reader.PageNumbers.size()) - 1;
    GetPage(m_reader.PageNumbers.at(m_reader.CurrentPage));
    Combo1->setCurrentIndex(m_reader.CurrentPage);
}

void FrmMain::mnuPrePage_Click()
{
    if (isBookOpen())
        gopicpre();
}

void FrmMain::mnuNextPage_Click()
{
    if (isBookOpen())
        gopicnext();
}

void FrmMain::Combo1_Click()
{
    if (!isBookOpen())
        return;
    bool ok = false;
    const int position = Combo1->currentText().toInt(&ok);
    if (!ok || position < 0 || position >= m_reader.PageNumbers.size())
        return;
    m_reader.CurrentPage = position;
    GetPage(m_reader.PageNumbers.at(position));
}

bool FrmMain::Form_KeyDown(int keyCode)
{
    if (!isBookOpen())
        return false;
    switch (keyCode) {
    case 37:
        gopicpre();
        return true;
    case 39:
        gopicnext();
        return true;
    case 107:
    case 187:
        mnuEnlarge_Click();
        return true;
    case 109:
    case 189:
        mnuNarrow_Click();
        return true;
    case 122:
        mnuAutoPlay_Click();
        return true;
    default:
        return false;
    }
}

// ------------------------------------------------------------------ view geometry

view::FrameSize FrmMain::frameSize() const
{
    return {toTwips(picView->width()), toTwips(picView->height())};
}

void FrmMain::applyPageBox()
{
    const QRect r = TwipsRect{m_box.left, m_box.top, m_box.width, m_box.height}.toPixels();
    if (m_box.width >= 0 && m_box.height >= 0)
        picViewIt->setGeometry(r);
    else
        picViewIt->move(r.topLeft());
    m_picViewTemp.ensureResolution(picViewIt->size() * devicePixelRatioF());
    picViewIt->setImage(&m_picViewTemp.image());
}

void FrmMain::ResizeViewIt()
{
    view::fit(m_box, frameSize());
    applyPageBox();
}

void FrmMain::MovePicViewIt()
{
    view::centre(m_box, frameSize());
    applyPageBox();
}

void FrmMain::mnuEnlarge_Click()
{
    view::zoomIn(m_box, frameSize());
    view::centre(m_box, frameSize());
    applyPageBox();
}

void FrmMain::mnuNarrow_Click()
{
    view::zoomOut(m_box);
    view::centre(m_box, frameSize());
    applyPageBox();
}

void FrmMain::mnuIt_Click()
{
    ResizeViewIt();
    MovePicViewIt();
}

void FrmMain::PicViewSize()
{
    const QRect g = picView->geometry();
    SavedViewRect = {toTwips(g.x()), toTwips(g.y()), toTwips(g.width()), toTwips(g.height())};
}

void FrmMain::MaxPicView()
{
    if (FullView) {
        const TwipsRect r = fullViewRect(toTwips(m_container->width()), toTwips(m_container->height()),
                                         toTwips(picBottom->height()));
        if (r.width >= 0 && r.height >= 0)
            picView->setGeometry(r.toPixels());
    } else {
        const TwipsRect r = SavedViewRect;
        if (r.width >= 0 && r.height >= 0)
            picView->setGeometry(r.toPixels());
    }
    picView->raise();
    picBottom->raise();
}

void FrmMain::tzbMax_Click()
{
    FullView = !FullView;
    MaxPicView();
    MoveButtons();
    ResizeViewIt();
    MovePicViewIt();
    tzbMax->setCaption(FullView ? QStringLiteral("2") : QStringLiteral("1"));
}

// ------------------------------------------------------------------ auto-play

void FrmMain::mnuAutoPlay_Click()
{
    const bool checked = !mnuAutoPlay->isChecked();
    mnuAutoPlay->setChecked(checked);
    tzbAutoPlay->setValue(checked);
    const int seconds = view::parseSeconds(Text2->text()).value_or(0);
    timAutoPlay->setInterval(view::timerInterval(seconds));
    if (checked && view::timerInterval(seconds) > 0)
        timAutoPlay->start();
    else
        timAutoPlay->stop();
    Text2->setEnabled(checked);
}

void FrmMain::Text2_Change()
{
    // A pasted text that is not a whole number of seconds is refused.
    const auto seconds = view::parseSeconds(Text2->text());
    if (!seconds) {
        const QSignalBlocker block(Text2);
        Text2->setText(m_lastGoodSeconds);
        return;
    }
    m_lastGoodSeconds = Text2->text();
    const int interval = view::timerInterval(*seconds);
    timAutoPlay->setInterval(interval);
    // An interval of 0 means no ticks; the timer ticks again once a number is entered.
    if (mnuAutoPlay->isChecked()) {
        if (interval > 0 && !timAutoPlay->isActive())
            timAutoPlay->start();
        else if (interval == 0)
            timAutoPlay->stop();
    }
}

void FrmMain::timAutoPlay_Timer()
{
    const int seconds = view::parseSeconds(Text2->text()).value_or(0);
    if (m_autoPlay.tick(seconds))
        gopicnext();
}

// ------------------------------------------------------------------ the page and the mouse

void FrmMain::picViewIt_MouseDown(Qt::MouseButton button, QPointF pos)
{
    if (button != Qt::LeftButton)
        return;
    if (view::isRightHalf(toTwips(pos.x()), toTwips(picViewIt->width())))
        gopicnext();
    else
        gopicpre();
}

void FrmMain::picViewIt_MouseMove(QPointF pos)
{
    const QString index = QString::number(m_reader.CurrentPage);
    QString tip;
    if (view::isRightHalf(toTwips(pos.x()), toTwips(picViewIt->width()))) {
        picViewIt->setCursor(nextPagePointer());
        tip = QStringLiteral("翻到下一页，当前页是第 ") + index + QStringLiteral(" 页");
    } else {
        picViewIt->setCursor(previousPagePointer());
        tip = QStringLiteral("翻到上一页，当前页是第 ") + index + QStringLiteral(" 页");
    }
    if (picViewIt->toolTip() != tip) {
        picViewIt->setToolTip(tip);
        if (QToolTip::isVisible())
            QToolTip::showText(picViewIt->mapToGlobal(pos.toPoint()), tip, picViewIt);
    }
}

void FrmMain::picViewIt_MouseUp(Qt::MouseButton button, QPointF pos)
{
    if (button == Qt::RightButton)
        mnuTop[4]->popup(picViewIt->mapToGlobal(pos.toPoint()));
}

} // namespace korvel::app
