#include "app/ReadingPane.h"

#include "app/FrmSaveAllPic.h"
#include "app/Icons.h"
#include "app/PageSaving.h"
#include "app/PagePicture.h"
#include "book/ReadingSession.h"
#include "view/WindowLayout.h"
#include "widgets/KeyCodes.h"
#include "widgets/TzButton.h"
#include "widgets/VirtualKeys.h"

#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QImageReader>
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

void place(QWidget *w, const TwipsRect &r)
{
    // A rectangle the widget cannot take (a negative side) is not applied,
    // as the geometry layer skips a step it rejects.
    if (r.width < 0 || r.height < 0)
        return;
    w->setGeometry(r.toPixels());
}

widgets::TzButton *makeButton(QWidget *parent, const QString &name, const QString &caption, const QString &tip)
{
    auto *b = new widgets::TzButton(parent);
    b->setObjectName(name);
    b->setCaption(caption);
    b->setToolTip(tip);
    b->setButtonStyle(2);
    b->setShowFocusRect(true); // the focus can be seen on every button of the pane
    return b;
}

// The page box's label draws its two words at its two ends, around the box
// that sits in its blank ("跳到第       页").
class PageBoxLabel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text().section(QLatin1Char(' '), 0, 0));
        p.drawText(rect().adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignVCenter,
                   text().section(QLatin1Char(' '), -1));
    }
};

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
    const QList<QWidget *> order = {m_maxButton,       m_closeButton,    m_previousButton,  m_nextButton,
                                    m_zoomInButton,    m_zoomOutButton,  m_actualSizeButton, m_pageBox,
                                    m_autoPlayButton,  m_secondsBox,     m_lockButton,      m_savePictureButton,
                                    m_closeBookButton};
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
    m_maxButton = makeButton(m_buttonGroup, QStringLiteral("tzbMax"), QStringLiteral("1"), QStringLiteral("全屏"));
    m_closeButton = makeButton(m_buttonGroup, QStringLiteral("tzbClose"), QStringLiteral("r"), QStringLiteral("关闭"));
    m_maxButton->setGlyph(true);
    m_closeButton->setGlyph(true);
    place(m_maxButton, {0, 0, view::kSmallButton, view::kSmallButton});
    place(m_closeButton, {view::kSmallButton + 15, 0, view::kSmallButton, view::kSmallButton});
    place(m_buttonGroup, {0, 0, 2 * view::kSmallButton + 15, view::kPicButtonHeight});

    m_toolbar = new QWidget(this);
    m_toolbar->setObjectName(QStringLiteral("picTool"));
    m_toolbar->setAutoFillBackground(true);
    m_previousButton = makeButton(m_toolbar, QStringLiteral("tzbPro"), QStringLiteral("<"), QStringLiteral("上一页(←)"));
    m_nextButton = makeButton(m_toolbar, QStringLiteral("tzbNext"), QStringLiteral(">"), QStringLiteral("下一页(→)"));
    m_zoomInButton = makeButton(m_toolbar, QStringLiteral("tzbEnlarge"), QStringLiteral("+"), QStringLiteral("放大(+)"));
    m_zoomOutButton = makeButton(m_toolbar, QStringLiteral("tzbNarrow"), QStringLiteral("-"), QStringLiteral("缩小(-)"));
    m_actualSizeButton = makeButton(m_toolbar, QStringLiteral("tzbIt"), QStringLiteral("1:1"), QStringLiteral("实际大小"));
    m_autoPlayButton = makeButton(m_toolbar, QStringLiteral("tzbAutoPlay"), QStringLiteral("自动"),
                                  QStringLiteral("自动翻页(F11)"));
    m_autoPlayButton->setCheckBoxMode(true);
    m_closeBookButton = makeButton(m_toolbar, QStringLiteral("tzbCloselhh"), QStringLiteral("关闭"),
                                   QStringLiteral("关闭连环画"));
    m_savePictureButton = makeButton(m_toolbar, QStringLiteral("tzbSave"), QStringLiteral("存图"),
                                     QStringLiteral("图片另存为"));
    m_savePictureButton->setEnabled(false); // while a page is on screen
    m_lockButton = makeButton(m_toolbar, QStringLiteral("tzbLock"), QStringLiteral("锁定"),
                              QStringLiteral("翻页时锁定大小"));
    m_lockButton->setCheckBoxMode(true);
    m_pageLabel = new PageBoxLabel(QStringLiteral("跳到第       页"), m_toolbar);
    m_pageLabel->setObjectName(QStringLiteral("Label2_0"));
    m_pageLabel->installEventFilter(this);
    m_pageBox = new QComboBox(m_toolbar);
    m_pageBox->setObjectName(QStringLiteral("Combo1"));
    m_pageList = new QStringListModel(QStringList{QStringLiteral("0")}, m_pageBox);
    m_pageBox->setModel(m_pageList);
    m_secondsBox = new QLineEdit(QStringLiteral("10"), m_toolbar);
    m_secondsBox->setObjectName(QStringLiteral("Text2"));
    m_secondsBox->setEnabled(false);
    m_secondsBox->installEventFilter(this);
    m_secondsLabel = new QLabel(QStringLiteral("秒"), m_toolbar);
    m_secondsLabel->setObjectName(QStringLiteral("Label2_1"));
    m_secondsLabel->installEventFilter(this);

    float x = 60;
    const float bw = 420, bh = 330, top = 60;
    for (widgets::TzButton *b : {m_previousButton, m_nextButton, m_zoomInButton, m_zoomOutButton, m_actualSizeButton}) {
        place(b, {x, top, bw, bh});
        x += bw + 30;
    }
    // The label's blank is widened to hold the page box.
    const QFontMetrics fm(m_pageLabel->font());
    const int lead = fm.horizontalAdvance(QStringLiteral("跳到第"));
    const int boxWidth = 50;
    const float labelWidth = toTwips(lead + boxWidth + 8 + fm.horizontalAdvance(QStringLiteral("页")) + 2);
    place(m_pageLabel, {x + 30, top, labelWidth, bh});
    place(m_pageBox, {x + 30 + toTwips(lead + 4), top, toTwips(boxWidth), bh});
    x += labelWidth + 60;
    place(m_autoPlayButton, {x, top, 600, bh});
    x += 630;
    place(m_secondsBox, {x, top, 450, bh});
    x += 465;
    place(m_secondsLabel, {x, top, 240, bh});
    x += 270;
    for (widgets::TzButton *b : {m_lockButton, m_savePictureButton, m_closeBookButton}) {
        place(b, {x, top, 600, bh});
        x += 630;
    }
    place(m_toolbar, {0, 0, x + 30, view::kPicToolHeight});

    m_autoPlayTimer = new QTimer(this);
    m_autoPlayTimer->setObjectName(QStringLiteral("timAutoPlay"));
    m_autoPlayTimer->setInterval(1000);
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
    connect(m_autoPlayAction, &QAction::triggered, this, [this](bool checked) {
        m_autoPlayAction->setChecked(!checked);
        toggleAutoPlay();
    });
    connect(m_closeAction, &QAction::triggered, this, &ReadingPane::closeBook);
    connect(m_savePictureAction, &QAction::triggered, this, &ReadingPane::savePicture);
    connect(m_savePictureButton, &widgets::TzButton::Click, this, whileOpen(&ReadingPane::savePicture));

    connect(m_closeButton, &widgets::TzButton::Click, this, &ReadingPane::closeBook);
    connect(m_closeBookButton, &widgets::TzButton::Click, this, &ReadingPane::closeBook);
    connect(m_maxButton, &widgets::TzButton::Click, this, &ReadingPane::toggleFullView);
    connect(m_previousButton, &widgets::TzButton::Click, this, whileOpen(&ReadingPane::previousPage));
    connect(m_nextButton, &widgets::TzButton::Click, this, whileOpen(&ReadingPane::nextPage));
    connect(m_zoomInButton, &widgets::TzButton::Click, this, whileOpen(&ReadingPane::zoomIn));
    connect(m_zoomOutButton, &widgets::TzButton::Click, this, whileOpen(&ReadingPane::zoomOut));
    connect(m_actualSizeButton, &widgets::TzButton::Click, this, whileOpen(&ReadingPane::actualSize));
    connect(m_autoPlayButton, &widgets::TzButton::Click, this, [this] {
        if (m_session.isOpen())
            toggleAutoPlay();
        // The button shows the menu entry's state, whoever pressed it.
        m_autoPlayButton->setValue(m_autoPlayAction->isChecked());
    });
    for (widgets::TzButton *b : {m_previousButton, m_nextButton, m_zoomInButton, m_zoomOutButton, m_actualSizeButton,
                                 m_autoPlayButton, m_closeBookButton, m_savePictureButton, m_lockButton})
        connect(b, &widgets::TzButton::KeyDown, this, [this](int key, Qt::KeyboardModifiers mods) {
            // Space presses the button and Escape goes on to the window.
            if (!handleKey(key) && key != widgets::vk::Space && key != widgets::vk::Escape
                && !(mods & (Qt::ControlModifier | Qt::AltModifier)))
                handleViewerKey(key);
        });

    connect(m_pageBox, &QComboBox::activated, this, [this](int) { pageBoxChosen(); });
    connect(m_secondsBox, &QLineEdit::textChanged, this, &ReadingPane::secondsChanged);
    connect(m_autoPlayTimer, &QTimer::timeout, this, &ReadingPane::autoPlayTick);

    connect(m_picture, &PagePicture::painted, this, &ReadingPane::pagePainted);
    connect(m_picture, &PagePicture::mouseDown, this, &ReadingPane::pageMouseDown);
    connect(m_picture, &PagePicture::mouseMoved, this, &ReadingPane::pageMouseMove);
    connect(m_picture, &PagePicture::mouseUp, this, &ReadingPane::pageMouseUp);

    connect(&m_session, &book::ReadingSession::opened, this, &ReadingPane::onBookOpened);
    connect(&m_session, &book::ReadingSession::closed, this, &ReadingPane::onBookClosed);
    connect(&m_session, &book::ReadingSession::positionChanged, this,
            [this](int position) { m_pageBox->setCurrentIndex(position); });
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
    if ((watched == m_pageLabel || watched == m_secondsLabel) && event->type() == QEvent::MouseButtonPress) {
        constexpr Qt::KeyboardModifiers all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
        if ((static_cast<QMouseEvent *>(event)->modifiers() & all) == all && m_session.isOpen()
            && !m_picture->isHidden())
            exportAllPages();
    }
    if (watched == m_secondsBox && event->type() == QEvent::KeyPress) {
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
    m_pageList->setStringList(items);
    // A book opens where it was left.
    m_pageBox->setCurrentIndex(m_session.position());
    m_prefetch.clear();
    m_turnedBack = false;
    showPage(m_session.pageNumbers().at(m_session.position()));
    centrePage();
    m_picture->show();
    m_savePictureAction->setEnabled(true);
    m_savePictureButton->setEnabled(true);
}

