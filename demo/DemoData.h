#pragma once

#include <QString>
#include <QStringList>

namespace korvel::demo {

// Writes the demo application data into appDir, replacing what an earlier run
// wrote: the empty book "Korvel.tmp!", the books in books/, the catalog
// "Korvel.mdb" filing them, "splash.png" and the offline advert "top.html".
// The same input gives the same files. On failure *error says which file
// could not be written and why.
bool generateDemo(const QString &appDir, QString *error);

// The demo books' file names under books/.
QStringList demoBookFiles();

} // namespace korvel::demo
