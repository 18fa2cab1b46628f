#pragma once

#include <QString>

namespace korvel::book {

// A text value as it is joined into a statement: between single quotes, with
// every single quote inside doubled, so "O'Neil" is stored and read back as
// typed instead of breaking the statement.
QString sqlText(const QString &value);

// A whole number as decimal digits.
QString sqlNumber(qint64 value);

} // namespace korvel::book
