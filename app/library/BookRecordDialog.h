#pragma once

#include "catalog/CatalogStore.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace korvel::platform {
class DialogService;
class MessageService;
}

namespace korvel::app {

// The book-record dialog (frmAddlhh): files a .lhh or .exe book in the
// category chosen in its tree, proposing what a .lhh book says about itself,
// or changes an existing record. With "连续添加" ticked it stays open for the
// next book.
class BookRecordDialog final : public QDialog {
    Q_OBJECT
public:
    // record: the record to change, or nullptr to add. preselect: the index
    // of the node to start on in the dialog's tree.
    BookRecordDialog(const catalog::BookRecord *record, int preselect, catalog::CatalogStore &store,
                     platform::MessageService &messages, platform::DialogService &dialogs, QWidget *owner);

signals:
    // After every save, whatever it did: the book list is refreshed.
    void saved();

private:
    void chooseFile();
    void save();
    void clearFields();
    void setType(const QString &type);

    bool m_edit;
    catalog::CatalogStore &m_store;
    platform::MessageService &m_messages;
    platform::DialogService &m_dialogs;

    QLineEdit *m_pathBox = nullptr;
    QPushButton *m_browseButton = nullptr;
    QComboBox *m_typeBox = nullptr;
    QLineEdit *m_titleBox = nullptr;
    QLineEdit *m_signBox = nullptr;
    QLineEdit *m_drawerBox = nullptr;
    QLineEdit *m_publisherBox = nullptr;
    QLineEdit *m_dateBox = nullptr;
    QLineEdit *m_idBox = nullptr;
    QTreeWidget *m_tree = nullptr;
    QCheckBox *m_keepAddingBox = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};

} // namespace korvel::app
