#include "maker/PageExport.h"

#include "view/PictureDecoder.h"

#include <QDir>
#include <QFileInfo>

namespace korvel::maker {

PageExport::FolderCheck PageExport::prepareFolder(const QString &text, QString *folder)
{
    if (text.isEmpty())
        return FolderCheck::Empty;
    // A folder that exists already is no error; a file of that name is.
    QDir().mkpath(text);
    if (!QFileInfo(text).isDir())
        return FolderCheck::NotAFolder;
    *folder = text.endsWith(QLatin1Char('/')) ? text : text + QLatin1Char('/');
    return FolderCheck::Ready;
}

QString PageExport::pagePath(const QString &folder, int index)
{
    return folder + QString::number(index) + QStringLiteral(".jpg");
}

SaveError PageExport::exportPicture(const QByteArray &bytes, const QString &path)
{
    view::PictureDecoder decoder(bytes);
    const QImage image = decoder.read();
    if (image.isNull())
        return SaveError{SaveError::NotAPicture,
                         QStringLiteral("%1 的页面不是可以读取的图片").arg(QDir::toNativeSeparators(path))};
    return savePicFile(image, path, QStringLiteral(".jpg"));
}

PageExport::PageExport(QString folder, int pageCount, PageSource source)
    : m_folder(std::move(folder))
    , m_count(std::max(0, pageCount))
    , m_source(std::move(source))
{
}

SaveError PageExport::exportNext()
{
    if (finished())
        return {};
    const int position = m_next++;
    const QString path = pagePath(m_folder, position);
    const std::optional<QByteArray> bytes = m_source(position);
    if (!bytes)
        return SaveError{SaveError::NotAPicture,
                         QStringLiteral("page %1 cannot be read from the book, so %2 was not written")
                             .arg(position)
                             .arg(QDir::toNativeSeparators(path))};
    SaveError e = exportPicture(*bytes, path);
    if (e.number == SaveError::PathNotFound || e.number == SaveError::PermissionDenied
        || e.number == SaveError::DiskFull) {
        e.description += QStringLiteral("; the pages after it were not written");
        m_next = m_count;
    }
    return e;
}

} // namespace korvel::maker
