#include "catalog/Seed.h"

#include "catalog/CatalogStore.h"
#include "catalog/Schema.h"
#include "db/Connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace korvel::catalog {

namespace {

SeedOutcome failed(const QString &message)
{
    return SeedOutcome{SeedOutcome::Failed, message};
}

// The folder the seed catalog's records name for the seed's books: the
// folder part of the first record whose file is one of them. Empty when none is.
QString seedBooksFolder(db::Connection &c, const QStringList &bookNames)
{
    db::Statement s = c.prepare(QStringLiteral("Select lhhPath From lhhInfo Order By lhhId"));
    while (s.next()) {
        const QString path = s.value(0).toString();
        const int slash = int(path.lastIndexOf(QLatin1Char('/')));
        if (slash >= 0 && bookNames.contains(path.mid(slash + 1)))
            return path.left(slash + 1);
    }
    return {};
}

// Every category folder and record under the seed's books folder moves to
// the new one, the records of files that never came with the seed too.
db::Error movePaths(db::Connection &c, const QString &from, const QString &to)
{
    db::Transaction t(c);
    if (t.error())
        return t.error();
    for (const auto &[table, column] : {std::pair{"Class", "DefaultPath"}, std::pair{"lhhInfo", "lhhPath"}}) {
        const QString sql = QStringLiteral("Update %1 Set %2 = ? || substr(%2, length(?) + 1) Where substr(%2, 1, length(?)) = ?")
                                .arg(QLatin1String(table), QLatin1String(column));
        if (const db::Error e = c.exec(sql, {to, from, from, from}))
            return e;
    }
    return t.commit();
}

} // namespace

SeedOutcome seedCatalog(const QString &seedDir, const QString &dataDir)
{
    const QString catalogPath = CatalogStore::pathIn(dataDir);
    if (QFileInfo::exists(catalogPath))
        return {};
    const QString booksDir = dataDir + QStringLiteral("/books/");
    if (!QDir().mkpath(booksDir))
        return failed(QStringLiteral("无法建立存放编目文件 Korvel.mdb 和连环画的文件夹：\n%1").arg(QDir::toNativeSeparators(booksDir)));

    const QStringList bookNames = QDir(seedDir + QStringLiteral("/books")).entryList({QStringLiteral("*.lhh")}, QDir::Files);
    for (const QString &name : bookNames) {
        const QString target = booksDir + name;
        if (QFileInfo::exists(target))
            continue;
        QFile::copy(seedDir + QStringLiteral("/books/") + name, target); // a book that fails to copy shows as 已删
    }

    // The catalog is built under a hidden name and renamed into place whole.
    QTemporaryFile staged(dataDir + QStringLiteral("/.Korvel.mdb.XXXXXX"));
    if (!staged.open())
        return failed(QStringLiteral("无法在这个文件夹里建立编目文件 Korvel.mdb：\n%1\n\n%2")
                          .arg(QDir::toNativeSeparators(dataDir), staged.errorString()));
    staged.close();
    const QString seedCatalogPath = CatalogStore::pathIn(seedDir);
    db::Error error;
    if (QFileInfo::exists(seedCatalogPath)) {
        QFile seed(seedCatalogPath);
        if (!seed.open(QIODevice::ReadOnly) || !staged.open() || !staged.resize(0)
            || staged.write(seed.readAll()) != seed.size() || !staged.flush())
            error = db::Error{db::FileFailed, staged.errorString()};
        staged.close();
        db::Connection c;
        if (!error)
            error = c.open(staged.fileName(), db::Access::ReadWrite);
        if (!error) {
            const QString from = seedBooksFolder(c, bookNames);
            if (!from.isEmpty())
                error = movePaths(c, from, booksDir);
        }
    } else {
        error = db::Connection::createFile(staged.fileName(), catalogSchema(QStringLiteral("连环画")));
    }
    if (error)
        return failed(QStringLiteral("无法建立编目文件：\n%1\n\n%2").arg(QDir::toNativeSeparators(catalogPath), error.message));
    if (!staged.rename(catalogPath))
        return failed(QStringLiteral("无法建立编目文件：\n%1\n\n%2").arg(QDir::toNativeSeparators(catalogPath), staged.errorString()));
    staged.setAutoRemove(false);
    return SeedOutcome{SeedOutcome::Seeded, {}};
}

} // namespace korvel::catalog
