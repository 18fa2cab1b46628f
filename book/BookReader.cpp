#include "book/BookReader.h"

#include "db/Connection.h"
#include "db/mOpenDatabase.h"

#include <limits>

namespace korvel::book {

db::Error readPageNumbers(db::Connection &book, QVector<qint32> *numbers)
{
    db::Error error;
    db::Statement list = book.prepare(QStringLiteral("Select pagenumber From pages Order By pagenumber"), &error);
    if (error)
        return error;
    QVector<qint32> read;
    while (list.next()) {
        if (read.size() >= kMaxPages)
            return db::Error{db::TooManyPages,
                             QStringLiteral("%1 has more than %2 pages; it is damaged or not a book")
                                 .arg(book.path())
                                 .arg(kMaxPages)};
        const qint64 number = list.int64(0);
        if (number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<qint32>::max())
            return db::Error{db::NotADatabase,
                             QStringLiteral("%1 holds a page numbered %2; it is damaged").arg(book.path()).arg(number)};
        read.append(qint32(number));
    }
    if (list.error())
        return list.error();
    *numbers = std::move(read);
    return {};
}

PageRead readPage(db::Connection &book, qint32 pageNumber)
{
    PageRead page;
    db::Statement read = book.prepare(QStringLiteral("Select image From pages Where pagenumber = ?"), &page.error);
    if (!page.error)
        page.error = read.bind(1, pageNumber);
    if (page.error)
        return page;
    page.found = read.next();
    page.error = read.error();
    if (page.found) {
        page.isNull = read.isNull(0);
        if (!page.isNull)
            page.bytes = read.blob(0);
    }
    return page;
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

BookReader::BookReader(db::mOpenDatabase &db, QString appDir)
    : m_db(db)
    , m_appDir(std::move(appDir))
{
}

bool BookReader::GetAllPagesNumber()
{
    QVector<qint32> numbers;
    m_error = readPageNumbers(m_db.BookConn, &numbers);
    if (m_error) {
        PageCount = 0;
        return false;
    }
    PageCount = int(numbers.size());
    if (PageCount < 1)
        return true;
    PageNumbers = std::move(numbers);
    return true;
}

BookReader::Page BookReader::ExtractPage(qint32 pageNumber)
{
    Page page;
    const PageRead read = readPage(m_db.BookConn, pageNumber);
    m_error = read.error;
    if (read.error)
        return page;
    page.found = read.found;
    if (read.found && !read.isNull) {
        page.hasImage = true;
        page.path = ReadTmpPath();
        page.bytes = read.bytes;
        m_db.BookStm.Type = 1;
        m_db.BookStm.Open();
        m_db.BookStm.Write(page.bytes);
        page.written = m_db.BookStm.SaveToFile(page.path, 2);
        m_db.BookStm.Close();
    }
    return page;
}

int BookReader::PrevIndex(int current, int count)
{
    const int p = current - 1;
    return p < 0 ? count - 1 : p;
}

int BookReader::NextIndex(int current, int count)
{
    const int n = current + 1;
    return n > count - 1 ? 0 : n;
}

} // namespace korvel::book
