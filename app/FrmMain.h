#pragma once

#include "app/Layout.h"
#include "app/PageImage.h"
#include "book/BookReader.h"
#include "db/mOpenDatabase.h"
#include "view/AutoPlay.h"
#include "view/Geometry.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QStringListModel;
class QTimer;
class QToolBar;
class QTreeWidget;
class QWebEngineView;

namespace korvel::platform {
class DialogService;
class MessageService;
class SettingsStore;
class ShellService;
}

namespace korvel::widgets {
class TzButton;
}

namespace korvel::app {

class PageFrame;
class PagePicture;

// What the main window is given: its folder, its settings store and the
// services that stand between it and the desktop. Tests pass their own.
struct Services {
    QString appDir;
    platform::SettingsStore *settings = nullptr;
    platform::MessageService *messages = nullptr;
    platform::DialogService *dialogs = nullptr;
    platform::ShellService *shell = nullptr;
    std::function<bool()> isConnected;
    QString siteRoot;       // ends in "/"
    QString programPath;    // for the file association
    QString dataHome;       // where the association is written; empty: the user's
    bool refreshDesktopCaches = true;
    QStringList arguments;  // the program's arguments, the program name first
};

class FrmMain final : public QMainWindow {
    Q_OBJECT
public:
    explicit FrmMain(const Services &services, QWidget *parent = nullptr);
    ~FrmMain() override;

    // Start-up and shutdown sequences.
    void Form_Load();
    void Form_Unload();

    // Layout.
    void Form_Resize();
    void SizeControls(float &x);
    void MoveButtons();
    void tzbBottom_Click(int index);
    void Toolbar_ButtonClick(int index);
    void ApplyToolbarBG();

    // Opening and closing.
    void mnuOpen_Click();
    void mnuRecent_Click(int index);
    void mnuClose_Click();
    bool OpenFromCommandLine(const QString &path);
    void tzbClose_Click();
    void tzbCloselhh_Click();
    void mnuCloseIt_Click();
    void mnuExit_Click();
    void mnuAbout_Click();
    void mnuHomePage_Click();
    void mnuHomePage1_Click();

    // Pages.
    void GetAllPagesNumber();
    void GetPage(qint32 PagesNumber);
    void gopicpre();
    void gopicnext();
    void mnuFirstPage_Click();
    void mmnuLastPage_Click();
    void mnuPrePage_Click();
    void mnuNextPage_Click();
    void Combo1_Click();
    // The key rules shared by the window, the page toolbar and the tree
    // (Windows virtual-key codes). True when the key was used.
    bool Form_KeyDown(int keyCode);

    // View geometry.
    void ResizeViewIt();
    void MovePicViewIt();
    void mnuEnlarge_Click();
    void mnuNarrow_Click();
    void mnuIt_Click();
    void PicViewSize();
    void MaxPicView();
    void tzbMax_Click();

    // Auto-play.
    void mnuAutoPlay_Click();
    void timAutoPlay_Timer();
    void Text2_Change();

    // Page picture mouse rules.
    void picViewIt_MouseDown(Qt::MouseButton button, QPointF pos);
    void picViewIt_MouseMove(QPointF pos);
    void picViewIt_MouseUp(Qt::MouseButton button, QPointF pos);

    bool isBookOpen() const;
    bool FullView = false;
    bool Connected = false;