void ReadingPane::onBookClosed()
{
    m_prefetch.clear();
    m_awaitingPaint = false;
    m_showPending = false;
    m_picture->hide();
    m_savePictureAction->setEnabled(false);
    m_savePictureButton->setEnabled(false);
    if (m_autoPlayAction->isChecked())
        toggleAutoPlay();
}

void ReadingPane::closeBook()
{
    m_session.close();
    if (m_fullView)
        toggleFullView();
}

// ------------------------------------------------------------------ pages

QSize ReadingPane::displayHint(qint32 pageNumber, const QByteArray &bytes) const
{
    // The size the page will be shown at decides how much of a large picture
    // needs decoding; the rules in showPage then place it.
    const bool fitFirst = pageNumber == 0 && !m_firstFitDone;
    if (m_lockButton->value() && !fitFirst)
        return PagePicture::innerSize(m_picture->size()) * devicePixelRatioF();
    const QSize natural = view::pictureSize(bytes);
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
    m_showPending = false;
    ++m_pagesShown;
    const book::ReadingSession::Page page = m_session.extractPage(pageNumber);

    const bool fitFirst = pageNumber == 0 && !m_firstFitDone;
    const bool locked = m_lockButton->value();
    if (page.hasImage) {
        const QSize hint = displayHint(pageNumber, page.bytes);
        // A page decoded ahead of its turn is shown as it is; a damaged one
        // fails here exactly as a fresh decode would.
        std::optional<view::PageImage::Decoded> decoded = m_prefetch.take(pageNumber, page.bytes, hint);
        if (!decoded)
            decoded = view::PageImage::decodeForDisplay(page.bytes, hint);
        // A page that is not a picture leaves the previous one in place.
        if (m_pageImage.adopt(page.bytes, *decoded))
            m_prefetch.keep(pageNumber, page.bytes, hint, *decoded);
    } else if (page.found) {
        // A null image shows an empty picture; read.tmp keeps the last page.
        m_pageImage.clear();
    }
    m_box.naturalWidth = toTwips(m_pageImage.naturalSize().width());
    m_box.naturalHeight = toTwips(m_pageImage.naturalSize().height());

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
    // until this page is on screen: they are no part of this turn's wait.
    if (m_picture->isVisible())
        m_awaitingPaint = true;
    else
        schedulePrefetch();
}

