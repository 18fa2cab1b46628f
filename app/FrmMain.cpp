#include "app/FrmMain.h"

#include "app/Frame.h"
#include "app/Icons.h"
#include "app/PagePicture.h"
#include "platform/Association.h"
#include "platform/Services.h"
#include "platform/Settings.h"
#include "platform/SiteConfig.h"
#include "widgets/KeyCodes.h"
#include "widgets/TzButton.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QStringListModel>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <cmath>

namespace korvel::app {

namespace {

// Fixed heights and widths of the window's parts, in twips.
constexpr float kCoolBarHeight = 510;
constexpr float kPicTitleHeight = 375;
constexpr float kPicBottomHeight = 420;
constexpr float kBottomTabWidth = 900;
constexpr float kBottomTabHeight = 330;
constexpr float kPicButtonHeight = 300;
constexpr float kSmallButton = 300;
constexpr float kPicToolHeight = 450;
constexpr float kSearchBandWidth = 6300;

void place(QWidget *w, const TwipsRect &r)
{
    // A rectangle the widget cannot take (a negative side) is not applied,
    // as the geometry layer skips a step it rejects.
    if (!w || r.width < 0 || r.height < 0)
        return;
    w->setGeometry(r.toPixels());
}

QFrame *makeShape(QWidget *parent, const QString &name)
{
    auto *f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameShape(QFrame::Box);
    f->setFrameShadow(QFrame::Plain);
    f->setStyleSheet(QStringLiteral("QFrame#%1 { border: 1px solid #7a8ba6; background: transparent; }").arg(name));
    f->setAttribute(Qt::WA_TransparentForMouseEvents);
    return f;
}

} // namespace

FrmMain::FrmMain(const Services &services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_db(services.appDir)
    , m_reader(m_db, services.appDir)
{
    setObjectName(QStringLiteral("frmMain"));
    buildMenus();
    buildControls();
    connectControls();
}

FrmMain::~FrmMain()
{
    if (!m_unloaded)
        m_db.CloseBookConn();
}

widgets::TzButton *FrmMain::makeButton(QWidget *parent, const QString &name, const QString &caption,
                                       const QString &tip, int style)
{
    auto *b = new widgets::TzButton(parent);
    b->setObjectName(name);
    b->setCaption(caption);
    b->setToolTip(tip);
    b->setButtonStyle(style);
    return b;
}

void FrmMain::buildMenus()
{
    auto *bar = menuBar();
    auto add = [this](QMenu *menu, const QString &name, const QString &text) {
        QAction *a = menu->addAction(text);
        a->setObjectName(name);
        return a;
    };
    auto sep = [](QMenu *menu, const QString &name) { menu->addSeparator()->setObjectName(name); };

    mnuTop[0] = new QMenu(QStringLiteral("文件(&F)"), this);
    mnuNew = add(mnuTop[0], QStringLiteral("mnuNew"), QStringLiteral("新建(&N)..."));
    mnuNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuOpen = add(mnuTop[0], QStringLiteral("mnuOpen"), QStringLiteral("打开(&O)..."));
    mnuOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuClose = add(mnuTop[0], QStringLiteral("mnuClose"), QStringLiteral("关闭(&C)"));
    mnuClose->setEnabled(false);
    sep(mnuTop[0], QStringLiteral("mnuBar11"));
    mnuSave = add(mnuTop[0], QStringLiteral("mnuSave"), QStringLiteral("保存(&S)..."));
    mnuSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    sep(mnuTop[0], QStringLiteral("mnuBar12"));
    for (int i = 0; i < 5; ++i) {
        mnuRecent[i] = add(mnuTop[0], QStringLiteral("mnuRecent%1").arg(i), QStringLiteral("最近打开%1").arg(i + 1));
        mnuRecent[i]->setEnabled(false);
    }
    sep(mnuTop[0], QStringLiteral("mnuBar13"));
    mnuExit = add(mnuTop[0], QStringLiteral("mnuExit"), QStringLiteral("退出(&X)"));

    mnuTop[1] = new QMenu(QStringLiteral("编辑(&E)"), this);
    mnuAddlhh = add(mnuTop[1], QStringLiteral("mnuAddlhh"), QStringLiteral("添加连环画"));
    sep(mnuTop[1], QStringLiteral("mnuBar21"));
    mnuAddClass = add(mnuTop[1], QStringLiteral("mnuAddClass"), QStringLiteral("添加连环画分类"));
    mnuEditClass = add(mnuTop[1], QStringLiteral("mnuEditClass"), QStringLiteral("修改连环画分类"));
    mnuDelClass = add(mnuTop[1], QStringLiteral("mnuDelClass"), QStringLiteral("删除连环画分类"));
    sep(mnuTop[1], QStringLiteral("mnuBar22"));
    mnuExpandClass = add(mnuTop[1], QStringLiteral("mnuExpandClass"), QStringLiteral("展开连环画分类"));
    mnuiUnExpandClass = add(mnuTop[1], QStringLiteral("mnuiUnExpandClass"), QStringLiteral("收缩连环画分类"));

    mnuTop[2] = new QMenu(QStringLiteral("操作(&O)"), this);
    mnuOpenlhh = add(mnuTop[2], QStringLiteral("mnuOpenlhh"), QStringLiteral("打开"));
    sep(mnuTop[2], QStringLiteral("mnuBar31"));
    mnuAddlhh1 = add(mnuTop[2], QStringLiteral("mnuAddlhh1"), QStringLiteral("添加"));
    mnuEditlhh = add(mnuTop[2], QStringLiteral("mnuEditlhh"), QStringLiteral("修改"));
    mnuDellhh = add(mnuTop[2], QStringLiteral("mnuDellhh"), QStringLiteral("删除"));
    sep(mnuTop[2], QStringLiteral("mnuBar32"));
    mnuDelAlllhh = add(mnuTop[2], QStringLiteral("mnuDelAlllhh"), QStringLiteral("删除全部已删"));
    sep(mnuTop[2], QStringLiteral("mnuBar33"));
    mnuDir = add(mnuTop[2], QStringLiteral("mnuDir"), QStringLiteral("打开文件目录"));

    mnuTop[3] = new QMenu(QStringLiteral("下载(&D)"), this);
    mnuFromDalvane = add(mnuTop[3], QStringLiteral("mnuFromDalvane"), QStringLiteral("从Dalvane下载"));

    mnuTop[4] = new QMenu(QStringLiteral("浏览(&V)"), this);
    mnuFirstPage = add(mnuTop[4], QStringLiteral("mnuFirstPage"), QStringLiteral("首页"));
    mnuPrePage = add(mnuTop[4], QStringLiteral("mnuPrePage"), QStringLiteral("上一页"));
    mnuNextPage = add(mnuTop[4], QStringLiteral("mnuNextPage"), QStringLiteral("下一页"));
    mmnuLastPage = add(mnuTop[4], QStringLiteral("mmnuLastPage"), QStringLiteral("末页"));
    sep(mnuTop[4], QStringLiteral("mnuBar51"));
    mnuPicSaveAs = add(mnuTop[4], QStringLiteral("mnuPicSaveAs"), QStringLiteral("图片另存为(&A)"));
    sep(mnuTop[4], QStringLiteral("mnuBar52"));
    mnuNarrow = add(mnuTop[4], QStringLiteral("mnuNarrow"), QStringLiteral("缩小"));
    mnuEnlarge = add(mnuTop[4], QStringLiteral("mnuEnlarge"), QStringLiteral("放大"));
    mnuIt = add(mnuTop[4], QStringLiteral("mnuIt"), QStringLiteral("实际大小"));
    sep(mnuTop[4], QStringLiteral("mnuBar53"));
    mnuAutoPlay = add(mnuTop[4], QStringLiteral("mnuAutoPlay"), QStringLiteral("自动翻页"));
    mnuAutoPlay->setCheckable(true);
    sep(mnuTop[4], QStringLiteral("mnuBar54"));
    mnuCloseIt = add(mnuTop[4], QStringLiteral("mnuCloseIt"), QStringLiteral("关闭"));

    mnuTop[5] = new QMenu(QStringLiteral("帮助(&H)"), this);
    mnuAbout = add(mnuTop[5], QStringLiteral("mnuAbout"), QStringLiteral("关于(&A)..."));
    sep(mnuTop[5], QStringLiteral("mnuBar61"));
    mnuHomePage = add(mnuTop[5], QStringLiteral("mnuHomePage"), QStringLiteral("Dalvane主页"));
    mnuHomePage1 = add(mnuTop[5], QStringLiteral("mnuHomePage1"), QStringLiteral("Korvel 主页"));

    for (int i = 0; i < 6; ++i) {
        mnuTop[i]->setObjectName(QStringLiteral("mnuTop%1").arg(i));
        bar->addMenu(mnuTop[i]);
    }

    // Commands whose work comes with the catalog, the maker, the export and
    // the downloader are shown but not yet available.
    for (QAction *a : {mnuNew, mnuSave, mnuAddlhh, mnuAddClass, mnuEditClass, mnuDelClass, mnuExpandClass,
                       mnuiUnExpandClass, mnuOpenlhh, mnuAddlhh1, mnuEditlhh, mnuDellhh, mnuDelAlllhh, mnuDir,
                       mnuFromDalvane, mnuPicSaveAs})
        a->setEnabled(false);
}

void FrmMain::buildControls()
{
    m_container = new QWidget(this);
    m_container->setObjectName(QStringLiteral("frmMainClient"));
    setCentralWidget(m_container);
    m_container->installEventFilter(this);
    QWidget *c = m_container;

    wbbTopAD = new QWebEngineView(c);
    wbbTopAD->setObjectName(QStringLiteral("wbbTopAD"));
    wbbTopAD->setContextMenuPolicy(Qt::NoContextMenu);

    CoolBar = new QWidget(c);
    CoolBar->setObjectName(QStringLiteral("CoolBar"));
    CoolBar->setAutoFillBackground(true);
    Toolbar = new QToolBar(CoolBar);
    Toolbar->setObjectName(QStringLiteral("Toolbar"));
    Toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const QStringList captions = {QString(), QString(), QStringLiteral("新建"), QStringLiteral("打开"),
                                  QStringLiteral("关闭"), QString(), QStringLiteral("保存"), QString(),
                                  QStringLiteral("添加"), QString(), QStringLiteral("下载"), QString(),
                                  QStringLiteral("主页"), QStringLiteral("关于"), QString()};
    for (int i = 1; i <= 14; ++i) {
        if (captions.at(i).isEmpty()) {
            ToolbarButtons[i] = Toolbar->addSeparator();
        } else {
            ToolbarButtons[i] = Toolbar->addAction(captions.at(i));
            connect(ToolbarButtons[i], &QAction::triggered, this, [this, i] { Toolbar_ButtonClick(i); });
        }
        ToolbarButtons[i]->setObjectName(QStringLiteral("ToolbarButton%1").arg(i));
    }
    ToolbarButtons[4]->setEnabled(false);
    for (int i : {2, 6, 8, 10})
        ToolbarButtons[i]->setEnabled(false);

    picSearch = new QWidget(CoolBar);
    picSearch->setObjectName(QStringLiteral("picSearch"));
    imgSearch_bg = new QLabel(picSearch);
    imgSearch_bg->setObjectName(QStringLiteral("imgSearch_bg"));
    txtSearch = new QLineEdit(picSearch);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setText(QStringLiteral("请输入连环画书名"));
    txtSearch->setEnabled(false);
    tzbSearch = makeButton(picSearch, QStringLiteral("tzbSearch"), QStringLiteral("搜索"), QString(), 1);
    tzbWebSearch = makeButton(picSearch, QStringLiteral("tzbWebSearch"), QStringLiteral("网搜"), QString(), 1);
    tzbSearch->setEnabled(false);
    tzbWebSearch->setEnabled(false);

    picMark = new QFrame(c);
    picMark->setObjectName(QStringLiteral("picMark"));
    picMark->setStyleSheet(QStringLiteral("background: #7a8ba6;"));

    picTitle = new QWidget(c);
    picTitle->setObjectName(QStringLiteral("picTitle"));
    imgTitle = new QLabel(QStringLiteral("连环画分类"), picTitle);
    imgTitle->setObjectName(QStringLiteral("imgTitle"));
    imgTitle->setStyleSheet(QStringLiteral(
        "background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #dfe8f6, stop:1 #b7c8e4); padding-left: 6px;"));
    Shape2 = makeShape(picTitle, QStringLiteral("Shape2"));

    tvTreeView = new QTreeWidget(c);
    tvTreeView->setObjectName(QStringLiteral("tvTreeView"));
    tvTreeView->setHeaderHidden(true);
    tvTreeView->setFrameShape(QFrame::NoFrame);
    tvTreeView->installEventFilter(this);
    Shape3 = makeShape(c, QStringLiteral("Shape3"));

    imgSplitter = new QWidget(c);
    imgSplitter->setObjectName(QStringLiteral("imgSplitter"));
    imgSplitter->setCursor(Qt::SplitHCursor);
    imgSplitter->installEventFilter(this);
    picSplitter = new QWidget(c);
    picSplitter->setObjectName(QStringLiteral("picSplitter"));
    picSplitter->setAutoFillBackground(true);
    picSplitter->setStyleSheet(QStringLiteral("background: #404040;"));
    picSplitter->hide();

    lsvListView = new QTreeWidget(c);
    lsvListView->setObjectName(QStringLiteral("lsvListView"));
    lsvListView->setRootIsDecorated(false);
    lsvListView->setSelectionMode(QAbstractItemView::SingleSelection);
    lsvListView->setAllColumnsShowFocus(true);
    lsvListView->hide();

    wbbMain = new QWebEngineView(c);
    wbbMain->setObjectName(QStringLiteral("wbbMain"));
    wbbMain->hide();

    picView = new PageFrame(c);
    picView->setObjectName(QStringLiteral("picView"));
    picViewIt = new PagePicture(picView);
    picViewIt->setObjectName(QStringLiteral("picViewIt"));
    picViewIt->setImage(&m_picViewTemp.image());
    picViewIt->hide();

    picButton = new QWidget(picView);
    picButton->setObjectName(QStringLiteral("picButton"));
    tzbMax = makeButton(picButton, QStringLiteral("tzbMax"), QStringLiteral("1"), QStringLiteral("全屏"), 2);
    tzbClose = makeButton(picButton, QStringLiteral("tzbClose"), QStringLiteral("r"), QStringLiteral("关闭"), 2);
    tzbMax->setGlyph(true);
    tzbClose->setGlyph(true);
    place(tzbMax, {0, 0, kSmallButton, kSmallButton});
    place(tzbClose, {kSmallButton + 15, 0, kSmallButton, kSmallButton});
    place(picButton, {0, 0, 2 * kSmallButton + 15, kPicButtonHeight});

    picTool = new QWidget(picView);
    picTool->setObjectName(QStringLiteral("picTool"));
    picTool->setAutoFillBackground(true);
    tzbPro = makeButton(picTool, QStringLiteral("tzbPro"), QStringLiteral("<"), QStringLiteral("上一页(←)"), 2);
    tzbNext = makeButton(picTool, QStringLiteral("tzbNext"), QStringLiteral(">"), QStringLiteral("下一页(→)"), 2);
    tzbEnlarge = makeButton(picTool, QStringLiteral("tzbEnlarge"), QStringLiteral("+"), QStringLiteral("放大(+)"), 2);
    tzbNarrow = makeButton(picTool, QStringLiteral("tzbNarrow"), QStringLiteral("-"), QStringLiteral("缩小(-)"), 2);
    tzbIt = makeButton(picTool, QStringLiteral("tzbIt"), QStringLiteral("1:1"), QStringLiteral("实际大小"), 2);
    tzbAutoPlay = makeButton(picTool, QStringLiteral("tzbAutoPlay"), QStringLiteral("自动"),
                             QStringLiteral("自动翻页(F11)"), 2);
    tzbAutoPlay->setCheckBoxMode(true);
    tzbCloselhh = makeButton(picTool, QStringLiteral("tzbCloselhh"), QStringLiteral("关闭"),
                             QStringLiteral("关闭连环画"), 2);
    tzbSave = makeButton(picTool, QStringLiteral("tzbSave"), QStringLiteral("存图"), QStringLiteral("图片另存为"), 2);
    tzbSave->setEnabled(false);
    tzbLock = makeButton(picTool, QStringLiteral("tzbLock"), QStringLiteral("锁定"),
                         QStringLiteral("翻页时锁定大小"), 2);
    tzbLock->setCheckBoxMode(true);
    Label2[0] = new QLabel(QStringLiteral("跳到第       页"), picTool);
    Label2[0]->setObjectName(QStringLiteral("Label2_0"));
    Combo1 = new QComboBox(picTool);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    m_pageList = new QStringListModel(Combo1);
    Combo1->setModel(m_pageList);
    Text2 = new QLineEdit(QStringLiteral("10"), picTool);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setEnabled(false);
    Text2->installEventFilter(this);
    Label2[1] = new QLabel(QStringLiteral("秒"), picTool);
    Label2[1]->setObjectName(QStringLiteral("Label2_1"));
    {
        float x = 60;
        const float bw = 420, bh = 330, top = 60;
        for (widgets::TzButton *b : {tzbPro, tzbNext, tzbEnlarge, tzbNarrow, tzbIt}) {
            place(b, {x, top, bw, bh});
            x += bw + 30;
        }
        // The page box sits in the label's blank, between "跳到第" and "页":
        // the blank is widened to hold it.
        // The page box sits in the label's blank, between "跳到第" and "页";
        // the label draws its two words at its two ends around the box.
        const QFontMetrics fm(Label2[0]->font());
        const int lead = fm.horizontalAdvance(QStringLiteral("跳到第"));
        const int boxWidth = 50;
        const float labelWidth = toTwips(lead + boxWidth + 8 + fm.horizontalAdvance(QStringLiteral("页")) + 2);
        Label2[0]->installEventFilter(this);
        place(Label2[0], {x + 30, top, labelWidth, bh});
        place(Combo1, {x + 30 + toTwips(lead + 4), top, toTwips(boxWidth), bh});
        x += labelWidth + 60;
        for (widgets::TzButton *b : {tzbAutoPlay}) {
            place(b, {x, top, 600, bh});
            x += 630;
        }
        place(Text2, {x, top, 450, bh});
        x += 465;
        place(Label2[1], {x, top, 240, bh});
        x += 270;
        for (widgets::TzButton *b : {tzbLock, tzbSave, tzbCloselhh}) {
            place(b, {x, top, 600, bh});
            x += 630;
        }
        place(picTool, {0, 0, x + 30, kPicToolHeight});
    }

    Shape4 = makeShape(c, QStringLiteral("Shape4"));

    picBottom = new QWidget(c);
    picBottom->setObjectName(QStringLiteral("picBottom"));
    imgBottom = new QLabel(picBottom);
    imgBottom->setObjectName(QStringLiteral("imgBottom"));
    imgBottom->setStyleSheet(QStringLiteral(
        "background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #e9eef7, stop:1 #c6d3e8);"));
    const QStringList tabs = {QStringLiteral("阅读"), QStringLiteral("列表"), QStringLiteral("网站")};
    for (int i = 0; i < 3; ++i) {
        tzbBottom[i] = makeButton(picBottom, QStringLiteral("tzbBottom%1").arg(i), tabs.at(i), QString(), 4);
        tzbBottom[i]->setCheckBoxMode(true);
        place(tzbBottom[i], {0, 45, kBottomTabWidth, kBottomTabHeight});
    }
    tzbBottom[0]->setValue(true);
    lblCount = new QLabel(picBottom);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    lblCount->setAttribute(Qt::WA_TranslucentBackground);

    timAutoPlay = new QTimer(this);
    timAutoPlay->setObjectName(QStringLiteral("timAutoPlay"));
    timAutoPlay->setInterval(1000);

    // The front-to-back order: the page view covers the rest in full view.
    Shape3->raise();
    Shape4->raise();
    picView->raise();
    picSplitter->raise();
    picBottom->raise();

    setWindowIcon(programIcon());
}

void FrmMain::connectControls()
{
    connect(mnuOpen, &QAction::triggered, this, &FrmMain::mnuOpen_Click);
    connect(mnuClose, &QAction::triggered, this, &FrmMain::mnuClose_Click);
    for (int i = 0; i < 5; ++i)
        connect(mnuRecent[i], &QAction::triggered, this, [this, i] { mnuRecent_Click(i); });
    connect(mnuExit, &QAction::triggered, this, &FrmMain::mnuExit_Click);
    connect(mnuAbout, &QAction::triggered, this, &FrmMain::mnuAbout_Click);
    connect(mnuHomePage, &QAction::triggered, this, &FrmMain::mnuHomePage_Click);
    connect(mnuHomePage1, &QAction::triggered, this, &FrmMain::mnuHomePage1_Click);
    connect(mnuFirstPage, &QAction::triggered, this, &FrmMain::mnuFirstPage_Click);
    connect(mnuPrePage, &QAction::triggered, this, &FrmMain::mnuPrePage_Click);
    connect(mnuNextPage, &QAction::triggered, this, &FrmMain::mnuNextPage_Click);
    connect(mmnuLastPage, &QAction::triggered, this, &FrmMain::mmnuLastPage_Click);
    connect(mnuNarrow, &QAction::triggered, this, &FrmMain::mnuNarrow_Click);
    connect(mnuEnlarge, &QAction::triggered, this, &FrmMain::mnuEnlarge_Click);
    connect(mnuIt, &QAction::triggered, this, &FrmMain::mnuIt_Click);
    // The entry's check mark is the program's to set: undo Qt's own toggle first.
    connect(mnuAutoPlay, &QAction::triggered, this, [this](bool checked) {
        mnuAutoPlay->setChecked(!checked);
        mnuAutoPlay_Click();
    });
    connect(mnuCloseIt, &QAction::triggered, this, &FrmMain::mnuCloseIt_Click);

    connect(tzbClose, &widgets::TzButton::Click, this, &FrmMain::tzbClose_Click);
    connect(tzbMax, &widgets::TzButton::Click, this, &FrmMain::tzbMax_Click);
    connect(tzbCloselhh, &widgets::TzButton::Click, this, &FrmMain::tzbCloselhh_Click);
    connect(tzbPro, &widgets::TzButton::Click, this, [this] { if (isBookOpen()) mnuPrePage_Click(); });
    connect(tzbNext, &widgets::TzButton::Click, this, [this] { if (isBookOpen()) mnuNextPage_Click(); });
    connect(tzbEnlarge, &widgets::TzButton::Click, this, [this] { if (isBookOpen()) mnuEnlarge_Click(); });
    connect(tzbNarrow, &widgets::TzButton::Click, this, [this] { if (isBookOpen()) mnuNarrow_Click(); });
    connect(tzbIt, &widgets::TzButton::Click, this, [this] { if (isBookOpen()) mnuIt_Click(); });
    connect(tzbAutoPlay, &widgets::TzButton::Click, this, [this] {
        if (isBookOpen())
            mnuAutoPlay_Click();
        // The button shows the menu entry's state, whoever pressed it.
        tzbAutoPlay->setValue(mnuAutoPlay->isChecked());
    });
    for (widgets::TzButton *b : {tzbPro, tzbNext, tzbEnlarge, tzbNarrow, tzbIt, tzbAutoPlay, tzbCloselhh, tzbSave,
                                 tzbLock})
        connect(b, &widgets::TzButton::KeyDown, this, [this](int key, Qt::KeyboardModifiers) { Form_KeyDown(key); });
    for (int i = 0; i < 3; ++i)
        connect(tzbBottom[i], &widgets::TzButton::Click, this, [this, i] { tzbBottom_Click(i); });

    connect(Combo1, &QComboBox::activated, this, [this](int) { Combo1_Click(); });
    connect(Text2, &QLineEdit::textChanged, this, [this] { Text2_Change(); });
    connect(timAutoPlay, &QTimer::timeout, this, &FrmMain::timAutoPlay_Timer);

    connect(picViewIt, &PagePicture::mouseDown, this, &FrmMain::picViewIt_MouseDown);
    connect(picViewIt, &PagePicture::mouseMoved, this, &FrmMain::picViewIt_MouseMove);
    connect(picViewIt, &PagePicture::mouseUp, this, &FrmMain::picViewIt_MouseUp);
    connect(picView, &PageFrame::doubleClicked, this, &FrmMain::mnuOpen_Click);

    // The pane is busy while a page loads.
    connect(wbbMain, &QWebEngineView::loadStarted, this, [this] { wbbMain->setProperty("loading", true); });
    connect(wbbMain, &QWebEngineView::loadFinished, this, [this] { wbbMain->setProperty("loading", false); });
}

// ------------------------------------------------------------------ start-up and shutdown

void FrmMain::Form_Load()
{
    FullView = false;
    wbbMain->setUrl(QUrl(QStringLiteral("about:blank")));

    // The category tree: the fixed nodes always come last.
    tvTreeView->clear();
    const QList<QPair<QString, int>> fixed = {{QStringLiteral("搜索结果"), 6},
                                              {QStringLiteral("访问Dalvane网站"), 3},
                                              {QStringLiteral("访问 Korvel 主页"), 3}};
    for (const auto &f : fixed) {
        auto *node = new QTreeWidgetItem(tvTreeView, QStringList{f.first});
        node->setData(0, Qt::UserRole, f.first); // the key of a fixed node is its text
        node->setIcon(0, treeImage(f.second));
    }

    // The menus of the book list and the page view live on as context menus only.
    menuBar()->removeAction(mnuTop[2]->menuAction());
    menuBar()->removeAction(mnuTop[4]->menuAction());

    // The book list's columns.
    const StoredLayout stored = readStoredLayout(*m_services.settings);
    lsvListView->clear();
    lsvListView->setHeaderLabels({QStringLiteral("编号"), QStringLiteral("分类号"), QStringLiteral("类型"),
                                  QStringLiteral("连环画书名"), QStringLiteral("状态"), QStringLiteral("制作"),
                                  QStringLiteral("绘画"), QStringLiteral("出版社"), QStringLiteral("出版时间"),
                                  QStringLiteral("文件路径")});
    lsvListView->header()->setMinimumSectionSize(0);
    lsvListView->header()->setStretchLastSection(false);
    lsvListView->setColumnWidth(0, 0);
    lsvListView->setColumnWidth(1, 0);
    for (int i = 0; i < 8; ++i)
        lsvListView->setColumnWidth(i + 2, std::max(0, toPixels(stored.columnWidths[i])));

    restoreLayout();

    // The stored node index; one that names no node falls back to the first.
    int index = stored.treeView;
    if (index < 1 || index > tvTreeView->topLevelItemCount())
        index = 1;
    if (tvTreeView->topLevelItemCount() > 0)
        tvTreeView->setCurrentItem(tvTreeView->topLevelItem(index - 1));

    setCaptionClosed();
    setWindowIcon(programIcon());
    ApplyToolbarBG();

    m_pageList->setStringList({QStringLiteral("0")});
    Combo1->setCurrentIndex(0);

    Connected = m_services.isConnected ? m_services.isConnected() : false;
    if (Connected)
        wbbTopAD->setUrl(QUrl(platform::siteAddress(m_services.siteRoot, QStringLiteral("/Korvel/TopAD.html"))));
    else
        wbbTopAD->setUrl(QUrl::fromLocalFile(m_services.appDir + QStringLiteral("/top.html")));

    if (!m_services.programPath.isEmpty())
        platform::writeFileAssociation(m_services.programPath, m_services.dataHome,
                                       m_services.refreshDesktopCaches);

    const QString path = GetCommandPath(m_services.arguments);
    if (!path.isEmpty())
        OpenFromCommandLine(path);

    RefreshRecent();
}

void FrmMain::restoreLayout()
{
    const StoredLayout s = readStoredLayout(*m_services.settings);
    const QSize outer(std::max(1, toPixels(s.width)), std::max(1, toPixels(s.height)));
    resize(outer - m_frameExtra);
    move(toPixels(s.left), toPixels(s.top));
    if (s.windowState == 2)
        setWindowState(windowState() | Qt::WindowMaximized);
    float x = s.splitter;
    imgSplitter->move(toPixels(x), imgSplitter->y());
    SizeControls(x);
}

void FrmMain::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    // Once the window manager has put a frame round the window, keep the
    // stored outer size the outer size.
    const QSize extra = frameGeometry().size() - geometry().size();
    if (extra != m_frameExtra && extra.isValid() && !extra.isEmpty() && windowState() == Qt::WindowNoState) {
        const QSize outer = geometry().size() + m_frameExtra;
        m_frameExtra = extra;
        resize(outer - extra);
    }
}

void FrmMain::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    ClosingLayout l;
    const Qt::WindowStates st = windowState();
    if (st & Qt::WindowMinimized)
        l.windowState = 1;
    else if (st & Qt::WindowMaximized)
        l.windowState = 2;
    else
        l.windowState = 0;
    l.width = windowWidthTwips();
    l.height = windowHeightTwips();
    l.left = toTwips(frameGeometry().x());
    l.top = toTwips(frameGeometry().y());
    int index = 1;
    if (QTreeWidgetItem *cur = tvTreeView->currentItem())
        index = tvTreeView->indexOfTopLevelItem(cur) + 1;
    l.treeView = std::max(1, index);
    l.splitter = toTwips(imgSplitter->x());
    for (int i = 0; i < 8; ++i)
        l.columnWidths[i] = toTwips(lsvListView->columnWidth(i + 2));
    writeStoredLayout(*m_services.settings, l);
    m_db.CloseBookConn();
}

