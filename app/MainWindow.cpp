#include "app/MainWindow.h"

#include "app/AppInfo.h"
#include "app/BottomBar.h"
#include "app/library/CatalogPane.h"
#include "app/CoolBar.h"
#include "app/AboutDialog.h"
#include "app/maker/BookMakerWindow.h"
#include "app/Icons.h"
#include "app/MainMenus.h"
#include "app/WidgetPlacement.h"
#include "app/reading/ReadingPane.h"
#include "app/Splitter.h"
#include "app/StoredLayout.h"
#include "app/WebParts.h"
#include "book/ReadingSession.h"
#include "book/RecentList.h"
#include "platform/Services.h"
#include "platform/SiteConfig.h"
#include "view/WindowLayout.h"
#include "web/PageText.h"
#include "web/SiteRules.h"
#include "widgets/KeyCodes.h"
#include "widgets/VirtualKeys.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace korvel::app {

namespace {

const QString kErrorTitle = QStringLiteral("错误");
const QString kOpenFailed = QStringLiteral("文件损坏或不是连环画文件或已经打开，请重新选择。");
const QString kPagesFailed = QStringLiteral("连环画页面读取错误。");

QFrame *makeBorder(QWidget *parent, const QString &name)
{
    auto *f = new QFrame(parent);
    f->setObjectName(name);
    f->setStyleSheet(QStringLiteral("QFrame#%1 { border: 1px solid #7a8ba6; background: transparent; }").arg(name));
    f->setAttribute(Qt::WA_TransparentForMouseEvents);
    return f;
}

} // namespace

MainWindow::MainWindow(const AppContext &context, QWidget *parent)
    : QMainWindow(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("frmMain"));
    buildMenus();
    buildControls();
    connectControls();
}

MainWindow::~MainWindow()
{
    delete m_maker;
    if (!m_unloaded)
        m_context.session->close();
}

// ------------------------------------------------------------------ building

void MainWindow::buildMenus()
{
    m_menus = makeMainMenus(this);
    auto action = [this](const char *name) { return findChild<QAction *>(QLatin1String(name)); };
    m_closeAction = action("mnuClose");
    m_closeAction->setEnabled(false);
    for (int i = 0; i < 5; ++i) {
        m_recentActions[i] = action(QStringLiteral("mnuRecent_%1").arg(i).toLatin1().constData());
        m_recentActions[i]->setEnabled(false);
    }
}

void MainWindow::buildControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("frmMainClient"));
    setCentralWidget(m_client);

    m_coolBar = new CoolBar(m_client);
    m_coolBar->button(4)->setEnabled(false); // until a book is open

    m_mark = new QFrame(m_client);
    m_mark->setObjectName(QStringLiteral("picMark"));
    m_mark->setStyleSheet(QStringLiteral("background: #7a8ba6;"));

    m_treeTitle = new QWidget(m_client);
    m_treeTitle->setObjectName(QStringLiteral("picTitle"));
    m_treeTitleText = new QLabel(QStringLiteral("连环画分类"), m_treeTitle);
    m_treeTitleText->setObjectName(QStringLiteral("imgTitle"));
    m_treeTitleText->setStyleSheet(QStringLiteral(
        "background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #dfe8f6, stop:1 #b7c8e4); padding-left: 6px;"));
    m_treeTitleBorder = makeBorder(m_treeTitle, QStringLiteral("Shape2"));

    m_catalog = new CatalogPane(m_context, m_client);
    m_catalog->tree()->installEventFilter(this);
    m_treeBorder = makeBorder(m_client, QStringLiteral("Shape3"));

    m_splitter = new Splitter(m_client, [this](float x) { return view::clampSplitter(x, windowWidthTwips()); });

    m_reading = new ReadingPane(*m_context.session, *m_context.messages, *m_context.dialogs, m_client);
    m_viewBorder = makeBorder(m_client, QStringLiteral("Shape4"));

    m_bottomBar = new BottomBar(m_client);

    // The page menu lives in the menu bar until start-up takes it off.
    m_menus[1] = m_catalog->editMenu();
    m_menus[2] = m_catalog->listMenu();
    m_menus[4] = m_reading->pageMenu();
    for (int i = 0; i < 6; ++i) {
        m_menus[i]->setObjectName(QStringLiteral("mnuTop_%1").arg(i));
        menuBar()->addMenu(m_menus[i]);
    }

    // Front to back: the page view covers the rest in full view.
    m_treeBorder->raise();
    m_viewBorder->raise();
    m_reading->raise();
    m_client->findChild<QWidget *>(QStringLiteral("picSplitter"))->raise();
    m_bottomBar->raise();
    setWindowIcon(programIcon());
    // Only now is there everything a resize lays out.
    m_client->installEventFilter(this);
}

