#pragma once

#include "app/AppContext.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QWebEngineView;

namespace korvel::web {
class Downloader;
}

namespace korvel::app {

// The downloader's dialog (frmDownload, "下载连环画"): the book shown in the
// web pane, its fields as the page gives them to be corrected, the category
// to file it in, and the download with its progress line. Modal; while the
// pages download it cannot be closed, and the tree and the fields stay
// usable. When the book is in, 完成 takes the place of 下载.
class DownloadDialog final : public QDialog {
    Q_OBJECT
public:
    // html: the web pane's body; address: the page's URL; preselect: the
    // index of the node the tree starts on (1 when the main tree's selection
    // is not a category).
    DownloadDialog(const AppContext &context, const QString &html, const QString &address, int preselect,
                   QWidget *owner);
    ~DownloadDialog() override;

    bool isBusy() const { return m_busy; }

signals:
    // 完成: the book went into this category.
    void completed(qint64 classId);

protected:
    void closeEvent(QCloseEvent *e) override;
    void reject() override;

private:
    void download();
    void downloadEnded(bool ok, const QString &message);

    AppContext m_context;
    QString m_html;
    web::Downloader *m_downloader = nullptr;
    bool m_busy = false;
    qint64 m_filedClass = 0;

    QLineEdit *m_addressBox = nullptr;
    QLineEdit *m_titleBox = nullptr;
    QLineEdit *m_drawerBox = nullptr;
    QLineEdit *m_publisherBox = nullptr;
    QLineEdit *m_dateBox = nullptr;
    QPlainTextEdit *m_summaryBox = nullptr;
    QLineEdit *m_signBox = nullptr;
    QLineEdit *m_writerBox = nullptr;
    QLineEdit *m_coverBox = nullptr;
    QComboBox *m_typeBox = nullptr;
    QTreeWidget *m_tree = nullptr;
    QLabel *m_progress = nullptr;
    QPushButton *m_doneButton = nullptr;
    QPushButton *m_downloadButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QWebEngineView *m_advert = nullptr;
};

} // namespace korvel::app
