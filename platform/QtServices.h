#pragma once

#include "platform/Services.h"

#include <QPointer>

class QWidget;

namespace korvel::platform {

// QMessageBox with the information icon, owned by the given window.
class QtMessageService final : public MessageService {
public:
    explicit QtMessageService(QWidget *owner = nullptr) : m_owner(owner) {}
    void setOwner(QWidget *owner) { m_owner = owner; }
    Answer information(const QString &title, const QString &text, Buttons buttons) override;

private:
    QPointer<QWidget> m_owner;
};

class QtDialogService final : public DialogService {
public:
    explicit QtDialogService(QWidget *owner = nullptr) : m_owner(owner) {}
    void setOwner(QWidget *owner) { m_owner = owner; }
    bool showOpen(FileDialogRequest &request) override;
    bool showOpenMulti(FileDialogRequest &request) override;
    bool showSave(FileDialogRequest &request) override;
    bool chooseFolder(const QString &title, QString &folder) override;

    // "label (patterns)" lines as QFileDialog takes them; patterns split at ";".
    static QStringList nameFilters(const FileDialogRequest &request);
    // The paths of the names typed into a file dialog's name box, relative
    // ones taken in folder.
    static QStringList typedNames(const QString &text, const QString &folder);

private:
    QPointer<QWidget> m_owner;
};

// QDesktopServices for "Open"; the file manager's ShowItems over D-Bus, else
// the folder. showInFolder returns at once: the answer is waited for in the
// event loop.
class DesktopShell final : public ShellService {
public:
    bool open(const QUrl &target) override;
    void showInFolder(const QString &path) override;
};

} // namespace korvel::platform
