#include "app/reading/PageSaving.h"

#include "book/ReadingSession.h"
#include "maker/SavePic.h"
#include "platform/SaveTarget.h"
#include "platform/Services.h"
#include "view/PictureDecoder.h"

#include <QApplication>

namespace korvel::app {

bool writePicture(const QImage &image, const QString &path, const QString &extension,
                  platform::MessageService &messages)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const maker::SaveError e = maker::savePicFile(image, path, extension);
    QApplication::restoreOverrideCursor();
    if (e)
        messages.information(QStringLiteral("错误"), maker::saveErrorText(e));
    return !e;
}

void savePageAs(book::ReadingSession &session, platform::MessageService &messages, platform::DialogService &dialogs)
{
    if (!session.isOpen())
        return;
    platform::FileDialogRequest request;
    request.title = QStringLiteral("图片另存为");
    request.filters = maker::pictureSaveFilters();
    request.flags = 6; // no read-only box, confirm overwrite
    if (!dialogs.showSave(request))
        return;
    QString name = request.fileName;
    name.remove(QChar(0));
    if (name.isEmpty())
        return;
    const std::optional<QString> extension = maker::extensionForFilter(request.filterIndex);
    if (!extension)
        return;
    const QString chosen = name;
    name = maker::withExtension(name, *extension);
    if (!platform::mayReplace(messages, request.title, chosen, name))
        return;

    // The page on screen is decoded at the size it is shown; the file gets
    // the whole picture, read again from the book.
    QImage image;
    if (session.isOpen() && session.position() < session.pageCount()) {
        if (const auto bytes = session.readPageBytes(session.pageNumbers().at(session.position()))) {
            image = view::PictureDecoder(*bytes).read();
        }
    }
    writePicture(image, name, *extension, messages);
}

} // namespace korvel::app
