#pragma once

#include "app/AppContext.h"
#include "view/Twips.h"

#include <QMainWindow>
#include <QPointer>

#include <array>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QDialog;

namespace korvel::widgets {
class StyledButton;
}

namespace korvel::app {

class BottomBar;
class CatalogPane;
class CoolBar;
class BookMakerWindow;
class ReadingPane;
class Splitter;
class WebParts;

// The main window (frmMain): the frame that holds the menus, the cool bar,
// the category side, the splitter, the bottom tabs and the three views of the
// right-hand side, of which it shows one at a time. The panes do their own
// work; the frame opens books, lays everything out and keeps the window's
// settings.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const AppContext &context, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The window's part of start-up: the tree, the list's columns, the stored
    // geometry, the selected node, the caption and the banner.
    void load();
    // Saves the window's settings and releases the open book; runs once.
    void unload();
    // The web part of start-up: the banner with its adverts and the web pane.
    // Runs once; whatever needs the web runs it first.
    void loadWeb();
    // Runs loadWeb() once the first page (the window, without a book) is painted.
    void loadWebAfterFirstPaint();
    bool hasWeb() const { return m_web != nullptr; }

    // A book named on the command line at start-up (nothing is open yet).
    bool openFromCommandLine(const QString &path);
    void refreshRecentMenu();

    // The machine reported a connection at the last test.
    bool isConnected() const;

protected:
    void closeEvent(QCloseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *e) override;
    void moveEvent(QMoveEvent *e) override;

private:
    enum class Opener { Dialog, Catalog, Recent, CommandLine };
    bool showBook(const QString &path, Opener opener);
    void openFromDialog();
    void openChosen(QString name);
    void openRecent(int index);
    void exitProgram();
    void showAbout();
    void showSite(const QString &address);
    // loadWeb() for something the user asked of the web; says so when it cannot be had.
    bool webAsked();
    void downloadBook();

    void buildMenus();
    void buildControls();
    void connectControls();
    void restoreLayout();
    void layoutWindow();
    void sizeControls(float &splitter);
    void placePageView();

    void selectTab(int tab);
    void showView(QWidget *view);
    void tabClicked(int tab);
    void toolbarClicked(int button);
    void bookStateChanged();

    float windowWidthTwips() const;
    float windowHeightTwips() const;
    void fitFrame();
    bool handleViewerKey(QKeyEvent *e);
    void setFullScreen(bool on);

    AppContext m_context;
    bool m_unloaded = false;
    bool m_inLayout = false;
    QPointer<QWidget> m_firstPaintWatched; // loadWeb() follows its first paint
    int m_treePageKey = 0; // the page key last pressed on the tree
    QSize m_decoration{0, 0}; // what the window manager's frame adds to the window
    QSize m_pendingOuter;     // the outer size to keep once the frame is known
    TwipsRect m_heldGeometry; // the outer rectangle as read and placed at start-up
    float m_heldSplitter = 0; // the splitter as read and clamped at start-up, or as dragged
    float m_heldColumns[8] = {};
    bool m_fullScreen = false;
    Qt::WindowStates m_stateBeforeFullScreen;
    QRect m_frameBeforeFullScreen;
    TwipsRect m_savedViewRect; // the page view's place outside full view

    QWidget *m_client = nullptr;
    CoolBar *m_coolBar = nullptr;
    QFrame *m_mark = nullptr;
    QWidget *m_treeTitle = nullptr;
    QLabel *m_treeTitleText = nullptr;
    QFrame *m_treeTitleBorder = nullptr;
    QFrame *m_treeBorder = nullptr;
    QFrame *m_viewBorder = nullptr;
    Splitter *m_splitter = nullptr;
    BottomBar *m_bottomBar = nullptr;

    CatalogPane *m_catalog = nullptr;
    ReadingPane *m_reading = nullptr;
    WebParts *m_web = nullptr; // the banner, the web pane and the downloader, once loaded
    bool m_webRefused = false; // their library could not be loaded
    QString m_webRefusal;      // and why
    QPointer<BookMakerWindow> m_maker; // the one book maker, while it is open
    QPointer<QDialog> m_download; // the downloader's dialog, while it is open

    std::array<QMenu *, 6> m_menus{};
    QAction *m_closeAction = nullptr;
    std::array<QAction *, 5> m_recentActions{};
    std::array<QString, 5> m_recentPaths; // the menu items' tags
};

} // namespace korvel::app
