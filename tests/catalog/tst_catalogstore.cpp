// The catalog's rules that need no catalog (node keys, the folder a name
// gives, the existence tests, reading a chosen book for its record, saving a
// copy of a catalogued book), and the catalog store over Korvel.mdb: the tree it reads from good and damaged
// catalogs, the lists and their status, texts stored and found exactly, the
// refusals of the category moves, and changes of many rows that complete or
// leave the catalog as it was.
#include "catalog/CatalogStore.h"
#include "catalog/Rules.h"
#include "catalog/Schema.h"
#include "db/Connection.h"
#include "platform/FileLock.h"
#include "tests/support/PutFile.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace korvel;
using namespace korvel::catalog;
using namespace korvel::test;

namespace {

QString cls(qint64 id, qint64 parent, const QString &name)
{
    return QStringLiteral("Insert Into Class (ClassID,RootClassID,ClassName,DefaultPath) Values (%1,%2,'%3','')")
        .arg(id)
        .arg(parent)
        .arg(name);
}

QString rec(qint64 classId, const QString &title, const QString &path, const QString &type = QStringLiteral("lhh"))
{
    return QStringLiteral("Insert Into lhhInfo (lhhClassId,lhhType,lhhTitle,sign,lhhDrawer,lhhPublisher,lhhPublishDate,"
                          "lhhPath) Values (%1,'%2','%3','s','d','p','1980','%4')")
        .arg(classId)
        .arg(type, title, QString(path).replace(QLatin1Char('\''), QStringLiteral("''")));
}

QStringList names(const TreeRead &t)
{
    QStringList out;
    for (const CategoryNode &n : t.nodes)
        out << QString(n.parent < 0 ? QString() : t.nodes.at(n.parent).name + QLatin1Char('/')) + n.name;
    return out;
}

// The titles listed; with marks, "*" after those whose file is there.
QStringList titles(const ListRead &l, bool marks = false)
{
    QStringList out;
    for (const BookRecord &r : l.records)
        out << r.title + QString(marks && r.present ? "*" : "");
    return out;
}

} // namespace

class CatalogStoreTest : public QObject {
    Q_OBJECT

private slots:
    void init() { env = std::make_unique<TestEnv>(); }

    void trees()
    {
        // Added out of order: children come by ClassID, each followed by its own.
        const QString path = make({cls(7, 1, "现代"), cls(3, 1, "古典"), cls(9, 3, "三国"), cls(4, 3, "西游-记"),
                                   cls(12, 4, "第一册"), cls(5, 1, "童话")});
        const TreeRead t = CatalogStore(path).readTree();
        QCOMPARE(t.outcome, Outcome::Done);
        QCOMPARE(names(t), (QStringList{"连环画", "连环画/古典", "古典/西游-记", "西游-记/第一册", "古典/三国",
                                        "连环画/童话", "连环画/现代"}));
        QCOMPARE(t.statements, 1);
        // The key of a name with "-" still gives its id; a fixed node's key holds none.
        QCOMPARE(classIdFromKey(nodeKey(t.nodes.at(2).name, t.nodes.at(2).id)), 4);
        QCOMPARE(classIdFromKey(QStringLiteral("搜索结果")), 0);

        // Damaged trees end, with what can be reached from the root.
        const QList<std::pair<QStringList, QStringList>> cases = {
            // Extra top-level rows.
            {{cls(2, 0, "另一个根"), cls(3, 1, "甲"), cls(4, 2, "乙")}, {"连环画", "连环画/甲"}},
            // A cycle beside the root.
            {{cls(3, 1, "甲"), cls(4, 5, "乙"), cls(5, 4, "丙")}, {"连环画", "连环画/甲"}},
            {{"Insert Into Class (ClassID,ClassName) Values (3,'无')", cls(4, 1, "甲")}, {"连环画", "连环画/甲"}},
            // No top-level row.
            {{"Update Class Set RootClassID=2 Where ClassID=1", cls(2, 1, "甲")}, {}},
            // The root is not 1.
            {{"Delete From Class", cls(6, 0, "根"), cls(8, 6, "甲")}, {"根", "根/甲"}},
        };
        int round = 0;
        for (const auto &[rows, expected] : cases) {
            const TreeRead damaged = CatalogStore(make(rows, QStringLiteral("damaged%1.mdb").arg(++round))).readTree();
            QCOMPARE(damaged.outcome, Outcome::Done);
            QCOMPARE(names(damaged), expected);
        }
    }

