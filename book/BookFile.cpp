#include "book/BookFile.h"

#include "book/Sql.h"
#include "book/mOpenDatabase.h"
#include "platform/FileLock.h"

#include <QFile>

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

WriteResult writeBook(mOpenDatabase &db, const QString &target, const BookMeta &meta,
                      const QStringList &pictureFiles, bool withUrl)
{
    if (platform::FileLock::isHeldElsewhere(target))
        return WriteResult::CopyFailed;
    if (!platform::copyFileUnlessHeld(db.TemplatePath(), target))
        return WriteResult::CopyFailed;
    db.CloseConn();
    if (!db.OpenConn(target))
        return WriteResult::OpenFailed;
    db.OpenRs(withUrl ? downloaderInsertSql(meta) : makerInsertSql(meta));
    db.Stm.Type = 1;
    db.Stm.Open();
    bool ok = db.OpenRs(QStringLiteral("Begin Transaction"));
    for (int i = 0; ok && i < pictureFiles.size(); ++i) {
        ok = db.OpenRs(QStringLiteral("Select pagenumber,image From pages"));
        db.Stm.Close();
        db.Stm.Open();
        ok = ok && db.Stm.LoadFromFile(pictureFiles.at(i));
        if (ok) {
            db.Rs.AddNew();
            db.Rs.SetField(QStringLiteral("pagenumber"), i);
            db.Rs.SetField(QStringLiteral("image"), db.Stm.Read(-1));
            ok = db.Rs.Update();
        }
        db.CloseRs();
    }
    if (ok)
        ok = db.OpenRs(QStringLiteral("Commit"));
    db.CloseConn();
    db.Stm.Close();
    if (!ok) {
        QFile::remove(target);
        return WriteResult::PageFailed;
    }
    return WriteResult::Ok;
}

QString bookKind(const QString &path)
{
    return path.right(3);
}

} // namespace korvel::book
