#include "catalog/Schema.h"

#include "book/Sql.h"

namespace korvel::catalog {

QStringList catalogSchema(const QString &rootName)
{
    return {
        QStringLiteral("CREATE TABLE Class (ClassID INTEGER PRIMARY KEY AUTOINCREMENT, RootClassID INTEGER, "
                       "ClassName TEXT, DefaultPath TEXT)"),
        QStringLiteral("CREATE TABLE lhhInfo (lhhID INTEGER PRIMARY KEY AUTOINCREMENT, lhhClassId INTEGER, "
                       "lhhType TEXT, lhhTitle TEXT, sign TEXT, lhhDrawer TEXT, lhhPublisher TEXT, "
                       "lhhPublishDate TEXT, lhhPath TEXT)"),
        QStringLiteral("INSERT INTO Class (ClassID, RootClassID, ClassName, DefaultPath) VALUES (1, 0, %1, '')")
            .arg(book::sqlText(rootName)),
    };
}

} // namespace korvel::catalog