    void catalogThatCannotBeUsed()
    {
        for (const QString kind : {"missing", "held by another Korvel", "truncated", "a folder"}) {
            const QString path = make({cls(3, 1, "甲"), rec(3, "书", "/nowhere.lhh")}, kind + ".mdb");
            db::Connection holder;
            if (kind == "missing") {
                QFile::remove(path);
            } else if (kind == "held by another Korvel") {
                QVERIFY(!holder.open(path, db::Access::ReadWrite));
            } else if (kind == "truncated") {
                QVERIFY(QFile::resize(path, QFileInfo(path).size() / 2));
            } else {
                QFile::remove(path);
                QVERIFY(QDir().mkpath(path));
            }
            const QByteArray before = fileHash(path);
            CatalogStore store(path);
            QCOMPARE(store.readTree().outcome, Outcome::CatalogMissing);
            QCOMPARE(store.listCategory(3).outcome, Outcome::CatalogMissing);
            QCOMPARE(store.addCategory(1, "乙", "/tmp").outcome, Outcome::CatalogMissing);
            QCOMPARE(fileHash(path), before);
            if (holder.isOpen()) {
                holder.close();
                QCOMPARE(store.listCategory(3).records.size(), 1);
            }
        }

        // A catalog without its tables: reads and writes fail.
        const QString path = env->path("bare.mdb");
        QVERIFY(!db::Connection::createFile(path, {"CREATE TABLE other (x)"}));
        CatalogStore store(path);
        QCOMPARE(store.readTree().outcome, Outcome::ReadFailed);
        QCOMPARE(store.listCategory(1).outcome, Outcome::ReadFailed);
        QCOMPARE(store.readCategory(1).outcome, Outcome::ReadFailed);
        QCOMPARE(store.addBook({}).outcome, Outcome::WriteFailed);
    }

    void listStatusByMethod()
    {
        const QString file = env->path("here.lhh");
        QVERIFY(makeSimpleBook(env->appDir(), file, 1));
        const QString folder = env->path("a folder.lhh");
        QVERIFY(QDir().mkpath(folder));
        const QString path = make({rec(1, "在", file), rec(1, "目录", folder), rec(1, "没了", env->path("gone.lhh")),
                                   rec(1, "空", ""), rec(2, "别的分类", file),
                                   "Insert Into lhhInfo (lhhClassId,lhhTitle) Values (1,'空值')"});
        CatalogStore store(path);
        const ListRead category = store.listCategory(1);
        QCOMPARE(category.outcome, Outcome::Done);
        // A folder counts as there in a category list, not in a search.
        QCOMPARE(titles(category, true), (QStringList{"在*", "目录*", "没了", "空", "空值"}));
        const BookRecord &nulls = category.records.last();
        QVERIFY(nulls.type.isEmpty() && nulls.path.isEmpty() && nulls.drawer.isEmpty());

        QCOMPARE(titles(store.searchTitles(QString()), true),
                 (QStringList{"在*", "目录", "没了", "空", "别的分类*", "空值"}));
    }

    void searchFindsTextExactly()
    {
        CatalogStore store(make({}));
        BookRecord r;
        r.classId = 1;
        for (const QString t : {"100%书", "a_b", "O'Neil", "反\\斜", "ab", "ba", "a", "画中", "连环画", "甲-乙", "x"}) {
            r.title = t;
            r.path = env->path(t);
            QCOMPARE(store.addBook(r).outcome, Outcome::Done);
        }
        // The text searched for, and the titles found: percent, underscore,
        // quote and backslash stand for themselves; letters match in any case.
        const QList<std::pair<QString, QStringList>> cases = {
            {"%", {"100%书"}},
            {"_", {"a_b"}},
            {"'", {"O'Neil"}},
            {"\\", {"反\\斜"}},
            {"A", {"a_b", "ab", "ba", "a"}},
        };
        for (const auto &[text, expected] : cases)
            QCOMPARE(titles(store.searchTitles(text)), expected);
    }

