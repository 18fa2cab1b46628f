#include "web/PageText.h"

#include <QHash>
#include <QRegularExpression>
#include <QVector>

namespace korvel::web {

const Marker kPictureListMarker{QStringLiteral("var PicList = \""), QStringLiteral("\"; //图片列表")};
const Marker kTitleMarker{QStringLiteral("\">《"), QStringLiteral("》</")};
const Marker kDrawerMarker{QStringLiteral("<P><B>绘画：</B>"), QStringLiteral("</P><!-- 绘画")};
const Marker kSummaryMarker{QStringLiteral("<P><B>简介：</B>"), QStringLiteral("※※※")};

namespace {

bool isNameChar(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

char16_t asciiLower(QChar c)
{
    const char16_t u = c.unicode();
    return u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u;
}

// Which characters of a marker belong to a tag name (the letters and digits
// right after "<" or "</"): those match in any letter case.
QVector<bool> tagNameMask(const QString &marker)
{
    QVector<bool> mask(marker.size(), false);
    for (qsizetype i = 0; i < marker.size(); ++i) {
        if (marker.at(i) != QLatin1Char('<'))
            continue;
        qsizetype j = i + 1;
        if (j < marker.size() && marker.at(j) == QLatin1Char('/'))
            ++j;
        for (; j < marker.size() && isNameChar(marker.at(j)); ++j)
            mask[j] = true;
    }
    return mask;
}

bool markerAt(const QString &html, qsizetype at, const QString &marker, const QVector<bool> &nameMask)
{
    if (html.size() - at < marker.size())
        return false;
    for (qsizetype i = 0; i < marker.size(); ++i) {
        const QChar m = marker.at(i);
        const QChar h = html.at(at + i);
        if (nameMask.at(i) ? asciiLower(m) != asciiLower(h) : m != h)
            return false;
    }
    return true;
}

const QHash<QString, char16_t> &namedReferences()
{
    // What browsers write back (amp, lt, gt, quot, nbsp) and the few that
    // hand-written pages use in titles and summaries.
    static const QHash<QString, char16_t> names = {
        {QStringLiteral("amp"), u'&'},       {QStringLiteral("lt"), u'<'},        {QStringLiteral("gt"), u'>'},
        {QStringLiteral("quot"), u'"'},      {QStringLiteral("apos"), u'\''},     {QStringLiteral("nbsp"), u'\u00a0'},
        {QStringLiteral("middot"), u'\u00b7'}, {QStringLiteral("mdash"), u'\u2014'}, {QStringLiteral("ndash"), u'\u2013'},
        {QStringLiteral("hellip"), u'\u2026'}, {QStringLiteral("ldquo"), u'\u201c'}, {QStringLiteral("rdquo"), u'\u201d'},
        {QStringLiteral("lsquo"), u'\u2018'}, {QStringLiteral("rsquo"), u'\u2019'}, {QStringLiteral("copy"), u'\u00a9'},
        {QStringLiteral("reg"), u'\u00ae'},  {QStringLiteral("times"), u'\u00d7'}, {QStringLiteral("yen"), u'\u00a5'},
    };
    return names;
}

} // namespace

qsizetype findMarker(const QString &html, const QString &marker, qsizetype from)
{
    if (marker.isEmpty())
        return -1;
    // Candidates by the first character, which is never inside a tag name.
    const QChar first = marker.at(0);
    const QVector<bool> nameMask = tagNameMask(marker);
    for (qsizetype at = html.indexOf(first, from); at >= 0; at = html.indexOf(first, at + 1)) {
        if (markerAt(html, at, marker, nameMask))
            return at;
    }
    return -1;
}

QString extract(const QString &html, const Marker &marker)
{
    const qsizetype open = findMarker(html, marker.opening);
    if (open < 0)
        return {};
    const qsizetype start = open + marker.opening.size();
    const qsizetype close = findMarker(html, marker.closing, start);
    if (close < 0)
        return {};
    return html.mid(start, close - start);
}

bool hasPictureList(const QString &html)
{
    return findMarker(html, kPictureListMarker.opening) >= 0;
}

QStringList pictureList(const QString &html)
{
    QStringList pieces;
    const QStringList all = extract(html, kPictureListMarker).split(QLatin1Char(','));
    for (const QString &piece : all) {
        const QString trimmed = piece.trimmed();
        if (!trimmed.isEmpty())
            pieces << trimmed;
    }
    return pieces;
}

QString decodeReferences(const QString &text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    static const QRegularExpression reference(QStringLiteral("&(#[0-9]{1,8}|#[xX][0-9a-fA-F]{1,8}|[A-Za-z][A-Za-z0-9]{1,31});"));
    QString out;
    out.reserve(text.size());
    qsizetype last = 0;
    for (QRegularExpressionMatchIterator it = reference.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString name = m.captured(1);
        QString replacement;
        if (name.startsWith(QLatin1Char('#'))) {
            const bool hex = name.size() > 1 && (name.at(1) == QLatin1Char('x') || name.at(1) == QLatin1Char('X'));
            bool ok = false;
            uint code = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            // What a browser makes of a number that names no character.
            if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                code = 0xFFFD;
            const char32_t c = char32_t(code);
            replacement = QString::fromUcs4(&c, 1);
        } else {
            const auto found = namedReferences().constFind(name);
            if (found == namedReferences().constEnd())
                continue; // not one we know: left as written
            replacement = QChar(*found);
        }
        out += QStringView(text).mid(last, m.capturedStart() - last);
        out += replacement;
        last = m.capturedEnd();
    }
    out += QStringView(text).mid(last);
    return out;
}

QString pageTitle(const QString &html)
{
    return decodeReferences(extract(html, kTitleMarker));
}

QString pageDrawer(const QString &html)
{
    return decodeReferences(extract(html, kDrawerMarker));
}

QString pageSummary(const QString &html)
{
    return decodeReferences(extract(html, kSummaryMarker));
}

} // namespace korvel::web
