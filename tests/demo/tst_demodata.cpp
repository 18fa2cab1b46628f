#include "db/Connection.h"
#include "demo/DemoData.h"
#include "demo/PageArt.h"

#include <QDirIterator>
#include <QMap>
#include <QSet>
#include <QtTest>

#include <algorithm>

using namespace korvel;

namespace {

QByteArray magicFormat(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return "jpeg";
    if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return "png";
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return "gif";
    if (bytes.startsWith("BM"))
        return "bmp";
    return {};
}

// Every row of sql on the database at path, each row its columns; none when it cannot be read.
QVector<QVariantList> rows(const QString &path, const QString &sql)
{
    QVector<QVariantList> out;
    db::Connection c;
    db::Error e = c.open(path, db::Access::ReadOnly);
    db::Statement s = c.prepare(sql, e ? nullptr : &e);
    while (!e && s.next()) {
        QVariantList row;
        for (int i = 0; i < s.columnCount(); ++i)
            row << s.value(i);
        out << row;
    }
    return out;
}

const QString kAboutBook = QStringLiteral("Select title,drawer,publisher,publishdate,sign From books");

// What a folder of generated files shows: every picture decoded (the book
// pages by book and number), a book's own description, everything else as
// its bytes.
struct Snapshot {
    QMap<QString, QImage> pictures;
    QMap<QString, QByteArray> bytes;
};

Snapshot snapshot(const QString &root)
{
    Snapshot shot;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = path.mid(root.size());
        if (path.endsWith(QLatin1String(".lhh"))) {
            const QVector<QVariantList> about = rows(path, QStringLiteral("Select * From books"));
            if (about.isEmpty()) {
                shot.bytes.insert(name, "unreadable book");
                continue;
            }
            QStringList fields;
            for (const QVariant &v : about.first())
                fields << v.toString();
            shot.bytes.insert(name, fields.join(QLatin1Char('\n')).toUtf8());
            for (const QVariantList &page : rows(path, QStringLiteral("Select pagenumber,image From pages")))
                shot.pictures.insert(name + QLatin1Char('#') + page.at(0).toString(), QImage::fromData(page.at(1).toByteArray()));
        } else if (path.endsWith(QLatin1String(".png"))) {
            shot.pictures.insert(name, QImage(path));
        } else {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                shot.bytes.insert(name, f.readAll());
        }
    }
    return shot;
}

// Empty when the two pictures have the same size and no channel of any pixel
// differs by more than a few steps, which nobody could see; otherwise where
// they part.
QString pictureDifference(const QImage &a, const QImage &b)
{
    if (a.isNull() || b.isNull())
        return QStringLiteral("cannot decode");
    if (a.size() != b.size())
        return QStringLiteral("sizes differ");
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const QRgb *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int d = std::max({qAbs(qRed(p[col]) - qRed(q[col])), qAbs(qGreen(p[col]) - qGreen(q[col])),
                                    qAbs(qBlue(p[col]) - qBlue(q[col])), qAbs(qAlpha(p[col]) - qAlpha(q[col]))});
            if (d > 4)
                return QStringLiteral("pixel (%1, %2) differs by %3").arg(col).arg(row).arg(d);
        }
    }
    return {};
}

} // namespace

class DemoDataTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The generator warns when its lettering font is missing or lacks a
        // character; the pictures would then depend on the fonts installed.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QVERIFY(m_dir.isValid());
        m_app = m_dir.path() + QStringLiteral("/app");
        QString error;
        QVERIFY2(demo::generateDemo(m_app, &error), qPrintable(error));
    }

    void booksHoldNumberedPicturesOfEveryKind()
    {
        QSet<QByteArray> formats;
        bool wide = false, tall = false, large = false;
        qint64 total = 0;
        qint64 pixels = 0;
        const QStringList files = demo::demoBookFiles();
        QVERIFY(files.size() >= 2);
        for (const QString &file : files) {
            const QString path = m_app + QStringLiteral("/books/") + file;
            total += QFileInfo(path).size();
            const QVector<QVariantList> about = rows(path, kAboutBook);
            QCOMPARE(about.size(), 1);
            for (const QVariant &field : about.first())
                QVERIFY(!field.toString().isEmpty());
            const QVector<QVariantList> pages = rows(path, QStringLiteral("Select pagenumber,image From pages Order By pagenumber"));
            QVERIFY2(pages.size() >= 12, qPrintable(file));
            for (int i = 0; i < pages.size(); ++i) {
                QCOMPARE(pages.at(i).at(0).toInt(), i);
                const QByteArray bytes = pages.at(i).at(1).toByteArray();
                const QByteArray format = magicFormat(bytes);
                QVERIFY2(!format.isEmpty(), qPrintable(QStringLiteral("%1 page %2").arg(file).arg(i)));
                QImage page;
                QVERIFY2(page.loadFromData(bytes, format.constData()), qPrintable(QStringLiteral("%1 page %2").arg(file).arg(i)));
                formats << format;
                pixels += qint64(page.width()) * page.height();
                wide = wide || page.width() >= 2.5 * page.height();
                tall = tall || page.height() >= 2.5 * page.width();
                large = large || (page.width() > 1920 && page.height() > 1080);
            }
        }
        QCOMPARE(formats, (QSet<QByteArray>{"jpeg", "png", "gif", "bmp"}));
        QVERIFY(wide);
        QVERIFY(tall);
        QVERIFY(large);
        QVERIFY(total < 15 * 1024 * 1024);
        // Every build draws every page: its wait grows with the pixels drawn
        // (about 31 million today) on any machine.
        QVERIFY2(pixels < 40'000'000, qPrintable(QString::number(pixels)));
    }

    void catalogFilesTheBooksItDescribes()
    {
        const QString catalog = m_app + QStringLiteral("/Korvel.mdb");
        const QVector<QVariantList> roots =
            rows(catalog, QStringLiteral("Select ClassID From Class Where RootClassID=0 Order By ClassId"));
        QCOMPARE(roots.size(), 1);
        QCOMPARE(roots.first().first().toInt(), 1);

        QMap<int, int> parentOf;
        bool booksFolderOffered = false;
        for (const QVariantList &c : rows(catalog, QStringLiteral("Select ClassID,RootClassID,DefaultPath From Class"))) {
            parentOf.insert(c.at(0).toInt(), c.at(1).toInt());
            booksFolderOffered = booksFolderOffered || c.at(2).toString() == QDir(m_app).absolutePath() + QStringLiteral("/books/");
        }
        QVERIFY(parentOf.size() >= 4);
        QVERIFY(booksFolderOffered);
        for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it)
            QVERIFY2(it.key() == 1 || parentOf.contains(it.value()), "every category hangs under an existing one");

        QVector<QStringList> records;
        for (const QVariantList &row : rows(catalog, QStringLiteral("Select lhhClassId,lhhType,lhhPath,lhhTitle,lhhDrawer,"
                                                                   "lhhPublisher,lhhPublishDate,sign From lhhInfo"))) {
            QVERIFY(parentOf.contains(row.at(0).toInt()));
            QStringList r;
            for (const QVariant &v : row.mid(1))
                r << (v.isNull() ? QString() : v.toString());
            records << r;
        }

        int present = 0, gone = 0, exe = 0;
        for (const QStringList &r : std::as_const(records)) {
            QVERIFY2(QFileInfo(r.at(1)).isAbsolute(), qPrintable(r.at(1)));
            if (r.at(0) == QLatin1String("exe")) {
                QVERIFY(r.at(1).endsWith(QLatin1String(".exe")));
                QVERIFY(!QFileInfo::exists(r.at(1)));
                ++exe;
            } else if (!QFileInfo::exists(r.at(1))) {
                ++gone;
            } else {
                // The record repeats what the book says about itself.
                const QVector<QVariantList> about = rows(r.at(1), kAboutBook);
                QCOMPARE(about.size(), 1);
                QStringList inBook;
                for (const QVariant &v : about.first())
                    inBook << (v.isNull() ? QString() : v.toString());
                QCOMPARE(r.mid(2), inBook);
                ++present;
            }
        }
        QCOMPARE(present, int(demo::demoBookFiles().size()));
        QCOMPARE(gone, 1);
        QCOMPARE(exe, 1);
    }

    void splashAndAdvertAreInPlace()
    {
        const QImage splash(m_app + QStringLiteral("/splash.png"));
        QVERIFY(!splash.isNull());
        QVERIFY(splash.hasAlphaChannel());
        QVERIFY(qAbs(splash.width() - 480) <= 40 && qAbs(splash.height() - 300) <= 40);
        const int w = splash.width() - 1, h = splash.height() - 1;
        for (const QPoint corner : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
            QCOMPARE(qAlpha(splash.pixel(corner)), 0);
        QCOMPARE(qAlpha(splash.pixel(w / 2, h / 2)), 255);
        int soft = 0;
        for (int y = 0; y <= h; ++y)
            for (int x = 0; x <= w; ++x)
                soft += qAlpha(splash.pixel(x, y)) > 10 && qAlpha(splash.pixel(x, y)) < 200;
        QVERIFY2(soft > 1000, "the shadow should fade out, not stop at a hard edge");

        QFile advert(m_app + QStringLiteral("/top.html"));
        QVERIFY(advert.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(advert.readAll());
        QVERIFY(html.contains(QStringLiteral("连环画阅读器")));
        QVERIFY2(!html.contains(QLatin1String("http")), "the offline page must not reach out");
    }

    void rerunReplacesEverythingWithTheSameFiles()
    {
        const Snapshot before = snapshot(m_app);
        for (const QString &file : demo::demoBookFiles())
            QVERIFY2(before.pictures.contains(QStringLiteral("/books/%1#0").arg(file)), qPrintable(file));
        for (const QString &name : {QStringLiteral("/Korvel.mdb"), QStringLiteral("/books/") + demo::demoBookFiles().first()}) {
            QFile junk(m_app + name);
            QVERIFY(junk.open(QIODevice::WriteOnly | QIODevice::Truncate));
            junk.write("not a database");
        }
        QString error;
        QVERIFY2(demo::generateDemo(m_app, &error), qPrintable(error));
        const Snapshot after = snapshot(m_app);
        QCOMPARE(after.bytes, before.bytes);
        QCOMPARE(after.pictures.keys(), before.pictures.keys());
        for (auto it = before.pictures.cbegin(); it != before.pictures.cend(); ++it) {
            const QString difference = pictureDifference(it.value(), after.pictures.value(it.key()));
            QVERIFY2(difference.isEmpty(), qPrintable(it.key() + QStringLiteral(": ") + difference));
        }
    }

    void unwritableFolderIsReported()
    {
        const QString blocker = m_dir.path() + QStringLiteral("/a file");
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QString error;
        QVERIFY(!demo::generateDemo(blocker + QStringLiteral("/app"), &error));
        QVERIFY2(error.contains(blocker), qPrintable(error));
    }

private:
    QTemporaryDir m_dir;
    QString m_app;
};

QTEST_MAIN(DemoDataTest)
#include "tst_demodata.moc"
