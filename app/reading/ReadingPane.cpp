#include "app/reading/ReadingPane.h"

#include "app/reading/AutoPlayControl.h"
#include "app/reading/ExportPagesDialog.h"
#include "app/Icons.h"
#include "app/reading/PageSaving.h"
#include "app/reading/PagePicture.h"
#include "app/WidgetPlacement.h"
#include "app/reading/ReadingToolbar.h"
#include "book/ReadingSession.h"
#include "view/WindowLayout.h"
#include "widgets/KeyCodes.h"
#include "widgets/StyledButton.h"
#include "widgets/VirtualKeys.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStringListModel>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

namespace korvel::app {

namespace {
// How long after a page is painted the pages around it are read, staged and
// decoded. The display server still has the painted page to put on screen
// then; work started at once takes the cores it needs (on two cores it made
// a turn reach the screen a millisecond or two later). At any reading pace
// the next page is ready long before its key.
constexpr int kReadAheadDelayMs = 30;
// How long the pages around one wait for its paint before they are read
// without it.
constexpr int kPaintWaitMs = 500;
} // namespace

ReadingPane::ReadingPane(book::ReadingSession &session, platform::MessageService &messages,
                         platform::DialogService &dialogs, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
    , m_messages(messages)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("picView"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x5a, 0x5a, 0x5a));
    setPalette(pal);
    setAcceptDrops(true);
    // The page view holds the keyboard while a book is read; a click on it
    // brings the keys back from elsewhere.
    setFocusPolicy(Qt::ClickFocus);
    buildControls();
    orderFocus();
    buildPageMenu();
    connectControls();
}

// The Tab key follows the buttons as they stand on screen: the two at the
// top right, then the page toolbar from left to right.
void ReadingPane::orderFocus()
{
    const QList<QWidget *> order = {m_maxButton,       m_closeButton,    m_toolbar->previousButton,  m_toolbar->nextButton,
                                    m_toolbar->zoomInButton,    m_toolbar->zoomOutButton,  m_toolbar->actualSizeButton, m_toolbar->pageBox,
                                    m_toolbar->autoPlayButton,  m_toolbar->secondsBox,     m_toolbar->lockButton,      m_toolbar->savePictureButton,
                                    m_toolbar->closeBookButton};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
}

ReadingPane::~ReadingPane() = default;

void ReadingPane::buildControls()
{
    m_picture = new PagePicture(this);
    m_picture->setObjectName(QStringLiteral("picViewIt"));
    m_picture->setImage(&m_pageImage.image());
    m_picture->hide();

    m_buttonGroup = new QWidget(this);
    m_buttonGroup->setObjectName(QStringLiteral("picButton"));
    // The captions "1", "2" and "r" are the buttons' states; they paint the
    // maximise, restore and close symbols.
    m_maxButton = makePaneButton(m_buttonGroup, QStringLiteral("tzbMax"), QStringLiteral("1"), QStringLiteral("全屏"));
    m_closeButton = makePaneButton(m_buttonGroup, QStringLiteral("tzbClose"), QStringLiteral("r"), QStringLiteral("关闭"));
    m_maxButton->setGlyph(true);
    m_closeButton->setGlyph(true);
    place(m_maxButton, {0, 0, view::kSmallButton, view::kSmallButton});
    place(m_closeButton, {view::kSmallButton + 15, 0, view::kSmallButton, view::kSmallButton});
    place(m_buttonGroup, {0, 0, 2 * view::kSmallButton + 15, view::kPicButtonHeight});

    m_toolbar = new ReadingToolbar(this);
    m_toolbar->pageLabel->installEventFilter(this);
    m_toolbar->secondsBox->installEventFilter(this);
    m_toolbar->secondsLabel->installEventFilter(this);
}

