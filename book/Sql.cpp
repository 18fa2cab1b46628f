#include "book/Sql.h"

namespace korvel::book {

QString sqlText(const QString &value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\''), QStringLiteral("''"));
    // A NUL would end the statement text early inside the engine.
    escaped.remove(QChar(0));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

QString sqlNumber(qint64 value)
{
    return QString::number(value);
}

} // namespace korvel::book
