#include "catalog/CatalogStore.h"

#include "catalog/Rules.h"
#include "db/Connection.h"

#include <QHash>
#include <QSet>
#include <QVariantList>

#include <functional>

namespace korvel::catalog {

namespace {

// Runs a prepared statement again with new values; rows are dropped.
db::Error run(db::Statement &statement, const QVariantList &values)
{
    statement.reset();
    for (int i = 0; i < values.size(); ++i) {
        if (db::Error e = statement.bind(i + 1, values.at(i)))
            return e;
    }
    while (statement.next()) {
    }
    return statement.error();
}

// The first column of the first row, if there is one.
struct Lookup {
    bool found = false;
    QVariant value;
    db::Error error;
};
Lookup lookUp(db::Connection &c, const QString &sql, const QVariantList &values)
{
    Lookup l;
    db::Statement s = c.prepare(sql, &l.error);
    for (int i = 0; !l.error && i < values.size(); ++i)
        l.error = s.bind(i + 1, values.at(i));
    if (l.error)
        return l;
    l.found = s.next();
    if (l.found)
        l.value = s.value(0);
    l.error = s.error();
    return l;
}

// One action's connection to the catalog, opened for it and closed with it.
Outcome openCatalog(db::Connection &c, const QString &path, db::Error *error)
{
    // Read-write even for reading: a change cut off by a crash is rolled
    // back by the engine before anything is read.
    *error = c.open(path, db::Access::ReadWrite);
    return *error ? Outcome::CatalogMissing : Outcome::Done;
}

// Runs work in one transaction on a connection of its own: its changes are
// kept only when it ends Done and the commit succeeds.
Change inTransaction(const QString &path, const std::function<Change(db::Connection &)> &work)
{
    Change change;
    db::Connection c;
    change.outcome = openCatalog(c, path, &change.error);
    if (change.outcome != Outcome::Done)
        return change;
    db::Transaction transaction(c);
    if (transaction.error()) {
        change.outcome = Outcome::WriteFailed;
        change.error = transaction.error();
        return change;
    }
    change = work(c);
    if (change.outcome == Outcome::Done) {
        if (db::Error e = transaction.commit()) {
            change.outcome = Outcome::WriteFailed;
            change.error = e;
        }
    }
    return change;
}

Change failed(const db::Error &error)
{
    Change c;
    c.outcome = Outcome::WriteFailed;
    c.error = error;
    return c;
}

Change refused(Outcome outcome)
{
    Change c;
    c.outcome = outcome;
    return c;
}

const QString kRecordColumns[] = {
    QStringLiteral("lhhID"),   QStringLiteral("lhhClassId"),   QStringLiteral("lhhType"),
    QStringLiteral("lhhTitle"), QStringLiteral("sign"),        QStringLiteral("lhhDrawer"),
    QStringLiteral("lhhPublisher"), QStringLiteral("lhhPublishDate"), QStringLiteral("lhhPath"),
};

// The rows of a "Select * From lhhInfo ..." by column name, with the status
// of each row tested now.
ListRead readRecords(db::Statement &s, int existenceMethod)
{
    ListRead list;
    int at[9];
    for (int k = 0; k < 9; ++k) {
        at[k] = -1;
        for (int c = 0; c < s.columnCount(); ++c) {
            if (s.columnName(c).compare(kRecordColumns[k], Qt::CaseInsensitive) == 0) {
                at[k] = c;
                break;
            }
        }
    }
    auto text = [&s](int column) { return column < 0 || s.isNull(column) ? QString() : s.value(column).toString(); };
    auto number = [&s](int column) { return column < 0 ? 0 : s.value(column).toLongLong(); };
    while (s.next()) {
        BookRecord r;
        r.id = number(at[0]);
        r.classId = number(at[1]);
        r.type = text(at[2]);
        r.title = text(at[3]);
        r.sign = text(at[4]);
        r.drawer = text(at[5]);
        r.publisher = text(at[6]);
        r.publishDate = text(at[7]);
        r.path = text(at[8]);
        r.present = fileExists(r.path, existenceMethod);
        list.records.append(std::move(r));
    }
    if ((list.error = s.error())) {
        list.outcome = Outcome::ReadFailed;
        list.records.clear();
    }
    return list;
}

ListRead listWith(const QString &path, const QString &sql, const QVariant &value, int existenceMethod)
{
    ListRead list;
    db::Connection c;
    list.outcome = openCatalog(c, path, &list.error);
    if (list.outcome != Outcome::Done)
        return list;
    db::Statement s = c.prepare(sql, &list.error);
    if (!list.error)
        list.error = s.bind(1, value);
    if (list.error) {
        list.outcome = Outcome::ReadFailed;
        return list;
    }
    return readRecords(s, existenceMethod);
}

QVariantList recordValues(const BookRecord &r)
{
    return {r.classId, r.type, r.title, r.sign, r.drawer, r.publisher, r.publishDate, r.path};
}

} // namespace

CatalogStore::CatalogStore(QString catalogPath)
    : m_path(std::move(catalogPath))
{
}

QString CatalogStore::pathIn(const QString &appDir)
{
    return appDir + QStringLiteral("/Korvel.mdb");
}

TreeRead CatalogStore::readTree() const
{
    TreeRead tree;
    db::Connection c;
    tree.outcome = openCatalog(c, m_path, &tree.error);
    if (tree.outcome != Outcome::Done)
        return tree;

    struct Row {
        qint64 id;
        qint64 parent;
        bool topLevel;
        bool hasParent;
        QString name;
    };
    QVector<Row> rows;
    db::Statement s = c.prepare(QStringLiteral("Select ClassID,RootClassID,ClassName From Class Order By ClassID"),
                                &tree.error);
    tree.statements = 1;
    while (!tree.error && s.next()) {
        const bool hasParent = !s.isNull(1);
        const qint64 parent = s.int64(1);
        rows.append({s.int64(0), parent, hasParent && parent == 0, hasParent, s.isNull(2) ? QString() : s.value(2).toString()});
    }
    if (!tree.error)
        tree.error = s.error();
    if (tree.error) {
        tree.outcome = Outcome::ReadFailed;
        return tree;
    }

    int root = -1;
    QHash<qint64, QVector<int>> children; // by parent id, in ClassID order
    for (int i = 0; i < rows.size(); ++i) {
        if (rows[i].topLevel && root < 0)
            root = i;
        if (rows[i].hasParent && !rows[i].topLevel)
            children[rows[i].parent].append(i);
    }
    if (root < 0)
        return tree;

    // Depth first without recursion; an id already placed is never placed
    // again, so duplicate ids and cycles end here.
    const QVector<int> none;
    struct Frame {
        int node;
        const QVector<int> *kids;
        int next;
    };
    QSet<qint64> placed;
    tree.nodes.append({rows[root].id, rows[root].name, -1});
    placed.insert(rows[root].id);
    auto kidsOf = [&](qint64 id) {
        const auto it = children.constFind(id);
        return it == children.cend() ? &none : &it.value();
    };
    QVector<Frame> stack{{0, kidsOf(rows[root].id), 0}};
    while (!stack.isEmpty()) {
        Frame &top = stack.last();
        if (top.next >= top.kids->size()) {
            stack.removeLast();
            continue;
        }
        const Row &row = rows[top.kids->at(top.next++)];
        if (placed.contains(row.id))
            continue;
        placed.insert(row.id);
        tree.nodes.append({row.id, row.name, top.node});
        stack.append({int(tree.nodes.size()) - 1, kidsOf(row.id), 0});
    }
    return tree;
}

ListRead CatalogStore::listCategory(qint64 classId) const
{
    return listWith(m_path, QStringLiteral("Select * From lhhInfo Where lhhClassId=?"), classId, 0);
}

ListRead CatalogStore::searchTitles(const QString &text) const
{
    return listWith(m_path, QStringLiteral("Select * From lhhInfo Where lhhTitle Like ? Escape '\\'"),
                    titlePattern(text), 1);
}

CategoryRead CatalogStore::readCategory(qint64 classId) const
{
    CategoryRead read;
    db::Connection c;
    read.outcome = openCatalog(c, m_path, &read.error);
    if (read.outcome != Outcome::Done)
        return read;
    db::Statement s = c.prepare(QStringLiteral("Select ClassName,DefaultPath From Class Where ClassID=?"), &read.error);
    if (!read.error)
        read.error = s.bind(1, classId);
    if (!read.error && s.next()) {
        read.found = true;
        read.name = s.isNull(0) ? QString() : s.value(0).toString();
        read.folder = s.isNull(1) ? QString() : s.value(1).toString();
    }
    if (!read.error)
        read.error = s.error();
    if (read.error)
        read.outcome = Outcome::ReadFailed;
    return read;
}

CategoryRead CatalogStore::readDefaultPath(qint64 classId) const
{
    CategoryRead read;
    db::Connection c;
    read.outcome = openCatalog(c, m_path, &read.error);
    if (read.outcome != Outcome::Done)
        return read;
    const Lookup l = lookUp(c, QStringLiteral("Select DefaultPath From Class Where ClassID=?"), {classId});
    read.found = l.found;
    read.folder = l.value.isNull() ? QString() : l.value.toString();
    read.error = l.error;
    if (read.error)
        read.outcome = Outcome::ReadFailed;
    return read;
}

Change CatalogStore::addCategory(qint64 parentId, const QString &name, const QString &folder)
{
    return inTransaction(m_path, [&](db::Connection &c) {
        const Lookup parent = lookUp(c, QStringLiteral("Select ClassID From Class Where ClassID=?"), {parentId});
        if (parent.error)
            return failed(parent.error);
        if (!parent.found)
            return refused(Outcome::NoSuchCategory);
        if (db::Error e = c.exec(QStringLiteral("Insert Into Class (RootClassId,ClassName,DefaultPath) Values (?,?,?)"),
                                 {parentId, name, folder}))
            return failed(e);
        Change done;
        done.id = c.lastInsertRowId();
        return done;
    });
}

Change CatalogStore::editCategory(qint64 classId, qint64 parentId, const QString &name, const QString &folder)
{
    return inTransaction(m_path, [&](db::Connection &c) {
        const QString parentOf = QStringLiteral("Select RootClassID From Class Where ClassID=?");
        const Lookup self = lookUp(c, parentOf, {classId});
        if (self.error)
            return failed(self.error);
        if (!self.found)
            return refused(Outcome::NoSuchCategory);
        if (parentId == classId) {
            if (db::Error e = c.exec(QStringLiteral("Update Class Set ClassName=?,DefaultPath=? Where ClassID=?"),
                                     {name, folder, classId}))
                return failed(e);
            return Change{};
        }
        // A moved root, or a category hung under its own subtree, would take
        // every book below it out of reach of the tree.
        if (!self.value.isNull() && self.value.toLongLong() == 0)
            return refused(Outcome::IsRoot);
        QSet<qint64> seen;
        for (qint64 p = parentId; p != 0 && !seen.contains(p);) {
            if (p == classId)
                return refused(Outcome::MovesUnderItself);
            seen.insert(p);
            const Lookup up = lookUp(c, parentOf, {p});
            if (up.error)
                return failed(up.error);
            if (!up.found) {
                if (p == parentId)
                    return refused(Outcome::NoSuchCategory);
                break;
            }
            if (up.value.isNull())
                break;
            p = up.value.toLongLong();
        }
        if (db::Error e = c.exec(
                QStringLiteral("Update Class Set RootClassId=?,ClassName=?,DefaultPath=? Where ClassID=?"),
                {parentId, name, folder, classId}))
            return failed(e);
        return Change{};
    });
}

Change CatalogStore::deleteCategory(qint64 classId)
{
    return inTransaction(m_path, [&](db::Connection &c) {
        const Lookup self = lookUp(c, QStringLiteral("Select RootClassID From Class Where ClassID=?"), {classId});
        if (self.error)
            return failed(self.error);
        if (self.found && !self.value.isNull() && self.value.toLongLong() == 0)
            return refused(Outcome::IsRoot);

        // The whole subtree first, each id once even in a damaged catalog.
        db::Error e;
        db::Statement kids =
            c.prepare(QStringLiteral("Select ClassID From Class Where RootClassId=? Order By RootClassId,ClassID"), &e);
        if (e)
            return failed(e);
        QVector<qint64> subtree{classId};
        QSet<qint64> seen{classId};
        for (int i = 0; i < subtree.size(); ++i) {
            kids.reset();
            if ((e = kids.bind(1, subtree.at(i))))
                return failed(e);
            while (kids.next()) {
                const qint64 id = kids.int64(0);
                if (!seen.contains(id)) {
                    seen.insert(id);
                    subtree.append(id);
                }
            }
            if ((e = kids.error()))
                return failed(e);
        }
        db::Statement deleteClass = c.prepare(QStringLiteral("Delete From Class Where ClassID=?"), &e);
        if (e)
            return failed(e);
        db::Statement deleteBooks = c.prepare(QStringLiteral("Delete From lhhInfo Where lhhClassId=?"), &e);
        if (e)
            return failed(e);
        for (const qint64 id : std::as_const(subtree)) {
            if ((e = run(deleteClass, {id})) || (e = run(deleteBooks, {id})))
                return failed(e);
        }
        return Change{};
    });
}

Change CatalogStore::addBook(const BookRecord &record)
{
    return inTransaction(m_path, [&](db::Connection &c) {
        const Lookup same = lookUp(c, QStringLiteral("Select lhhPath From lhhInfo Where lhhPath=?"), {record.path});
        if (same.error)
            return failed(same.error);
        if (same.found)
            return refused(Outcome::Duplicate);
        if (db::Error e = c.exec(QStringLiteral("Insert Into lhhInfo (lhhClassId,lhhType,lhhTitle,sign,lhhDrawer,"
                                                "lhhPublisher,lhhPublishDate,lhhPath) Values (?,?,?,?,?,?,?,?)"),
                                 recordValues(record)))
            return failed(e);
        Change done;
        done.id = c.lastInsertRowId();
        return done;
    });
}

Change CatalogStore::updateBook(const BookRecord &record)
{
    return inTransaction(m_path, [&](db::Connection &c) {
        QVariantList values = recordValues(record);
        values << record.id;
        if (db::Error e = c.exec(QStringLiteral("Update lhhInfo Set lhhClassId=?,lhhType=?,lhhTitle=?,sign=?,"
                                                "lhhDrawer=?,lhhPublisher=?,lhhPublishDate=?,lhhPath=? Where lhhID=?"),
                                 values))
            return failed(e);
        return Change{};
    });
}

Change CatalogStore::deleteBook(qint64 id)
{
    return deleteBooks({id});
}

Change CatalogStore::deleteBooks(const QVector<qint64> &ids)
{
    return inTransaction(m_path, [&](db::Connection &c) {
        db::Error e;
        db::Statement remove = c.prepare(QStringLiteral("Delete From lhhInfo Where lhhId=?"), &e);
        for (int i = 0; !e && i < ids.size(); ++i)
            e = run(remove, {ids.at(i)});
        return e ? failed(e) : Change{};
    });
}

} // namespace korvel::catalog
