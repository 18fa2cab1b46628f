#pragma once

#include "view/Geometry.h"
#include "view/PageImage.h"
#include "view/PagePrefetch.h"

#include <QWidget>

#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QStringListModel;

namespace korvel::book {
class ReadingSession;
}

namespace korvel::platform {
class DialogService;
class MessageService;
} // namespace korvel::platform

namespace korvel::widgets {
class StyledButton;
}

namespace korvel::app {

class AutoPlayControl;
class PagePicture;
class ReadingToolbar;

// The page view (picView): the page picture, the two button groups, the
// page menu and auto-play, and saving pages as picture files. It follows the
// reading session and asks the frame, through its signals, for what lies
// outside it; the services are the ones its dialogs need.
class ReadingPane final : public QWidget {
    Q_OBJECT
public:
    ReadingPane(book::ReadingSession &session, platform::MessageService &messages, platform::DialogService &dialogs,
                QWidget *parent = nullptr);
    ~ReadingPane() override;

    // The browse menu: the page's context menu.
    QMenu *pageMenu() const { return m_pageMenu; }

    // The key rules shared by the window, the page toolbar and the tree
    // (Windows virtual-key codes); true when the key was used.
    bool handleKey(int vk);
    // The keys every picture viewer has (Home, End, Page Up, Page Down,
    // Space, Escape), while the pane shows a book; true when the key was used.
    bool handleViewerKey(int vk);

    // After the frame has placed the pane: the button groups, the fit and the
    // centring follow the new size.
    void relayout();

    bool isFullView() const { return m_fullView; }
    void toggleFullView();

    // The page box as laid out, and the picture on screen (picViewTemp).
    const view::PageBox &pageBox() const { return m_box; }
    const view::PageImage &pageImage();

    // Shows the page with the stored number, as every turn does.
    void showPage(qint32 pageNumber);
    // For a page shown before the window is (a book named on the command
    // line): its picture is decoded on the worker while the window draws
    // itself for the first time, and taken when the page is drawn.
    void decodeNextPageWhileDrawing() { m_decodeWhileDrawing = true; }
    // The pages decoded ahead of their turn.
    const view::PagePrefetch &prefetch() const { return m_prefetch; }
    // How many pages were read and shown since the start (for the tests).
    int pagesShown() const { return m_pagesShown; }

signals:
    void openRequested();         // a double click on the empty frame
    void bookDropped(const QString &path); // a .lhh file dropped on the page view
    void fullViewChanged(bool on); // the frame gives the pane its new place

protected:
    void paintEvent(QPaintEvent *) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void wheelEvent(QWheelEvent *e) override;

private:
    void buildControls();
    void buildPageMenu();
    void orderFocus();
    void connectControls();

    void onBookOpened();
    void onBookClosed();
    void closeBook();

    void turnTo(int position);
    void placePage(qint32 pageNumber);
    void takeDecodedPage();
    QSize displayHint(qint32 pageNumber, QSize natural) const;
    void prefetchNeighbours();
    void schedulePrefetch();
    void awaitPaint();
    void pagePainted();
    void showPendingPage();
    void previousPage();
    void nextPage();
    void firstPage();
    void lastPage();
    void pageBoxChosen();

    void fitPage();
    void centrePage();
    void zoomIn();
    void zoomOut();
    void actualSize();
    void applyPageBox();
    void moveButtons();
    view::ViewSize viewSize() const;

    void savePicture();
    void exportAllPages();

    void pageMouseDown(Qt::MouseButton button, QPointF pos);
    void pageMouseMove(QPointF pos);
    void pageMouseUp(Qt::MouseButton button, QPointF pos);

    book::ReadingSession &m_session;
    platform::MessageService &m_messages;
    platform::DialogService &m_dialogs;
    view::PageImage m_pageImage;
    view::PagePrefetch m_prefetch;
    // A page whose picture is being decoded on the worker, to be taken at its first paint.
    struct PendingDecode {
        qint32 pageNumber = 0;
        QByteArray bytes;
        QSize hint;
    };
    std::optional<PendingDecode> m_pendingDecode;
    bool m_decodeWhileDrawing = false;
    bool m_turnedBack = false; // the last turn went to the previous page
    bool m_prefetchPending = false;
    bool m_awaitingPaint = false; // a page is shown that has not reached the screen yet
    bool m_showPending = false;   // turns went on meanwhile; their page comes next
    int m_pagesShown = 0;
    view::PageBox m_box;
    bool m_fullView = false;
    bool m_firstFitDone = false; // lives as long as the window
    int m_wheelTurn = 0; // wheel steps short of a whole notch

    PagePicture *m_picture = nullptr;
    QWidget *m_buttonGroup = nullptr;
    ReadingToolbar *m_toolbar = nullptr;
    widgets::StyledButton *m_maxButton = nullptr;
    widgets::StyledButton *m_closeButton = nullptr;
    AutoPlayControl *m_autoPlay = nullptr;

    QMenu *m_pageMenu = nullptr;
    QAction *m_firstPageAction = nullptr;
    QAction *m_previousPageAction = nullptr;
    QAction *m_nextPageAction = nullptr;
    QAction *m_lastPageAction = nullptr;
    QAction *m_savePictureAction = nullptr;
    QAction *m_zoomOutAction = nullptr;
    QAction *m_zoomInAction = nullptr;
    QAction *m_actualSizeAction = nullptr;
    QAction *m_autoPlayAction = nullptr;
    QAction *m_closeAction = nullptr;
};

} // namespace korvel::app