void ReadingPane::buildPageMenu()
{
    m_pageMenu = new QMenu(QStringLiteral("浏览(&V)"), this);
    m_pageMenu->setObjectName(QStringLiteral("mnuTop_4"));
    auto add = [this](const char *name, const QString &text) {
        QAction *a = m_pageMenu->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    auto separator = [this](const char *name) { m_pageMenu->addSeparator()->setObjectName(QLatin1String(name)); };
    m_firstPageAction = add("mnuFirstPage", QStringLiteral("首页"));
    m_previousPageAction = add("mnuPrePage", QStringLiteral("上一页"));
    m_nextPageAction = add("mnuNextPage", QStringLiteral("下一页"));
    m_lastPageAction = add("mmnuLastPage", QStringLiteral("末页"));
    separator("mnuBar51");
    m_savePictureAction = add("mnuPicSaveAs", QStringLiteral("图片另存为(&A)"));
    m_savePictureAction->setEnabled(false); // while a page is on screen
    separator("mnuBar52");
    m_zoomOutAction = add("mnuNarrow", QStringLiteral("缩小"));
    m_zoomInAction = add("mnuEnlarge", QStringLiteral("放大"));
    m_actualSizeAction = add("mnuIt", QStringLiteral("实际大小"));
    separator("mnuBar53");
    m_autoPlayAction = add("mnuAutoPlay", QStringLiteral("自动翻页"));
    m_autoPlayAction->setCheckable(true);
    separator("mnuBar54");
    m_closeAction = add("mnuCloseIt", QStringLiteral("关闭"));
}

void ReadingPane::connectControls()
{
    auto whileOpen = [this](void (ReadingPane::*f)()) {
        return [this, f] {
            if (m_session.isOpen())
                (this->*f)();
        };
    };
    connect(m_firstPageAction, &QAction::triggered, this, whileOpen(&ReadingPane::firstPage));
    connect(m_previousPageAction, &QAction::triggered, this, whileOpen(&ReadingPane::previousPage));
    connect(m_nextPageAction, &QAction::triggered, this, whileOpen(&ReadingPane::nextPage));
    connect(m_lastPageAction, &QAction::triggered, this, whileOpen(&ReadingPane::lastPage));
    connect(m_zoomOutAction, &QAction::triggered, this, &ReadingPane::zoomOut);
    connect(m_zoomInAction, &QAction::triggered, this, &ReadingPane::zoomIn);
    connect(m_actualSizeAction, &QAction::triggered, this, &ReadingPane::actualSize);
    // The entry's check mark is the program's to set: undo Qt's own toggle first.
    m_autoPlay = new AutoPlayControl(*m_autoPlayAction, *m_toolbar, this);
    connect(m_autoPlay, &AutoPlayControl::turnWanted, this, &ReadingPane::nextPage);
    connect(m_autoPlayAction, &QAction::triggered, this, [this](bool checked) {
        m_autoPlayAction->setChecked(!checked);
        m_autoPlay->toggle();
    });
    connect(m_closeAction, &QAction::triggered, this, &ReadingPane::closeBook);
    connect(m_savePictureAction, &QAction::triggered, this, &ReadingPane::savePicture);
    connect(m_toolbar->savePictureButton, &widgets::StyledButton::Click, this, whileOpen(&ReadingPane::savePicture));

    connect(m_closeButton, &widgets::StyledButton::Click, this, &ReadingPane::closeBook);
    connect(m_toolbar->closeBookButton, &widgets::StyledButton::Click, this, &ReadingPane::closeBook);
    connect(m_maxButton, &widgets::StyledButton::Click, this, &ReadingPane::toggleFullView);
    connect(m_toolbar->previousButton, &widgets::StyledButton::Click, this, whileOpen(&ReadingPane::previousPage));
    connect(m_toolbar->nextButton, &widgets::StyledButton::Click, this, whileOpen(&ReadingPane::nextPage));
    connect(m_toolbar->zoomInButton, &widgets::StyledButton::Click, this, whileOpen(&ReadingPane::zoomIn));
    connect(m_toolbar->zoomOutButton, &widgets::StyledButton::Click, this, whileOpen(&ReadingPane::zoomOut));
    connect(m_toolbar->actualSizeButton, &widgets::StyledButton::Click, this, whileOpen(&ReadingPane::actualSize));
    connect(m_toolbar->autoPlayButton, &widgets::StyledButton::Click, this, [this] {
        if (m_session.isOpen())
            m_autoPlay->toggle();
        // The button shows the menu entry's state, whoever pressed it.
        m_toolbar->autoPlayButton->setValue(m_autoPlayAction->isChecked());
    });
    for (widgets::StyledButton *b : {m_toolbar->previousButton, m_toolbar->nextButton, m_toolbar->zoomInButton, m_toolbar->zoomOutButton, m_toolbar->actualSizeButton,
         m_toolbar->autoPlayButton, m_toolbar->closeBookButton, m_toolbar->savePictureButton, m_toolbar->lockButton})
        connect(b, &widgets::StyledButton::KeyDown, this, [this](int key, Qt::KeyboardModifiers mods) {
                // Space presses the button and Escape goes on to the window.
            if (!handleKey(key) && key != widgets::vk::Space && key != widgets::vk::Escape
                && !(mods & (Qt::ControlModifier | Qt::AltModifier)))
                handleViewerKey(key);
        });

    connect(m_toolbar->pageBox, &QComboBox::activated, this, [this](int) { pageBoxChosen(); });

    connect(m_picture, &PagePicture::aboutToPaint, this, &ReadingPane::takeDecodedPage);
    connect(m_picture, &PagePicture::painted, this, &ReadingPane::pagePainted);
    connect(m_picture, &PagePicture::mouseDown, this, &ReadingPane::pageMouseDown);
    connect(m_picture, &PagePicture::mouseMoved, this, &ReadingPane::pageMouseMove);
    connect(m_picture, &PagePicture::mouseUp, this, &ReadingPane::pageMouseUp);

    connect(&m_session, &book::ReadingSession::opened, this, &ReadingPane::onBookOpened);
    connect(&m_session, &book::ReadingSession::closed, this, &ReadingPane::onBookClosed);
    connect(&m_session, &book::ReadingSession::positionChanged, this,
            [this](int position) { m_toolbar->pageBox->setCurrentIndex(position); });
}

void ReadingPane::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
}

