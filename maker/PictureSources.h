#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QTemporaryDir;

namespace korvel::maker {

// What the book maker accepts besides picture files: a folder of scans (its
// pictures in natural order) and a comic archive (.cbz, .cbr, .cb7, .cbt and
// their plain forms). An archive's pages are unpacked into a private
// temporary folder that lives as long as this object, so the page list
// treats them as the picture files they would have been had the user chosen
// them; the folder goes when the maker closes.
class PictureSources {
public:
    PictureSources();
    ~PictureSources();

    struct Expanded {
        QStringList pictures; // in page order: each folder and archive in its own order
        QStringList problems; // one message a folder or archive that gave nothing
    };
    // Folders are opened only when asked: one chosen in the picture dialog
    // is a file that is not a picture, as it always was.
    Expanded expand(const QStringList &paths, bool openFolders);

    // The pattern of the picture dialog's archive filter.
    static QString archivePattern();

private:
    std::vector<std::unique_ptr<QTemporaryDir>> m_unpacked;
};

} // namespace korvel::maker
