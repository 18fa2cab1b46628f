#pragma once

#include <QString>
#include <QUrl>

namespace korvel::web {

// ---------------------------------------------------------------- the site's script

// Where the pictures of a reading page live, as the site's script "/js/fp.js"
// says: the site base and the two picture folders under it.
struct PictureFolders {
    QString siteBase;
    QString standardFolder;
    QString alternativeFolder;
};

inline const QString kScriptPath = QStringLiteral("/js/fp.js");
// A script is a few lines; an answer larger than this is not the site's
// script, and the built-in folders are used instead.
constexpr qint64 kLargestScript = 1024 * 1024;

// Reads the script line by line. A line holding one of the three prefixes
// ('var fp = "', 'lianup=fp+"', 'fp=fp+"') sets that value to the text
// after the prefix up to the closing quote; a later line overrides an
// earlier one. A value that is unreadable (control characters, invalid
// text) is passed over, and so is a site base that is not an http or https
// address, so the script can never send the downloader to a local file.
// Values still unset take their defaults: the site root, "lianupload/images/"
// and "comicstripimages_zerith/".
PictureFolders readSiteScript(const QByteArray &script, const QString &siteRoot);

// The address the pieces of a list are appended to: the alternative folder
// when piece 0, in lower case, holds "images", else the standard one.
QString picturePrefix(const PictureFolders &folders, const QString &firstPiece);

// ---------------------------------------------------------------- the browser pane

// The word the site's own addresses carry; a pop-up whose address holds it,
// in any letter case, opens in the web pane.
inline const QString kSiteWord = QStringLiteral("Dalvane");
bool isSiteAddress(const QUrl &url);

// ---------------------------------------------------------------- the web search

// The search box's prompt: searching with it still in the box searches nothing.
inline const QString kSearchPrompt = QStringLiteral("请输入连环画书名");
inline const QString kSearchPage = QStringLiteral("/search/");
inline const QString kKeywordSearch = QStringLiteral("/search/keyword/?show=title&classid=2&keyboard=");
// The site's search page for an empty keyword or the prompt; otherwise the
// title search for the keyword. The keyword reaches the site exactly as
// typed: characters that would end the query ("&", "#", "+" and the like)
// are percent-encoded, Chinese and blanks as any browser sends them.
QUrl webSearchAddress(const QString &siteRoot, const QString &keyword);

// ---------------------------------------------------------------- the downloader

inline const QString kDownloadAdvertPage = QStringLiteral("/Korvel/DownRightAD.html");

// "下载进度：共 10 页，已下载 3 页。"
QString progressText(int total, int downloaded);

} // namespace korvel::web

namespace korvel::web {

// A page picture the reader can show, told by its first bytes: JPEG, PNG,
// GIF, BMP, TIFF or WebP. An error page or anything else is not one.
bool looksLikePicture(const QByteArray &bytes);

} // namespace korvel::web
