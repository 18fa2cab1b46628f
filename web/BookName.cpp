#include "web/BookName.h"

#include <QFileInfo>
#include <QTextBoundaryFinder>

namespace korvel::web {

QString safeFileTitle(const QString &title)
{
    QString name;
    name.reserve(title.size());
    for (QChar c : title) {
        const char16_t u = c.unicode();
        const bool unsafe = u < 0x20 || u == 0x7f || (u >= 0x80 && u <= 0x9f) || u == 0x2028 || u == 0x2029
            || c == QLatin1Char('/') || c == QLatin1Char('\\');
        name += unsafe ? QChar(QLatin1Char('_')) : c;
    }
    name = name.trimmed();
    // "..": every dot of a run of two or more; then the leading dots.
    for (qsizetype i = 0; i + 1 < name.size(); ++i) {
        if (name.at(i) == QLatin1Char('.') && name.at(i + 1) == QLatin1Char('.')) {
            qsizetype j = i;
            while (j < name.size() && name.at(j) == QLatin1Char('.'))
                name[j++] = QLatin1Char('_');
            i = j;
        }
    }
    for (qsizetype i = 0; i < name.size() && name.at(i) == QLatin1Char('.'); ++i)
        name[i] = QLatin1Char('_');

    if (name.toUtf8().size() > kLongestTitleBytes) {
        // Cut between whole characters as the reader sees them, so no
        // character (nor an accent on it) is split.
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, name);
        qsizetype cut = 0;
        int bytes = 0;
        for (qsizetype next = graphemes.toNextBoundary(); next > 0; next = graphemes.toNextBoundary()) {
            const int more = int(QStringView(name).mid(cut, next - cut).toUtf8().size());
            if (bytes + more > kLongestTitleBytes)
                break;
            bytes += more;
            cut = next;
        }
        name = name.left(cut).trimmed();
    }
    return name;
}

QString freeBookPath(const QString &folder, const QString &title)
{
    const QString name = safeFileTitle(title);
    if (name.isEmpty())
        return {};
    auto taken = [](const QString &path) {
        const QFileInfo info(path);
        return info.exists() || info.isSymLink();
    };
    QString path = folder + name + QStringLiteral(".lhh");
    for (int n = 1; taken(path); ++n)
        path = folder + name + QStringLiteral("(%1).lhh").arg(n);
    return path;
}

} // namespace korvel::web