void FrmMain::closeEvent(QCloseEvent *e)
{
    Form_Unload();
    e->accept();
}

void FrmMain::mnuExit_Click()
{
    close();
    Form_Unload();
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

void FrmMain::setCaptionClosed()
{
    setWindowTitle(closedCaption());
}

float FrmMain::windowWidthTwips() const
{
    return toTwips(isVisible() ? frameGeometry().width() : width() + m_frameExtra.width());
}

float FrmMain::windowHeightTwips() const
{
    return toTwips(isVisible() ? frameGeometry().height() : height() + m_frameExtra.height());
}

// ------------------------------------------------------------------ layout

void FrmMain::Form_Resize()
{
    if (m_inResize)
        return;
    const bool normal = !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    float w = 0, h = 0;
    if (normal && enforceMinimum(windowWidthTwips(), windowHeightTwips(), w, h)) {
        // The change raises a new resize, which lays the window out.
        const QSize extra = isVisible() ? frameGeometry().size() - geometry().size() : m_frameExtra;
        // Whole pixels, rounded up so the new size meets the minimum.
        resize(QSize(int(std::ceil(w / kTwipsPerPixel)), int(std::ceil(h / kTwipsPerPixel))) - extra);
        return;
    }
    m_inResize = true;
    const float width = windowWidthTwips();
    const float innerWidth = toTwips(m_container->width());
    place(wbbTopAD, {0, 0, width - 120, 960});
    place(CoolBar, {0, 960, width, kCoolBarHeight});
    // The search band keeps about 6300 twips beside the toolbar.
    const float searchLeft = std::max(0.0f, width - kSearchBandWidth);
    place(Toolbar, {0, 0, searchLeft, kCoolBarHeight});
    place(picSearch, {searchLeft, 0, kSearchBandWidth, kCoolBarHeight});
    place(txtSearch, {60, 75, 3000, 360});
    place(tzbSearch, {3120, 75, 900, 360});
    place(tzbWebSearch, {4080, 75, 1200, 360});
    place(imgSearch_bg, {0, 0, toTwips(picSearch->width()) + 2000, kCoolBarHeight});
    place(picMark, {0, 960 + kCoolBarHeight - 15, width, 15});
    place(picBottom, {0, toTwips(m_container->height()) - kPicBottomHeight, innerWidth, kPicBottomHeight});
    place(imgBottom, {0, 0, innerWidth, kPicBottomHeight});
    float x = toTwips(imgSplitter->x());
    SizeControls(x);
    PicViewSize();
    if (FullView)
        MaxPicView();
    MoveButtons();
    ResizeViewIt();
    MovePicViewIt();
    m_inResize = false;
}

void FrmMain::SizeControls(float &x)
{
    LayoutInput in;
    in.width = windowWidthTwips();
    in.innerWidth = toTwips(m_container->width());
    in.innerHeight = toTwips(m_container->height());
    in.topAdHeight = toTwips(wbbTopAD->height());
    in.coolBarHeight = toTwips(CoolBar->height());
    in.picTitleHeight = kPicTitleHeight;
    in.picBottomHeight = kPicBottomHeight;
    in.picSearchWidth = toTwips(picSearch->width());
    for (int i = 0; i < 3; ++i)
        in.tzbBottomWidth[i] = toTwips(tzbBottom[i]->width());
    // The strip and the bar keep their places: they are laid out on resize.
    in.topAdHeight = 960;
    in.coolBarHeight = kCoolBarHeight;
    const Layout l = computeLayout(in, x);
    x = l.splitter;

    place(tvTreeView, l.tvTreeView);
    place(Shape3, l.Shape3);
    place(picTitle, l.picTitle);
    place(imgSplitter, l.imgSplitter);
    place(picView, l.picView);
    place(Shape4, l.Shape4);
    place(Shape2, l.Shape2);
    place(imgTitle, l.imgTitle);
    place(wbbMain, l.picView);
    place(lsvListView, l.picView);
    MoveButtons();
    PicViewSize();
    ResizeViewIt();
    MovePicViewIt();
    for (int i = 0; i < 3; ++i)
        tzbBottom[i]->move(toPixels(l.tzbBottomLeft[i]), tzbBottom[i]->y());
    place(lblCount, {l.tzbBottomLeft[2] + toTwips(tzbBottom[2]->width()) + 300, 45, 3000, kBottomTabHeight});
}

void FrmMain::MoveButtons()
{
    const ButtonPlacement p = moveButtons(toTwips(picView->width()), toTwips(picView->height()),
                                          toTwips(picButton->width()), toTwips(picTool->width()),
                                          toTwips(picTool->height()));
    picButton->move(toPixels(p.picButtonLeft), toPixels(p.picButtonTop));
    picTool->move(toPixels(p.picToolLeft), toPixels(p.picToolTop));
    picButton->raise();
    picTool->raise();
}

void FrmMain::ApplyToolbarBG()
{
    // The toolbar wears the search band's background pattern.
    QPixmap pattern(8, toPixels(kCoolBarHeight));
    QPainter p(&pattern);
    QLinearGradient g(0, 0, 0, pattern.height());
    g.setColorAt(0, QColor(0xf4, 0xf7, 0xfc));
    g.setColorAt(1, QColor(0xc9, 0xd6, 0xea));
    p.fillRect(pattern.rect(), g);
    p.end();
    imgSearch_bg->setPixmap(pattern.scaled(4096, pattern.height()));
    QPalette pal = CoolBar->palette();
    pal.setBrush(QPalette::Window, QBrush(pattern));
    CoolBar->setPalette(pal);
    Toolbar->setAutoFillBackground(false);
    Toolbar->setStyleSheet(QStringLiteral("QToolBar { background: transparent; border: none; }"
                                          " QToolButton { padding: 1px 2px; margin: 0px; }"
                                          " QToolBar::separator { width: 5px; }"));
    for (QWidget *w : QApplication::topLevelWidgets())
        w->update();
}

bool FrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label2[0] && event->type() == QEvent::Paint) {
        QPainter p(Label2[0]);
        const QString text = Label2[0]->text();
        const QRect r = Label2[0]->rect();
        p.setPen(Label2[0]->palette().color(QPalette::WindowText));
        p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, text.section(QLatin1Char(' '), 0, 0));
        p.drawText(r.adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignVCenter, text.section(QLatin1Char(' '), -1));
        return true;
    }
    if (watched == m_container && event->type() == QEvent::Resize) {
        Form_Resize();
    } else if (watched == imgSplitter) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (event->type() == QEvent::MouseButtonPress && me->button() == Qt::LeftButton) {
            place(picSplitter, {toTwips(imgSplitter->x()), toTwips(imgSplitter->y()), toTwips(imgSplitter->width()),
                                toTwips(imgSplitter->height()) - 20});
            picSplitter->show();
            picSplitter->raise();
            m_splitterDragging = true;
            return true;
        }
        if (event->type() == QEvent::MouseMove && m_splitterDragging) {
            const float candidate = toTwips(imgSplitter->x()) + toTwips(me->position().x());
            const float width = windowWidthTwips();
            float at = candidate;
            if (candidate < kMinSplitter)
                at = kMinSplitter;
            else if (candidate > width - kMinSplitter)
                at = width - kMinSplitter;
            picSplitter->move(toPixels(at), picSplitter->y());
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease && m_splitterDragging) {
            float x = toTwips(picSplitter->x());
            SizeControls(x);
            picSplitter->hide();
            m_splitterDragging = false;
            return true;
        }
    } else if (watched == tvTreeView && event->type() == QEvent::KeyPress) {
        // The tree turns pages too, then does its own work with the key; a
        // key it leaves must not turn the page a second time in the window.
        if (Form_KeyDown(widgets::vkCode(*static_cast<QKeyEvent *>(event))))
            m_keyTaken = event;
    } else if (watched == Text2 && event->type() == QEvent::KeyPress) {
        // Only digits and backspace reach the seconds box.
        auto *ke = static_cast<QKeyEvent *>(event);
        const QString t = ke->text();
        const bool editKey = ke->key() == Qt::Key_Backspace || ke->key() == Qt::Key_Left
            || ke->key() == Qt::Key_Right || ke->key() == Qt::Key_Home || ke->key() == Qt::Key_End
            || ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab || ke->key() == Qt::Key_Delete;
        const bool digit = t.size() == 1 && t.at(0) >= QLatin1Char('0') && t.at(0) <= QLatin1Char('9');
        if (!editKey && !digit && !(ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmMain::keyPressEvent(QKeyEvent *e)
{
    if (e == m_keyTaken) {
        m_keyTaken = nullptr;
        return;
    }
    if (!Form_KeyDown(widgets::vkCode(*e)))
        QMainWindow::keyPressEvent(e);
}

void FrmMain::setBottomTabs(int pressed)
{
    for (int i = 0; i < 3; ++i)
        tzbBottom[i]->setValue(i == pressed);
}

void FrmMain::showPane(QWidget *pane)
{
    picView->setVisible(pane == picView);
    lsvListView->setVisible(pane == lsvListView);
    wbbMain->setVisible(pane == wbbMain);
}

void FrmMain::tzbBottom_Click(int index)
{
    switch (index) {
    case 0:
        showPane(picView);
        setBottomTabs(0);
        break;
    case 1:
        showPane(lsvListView);
        setBottomTabs(1);
        break;
    case 2:
        if (wbbMain->url() == QUrl(QStringLiteral("about:blank")) || wbbMain->url().isEmpty()) {
            mnuHomePage_Click();
            // The tab keeps the state the home page gave it, not the click's toggle.
            setBottomTabs(wbbMain->isHidden() ? (picView->isHidden() ? 1 : 0) : 2);
            return;
        }
        showPane(wbbMain);
        setBottomTabs(2);
        break;
    default:
        break;
    }
}

void FrmMain::Toolbar_ButtonClick(int index)
{
    switch (index) {
    case 3:
        mnuOpen_Click();
        break;
    case 4:
        mnuClose_Click();
        break;
    case 12:
        mnuHomePage_Click();
        break;
    case 13:
        mnuAbout_Click();
        break;
    default:
        // 2 new, 6 save, 8 add, 10 download: their commands are not available yet.
        break;
    }
}

void FrmMain::mnuHomePage_Click()
{
    if (wbbMain->property("loading").toBool())
        return;
    wbbMain->setUrl(QUrl(m_services.siteRoot));
    showPane(wbbMain);
    setBottomTabs(2);
}

void FrmMain::mnuHomePage1_Click()
{
    if (wbbMain->property("loading").toBool())
        return;
    wbbMain->setUrl(QUrl(platform::siteAddress(m_services.siteRoot, QStringLiteral("/Korvel/"))));
    showPane(wbbMain);
    setBottomTabs(2);
}

} // namespace korvel::app
