#pragma once

#include "maker/PageExport.h"

#include <QDialog>

#include <memory>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace korvel::book {
class ReadingSession;
}
namespace korvel::platform {
class DialogService;
class MessageService;
} // namespace korvel::platform

namespace korvel::app {

// "保存全部图片" (frmSaveAllPic): every page of the open book into a folder
// as 0.jpg ... n-1.jpg. One page is written per turn of the event loop, so
// the dialog stays live and shows how far it got; 确定 waits meanwhile.
class ExportPagesDialog final : public QDialog {
    Q_OBJECT
public:
    ExportPagesDialog(book::ReadingSession &session, platform::MessageService &messages,
                      platform::DialogService &dialogs, QWidget *owner);
    ~ExportPagesDialog() override;

    bool isExporting() const { return m_export != nullptr; }

signals:
    void exportFinished();

protected:
    void done(int result) override;

private:
    void chooseFolder();
    void startExport();
    void exportStep();
    void finishExport();

    book::ReadingSession &m_session;
    platform::MessageService &m_messages;
    platform::DialogService &m_dialogs;
    std::unique_ptr<maker::PageExport> m_export;

    QLineEdit *m_folderBox = nullptr;
    QPushButton *m_browseButton = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QProgressBar *m_progress = nullptr;
    QTimer *m_stepTimer = nullptr;
};

} // namespace korvel::app
