#pragma once

#include "app/AppContext.h"
#include "book/BookFile.h"

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolBar;

namespace korvel::maker {
class BookMaker;
class PictureSources;
}

namespace korvel::app {

class PageListView;
class PreviewBox;

// The book maker (frmMaklhh, "制作连环画"): the page list on the left, the
// preview of the selected page on the right and the floating panel of the
// book's data. It turns picture files into a new book; the list and the data
// stay after a save, so the same pages can be saved again under another name.
class BookMakerWindow final : public QWidget {
    Q_OBJECT
public:
    BookMakerWindow(const AppContext &context, QWidget *owner);
    ~BookMakerWindow() override;

    // There is one maker window: shows the one in maker, making it first
    // when there is none (or it was closed), and brings it to the front.
    static BookMakerWindow *showOne(QPointer<BookMakerWindow> &maker, const AppContext &context, QWidget *owner);

    // The toolbar's commands (buttons 5, 7 and 3).
    void addPictures();
    void removePictures();
    void saveBook();

protected:
    void resizeEvent(QResizeEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildPanel();
    void connectControls();
    void layoutWindow();
    void showSelectedPage();
    void fitPreview();
    void togglePanel();
    void thumbnailsDone(const QStringList &failed);
    void refuse(const QStringList &files);
    // Pictures, comic archives and (when dropped) folders of pictures, in
    // front of position.
    void insertSources(int position, const QStringList &paths, bool openFolders);
    book::BookMeta meta() const;

    AppContext m_context;
    maker::BookMaker *m_pages = nullptr;
    std::unique_ptr<maker::PictureSources> m_sources;

    QToolBar *m_toolbar = nullptr;
    std::array<QAction *, 12> m_buttons{};
    PageListView *m_list = nullptr;
    QProgressBar *m_progress = nullptr;
    QWidget *m_previewArea = nullptr;
    PreviewBox *m_preview = nullptr;
    QString m_previewPath;   // the picture the preview shows
    QSize m_previewNatural; // its natural size in pixels

    QFrame *m_panel = nullptr;
    QLabel *m_panelHandle = nullptr;
    QLabel *m_panelClose = nullptr;
    QPushButton *m_panelOk = nullptr;
    QLineEdit *m_title = nullptr;
    QLineEdit *m_summary = nullptr;
    QLineEdit *m_writer = nullptr;
    QLineEdit *m_sign = nullptr;
    QLineEdit *m_publisher = nullptr;
    QLineEdit *m_publishDate = nullptr;
    QLineEdit *m_drawer = nullptr;
    QLineEdit *m_coverDrawer = nullptr;
    QPoint m_dragStart; // where a drag of the panel began, in the handle
    QPointer<QWidget> m_owner;
};

} // namespace korvel::app
