#include "web/SiteRules.h"

#include "platform/SiteConfig.h"

#include <QList>

#include <optional>

namespace korvel::web {

namespace {

const QString kBasePrefix = QStringLiteral("var fp = \"");
const QString kStandardPrefix = QStringLiteral("lianup=fp+\"");
const QString kAlternativePrefix = QStringLiteral("fp=fp+\"");

// The quoted text after the prefix; nothing when it is unreadable.
std::optional<QString> valueAfter(const QString &line, qsizetype prefixAt, qsizetype prefixSize)
{
    const qsizetype start = prefixAt + prefixSize;
    const qsizetype end = line.indexOf(QLatin1Char('"'), start);
    // Without its closing quote the line is taken as the value and its last
    // two characters, the '";' the site ends its lines with.
    const QString value = end >= 0 ? line.mid(start, end - start) : line.mid(start).chopped(std::min<qsizetype>(2, line.size() - start));
    for (QChar c : value) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QChar::ReplacementCharacter)
            return std::nullopt;
    }
    return value;
}

bool isWebAddress(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

} // namespace

PictureFolders readSiteScript(const QByteArray &script, const QString &siteRoot)
{
    PictureFolders f;
    if (script.size() <= kLargestScript) {
        const QList<QByteArray> lines = script.split('\n');
        for (QByteArray raw : lines) {
            while (raw.endsWith('\r'))
                raw.chop(1);
            const QString line = QString::fromUtf8(raw);
            const std::pair<const QString *, QString *> prefixes[] = {
                {&kBasePrefix, &f.siteBase}, {&kStandardPrefix, &f.standardFolder}, {&kAlternativePrefix, &f.alternativeFolder}};
            for (const auto &[prefix, value] : prefixes) {
                const qsizetype at = line.indexOf(*prefix);
                if (at < 0)
                    continue;
                const std::optional<QString> v = valueAfter(line, at, prefix->size());
                if (!v || (value == &f.siteBase && !v->isEmpty() && !isWebAddress(*v)))
                    continue;
                *value = *v;
            }
        }
    }
    if (f.siteBase.isEmpty())
        f.siteBase = siteRoot;
    if (f.standardFolder.isEmpty())
        f.standardFolder = QStringLiteral("lianupload/images/");
    // The folder the pieces go into; without the "/" the pieces would be
    // glued onto its name.
    if (f.alternativeFolder.isEmpty())
        f.alternativeFolder = QStringLiteral("comicstripimages_zerith/");
    return f;
}

QString picturePrefix(const PictureFolders &folders, const QString &firstPiece)
{
    const bool alternative = firstPiece.toLower().contains(QLatin1String("images"));
    return folders.siteBase + (alternative ? folders.alternativeFolder : folders.standardFolder);
}

bool isSiteAddress(const QUrl &url)
{
    return url.toString().toLower().contains(kSiteWord.toLower());
}

QUrl webSearchAddress(const QString &siteRoot, const QString &keyword)
{
    if (keyword.isEmpty() || keyword == kSearchPrompt)
        return QUrl(platform::siteAddress(siteRoot, kSearchPage));
    // Only what would change the query's meaning is encoded; the rest stays
    // as typed and QUrl sends it the way browsers do.
    const QByteArray encoded = QUrl::toPercentEncoding(keyword, QByteArray(" "));
    return QUrl(platform::siteAddress(siteRoot, kKeywordSearch) + QString::fromUtf8(encoded));
}

QString progressText(int total, int downloaded)
{
    return QStringLiteral("下载进度：共 %1 页，已下载 %2 页。").arg(total).arg(downloaded);
}

} // namespace korvel::web

namespace korvel::web {

bool looksLikePicture(const QByteArray &bytes)
{
    return bytes.startsWith("\xFF\xD8\xFF") || bytes.startsWith("\x89PNG\r\n\x1A\n") || bytes.startsWith("GIF87a")
        || bytes.startsWith("GIF89a") || (bytes.startsWith("BM") && bytes.size() > 26)
        || bytes.startsWith(QByteArray("II*\0", 4)) || bytes.startsWith(QByteArray("MM\0*", 4))
        || (bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP");
}

} // namespace korvel::web
