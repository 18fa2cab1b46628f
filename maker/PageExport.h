#pragma once

#include "maker/SavePic.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace korvel::maker {

// Writing every page of the open book into a folder as 0.jpg ... n-1.jpg.
// The window drives it one page at a time, so it can let the user's events
// run and show how far it got between pages; a page that fails is reported
// and the export goes on with the next.
class PageExport {
public:
    enum class FolderCheck { Ready, Empty, NotAFolder };
    // Creates the folder named by text with any missing parents. Ready puts
    // the folder, ending in exactly one "/", into *folder.
    static FolderCheck prepareFolder(const QString &text, QString *folder);

    // The file a page goes to: the bare 0-based page index.
    static QString pagePath(const QString &folder, int index);

    // Decodes one page picture at its natural size and writes it as JPEG.
    static SaveError exportPicture(const QByteArray &bytes, const QString &path);

    // source gives the bytes of the page at a 0-based position, or nothing
    // when it cannot be read.
    using PageSource = std::function<std::optional<QByteArray>(int position)>;
    PageExport(QString folder, int pageCount, PageSource source);

    int pageCount() const { return m_count; }
    int done() const { return m_next; }
    bool finished() const { return m_next >= m_count; }

    // Writes the next page; its failure, if any. Past the end it does nothing.
    // A failure of the folder itself (gone, no permission, disk full) would
    // fail every page after it the same way: it ends the export instead, so
    // the user hears of it once.
    SaveError exportNext();

private:
    QString m_folder;
    int m_count = 0;
    int m_next = 0;
    PageSource m_source;
};

} // namespace korvel::maker