void ReadingPane::mouseDoubleClickEvent(QMouseEvent *e)
{
    // Only the empty frame reaches here: the page picture keeps its own double clicks.
    if (e->button() == Qt::LeftButton)
        emit openRequested();
}

// One book file from another program, named .lhh in any case; anything else is not taken.
static QString droppedBook(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().first().isLocalFile())
        return QString();
    const QString path = data->urls().first().toLocalFile();
    return path.endsWith(QLatin1String(".lhh"), Qt::CaseInsensitive) ? path : QString();
}

void ReadingPane::dragEnterEvent(QDragEnterEvent *e)
{
    if (droppedBook(e->mimeData()).isEmpty())
        return e->ignore();
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void ReadingPane::dropEvent(QDropEvent *e)
{
    const QString path = droppedBook(e->mimeData());
    if (path.isEmpty())
        return e->ignore();
    e->setDropAction(Qt::CopyAction);
    e->accept();
    emit bookDropped(path);
}

bool ReadingPane::eventFilter(QObject *watched, QEvent *event)
{
    // The hidden way to the export of every page: a press on either label
    // with Shift, Ctrl and Alt held, while a page is on screen.
    if ((watched == m_toolbar->pageLabel || watched == m_toolbar->secondsLabel) && event->type() == QEvent::MouseButtonPress) {
        constexpr Qt::KeyboardModifiers all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
        if ((static_cast<QMouseEvent *>(event)->modifiers() & all) == all && m_session.isOpen()
            && !m_picture->isHidden())
            exportAllPages();
    }
    if (watched == m_toolbar->secondsBox && event->type() == QEvent::KeyPress) {
        // Only digits and the editing keys reach the seconds box.
        auto *ke = static_cast<QKeyEvent *>(event);
        const QString t = ke->text();
        static const QList<int> editKeys = {Qt::Key_Backspace, Qt::Key_Left, Qt::Key_Right, Qt::Key_Home,
                                            Qt::Key_End,       Qt::Key_Tab,  Qt::Key_Backtab, Qt::Key_Delete};
        const bool digit = t.size() == 1 && t.at(0) >= QLatin1Char('0') && t.at(0) <= QLatin1Char('9');
        if (!editKeys.contains(ke->key()) && !digit && !(ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ------------------------------------------------------------------ the open book

void ReadingPane::onBookOpened()
{
    QStringList items;
    items.reserve(m_session.pageCount());
    for (int i = 0; i < m_session.pageCount(); ++i)
        items << QString::number(i);
    // One list for the whole box: a long book fills it in one step.
    m_toolbar->pageList->setStringList(items);
    // A book opens where it was left.
    m_toolbar->pageBox->setCurrentIndex(m_session.position());
    m_prefetch.clear();
    m_turnedBack = false;
    showPage(m_session.pageNumbers().at(m_session.position()));
    centrePage();
    m_picture->show();
    m_savePictureAction->setEnabled(true);
    m_toolbar->savePictureButton->setEnabled(true);
}

void ReadingPane::onBookClosed()
{
    takeDecodedPage();
    m_prefetch.clear();
    m_awaitingPaint = false;
    m_showPending = false;
    m_picture->hide();
    m_savePictureAction->setEnabled(false);
    m_toolbar->savePictureButton->setEnabled(false);
    if (m_autoPlay->isRunning())
        m_autoPlay->toggle();
}

void ReadingPane::closeBook()
{
    m_session.close();
    if (m_fullView)
        toggleFullView();
}

// ------------------------------------------------------------------ pages

QSize ReadingPane::displayHint(qint32 pageNumber, QSize natural) const
{
    // The size the page will be shown at decides how much of a large picture
    // needs decoding; the rules in showPage then place it.
    const bool fitFirst = pageNumber == 0 && !m_firstFitDone;
    if (m_toolbar->lockButton->value() && !fitFirst)
        return PagePicture::innerSize(m_picture->size()) * devicePixelRatioF();
    if (!natural.isValid())
        return QSize();
    view::PageBox probe;
    probe.naturalWidth = toTwips(natural.width());
    probe.naturalHeight = toTwips(natural.height());
    view::fit(probe, viewSize());
    return PagePicture::innerSize(QSize(toPixels(probe.width), toPixels(probe.height))) * devicePixelRatioF();
}

void ReadingPane::showPage(qint32 pageNumber)
{
    // A page still on its way from the worker is taken first: should this
    // one prove no picture, that one stays in place.
    takeDecodedPage();
    const bool whileDrawing = std::exchange(m_decodeWhileDrawing, false);
    m_showPending = false;
    ++m_pagesShown;
    // The bytes held for a page decoded ahead are handed in: when the book
    // still holds the same, the read shares them instead of copying a page
    // into fresh memory, which on a new process costs a few ms a turn.
    const book::ReadingSession::Page page = m_session.extractPage(pageNumber, m_prefetch.bytesOf(pageNumber));

    const bool fitFirst = pageNumber == 0 && !m_firstFitDone;
    const bool locked = m_toolbar->lockButton->value();
    QSize natural;
    if (page.hasImage) {
        // The header is read once: the hint and the page box both take its size.
        natural = view::pictureSize(page.bytes);
        const QSize hint = displayHint(pageNumber, natural);
        if (whileDrawing && !window()->isVisible() && natural.isValid() && !m_prefetch.holds(pageNumber)) {
            // Before the window is first shown: the worker decodes the page
            // while the window lays out and draws the rest of itself, and the
            // page's paint takes it (takeDecodedPage). Placed meanwhile by
            // the size its header gives.
            m_prefetch.prefetch(pageNumber, page.bytes, hint);
            m_pendingDecode = PendingDecode{pageNumber, page.bytes, hint};
        } else {
            // A page decoded ahead of its turn is shown as it is; a damaged one
            // fails here exactly as a fresh decode would.
            std::optional<view::PageImage::Decoded> decoded = m_prefetch.take(pageNumber, page.bytes, hint);
            if (!decoded)
                decoded = view::PageImage::decodeForDisplay(page.bytes, hint);
            // A page that is not a picture leaves the previous one in place.
            if (m_pageImage.adopt(page.bytes, *decoded))
                m_prefetch.keep(pageNumber, page.bytes, hint, *decoded);
        }
    } else if (page.found) {
        // A null image shows an empty picture; read.tmp keeps the last page.
        m_pageImage.clear();
    }
    if (!m_pendingDecode)
        natural = m_pageImage.naturalSize();
    m_box.naturalWidth = toTwips(natural.width());
    m_box.naturalHeight = toTwips(natural.height());

    if (fitFirst) {
        m_firstFitDone = true;
        fitPage();
    }
    if (!locked) {
        fitPage();
        centrePage();
    }
    applyPageBox();
    // Reading the next page's bytes, staging it and starting its decode wait
    // until this page is on screen: they are no part of this turn's wait, nor
    // of the first page's at start-up, where the window is shown after the
    // book is opened. A page view hidden in a shown window paints nothing.
    if (m_picture->isVisible() || !window()->isVisible())
        awaitPaint();
    else
        schedulePrefetch();
}

void ReadingPane::takeDecodedPage()
{
    if (!m_pendingDecode)
        return;
    const PendingDecode pending = std::move(*m_pendingDecode);
    m_pendingDecode.reset();
    std::optional<view::PageImage::Decoded> decoded = m_prefetch.take(pending.pageNumber, pending.bytes, pending.hint);
    if (!decoded)
        decoded = view::PageImage::decodeForDisplay(pending.bytes, pending.hint);
    if (m_pageImage.adopt(pending.bytes, *decoded)) {
        m_prefetch.keep(pending.pageNumber, pending.bytes, pending.hint, *decoded);
        // Laid out anew meanwhile (a window frame at the show), it is
        // decoded again for the size it now has, as a resize would.
        m_pageImage.ensureResolution(PagePicture::innerSize(m_picture->size()) * devicePixelRatioF());
        return;
    }
    // No picture after all: the page box takes the size of what stays shown,
    // as after a turn to such a page; not while the page is being drawn, and
    // not once another page is shown.
    QTimer::singleShot(0, this, [this, shown = m_pagesShown] {
        if (shown != m_pagesShown)
            return;
        m_box.naturalWidth = toTwips(m_pageImage.naturalSize().width());
        m_box.naturalHeight = toTwips(m_pageImage.naturalSize().height());
        if (m_toolbar->lockButton->value()) {
            applyPageBox();
        } else {
            fitPage();
            centrePage();
        }
    });
}

const view::PageImage &ReadingPane::pageImage()
{
    takeDecodedPage();
    return m_pageImage;
}

void ReadingPane::awaitPaint()
{
    m_awaitingPaint = true;
    // Should no paint come (a window kept hidden), the pages around are read
    // a little later all the same.
    QTimer::singleShot(kPaintWaitMs, this, [this, shown = m_pagesShown] {
        if (shown == m_pagesShown)
            pagePainted();
    });
}

void ReadingPane::schedulePrefetch()
{
    if (m_prefetchPending)
        return;
    m_prefetchPending = true;
    QTimer::singleShot(kReadAheadDelayMs, this, [this] {
        m_prefetchPending = false;
        // A page still on its way to the screen goes first; its paint asks again.
        if (!m_awaitingPaint)
            prefetchNeighbours();
    });
}

void ReadingPane::pagePainted()
{
    if (!std::exchange(m_awaitingPaint, false))
        return;
    schedulePrefetch();
}

void ReadingPane::showPendingPage()
{
    if (m_showPending && m_session.isOpen())
        showPage(m_session.pageNumbers().at(m_session.position()));
}

void ReadingPane::prefetchNeighbours()
{
    if (!m_session.isOpen() || m_session.pageCount() < 2)
        return;
    const QVector<qint32> &numbers = m_session.pageNumbers();
    const qint32 next = numbers.at(m_session.nextPosition());
    const qint32 previous = numbers.at(m_session.previousPosition());
    m_prefetch.keepOnly({numbers.at(m_session.position()), next, previous});
    // Reading goes on the way it went: after a turn back the previous page
    // comes first.
    QVector<qint32> ahead;
    if (m_turnedBack)
        ahead << previous;
    ahead << next;
    for (qint32 number : ahead) {
        const std::optional<QByteArray> bytes = m_session.readPageBytes(number, m_prefetch.bytesOf(number));
        if (!bytes || bytes->isEmpty())
            continue;
        m_prefetch.prefetch(number, *bytes, displayHint(number, view::pictureSize(*bytes)));
        // The likeliest next page has its read.tmp ready as well.
        if (number == ahead.first())
            m_session.stagePage(number, *bytes);
    }
}

void ReadingPane::turnTo(int position)
{
    if (m_session.pageCount() < 1)
        return;
    m_turnedBack = position == m_session.previousPosition() && position != m_session.nextPosition();
    m_session.setPosition(position);
    // Turns that come faster than pages reach the screen collapse: the page
    // they lead to is shown once the screen has caught up, and the pages in
    // between are never read. read.tmp keeps the page on screen meanwhile.
    if (m_awaitingPaint && m_picture->isVisible()) {
        if (!m_showPending) {
            m_showPending = true;
            QTimer::singleShot(0, this, &ReadingPane::showPendingPage);
        }
        return;
    }
    showPage(m_session.pageNumbers().at(m_session.position()));
}

void ReadingPane::previousPage()
{
    turnTo(m_session.previousPosition());
}

void ReadingPane::nextPage()
{
    turnTo(m_session.nextPosition());
}

void ReadingPane::firstPage()
{
    turnTo(0);
}

void ReadingPane::lastPage()
{
    turnTo(m_session.pageCount() - 1);
}

void ReadingPane::pageBoxChosen()
{
    if (!m_session.isOpen())
        return;
    bool ok = false;
    const int position = m_toolbar->pageBox->currentText().toInt(&ok);
    if (ok && position >= 0 && position < m_session.pageCount())
        turnTo(position);
}

bool ReadingPane::handleKey(int key)
{
    if (!m_session.isOpen())
        return false;
    switch (key) {
    case widgets::vk::Left:
        previousPage();
        return true;
    case widgets::vk::Right:
        nextPage();
        return true;
    case widgets::vk::NumpadPlus:
    case widgets::vk::PlusEquals:
        zoomIn();
        return true;
    case widgets::vk::NumpadMinus:
    case widgets::vk::Minus:
        zoomOut();
        return true;
    case widgets::vk::F11:
        m_autoPlay->toggle();
        return true;
    default:
        return false;
    }
}

bool ReadingPane::handleViewerKey(int key)
{
    if (!m_session.isOpen() || !isVisible())
        return false;
    switch (key) {
    case widgets::vk::Home:
        firstPage();
        return true;
    case widgets::vk::End:
        lastPage();
        return true;
    case widgets::vk::PageUp:
        previousPage();
        return true;
    case widgets::vk::PageDown:
    case widgets::vk::Space:
        nextPage();
        return true;
    case widgets::vk::Escape:
        if (!m_fullView)
            return false;
        toggleFullView();
        return true;
    default:
        return false;
    }
}

// The wheel over the page view turns pages, one a notch, while the page fits
// the view; a page larger than the view is scrolled instead.
void ReadingPane::wheelEvent(QWheelEvent *e)
{
    if (!m_session.isOpen() || m_picture->isHidden())
        return e->ignore();
    e->accept();
    if (!view::fitsView(m_box, viewSize())) {
        const QPoint d = e->pixelDelta().isNull() ? e->angleDelta() / 2 : e->pixelDelta();
        if (view::scrollPage(m_box, viewSize(), toTwips(d.x()), toTwips(d.y())))
            applyPageBox();
        return;
    }
    // Fine steps add up to a notch; one event turns one page at most.
    m_wheelTurn = std::clamp(m_wheelTurn + e->angleDelta().y(), -120, 120);
    if (m_wheelTurn == 120)
        previousPage();
    else if (m_wheelTurn == -120)
        nextPage();
    if (std::abs(m_wheelTurn) == 120)
        m_wheelTurn = 0;
}

// ------------------------------------------------------------------ geometry

view::ViewSize ReadingPane::viewSize() const
{
    return {toTwips(width()), toTwips(height())};
}

void ReadingPane::applyPageBox()
{
    const QRect r = TwipsRect{m_box.left, m_box.top, m_box.width, m_box.height}.toPixels();
    if (m_box.width >= 0 && m_box.height >= 0)
        m_picture->setGeometry(r);
    else
        m_picture->move(r.topLeft());
    m_pageImage.ensureResolution(PagePicture::innerSize(m_picture->size()) * devicePixelRatioF());
    m_picture->setImage(&m_pageImage.image());
}

void ReadingPane::fitPage()
{
    view::fit(m_box, viewSize());
    applyPageBox();
}

void ReadingPane::centrePage()
{
    view::centre(m_box, viewSize());
    view::keepClearOfBottom(m_box, viewSize(), toTwips(m_toolbar->height()));
    applyPageBox();
}

void ReadingPane::zoomIn()
{
    view::zoomIn(m_box, viewSize());
    centrePage();
    prefetchNeighbours();
}

void ReadingPane::zoomOut()
{
    view::zoomOut(m_box);
    centrePage();
    prefetchNeighbours();
}

void ReadingPane::actualSize()
{
    fitPage();
    centrePage();
    prefetchNeighbours();
}

void ReadingPane::moveButtons()
{
    const view::ButtonPlacement p =
        view::moveButtons(toTwips(width()), toTwips(height()), toTwips(m_buttonGroup->width()),
                          toTwips(m_toolbar->width()), toTwips(m_toolbar->height()));
    m_buttonGroup->move(toPixels(p.picButtonLeft), toPixels(p.picButtonTop));
    m_toolbar->move(toPixels(p.picToolLeft), toPixels(p.picToolTop));
    m_buttonGroup->raise();
    m_toolbar->raise();
}

void ReadingPane::relayout()
{
    moveButtons();
    fitPage();
    centrePage();
    // Pages decoded for the old size no longer fit; they are decoded again
    // after the page is drawn at the new one.
    schedulePrefetch();
}

void ReadingPane::toggleFullView()
{
    m_fullView = !m_fullView;
    emit fullViewChanged(m_fullView);
    relayout();
    m_maxButton->setCaption(m_fullView ? QStringLiteral("2") : QStringLiteral("1"));
}

// ------------------------------------------------------------------ pages as picture files

void ReadingPane::savePicture()
{
    savePageAs(m_session, m_messages, m_dialogs);
}

void ReadingPane::exportAllPages()
{
    ExportPagesDialog dialog(m_session, m_messages, m_dialogs, window());
    dialog.exec();
}

// ------------------------------------------------------------------ the page and the mouse

void ReadingPane::pageMouseDown(Qt::MouseButton button, QPointF pos)
{
    if (button != Qt::LeftButton)
        return;
    if (view::isRightHalf(toTwips(pos.x()), toTwips(m_picture->width())))
        nextPage();
    else
        previousPage();
}

void ReadingPane::pageMouseMove(QPointF pos)
{
    // Positions are shown 0-based, as in the page box.
    const QString index = QString::number(m_session.position());
    QString tip;
    if (view::isRightHalf(toTwips(pos.x()), toTwips(m_picture->width()))) {
        m_picture->setCursor(nextPagePointer());
        tip = QStringLiteral("翻到下一页，当前页是第 ") + index + QStringLiteral(" 页");
    } else {
        m_picture->setCursor(previousPagePointer());
        tip = QStringLiteral("翻到上一页，当前页是第 ") + index + QStringLiteral(" 页");
    }
    if (m_picture->toolTip() != tip) {
        m_picture->setToolTip(tip);
        if (QToolTip::isVisible())
            QToolTip::showText(m_picture->mapToGlobal(pos.toPoint()), tip, m_picture);
    }
}

void ReadingPane::pageMouseUp(Qt::MouseButton button, QPointF pos)
{
    if (button == Qt::RightButton)
        m_pageMenu->popup(m_picture->mapToGlobal(pos.toPoint()));
}

} // namespace korvel::app