void MainWindow::connectControls()
{
    auto on = [this](const char *name, auto slot) {
        connect(findChild<QAction *>(QLatin1String(name)), &QAction::triggered, this, slot);
    };
    on("mnuNew", [this] { BookMakerWindow::showOne(m_maker, m_context, this); });
    on("mnuOpen", [this] { openFromDialog(); });
    on("mnuClose", [this] { m_context.session->close(); });
    on("mnuSave", [this] { m_catalog->saveCopy(); });
    on("mnuExit", [this] { exitProgram(); });
    on("mnuAbout", [this] { showAbout(); });
    on("mnuFromDalvane", [this] { downloadBook(); });
    on("mnuHomePage", [this] { showSite(m_context.siteRoot); });
    on("mnuHomePage1",
       [this] { showSite(platform::siteAddress(m_context.siteRoot, platform::kKorvelHomePage)); });
    for (int i = 0; i < 5; ++i)
        connect(m_recentActions[i], &QAction::triggered, this, [this, i] { openRecent(i); });
    connect(m_coolBar, &CoolBar::buttonClicked, this, &MainWindow::toolbarClicked);
    connect(m_coolBar, &CoolBar::searchTextChanged, m_catalog, &CatalogPane::setSearchText);
    connect(m_coolBar, &CoolBar::searchRequested, this, [this] {
        // Over the site the list would fill unseen: the search shows it.
        if (m_web && !m_web->pane()->isHidden()) {
            showView(m_catalog->list());
            selectTab(1);
        }
        m_catalog->search();
    });
    connect(m_coolBar, &CoolBar::webSearchRequested, this,
            [this](const QString &text) { m_context.shell->open(web::webSearchAddress(m_context.siteRoot, text)); });
    connect(m_bottomBar, &BottomBar::tabClicked, this, &MainWindow::tabClicked);
    connect(m_splitter, &Splitter::released, this, [this](float x) { sizeControls(x); });

    connect(m_reading, &ReadingPane::openRequested, this, &MainWindow::openFromDialog);
    connect(m_reading, &ReadingPane::bookDropped, this, &MainWindow::openChosen);
    connect(m_catalog, &CatalogPane::listWanted, this, [this] { showView(m_catalog->list()); selectTab(1); });
    connect(m_catalog, &CatalogPane::countChanged, m_bottomBar, &BottomBar::setCount);
    connect(m_catalog, &CatalogPane::bookWanted, this,
            [this](const QString &path) { showBook(path, Opener::Catalog); });
    connect(m_catalog, &CatalogPane::siteRequested, this,
            [this](bool korvel) { findChild<QAction *>(korvel ? "mnuHomePage1" : "mnuHomePage")->trigger(); });
    connect(m_reading, &ReadingPane::fullViewChanged, this, &MainWindow::placePageView);
    connect(m_context.session, &book::ReadingSession::opened, this, &MainWindow::bookStateChanged);
    connect(m_context.session, &book::ReadingSession::closed, this, &MainWindow::bookStateChanged);
    connect(m_context.recent, &book::RecentList::changed, this, &MainWindow::refreshRecentMenu);

    // Full screen: the page alone on the whole screen.
    auto *fullScreen = new QAction(QStringLiteral("全屏"), this);
    fullScreen->setObjectName(QStringLiteral("actFullScreen"));
    fullScreen->setShortcuts({QKeySequence(Qt::Key_F), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)});
    addAction(fullScreen);
    connect(fullScreen, &QAction::triggered, this, [this] { setFullScreen(!m_fullScreen); });
}

// ------------------------------------------------------------------ start-up and shutdown