    void textsStoredExactlyAndPathsOnce()
    {
        const QString path = make({});
        CatalogStore store(path);
        const QString name = QStringLiteral("O'Neil 100%_a-b \"引\" 连环画");
        const QString folder = QStringLiteral("/tmp/it's %_/文件夹");
        const Change added = store.addCategory(1, name, folder);
        QCOMPARE(added.outcome, Outcome::Done);
        const CategoryRead read = store.readCategory(added.id);
        QVERIFY(read.found);
        QCOMPARE((QStringList{read.name, read.folder}), (QStringList{name, folder}));
        QCOMPARE(store.readDefaultPath(added.id).folder, folder);

        BookRecord r;
        r.classId = added.id;
        r.type = QStringLiteral("lhh");
        r.title = name;
        r.sign = QStringLiteral("'; Drop Table Class; --");
        r.drawer = QStringLiteral("%");
        r.publisher = QStringLiteral("_");
        r.publishDate = QStringLiteral("1980年'5'月");
        r.path = QStringLiteral("/书/it's 100%.lhh");
        QCOMPARE(store.addBook(r).outcome, Outcome::Done);
        const ListRead list = store.listCategory(added.id);
        QCOMPARE(list.records.size(), 1);
        const BookRecord &back = list.records.first();
        QCOMPARE((QStringList{back.type, back.title, back.sign, back.drawer, back.publisher, back.publishDate, back.path}),
                 (QStringList{r.type, r.title, r.sign, r.drawer, r.publisher, r.publishDate, r.path}));

        // The same path again is refused; another letter case is another file on this system.
        r.title = QStringLiteral("again");
        QCOMPARE(store.addBook(r).outcome, Outcome::Duplicate);
        r.path = QStringLiteral("/书/IT's 100%.lhh");
        const Change again = store.addBook(r);
        QCOMPARE(again.outcome, Outcome::Done);
        // An edit writes whatever path it holds.
        r.id = again.id;
        r.title = QStringLiteral("edited");
        r.path = back.path;
        r.type = QStringLiteral("exe");
        QCOMPARE(store.updateBook(r).outcome, Outcome::Done);
        const ListRead edited = store.listCategory(added.id);
        QCOMPARE(titles(edited), (QStringList{name, "edited"}));
        QCOMPARE((QStringList{edited.records.last().type, edited.records.last().path}), (QStringList{"exe", r.path}));
        QCOMPARE(store.deleteBook(edited.records.first().id).outcome, Outcome::Done);
        QCOMPARE(titles(store.listCategory(added.id)), QStringList{"edited"});
    }

    void categoryMoves()
    {
        // 1 root, 3 甲 under 1, 4 乙 under 3, 5 丙 under 4, 6 丁 under 1.
        // The category moved, its new parent, and the outcome.
        const QList<std::tuple<qint64, qint64, Outcome>> cases = {
            {4, 4, Outcome::Done},             // in place
            {4, 6, Outcome::Done},             // under another
            {3, 4, Outcome::MovesUnderItself}, // under its child
            {3, 5, Outcome::MovesUnderItself}, // under its grandchild
            {1, 6, Outcome::IsRoot},
            {1, 1, Outcome::Done}, // the root renamed in place
            {4, 77, Outcome::NoSuchCategory},
            {77, 1, Outcome::NoSuchCategory},
        };
        for (const auto &[id, parent, outcome] : cases) {
            const QString path = make({cls(3, 1, "甲"), cls(4, 3, "乙"), cls(5, 4, "丙"), cls(6, 1, "丁")},
                                      QStringLiteral("moves%1-%2.mdb").arg(id).arg(parent));
            const QByteArray before = fileHash(path);
            CatalogStore store(path);
            QCOMPARE(store.editCategory(id, parent, QStringLiteral("新名"), QStringLiteral("/新")).outcome, outcome);
            if (outcome != Outcome::Done) {
                QCOMPARE(fileHash(path), before);
                continue;
            }
            const CategoryRead read = store.readCategory(id);
            QCOMPARE((QStringList{read.name, read.folder}), (QStringList{"新名", "/新"}));
            // Every category is still in the tree.
            QCOMPARE(store.readTree().nodes.size(), 5);
        }
    }

    void deleteCategoryTakesItsSubtree()
    {
        const QString kept = env->path("kept.lhh");
        QVERIFY(makeSimpleBook(env->appDir(), kept, 1));
        const QString path = make({cls(3, 1, "甲"), cls(4, 3, "乙"), cls(5, 4, "丙"), cls(8, 5, "丁"), cls(6, 1, "戊"),
                                   rec(3, "a", kept), rec(4, "b", "/b"), rec(5, "c", "/c"), rec(8, "d", "/d"),
                                   rec(6, "e", "/e"), rec(1, "f", "/f")});
        CatalogStore store(path);
        QCOMPARE(store.deleteCategory(3).outcome, Outcome::Done);
        QCOMPARE(names(store.readTree()), (QStringList{"连环画", "连环画/戊"}));
        QCOMPARE(titles(store.searchTitles(QString())), (QStringList{"e", "f"}));
        QVERIFY(QFileInfo::exists(kept)); // files stay on disk
        // The root is never deleted.
        QCOMPARE(store.deleteCategory(1).outcome, Outcome::IsRoot);
        QCOMPARE(store.readTree().nodes.size(), 2);
        // A cycle below a deleted category ends too.
        const QString cyclic = make({cls(3, 1, "甲"), cls(4, 5, "乙"), cls(5, 4, "丙"),
                                     "Update Class Set RootClassID=3 Where ClassID=4"},
                                    QStringLiteral("cyclic.mdb"));
        QCOMPARE(CatalogStore(cyclic).deleteCategory(3).outcome, Outcome::Done);
        QCOMPARE(CatalogStore(cyclic).readTree().nodes.size(), 1);
    }

