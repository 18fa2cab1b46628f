#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace korvel::platform {

// Message boxes. Every box carries the information icon; titles are "提示",
// "错误" or "恭喜". A test replaces the service and records what was shown.
class MessageService {
public:
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };
    virtual ~MessageService() = default;
    virtual Answer information(const QString &title, const QString &text, Buttons buttons = Buttons::Ok) = 0;
};

// One file dialog request, as the common-dialog wrappers fill it.
struct FileDialogRequest {
    QString title;
    QList<QPair<QString, QString>> filters; // label, pattern ("*.lhh;*.exe")
    int filterIndex = 0;                    // in and out (the save dialog returns the chosen one)
    QString initialDir;                     // empty: the platform default
    int flags = 0;                          // 2 confirm overwrite, 4 hide read-only box
    QString fileName;                       // in: proposed name; out: the chosen name
    QStringList fileNames;                  // out, for the multi-select dialog
};

class DialogService {
public:
    virtual ~DialogService() = default;
    // Each returns true when the user confirmed; on cancel the request is left as passed in.
    virtual bool showOpen(FileDialogRequest &request) = 0;
    virtual bool showOpenMulti(FileDialogRequest &request) = 0;
    virtual bool showSave(FileDialogRequest &request) = 0;
    virtual bool chooseFolder(const QString &title, QString &folder) = 0;
};

// The desktop shell: "Open" on an address or a file, and showing a file in its folder.
class ShellService {
public:
    virtual ~ShellService() = default;
    virtual bool open(const QUrl &target) = 0;
    virtual void showInFolder(const QString &path) = 0;
};

} // namespace korvel::platform
