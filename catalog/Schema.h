#pragma once

#include <QStringList>

namespace korvel::catalog {

// The statements that make an empty Korvel.mdb: tables Class and lhhInfo,
// and the root category (ClassID 1, RootClassID 0) named rootName.
QStringList catalogSchema(const QString &rootName);

} // namespace korvel::catalog
