#pragma once

#include <QString>
#include <QStringList>

namespace korvel::web {

// What the downloader reads out of a reading page of the maker's site: the
// body HTML as the web pane gives it. The markers are the site's own texts;
// a tag name inside a marker matches in any letter case, because a browser
// writes the body back with its tag names in its own case ("<P><B>" comes
// back as "<p><b>").
struct Marker {
    QString opening;
    QString closing;
};

extern const Marker kPictureListMarker; // var PicList = "...";  //图片列表
extern const Marker kTitleMarker;       // ">《...》</
extern const Marker kDrawerMarker;      // <P><B>绘画：</B>...</P><!-- 绘画
extern const Marker kSummaryMarker;     // <P><B>简介：</B>...※※※

// The text between the first opening marker and the first closing marker
// after it. Empty when either is missing (no fragment of the page instead).
QString extract(const QString &html, const Marker &marker);
// Where the opening marker first occurs; -1 when it does not.
qsizetype findMarker(const QString &html, const QString &marker, qsizetype from = 0);

// The page holds a picture list at all (the downloader's entry test).
bool hasPictureList(const QString &html);
// The pictures of the page, in reading order: the list split at ",". A piece
// is trimmed of blanks; an empty piece (a trailing ",") names no picture and
// is left out.
QStringList pictureList(const QString &html);

// Character references decoded: "&amp;" becomes "&", "&#20070;" and
// "&#x4E66;" the character. An unknown or malformed reference stays as it is.
QString decodeReferences(const QString &text);

// The dialog's fields, decoded.
QString pageTitle(const QString &html);
QString pageDrawer(const QString &html);
QString pageSummary(const QString &html);

} // namespace korvel::web