void MainWindow::load()
{
    m_catalog->fillTree();
    // The book list's and the page view's menus live on as context menus only.
    menuBar()->removeAction(m_menus[2]->menuAction());
    menuBar()->removeAction(m_menus[4]->menuAction());

    const StoredLayout stored = readStoredLayout(*m_context.settings);
    m_catalog->setUpColumns(stored.columnWidths);
    std::copy(std::begin(stored.columnWidths), std::end(stored.columnWidths), std::begin(m_heldColumns));
    restoreLayout();
    // Laid out now, not first when shown: a book named on the command line
    // is then decoded once, for the size its page is shown at.
    layout()->activate();
    layoutWindow();
    m_catalog->selectNode(stored.treeView);
    m_catalog->clickTreeView(false);

    setWindowTitle(closedCaption());
    // The reader's keys start on the tree, never in the search box with its prompt.
    m_catalog->tree()->setFocus(Qt::OtherFocusReason);
}

void MainWindow::loadWeb()
{
    if (m_web || m_webRefused)
        return;
    // The web engine costs more than everything else the window holds: it
    // comes once the page is on screen, or when something asks for the web.
    m_web = makeWebParts(m_context, m_client, &m_webRefusal);
    if (!m_web) {
        m_webRefused = true;
        std::fprintf(stderr, "korvel: %s\n", qPrintable(m_webRefusal));
        return;
    }
    // In the places they had when the window was built with them.
    m_web->banner()->lower();
    m_web->pane()->stackUnder(m_viewBorder);
    float x = toTwips(m_splitter->x());
    sizeControls(x);
}

void MainWindow::loadWebAfterFirstPaint()
{
    // The page when a book is open, else the window.
    QWidget *first = m_context.session->isOpen() ? m_reading->findChild<QWidget *>(QStringLiteral("picViewIt"))
                                                 : static_cast<QWidget *>(m_client);
    m_firstPaintWatched = first;
    first->installEventFilter(this);
}

bool MainWindow::webAsked()
{
    loadWeb();
    if (!m_web)
        m_context.messages->information(kErrorTitle, QStringLiteral("网页功能不可用：%1").arg(m_webRefusal));
    return m_web;
}

bool MainWindow::isConnected() const
{
    return m_web && m_web->isConnected();
}

void MainWindow::restoreLayout()
{
    const StoredLayout s = readStoredLayout(*m_context.settings);
    m_heldGeometry = placeOnScreen({s.left, s.top, s.width, s.height});
    const QSize outer(std::max(1, toPixels(m_heldGeometry.width)), std::max(1, toPixels(m_heldGeometry.height)));
    m_pendingOuter = outer;
    resize(outer - m_decoration);
    move(toPixels(m_heldGeometry.left), toPixels(m_heldGeometry.top));
    if (s.windowState == 2)
        setWindowState(windowState() | Qt::WindowMaximized);
    float x = s.splitter;
    m_splitter->move(toPixels(x), m_splitter->y());
    sizeControls(x);
    m_heldSplitter = x;
}

void MainWindow::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    fitFrame();
}

void MainWindow::moveEvent(QMoveEvent *e)
{
    QMainWindow::moveEvent(e);
    // A window manager may put its frame round the window after showing it.
    fitFrame();
}

// Once the window manager's frame is known, the stored outer size stays the
// outer size. Without a frame (no window manager, a borderless or a tiling
// one) the window keeps the size it was given.
void MainWindow::fitFrame()
{
    if (m_pendingOuter.isEmpty() || !isVisible() || windowState() != Qt::WindowNoState)
        return;
    const QSize extra = frameGeometry().size() - geometry().size();
    if (extra == QSize(0, 0) || extra.width() < 0 || extra.height() < 0)
        return;
    const QSize outer = std::exchange(m_pendingOuter, QSize());
    m_decoration = extra;
    if (frameGeometry().size() != outer)
        resize(outer - extra);
}