void ReadingPane::schedulePrefetch()
{
    if (m_prefetchPending)
        return;
    m_prefetchPending = true;
    QTimer::singleShot(0, this, [this] {
        m_prefetchPending = false;
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
        const std::optional<QByteArray> bytes = m_session.readPageBytes(number);
        if (!bytes || bytes->isEmpty())
            continue;
        m_prefetch.prefetch(number, *bytes, displayHint(number, *bytes));
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
    const int position = m_pageBox->currentText().toInt(&ok);
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
        toggleAutoPlay();
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
    // Pages decoded for the old size no longer fit.
    prefetchNeighbours();
}

void ReadingPane::toggleFullView()
{
    m_fullView = !m_fullView;
    emit fullViewChanged(m_fullView);
    relayout();
    m_maxButton->setCaption(m_fullView ? QStringLiteral("2") : QStringLiteral("1"));
}

// ------------------------------------------------------------------ auto-play

void ReadingPane::toggleAutoPlay()
{
    const bool checked = !m_autoPlayAction->isChecked();
    m_autoPlayAction->setChecked(checked);
    m_autoPlayButton->setValue(checked);
    const int interval = view::timerInterval(view::parseSeconds(m_secondsBox->text()).value_or(0));
    m_autoPlayTimer->setInterval(interval);
    if (checked && interval > 0)
        m_autoPlayTimer->start();
    else
        m_autoPlayTimer->stop();
    m_secondsBox->setEnabled(checked);
}

void ReadingPane::secondsChanged()
{
    // A pasted text that is not a whole number of seconds is refused.
    const auto seconds = view::parseSeconds(m_secondsBox->text());
    if (!seconds) {
        const QSignalBlocker block(m_secondsBox);
        m_secondsBox->setText(m_lastGoodSeconds);
        return;
    }
    m_lastGoodSeconds = m_secondsBox->text();
    const int interval = view::timerInterval(*seconds);
    m_autoPlayTimer->setInterval(interval);
    // An interval of 0 means no ticks; the timer ticks again once a number is entered.
    if (m_autoPlayAction->isChecked()) {
        if (interval > 0 && !m_autoPlayTimer->isActive())
            m_autoPlayTimer->start();
        else if (interval == 0)
            m_autoPlayTimer->stop();
    }
}

void ReadingPane::autoPlayTick()
{
    if (m_autoPlay.tick(view::parseSeconds(m_secondsBox->text()).value_or(0)))
        nextPage();
}

// ------------------------------------------------------------------ pages as picture files

void ReadingPane::savePicture()
{
    savePageAs(m_session, m_messages, m_dialogs);
}

void ReadingPane::exportAllPages()
{
    FrmSaveAllPic dialog(m_session, m_messages, m_dialogs, window());
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
