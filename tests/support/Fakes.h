#pragma once

#include "platform/Services.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace korvel::test {

// Records every message box; answers Yes (or what the test queued).
class FakeMessages final : public platform::MessageService {
public:
    struct Shown {
        QString title, text;
    };
    Answer information(const QString &title, const QString &text, Buttons buttons) override
    {
        shown << Shown{title, text};
        if (whenShown)
            whenShown();
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        return answers.isEmpty() ? Answer::Yes : answers.takeFirst();
    }
    QList<Shown> shown;
    QList<Answer> answers;
    std::function<void()> whenShown; // runs while the box would be up
};

// Answers file dialogs from a queue of names; an empty queue cancels.
class FakeDialogs final : public platform::DialogService {
public:
    bool showOpen(platform::FileDialogRequest &r) override { return answer(r); }
    bool showOpenMulti(platform::FileDialogRequest &r) override { return answer(r); }
    bool showSave(platform::FileDialogRequest &r) override { return answer(r); }
    bool chooseFolder(const QString &, QString &folder) override
    {
        if (names.isEmpty())
            return false;
        folder = names.takeFirst();
        return true;
    }
    QList<platform::FileDialogRequest> requests;
    QStringList names;

private:
    bool answer(platform::FileDialogRequest &r)
    {
        requests << r;
        if (names.isEmpty())
            return false;
        r.fileName = names.takeFirst();
        r.fileNames = {r.fileName};
        return true;
    }
};

class FakeShell final : public platform::ShellService {
public:
    bool open(const QUrl &target) override
    {
        opened << target;
        return true;
    }
    void showInFolder(const QString &path) override { shown << path; }
    QList<QUrl> opened;
    QStringList shown;
};

} // namespace korvel::test