void MainWindow::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    // The windows the main window owns go with it.
    if (m_maker)
        m_maker->close();
    ClosingLayout l;
    // Full screen is no state of its own: the window's place before it is kept.
    const Qt::WindowStates st = m_fullScreen ? m_stateBeforeFullScreen : windowState();
    const QRect frame = m_fullScreen ? m_frameBeforeFullScreen : frameGeometry();
    l.windowState = (st & Qt::WindowMinimized) ? 1 : (st & Qt::WindowMaximized) ? 2 : 0;
    // What was read is written back unless the window shows something else.
    const float width = m_fullScreen ? toTwips(frame.width()) : windowWidthTwips();
    const float height = m_fullScreen ? toTwips(frame.height()) : windowHeightTwips();
    l.width = view::keptTwips(m_heldGeometry.width, width, view::kMinWindowWidth);
    l.height = view::keptTwips(m_heldGeometry.height, height, view::kMinWindowHeight);
    l.left = view::keptTwips(m_heldGeometry.left, toTwips(frame.x()));
    l.top = view::keptTwips(m_heldGeometry.top, toTwips(frame.y()));
    l.treeView = m_catalog->selectedNodeIndex();
    l.splitter = view::keptTwips(m_heldSplitter, toTwips(m_splitter->x()), view::kMinSplitter);
    m_catalog->columnWidths(l.columnWidths);
    for (int i = 0; i < 8; ++i)
        l.columnWidths[i] = view::keptTwips(m_heldColumns[i], l.columnWidths[i]);
    writeStoredLayout(*m_context.settings, l);
    m_context.session->close();
}

void MainWindow::closeEvent(QCloseEvent *e)
{
    unload();
    e->accept();
}