    void manyRowChangesAreAllOrNothing()
    {
        // A record that cannot be deleted, deep in the subtree and among the
        // ones to remove: the whole change is given up. (Triggers never run on
        // the catalog, so the failure comes from an index whose expression is
        // rewritten under the rows, as a damaged file might have it: removing
        // the 'stuck' row's entry raises an overflow.)
        const QString path = make({cls(3, 1, "甲"), cls(4, 3, "乙"), cls(5, 4, "丙"), rec(3, "a", "/a"), rec(4, "b", "/b"),
                                   rec(5, "stuck", "/s"), "CREATE INDEX stuck ON lhhInfo((lhhTitle = 'stuck') + 0)"});
        QVERIFY(writeRawDatabase(path,
                                 {"PRAGMA writable_schema=ON",
                                  "UPDATE sqlite_master SET sql = 'CREATE INDEX stuck ON lhhInfo(CASE WHEN lhhTitle = "
                                  "''stuck'' THEN abs(-9223372036854775807 - 1) ELSE 0 END)' WHERE name = 'stuck'"},
                                 false));
        const QByteArray before = fileHash(path);
        CatalogStore store(path);
        QCOMPARE(store.deleteCategory(3).outcome, Outcome::WriteFailed);
        QCOMPARE(fileHash(path), before);
        const ListRead all = store.searchTitles(QString());
        QVector<qint64> ids;
        for (const BookRecord &r : all.records)
            ids << r.id;
        QCOMPARE(store.deleteBooks(ids).outcome, Outcome::WriteFailed);
        QCOMPARE(fileHash(path), before);
        ids.removeLast();
        QCOMPARE(store.deleteBooks(ids).outcome, Outcome::Done);
        QCOMPARE(titles(store.searchTitles(QString())), QStringList{"stuck"});
        // No journal is left beside the catalog.
        QCOMPARE(QDir(env->path(QString())).entryList({"Korvel.mdb*"}, QDir::Files), QStringList{"Korvel.mdb"});
    }

    // A category's folder stays inside the books folder whatever its name, and
    // is made where it can be.
    void folders()
    {
        QCOMPARE(categoryFolder(QStringLiteral("/app"), QStringLiteral("a/../b\\c")), QStringLiteral("/app/books/a_.._b_c"));
        QCOMPARE(categoryFolder(QStringLiteral("/app"), QStringLiteral("..")), QStringLiteral("/app/books/__"));
        // The chooser's answer loses its trailing separator; the root keeps it.
        QCOMPARE(withoutTrailingSeparator(QStringLiteral("/app/books/")), QStringLiteral("/app/books"));
        QCOMPARE(withoutTrailingSeparator(QStringLiteral("/")), QStringLiteral("/"));

        const QString deep = env->path("books/甲/乙 丙");
        QVERIFY(makeCategoryFolder(deep));
        QVERIFY(QFileInfo(deep).isDir());
        QVERIFY(makeCategoryFolder(deep)); // already there
        QVERIFY(!makeCategoryFolder(QStringLiteral("relative/folder")));
        QVERIFY(!QFileInfo::exists(QStringLiteral("relative")));
        QVERIFY(!makeCategoryFolder(QString()));
        const QString file = env->path("a file");
        QVERIFY(putFile(file));
        QVERIFY(!makeCategoryFolder(file));
        QVERIFY(!makeCategoryFolder(file + "/below"));

        // Whether a record's file is there: method 1 wants a file; 0 takes a
        // folder too; an unknown method finds nothing.
        QVERIFY(fileExists(file, 1) && fileExists(deep, 0) && !fileExists(deep, 1) && !fileExists(file, 5));
        QVERIFY(!fileExists(env->path("gone.lhh"), 0) && !fileExists(QString(), 0) && !fileExists(file + "/below", 0));
    }

