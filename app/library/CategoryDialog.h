#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace korvel::catalog {
class CatalogStore;
}

namespace korvel::platform {
class DialogService;
class MessageService;
}

namespace korvel::app {

// The category dialog (frmClass): adds a category under the category chosen
// in its tree, or renames an existing one, gives it its folder and moves it
// under another. The folder follows the name until another is chosen.
class CategoryDialog final : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Edit };
    // preselect: the index of the node to start on in the dialog's tree
    // (the main tree's category, or the root).
    CategoryDialog(Mode mode, int preselect, const QString &appDir, catalog::CatalogStore &store,
                   platform::MessageService &messages, platform::DialogService &dialogs, QWidget *owner);

    // After the dialog closed: whether it saved, and the index of the node
    // chosen in its tree, which the main tree then selects.
    bool saved() const { return m_saved; }
    int chosenIndex() const { return m_chosenIndex; }

private:
    void chooseFolder();
    void save();

    Mode m_mode;
    QString m_appDir;
    catalog::CatalogStore &m_store;
    platform::MessageService &m_messages;
    platform::DialogService &m_dialogs;
    qint64 m_editClassId = 0;
    bool m_saved = false;
    int m_chosenIndex = 0;

    QLineEdit *m_nameBox = nullptr;
    QLineEdit *m_folderBox = nullptr;
    QPushButton *m_browseButton = nullptr;
    QTreeWidget *m_tree = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};

} // namespace korvel::app