void MainWindow::exitProgram()
{
    close();
    unload();
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

float MainWindow::windowWidthTwips() const
{
    return toTwips(isVisible() ? frameGeometry().width() : width() + m_decoration.width());
}

float MainWindow::windowHeightTwips() const
{
    return toTwips(isVisible() ? frameGeometry().height() : height() + m_decoration.height());
}

// ------------------------------------------------------------------ opening and closing

bool MainWindow::showBook(const QString &path, Opener opener)
{
    // ReadingSession::open closes the open book first, whoever opens.
    const book::ReadingSession::OpenResult result = m_context.session->open(path);
    if (result == book::ReadingSession::OpenResult::OpenFailed) {
        m_context.messages->information(kErrorTitle, kOpenFailed);
        return false;
    }
    showView(m_reading);
    // Whichever way the book came, the keys turn its pages at once.
    m_reading->setFocus(Qt::OtherFocusReason);
    if (opener != Opener::Recent)
        selectTab(0);
    if (result == book::ReadingSession::OpenResult::PagesFailed)
        m_context.messages->information(kErrorTitle, kPagesFailed);
    return result == book::ReadingSession::OpenResult::Opened;
}

void MainWindow::bookStateChanged()
{
    const bool open = m_context.session->isOpen();
    m_closeAction->setEnabled(open);
    m_coolBar->button(4)->setEnabled(open);
    setWindowTitle(open ? openCaption(m_context.session->path()) : closedCaption());
    if (!open)
        setFullScreen(false);
}

void MainWindow::openFromDialog()
{
    platform::FileDialogRequest request;
    request.title = QStringLiteral("打开连环画文件");
    request.filters = {{QStringLiteral("连环画文件 (*.lhh)"), QStringLiteral("*.lhh")}};
    request.flags = 4; // no read-only box
    if (!m_context.dialogs->showOpen(request))
        return;
    openChosen(request.fileName);
}

// A book chosen in the open dialog or dropped on the page view.
void MainWindow::openChosen(QString name)
{
    name.remove(QChar(0));
    if (name.isEmpty())
        return;
    if (showBook(name, Opener::Dialog))
        m_context.recent->promote(m_context.session->path());
}

void MainWindow::openRecent(int index)
{
    const QString path = m_recentPaths.at(index);
    if (path.isEmpty() || path == book::kNoRecent)
        return;
    // The kind is told by the last three characters, with case.
    const QString kind = path.right(3);
    if (kind == QStringLiteral("lhh"))
        showBook(path, Opener::Recent);
    else if (kind == QStringLiteral("exe"))
        m_context.shell->open(QUrl::fromLocalFile(path));
    m_context.recent->promote(path);
}

bool MainWindow::openFromCommandLine(const QString &path)
{
    if (path.isEmpty())
        return false;
    // At start-up the page is decoded while the window draws itself.
    if (!isVisible())
        m_reading->decodeNextPageWhileDrawing();
    const bool shown = showBook(path, Opener::CommandLine);
    if (shown)
        m_context.recent->promote(path);
    return shown;
}

void MainWindow::refreshRecentMenu()
{
    const QStringList paths = m_context.recent->paths();
    for (int i = 0; i < 5; ++i) {
        m_recentPaths[i] = paths.at(i);
        if (paths.at(i) == book::kNoRecent) {
            m_recentActions[i]->setEnabled(false);
            continue;
        }
        // "&" in a path is a character, not an access key.
        QString caption = book::recentCaption(paths.at(i));
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        m_recentActions[i]->setText(caption);
        m_recentActions[i]->setEnabled(true);
    }
}

void MainWindow::showAbout()
{
    AboutDialog about(m_context.siteRoot, m_context.shell, this);
    about.exec();
}

// ------------------------------------------------------------------ layout

void MainWindow::layoutWindow()
{
    if (m_inLayout)
        return;
    const bool normal = !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    float w = 0, h = 0;
    if (normal && view::enforceMinimum(windowWidthTwips(), windowHeightTwips(), w, h)) {
        // The change raises a new resize, which lays the window out. Whole
        // pixels, rounded up, so the new size meets the minimum.
        const QSize extra = isVisible() ? frameGeometry().size() - geometry().size() : m_decoration;
        resize(QSize(int(std::ceil(w / kTwipsPerPixel)), int(std::ceil(h / kTwipsPerPixel))) - extra);
        return;
    }
    m_inLayout = true;
    const float innerWidth = toTwips(m_client->width());
    place(m_bottomBar, {0, toTwips(m_client->height()) - view::kPicBottomHeight, innerWidth, view::kPicBottomHeight});
    float x = toTwips(m_splitter->x());
    sizeControls(x);
    placePageView();
    m_inLayout = false;
}

void MainWindow::sizeControls(float &splitter)
{
    view::LayoutInput in;
    in.width = windowWidthTwips();
    in.innerWidth = toTwips(m_client->width());
    in.innerHeight = toTwips(m_client->height());
    in.coolBarHeight = view::kCoolBarHeight;
    in.picTitleHeight = view::kPicTitleHeight;
    in.picBottomHeight = view::kPicBottomHeight;
    in.picSearchWidth = view::kSearchBandWidth;
    for (int i = 0; i < 3; ++i)
        in.tzbBottomWidth[i] = m_bottomBar->tabWidthTwips(i);
    const view::Layout l = view::computeLayout(in, splitter);
    splitter = l.splitter;

    if (m_web)
        place(m_web->banner(), l.wbbTopAD);
    place(m_coolBar, l.CoolBar);
    place(m_mark, l.picMark);
    place(m_catalog->tree(), l.tvTreeView);
    place(m_treeBorder, l.Shape3);
    place(m_treeTitle, l.picTitle);
    place(m_splitter, l.imgSplitter);
    place(m_viewBorder, l.Shape4);
    place(m_treeTitleBorder, l.Shape2);
    place(m_treeTitleText, l.imgTitle);
    if (m_web)
        place(m_web->pane(), l.picView);
    place(m_catalog->list(), l.picView);
    place(m_reading, l.picView);
    // The page view's place outside full view.
    m_savedViewRect = l.picView;
    m_bottomBar->placeTabs(l.tzbBottomLeft, l.lblCount);
    m_reading->relayout();
}

void MainWindow::placePageView()
{
    const TwipsRect r = m_fullScreen ? TwipsRect{0, 0, toTwips(m_client->width()), toTwips(m_client->height())}
        : m_reading->isFullView()
        ? view::fullViewRect(toTwips(m_client->width()), toTwips(m_client->height()), toTwips(m_bottomBar->height()))
        : m_savedViewRect;
    place(m_reading, r);
    m_reading->raise();
    m_bottomBar->raise();
    m_reading->relayout();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_firstPaintWatched && event->type() == QEvent::Paint) {
        // Once this paint has reached the screen.
        m_firstPaintWatched->removeEventFilter(this);
        m_firstPaintWatched = nullptr;
        QTimer::singleShot(0, this, &MainWindow::loadWeb);
    }
    if (watched == m_client && event->type() == QEvent::Resize) {
        layoutWindow();
    } else if (watched == m_catalog->tree() && event->type() == QEvent::KeyPress) {
        // The tree turns pages too; a key that turned the page goes no
        // further, so the tree's selection stays where it is.
        m_treePageKey = widgets::vkCode(*static_cast<QKeyEvent *>(event));
        if (m_reading->handleKey(m_treePageKey))
            return true;
        m_treePageKey = 0;
    } else if (watched == m_catalog->tree() && event->type() == QEvent::KeyRelease) {
        // A key that turned the page does not take the page away again.
        const int vk = widgets::vkCode(*static_cast<QKeyEvent *>(event));
        return vk != 0 && vk == std::exchange(m_treePageKey, 0);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent *e)
{
    if (!m_reading->handleKey(widgets::vkCode(*e)) && !handleViewerKey(e))
        QMainWindow::keyPressEvent(e);
}

// The keys every picture viewer has, besides the ones above: Escape leaves
// full screen, then full view; the page keys turn pages.
bool MainWindow::handleViewerKey(QKeyEvent *e)
{
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const int vk = widgets::vkCode(*e);
    if (vk == widgets::vk::Escape && m_fullScreen) {
        setFullScreen(false);
        return true;
    }
    return m_reading->handleViewerKey(vk);
}

// The page alone on the whole screen, without menus, bars or panes; only
// while a book is open.
void MainWindow::setFullScreen(bool on)
{
    if (on == m_fullScreen || (on && !m_context.session->isOpen()))
        return;
    if (on) {
        m_frameBeforeFullScreen = frameGeometry();
        m_stateBeforeFullScreen = windowState() & ~Qt::WindowMinimized;
        showView(m_reading);
        m_reading->setFocus();
    }
    m_fullScreen = on;
    menuBar()->setVisible(!on);
    m_bottomBar->setVisible(!on);
    if (on)
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowFullScreen);
    else
        setWindowState(m_stateBeforeFullScreen);
    placePageView();
}

