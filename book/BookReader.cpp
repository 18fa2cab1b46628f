#include "book/BookReader.h"

#include "db/Connection.h"

#include <limits>

namespace korvel::book {

namespace {

db::Error readList(db::Connection &book, bool withRows, PageList *out)
{
    db::Error error;
    db::Statement list = book.prepare(withRows ? QStringLiteral("Select pagenumber, rowid From pages Order By pagenumber")
                                               : QStringLiteral("Select pagenumber From pages Order By pagenumber"),
                                      &error);
    if (error)
        return error;
    PageList read;
    while (list.next()) {
        if (read.numbers.size() >= kMaxPages)
            return db::Error{db::TooManyPages,
                             QStringLiteral("%1 has more than %2 pages; it is damaged or not a book")
                                 .arg(book.path())
                                 .arg(kMaxPages)};
        const qint64 number = list.int64(0);
        if (number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<qint32>::max())
            return db::Error{db::NotADatabase,
                             QStringLiteral("%1 holds a page numbered %2; it is damaged").arg(book.path()).arg(number)};
        read.numbers.append(qint32(number));
        if (withRows)
            read.rows.append(list.int64(1));
    }
    if (list.error())
        return list.error();
    *out = std::move(read);
    return {};
}

PageRead readOne(db::Connection &book, const QString &sql, qint64 key, const QByteArray &known)
{
    PageRead page;
    db::Statement read = book.prepare(sql, &page.error);
    if (!page.error)
        page.error = read.bind(1, key);
    if (page.error)
        return page;
    page.found = read.next();
    page.error = read.error();
    if (page.found) {
        page.isNull = read.isNull(0);
        if (!page.isNull)
            page.bytes = read.blob(0, known);
    }
    return page;
}

} // namespace

db::Error readPageList(db::Connection &book, PageList *list)
{
    const db::Error e = readList(book, true, list);
    // A table without row ids: its pages are found by number.
    if (e && e.code != db::TooManyPages && e.code != db::NotADatabase)
        return readList(book, false, list);
    return e;
}

db::Error readPageNumbers(db::Connection &book, QVector<qint32> *numbers)
{
    PageList list;
    if (db::Error e = readList(book, false, &list))
        return e;
    *numbers = std::move(list.numbers);
    return {};
}

PageRead readListedPage(db::Connection &book, const PageList &list, int position, const QByteArray &known)
{
    if (position < 0 || position >= list.numbers.size())
        return {};
    if (position < list.rows.size()) {
        // Read straight into the page's array, or, when the caller holds the
        // page's bytes already, only compared with them.
        if (std::optional<QByteArray> bytes = book.storedBytes("pages", "image", list.rows.at(position), known)) {
            PageRead page;
            page.found = true;
            page.bytes = std::move(*bytes);
            return page;
        }
        return readOne(book, QStringLiteral("Select image From pages Where rowid = ?"), list.rows.at(position), known);
    }
    return readPage(book, list.numbers.at(position), known);
}

PageRead readPage(db::Connection &book, qint32 pageNumber, const QByteArray &known)
{
    return readOne(book, QStringLiteral("Select image From pages Where pagenumber = ?"), pageNumber, known);
}

BookMeta readBookMeta(db::Connection &book, db::Error *error)
{
    BookMeta meta;
    db::Error e;
    // Every column by name: a book made elsewhere may lack some of them.
    db::Statement row = book.prepare(QStringLiteral("Select * From books"), &e);
    if (!e && row.next()) {
        meta.found = true;
        const struct {
            const char *name;
            QString *field;
        } fields[] = {
            {"title", &meta.title},         {"summary", &meta.summary}, {"writer", &meta.writer},
            {"sign", &meta.sign},           {"publisher", &meta.publisher}, {"publishdate", &meta.publishdate},
            {"drawer", &meta.drawer},       {"url", &meta.url},         {"coverdrawer", &meta.coverdrawer},
        };
        for (int c = 0; c < row.columnCount(); ++c) {
            const QString name = row.columnName(c);
            for (const auto &f : fields) {
                if (name.compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0 && !row.isNull(c))
                    *f.field = row.value(c).toString();
            }
        }
    }
    if (!e)
        e = row.error();
    if (error)
        *error = e;
    return meta;
}

} // namespace korvel::book
