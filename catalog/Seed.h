#pragma once

#include <QString>

namespace korvel::catalog {

struct SeedOutcome {
    enum Kind {
        Present, // dataDir already holds a catalog: nothing was copied or changed
        Seeded,  // the catalog was made, and the seed's books copied beside it
        Failed,  // nothing usable was made; message says what and why
    };
    Kind kind = Present;
    QString message; // Failed: the folder or file and the reason
};

// The first start of an installed Korvel: makes dataDir/Korvel.mdb from
// seedDir/Korvel.mdb (only the root category when the seed has none), copies
// the books of seedDir/books/ into dataDir/books/ (a book already there is
// kept) and points the catalog's category folders and records from the seed's
// books folder to the new one. The catalog appears whole or not at all. A
// catalog that is there already is never touched, so later starts copy
// nothing and keep every change the user made.
SeedOutcome seedCatalog(const QString &seedDir, const QString &dataDir);

} // namespace korvel::catalog
