#include "maker/PictureSources.h"

#include "archive/ComicArchive.h"
#include "archive/PictureSource.h"

#include <QFileInfo>
#include <QTemporaryDir>

namespace korvel::maker {

namespace {

QString describe(const archive::ArchiveError &e, const QString &path)
{
    switch (e.kind) {
    case archive::ArchiveError::None:
        return QString();
    case archive::ArchiveError::Unreadable:
        return QStringLiteral("无法读取压缩包：%1").arg(path);
    case archive::ArchiveError::Damaged:
        return QStringLiteral("压缩包已损坏或不是漫画压缩包：%1").arg(path);
    case archive::ArchiveError::Encrypted:
        return QStringLiteral("压缩包已加密，无法读取：%1").arg(path);
    case archive::ArchiveError::Empty:
        return QStringLiteral("压缩包是空的：%1").arg(path);
    case archive::ArchiveError::NoPictures:
        return QStringLiteral("压缩包里没有图片：%1").arg(path);
    case archive::ArchiveError::BadPicture:
        return QStringLiteral("压缩包里的图片已损坏（%2）：%1").arg(path, e.entry);
    case archive::ArchiveError::TooLarge:
        return QStringLiteral("压缩包里的图片太大：%1").arg(path);
    case archive::ArchiveError::WriteFailed:
        return QStringLiteral("无法解开压缩包：%1").arg(path);
    }
    return QString();
}

} // namespace

PictureSources::PictureSources() = default;
PictureSources::~PictureSources() = default;

QString PictureSources::archivePattern()
{
    return archive::comicArchivePatterns().join(QLatin1Char(';'));
}

PictureSources::Expanded PictureSources::expand(const QStringList &paths, bool openFolders)
{
    Expanded out;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir() && openFolders) {
            QString error;
            const QStringList pictures = archive::picturesInFolder(path, &error);
            if (!error.isEmpty())
                out.problems << QStringLiteral("无法读取文件夹：%1").arg(path);
            else if (pictures.isEmpty())
                out.problems << QStringLiteral("文件夹里没有图片：%1").arg(path);
            out.pictures << pictures;
        } else if (info.isFile() && archive::isComicArchiveName(path)) {
            auto folder = std::make_unique<QTemporaryDir>();
            QStringList pictures;
            archive::ArchiveError e = folder->isValid()
                ? archive::unpackComicArchive(path, folder->path(), &pictures)
                : archive::ArchiveError{archive::ArchiveError::WriteFailed, QString(), folder->errorString()};
            if (e) {
                out.problems << describe(e, path);
                continue;
            }
            out.pictures << pictures;
            m_unpacked.push_back(std::move(folder));
        } else {
            out.pictures << path;
        }
    }
    return out;
}

} // namespace korvel::maker