// ------------------------------------------------------------------ the three views

void MainWindow::selectTab(int tab)
{
    m_bottomBar->selectTab(tab);
}

void MainWindow::showView(QWidget *view)
{
    m_reading->setVisible(view == m_reading);
    m_catalog->list()->setVisible(view == m_catalog->list());
    QWidget *web = m_web ? m_web->pane() : nullptr;
    if (web)
        web->setVisible(view == web);
    // The pressed tab is the visible pane's, whoever showed it.
    selectTab(view == m_reading ? 0 : view == web ? 2 : 1);
    // Full screen shows the page only.
    if (view != m_reading)
        setFullScreen(false);
}

void MainWindow::tabClicked(int tab)
{
    if (tab == 2) {
        if (!webAsked()) {
            selectTab(m_reading->isHidden() ? 1 : 0);
            return;
        }
    }
    if (tab == 2 && m_web->isBlank()) {
        showSite(m_context.siteRoot);
        // The tab keeps the state the home page gave it, not the click's toggle.
        selectTab(m_web->pane()->isHidden() ? (m_reading->isHidden() ? 1 : 0) : 2);
        return;
    }
    QWidget *views[] = {m_reading, m_catalog->list(), m_web ? m_web->pane() : nullptr};
    showView(views[tab]);
    selectTab(tab);
}

void MainWindow::toolbarClicked(int button)
{
    switch (button) {
    case 2:
        BookMakerWindow::showOne(m_maker, m_context, this);
        break;
    case 3:
        openFromDialog();
        break;
    case 4:
        m_context.session->close();
        break;
    case 6:
        m_catalog->saveCopy();
        break;
    case 8:
        m_catalog->addBook();
        break;
    case 10:
        downloadBook();
        break;
    case 12:
        showSite(m_context.siteRoot);
        break;
    case 13:
        showAbout();
        break;
    default:
        break;
    }
}

void MainWindow::downloadBook()
{
    // The page in the pane is read first; the dialog comes when it holds a book.
    if (!webAsked())
        return;
    m_web->readBody([this](const QString &html) {
        if (m_download)
            return;
        if (!web::hasPictureList(html)) {
            m_context.messages->information(kErrorTitle, QStringLiteral("请打开到要下载连环画的页面。"));
            if (html.isEmpty())
                showSite(m_context.siteRoot);
            return;
        }
        QPointer<CatalogPane> catalog(m_catalog);
        m_download = m_web->downloadDialog(html, m_web->address(), m_catalog->preselectedIndex(), this,
                                           [catalog](qint64 classId) {
                                               if (catalog)
                                                   catalog->showCategory(classId);
                                           });
        m_download->setAttribute(Qt::WA_DeleteOnClose);
        m_download->show();
    });
}

void MainWindow::showSite(const QString &address)
{
    if (!webAsked() || m_web->isBusy())
        return;
    m_web->open(address);
    showView(m_web->pane());
    selectTab(2);
}

} // namespace korvel::app
