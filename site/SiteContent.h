#pragma once

#include <QString>
#include <QStringList>

namespace korvel::site {

// The stand-in for the maker's web site: pages generated from books, so
// the web pane, the downloader and the adverts have something to work on
// without the internet.
//
// Every book becomes a reading page "/Korvel/lhh/b<N>.html" whose body holds
// the picture list, title, drawer and summary the downloader looks for, and
// its pictures, byte for byte, under the standard picture folder
// "/lianupload/images/b<N>/"; the second book keeps its pictures under the
// alternative folder "/comicstripimages_zerith/Images/b<N>/" instead, so both
// ways of finding pictures can be tried.
struct SiteBook {
    QString title;
    QString page;      // the reading page's path, "/Korvel/lhh/b1.html"
    QStringList pieces; // the picture list, as the page gives it
};

// Writes the site's files into outDir from the books in booksDir (every
// "*.lhh", in name order), replacing what an earlier run wrote. A book that
// cannot be read is left out. On failure *error says why.
bool generateSite(const QString &booksDir, const QString &outDir, QString *error, QList<SiteBook> *books = nullptr);

// The reading page of one book (exposed for tests of the markers).
QString readingPageHtml(const SiteBook &book, const QString &drawer, const QString &summary,
                        const QString &otherPage);

// The search index written beside the pages: one line per book, title and
// reading page separated by a tab.
inline const QString kSearchIndex = QStringLiteral("search-index.tsv");

} // namespace korvel::site
