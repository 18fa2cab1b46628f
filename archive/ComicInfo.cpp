#include "archive/ComicInfo.h"

#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace korvel::archive {

book::BookMeta parseComicInfo(const QByteArray &xml)
{
    book::BookMeta meta;
    QXmlStreamReader r(xml);
    if (!r.readNextStartElement() || r.name() != QLatin1String("ComicInfo"))
        return meta;
    QString series, number, artist, year, month, day;
    while (r.readNextStartElement()) {
        const QString name = r.name().toString();
        const QString text = r.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        if (name == QLatin1String("Title"))
            meta.title = text;
        else if (name == QLatin1String("Series"))
            series = text;
        else if (name == QLatin1String("Number"))
            number = text;
        else if (name == QLatin1String("Summary"))
            meta.summary = text;
        else if (name == QLatin1String("Writer"))
            meta.writer = text;
        else if (name == QLatin1String("ScanInformation"))
            meta.sign = text;
        else if (name == QLatin1String("Publisher"))
            meta.publisher = text;
        else if (name == QLatin1String("Penciller"))
            meta.drawer = text;
        else if (name == QLatin1String("Artist"))
            artist = text;
        else if (name == QLatin1String("CoverArtist"))
            meta.coverdrawer = text;
        else if (name == QLatin1String("Web"))
            meta.url = text;
        else if (name == QLatin1String("Year"))
            year = text;
        else if (name == QLatin1String("Month"))
            month = text;
        else if (name == QLatin1String("Day"))
            day = text;
    }
    // A document cut off or not well formed still gives what was read before the fault.
    if (meta.title.isEmpty() && !series.isEmpty())
        meta.title = number.isEmpty() ? series : series + QLatin1Char(' ') + number;
    if (meta.drawer.isEmpty())
        meta.drawer = artist;
    static const QRegularExpression digits(QStringLiteral("^\\d{1,4}$"));
    if (digits.match(year).hasMatch() && year.toInt() > 0) {
        meta.publishdate = year;
        if (digits.match(month).hasMatch() && month.toInt() >= 1 && month.toInt() <= 12) {
            meta.publishdate += QStringLiteral("-%1").arg(month.toInt(), 2, 10, QLatin1Char('0'));
            if (digits.match(day).hasMatch() && day.toInt() >= 1 && day.toInt() <= 31)
                meta.publishdate += QStringLiteral("-%1").arg(day.toInt(), 2, 10, QLatin1Char('0'));
        }
    }
    meta.found = true;
    return meta;
}

QByteArray comicInfoXml(const book::BookMeta &meta, int pageCount)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("ComicInfo"));
    w.writeAttribute(QStringLiteral("xmlns:xsi"), QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"));
    w.writeAttribute(QStringLiteral("xmlns:xsd"), QStringLiteral("http://www.w3.org/2001/XMLSchema"));
    auto field = [&w](const char *name, const QString &value) {
        if (!value.trimmed().isEmpty())
            w.writeTextElement(QLatin1String(name), value);
    };
    field("Title", meta.title);
    field("Summary", meta.summary);
    // The publication date is free text in a book; only the parts that read
    // as a year, a month and a day carry over.
    static const QRegularExpression date(QStringLiteral("^\\s*(\\d{4})(?:\\D{1,3}(\\d{1,2})(?:\\D{1,3}(\\d{1,2}))?)?"));
    const QRegularExpressionMatch m = date.match(meta.publishdate);
    if (m.hasMatch()) {
        w.writeTextElement(QStringLiteral("Year"), m.captured(1));
        const int month = m.captured(2).toInt();
        if (month >= 1 && month <= 12) {
            w.writeTextElement(QStringLiteral("Month"), QString::number(month));
            const int day = m.captured(3).toInt();
            if (day >= 1 && day <= 31)
                w.writeTextElement(QStringLiteral("Day"), QString::number(day));
        }
    }
    field("Writer", meta.writer);
    field("Penciller", meta.drawer);
    field("CoverArtist", meta.coverdrawer);
    field("Publisher", meta.publisher);
    field("Web", meta.url);
    w.writeTextElement(QStringLiteral("PageCount"), QString::number(pageCount));
    w.writeTextElement(QStringLiteral("LanguageISO"), QStringLiteral("zh"));
    field("ScanInformation", meta.sign);
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

} // namespace korvel::archive