    // Controls, by their design names.
    QWebEngineView *wbbTopAD = nullptr;
    QWidget *CoolBar = nullptr;
    QToolBar *Toolbar = nullptr;
    std::array<QAction *, 15> ToolbarButtons{}; // 1-based, separators included
    QWidget *picSearch = nullptr;
    QLabel *imgSearch_bg = nullptr;
    QLineEdit *txtSearch = nullptr;
    widgets::TzButton *tzbSearch = nullptr;
    widgets::TzButton *tzbWebSearch = nullptr;
    QFrame *picMark = nullptr;
    QWidget *picTitle = nullptr;
    QLabel *imgTitle = nullptr;
    QFrame *Shape2 = nullptr;
    QTreeWidget *tvTreeView = nullptr;
    QFrame *Shape3 = nullptr;
    QWidget *imgSplitter = nullptr;
    QWidget *picSplitter = nullptr;
    PageFrame *picView = nullptr;
    PagePicture *picViewIt = nullptr;
    QWidget *picButton = nullptr;
    widgets::TzButton *tzbClose = nullptr;
    widgets::TzButton *tzbMax = nullptr;
    QWidget *picTool = nullptr;
    widgets::TzButton *tzbPro = nullptr;
    widgets::TzButton *tzbNext = nullptr;
    widgets::TzButton *tzbEnlarge = nullptr;
    widgets::TzButton *tzbNarrow = nullptr;
    widgets::TzButton *tzbIt = nullptr;
    widgets::TzButton *tzbAutoPlay = nullptr;
    widgets::TzButton *tzbCloselhh = nullptr;
    widgets::TzButton *tzbSave = nullptr;
    widgets::TzButton *tzbLock = nullptr;
    QComboBox *Combo1 = nullptr;
    QLineEdit *Text2 = nullptr;
    std::array<QLabel *, 2> Label2{};
    QTreeWidget *lsvListView = nullptr;
    QWebEngineView *wbbMain = nullptr;
    QFrame *Shape4 = nullptr;
    QWidget *picBottom = nullptr;
    std::array<widgets::TzButton *, 3> tzbBottom{};
    QLabel *lblCount = nullptr;
    QLabel *imgBottom = nullptr;
    QTimer *timAutoPlay = nullptr;

    // Menus.
    std::array<QMenu *, 6> mnuTop{};
    QAction *mnuNew = nullptr, *mnuOpen = nullptr, *mnuClose = nullptr, *mnuSave = nullptr, *mnuExit = nullptr;
    std::array<QAction *, 5> mnuRecent{};
    std::array<QString, 5> mnuRecentTag;
    QAction *mnuAddlhh = nullptr, *mnuAddClass = nullptr, *mnuEditClass = nullptr, *mnuDelClass = nullptr;
    QAction *mnuExpandClass = nullptr, *mnuiUnExpandClass = nullptr;
    QAction *mnuOpenlhh = nullptr, *mnuAddlhh1 = nullptr, *mnuEditlhh = nullptr, *mnuDellhh = nullptr;
    QAction *mnuDelAlllhh = nullptr, *mnuDir = nullptr;
    QAction *mnuFromDalvane = nullptr;
    QAction *mnuFirstPage = nullptr, *mnuPrePage = nullptr, *mnuNextPage = nullptr, *mmnuLastPage = nullptr;
    QAction *mnuPicSaveAs = nullptr, *mnuNarrow = nullptr, *mnuEnlarge = nullptr, *mnuIt = nullptr;
    QAction *mnuAutoPlay = nullptr, *mnuCloseIt = nullptr;
    QAction *mnuAbout = nullptr, *mnuHomePage = nullptr, *mnuHomePage1 = nullptr;

    // Reading state.
    db::mOpenDatabase &database() { return m_db; }
    book::BookReader &reader() { return m_reader; }
    bool FirstFitDone = false;
    TwipsRect SavedViewRect;
    const view::PageBox &pageBox() const { return m_box; }
    const PageImage &picViewTemp() const { return m_picViewTemp; }
    int autoPlayTicks() const { return m_autoPlay.ticks(); }
    float windowWidthTwips() const;
    float windowHeightTwips() const;

protected:
    void closeEvent(QCloseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *e) override;

private:
    enum class Opener { Dialog, Catalog, Recent, CommandLine };
    bool ShowLhh(const QString &path, Opener opener);
    void StartExe(const QString &path);
    void PromoteRecent(const QString &path);
    void RefreshRecent();
    void setBottomTabs(int pressed);
    void showPane(QWidget *pane);
    void applyPageBox();
    void restoreLayout();
    view::FrameSize frameSize() const;
    void buildMenus();
    void buildControls();
    void connectControls();
    void setCaptionClosed();
    widgets::TzButton *makeButton(QWidget *parent, const QString &name, const QString &caption,
                                  const QString &tip, int style);

    Services m_services;
    db::mOpenDatabase m_db;
    book::BookReader m_reader;
    PageImage m_picViewTemp;
    view::PageBox m_box;
    view::AutoPlayCounter m_autoPlay;
    QString m_lastGoodSeconds = QStringLiteral("10");
    bool m_splitterDragging = false;
    bool m_unloaded = false;
    bool m_inResize = false;
    QWidget *m_container = nullptr;
    QSize m_frameExtra;
    const QEvent *m_keyTaken = nullptr;
    QStringListModel *m_pageList = nullptr;
};

} // namespace korvel::app
