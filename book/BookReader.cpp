#include "book/BookReader.h"

#include "book/mOpenDatabase.h"

#include <QFile>

namespace korvel::book {

BookReader::BookReader(mOpenDatabase &db, QString appDir)
    : m_db(db)
    , m_appDir(std::move(appDir))
{
}

bool BookReader::GetAllPagesNumber()
{
    if (!m_db.OpenBookRs(QStringLiteral("Select pagenumber From pages Order By pagenumber"))) {
        PageCount = 0;
        return false;
    }
    PageCount = m_db.BookRs.RecordCount();
    if (PageCount < 1)
        return true;
    PageNumbers.clear();
    PageNumbers.reserve(PageCount);
    for (m_db.BookRs.MoveFirst(); !m_db.BookRs.Eof(); m_db.BookRs.MoveNext())
        PageNumbers << qint32(m_db.BookRs.Field(0).toLongLong());
    m_db.BookRs.Close();
    return true;
}

BookReader::Page BookReader::ExtractPage(qint32 pageNumber)
{
    Page page;
    if (!m_db.OpenBookRs(QStringLiteral("Select image From pages Where pagenumber = ") + QString::number(pageNumber)))
        return page;
    page.found = !m_db.BookRs.Eof();
    if (page.found && !m_db.BookRs.IsNull(QStringLiteral("image"))) {
        page.hasImage = true;
        page.path = ReadTmpPath();
        page.bytes = m_db.BookRs.Field(0).toByteArray();
        m_db.BookStm.Type = 1;
        m_db.BookStm.Open();
        m_db.BookStm.Write(page.bytes);
        page.written = m_db.BookStm.SaveToFile(page.path, 2);
        m_db.BookStm.Close();
    }
    m_db.BookRs.Close();
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
