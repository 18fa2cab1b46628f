#pragma once

#include <QImage>
#include <QString>

namespace korvel::book {
class ReadingSession;
}
namespace korvel::platform {
class DialogService;
class MessageService;
} // namespace korvel::platform

namespace korvel::app {

// SavePicFile as the user sees it: the busy pointer while the picture is
// written, and a failure told in a message box. True when it was written.
bool writePicture(const QImage &image, const QString &path, const QString &extension,
                  platform::MessageService &messages);

// "图片另存为": the page on screen, at its natural size, into a picture file
// the user names. Does nothing while no book is open.
void savePageAs(book::ReadingSession &session, platform::MessageService &messages,
                platform::DialogService &dialogs);

} // namespace korvel::app
