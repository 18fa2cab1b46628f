#include "platform/QtServices.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

namespace korvel::platform {

MessageService::Answer QtMessageService::information(const QString &title, const QString &text, Buttons buttons)
{
    QMessageBox box(QMessageBox::Information, title, text,
                    buttons == Buttons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                    m_owner);
    const int r = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return r == QMessageBox::No ? Answer::No : Answer::Yes;
}

QStringList QtDialogService::nameFilters(const FileDialogRequest &request)
{
    QStringList out;
    for (const auto &f : request.filters) {
        QString patterns = f.second;
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << QStringLiteral("%1 (%2)").arg(f.first, patterns);
    }
    return out;
}

static void prepare(QFileDialog &dialog, const FileDialogRequest &request)
{
    dialog.setWindowTitle(request.title);
    // The combo shows each label as given: the patterns after it are for
    // the filtering only.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    const QStringList filters = QtDialogService::nameFilters(request);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        // Filter indexes count from 1; 0 means the first.
        const int i = qBound(0, request.filterIndex > 0 ? request.filterIndex - 1 : 0, int(filters.size()) - 1);
        dialog.selectNameFilter(filters.at(i));
    }
    if (!request.initialDir.trimmed().isEmpty() && !request.initialDir.contains(QChar(0)))
        dialog.setDirectory(request.initialDir);
    if (request.flags & 4)
        dialog.setOption(QFileDialog::ReadOnly, false);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
}

bool QtDialogService::showOpen(FileDialogRequest &request)
{
    QFileDialog dialog(m_owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    prepare(dialog, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    request.fileName = dialog.selectedFiles().constFirst();
    request.fileNames = dialog.selectedFiles();
    return true;
}

QStringList QtDialogService::typedNames(const QString &text, const QString &folder)
{
    // Several names come quoted ("a.png" "b.jpg"); one may come bare.
    QStringList names;
    if (text.contains(QLatin1Char('"'))) {
        const QStringList pieces = text.split(QLatin1Char('"'));
        for (qsizetype i = 1; i < pieces.size(); i += 2) {
            if (!pieces.at(i).trimmed().isEmpty())
                names << pieces.at(i);
        }
    } else if (!text.trimmed().isEmpty()) {
        names << text;
    }
    QStringList paths;
    for (const QString &name : std::as_const(names))
        paths << QDir(folder).absoluteFilePath(name);
    return paths;
}

bool QtDialogService::showOpenMulti(FileDialogRequest &request)
{
    QFileDialog dialog(m_owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    prepare(dialog, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    request.fileNames = dialog.selectedFiles();
    // The dialog answers with the names it shows selected, which leaves out
    // typed names its filter hides ("a.png" beside "b.jpg" under a filter
    // of *.jpg). Every file the user typed is passed on, for the caller to
    // take or to refuse by name.
    if (const auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))) {
        const QStringList typed = typedNames(edit->text(), dialog.directory().absolutePath());
        for (const QString &path : typed) {
            if (QFileInfo(path).isFile() && !request.fileNames.contains(path))
                request.fileNames << path;
        }
    }
    request.fileName = request.fileNames.constFirst();
    return true;
}

bool QtDialogService::showSave(FileDialogRequest &request)
{
    QFileDialog dialog(m_owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!(request.flags & 2))
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    prepare(dialog, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    request.fileName = dialog.selectedFiles().constFirst();
    // The dialog names the chosen type by its whole line or, as it shows
    // them, by its label alone.
    const QString chosen = dialog.selectedNameFilter();
    int index = int(nameFilters(request).indexOf(chosen));
    for (int i = 0; index < 0 && i < request.filters.size(); ++i) {
        if (request.filters.at(i).first.simplified() == chosen)
            index = i;
    }
    request.filterIndex = index + 1;
    return true;
}

bool QtDialogService::chooseFolder(const QString &title, QString &folder)
{
    const QString chosen = QFileDialog::getExistingDirectory(m_owner, title, folder);
    if (chosen.isEmpty())
        return false;
    folder = chosen;
    return true;
}

bool DesktopShell::open(const QUrl &target)
{
    return QDesktopServices::openUrl(target);
}

void DesktopShell::showInFolder(const QString &path)
{
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QDesktopServices::openUrl(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    // Blanks, "#", "%" and Chinese names travel escaped, as a URI must.
    call << QStringList{QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded)}
         << QString();
    // The file manager may take its time to start; the window does not wait
    // for it, and opens the folder itself when none answers.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [folder](QDBusPendingCallWatcher *w) {
        if (w->isError())
            QDesktopServices::openUrl(folder);
        w->deleteLater();
    });
}

} // namespace korvel::platform
