#include "book/BookFile.h"

#include "book/Sql.h"

namespace korvel::book {

QStringList templateSchema()
{
    return {
        QStringLiteral("CREATE TABLE books (booknumber INTEGER, title TEXT, summary TEXT, writer TEXT, sign TEXT, "
                       "publisher TEXT, publishdate TEXT, drawer TEXT, url TEXT, coverdrawer TEXT)"),
        QStringLiteral("CREATE TABLE pages (pagenumber INTEGER PRIMARY KEY, image BLOB)"),
        // The page list reads this narrow index instead of walking every page's row.
        QStringLiteral("CREATE INDEX pages_pagenumber ON pages (pagenumber)"),
    };
}

static QString insertSql(const BookMeta &m, bool withUrl)
{
    QString sql = QStringLiteral("Insert Into books (") + QStringLiteral("booknumber,") + QStringLiteral("title,")
        + QStringLiteral("summary,") + QStringLiteral("writer,") + QStringLiteral("sign,")
        + QStringLiteral("publisher,") + QStringLiteral("publishdate,") + QStringLiteral("drawer,");
    if (withUrl)
        sql += QStringLiteral("url,");
    sql += QStringLiteral("coverdrawer) Values (") + QStringLiteral("1,");
    for (const QString *v : {&m.title, &m.summary, &m.writer, &m.sign, &m.publisher, &m.publishdate, &m.drawer})
        sql += sqlText(*v) + QLatin1Char(',');
    if (withUrl)
        sql += sqlText(m.url) + QLatin1Char(',');
    sql += sqlText(m.coverdrawer) + QLatin1Char(')');
    return sql;
}

QString makerInsertSql(const BookMeta &meta)
{
    return insertSql(meta, false);
}

QString downloaderInsertSql(const BookMeta &meta)
{
    return insertSql(meta, true);
}

QString bookKind(const QString &path)
{
    return path.right(3);
}

} // namespace korvel::book