    void readingAChosenBook()
    {
        const QString pages = QStringLiteral("CREATE TABLE pages (pagenumber INTEGER PRIMARY KEY, image BLOB)");
        const QString path = env->path("chosen.lhh");
        QVERIFY(!db::Connection::createFile(
            path, {"CREATE TABLE books (booknumber, title, drawer, publisher, publishdate, sign)", pages,
                   "Insert Into books Values (1,'鸡毛信','刘继','社','1978','我')"}));
        const QByteArray before = fileHash(path);
        const BookFileRead read = readBookFile(path);
        QCOMPARE(read.outcome, BookFileRead::Outcome::Read);
        QCOMPARE((QStringList{read.meta.title, read.meta.drawer, read.meta.publisher, read.meta.publishdate, read.meta.sign}),
                 (QStringList{"鸡毛信", "刘继", "社", "1978", "我"}));
        QCOMPARE(fileHash(path), before);
        QCOMPARE(QDir(env->path(QString())).entryList({"chosen.lhh*"}, QDir::Files), QStringList{"chosen.lhh"});
        const QString noBooks = env->path("nobooks.lhh");
        QVERIFY(!db::Connection::createFile(noBooks, {pages}));
        QCOMPARE(readBookFile(noBooks).outcome, BookFileRead::Outcome::ReadFailed);

        // Held by the reader, damaged or missing: the open fails and the file stays.
        db::Connection reader;
        QVERIFY(!reader.open(path, db::Access::ReadOnly));
        QCOMPARE(readBookFile(path).outcome, BookFileRead::Outcome::OpenFailed);
        reader.close();
        QVERIFY(QFile::resize(path, 150));
        const QByteArray cut = fileHash(path);
        QCOMPARE(readBookFile(path).outcome, BookFileRead::Outcome::OpenFailed);
        QCOMPARE(fileHash(path), cut);
        QCOMPARE(readBookFile(env->path("missing.lhh")).outcome, BookFileRead::Outcome::OpenFailed);
    }

    void savingACopies()
    {
        // The name typed and the record's type give the copy's name.
        const QList<std::tuple<QString, QString, QString>> cases = {
            {"/x/鸡毛信", "exe", "/x/鸡毛信.exe"},
            {"/x/a.lhh.bak", "lhh", "/x/a.lhh.bak"}, // the type anywhere in the name
            {"/x/a.LHH", "lhh", "/x/a.LHH.lhh"},
            {"/x/a", "", "/x/a"},
        };
        for (const auto &[typed, type, name] : cases)
            QCOMPARE(copyName(typed, type), name);

        const QString book = env->path("book.lhh");
        QVERIFY(makeSimpleBook(env->appDir(), book, 2));
        const QString dir = env->path("copies");
        QVERIFY(QDir().mkpath(dir));
        const QString target = dir + "/副本 it's.lhh";
        auto folder = [&] { return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name); };

        QVERIFY(saveCopy(book, target));
        QCOMPARE(fileHash(target), fileHash(book));

        // Onto an existing file: replaced whole, nothing left beside it.
        QVERIFY(putFile(target, "old bytes"));
        QVERIFY(saveCopy(book, target));
        QCOMPARE(fileHash(target), fileHash(book));
        QCOMPARE(folder(), QStringList{"副本 it's.lhh"});

        // Copies nothing: a book open in the reader, a missing book, a folder,
        // the book onto itself, a target open in the reader.
        const QByteArray kept = fileHash(target);
        {
            db::Connection reader;
            QVERIFY(!reader.open(book, db::Access::ReadOnly));
            QVERIFY(!saveCopy(book, dir + "/held.lhh"));
        }
        QVERIFY(!saveCopy(env->path("gone.lhh"), dir + "/gone.lhh"));
        QVERIFY(!saveCopy(dir, dir + "/folder.lhh"));
        QVERIFY(!saveCopy(book, book));
        QVERIFY(makeSimpleBook(env->appDir(), book, 3));
        {
            platform::FileLock reader;
            QCOMPARE(reader.acquire(target), platform::FileLock::Result::Ok);
            QVERIFY(!saveCopy(book, target));
        }
        QCOMPARE(fileHash(target), kept);
        QCOMPARE(folder(), QStringList{"副本 it's.lhh"});
    }

private:
    QString make(const QStringList &extra, const QString &name = QStringLiteral("Korvel.mdb"))
    {
        const QString path = env->path(name);
        if (db::Connection::createFile(path, catalogSchema(QStringLiteral("连环画")) + extra))
            qWarning("cannot make %s", qPrintable(path));
        return path;
    }

    std::unique_ptr<TestEnv> env;
};

QTEST_GUILESS_MAIN(CatalogStoreTest)

#include "tst_catalogstore.moc"
