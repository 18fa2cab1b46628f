#include "db/mOpenDatabase.h"
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
            db::mOpenDatabase db(root);
            if (!db.OpenBookConn(path) || !db.OpenBookRs(QStringLiteral("Select * From books"))) {
                shot.bytes.insert(name, "unreadable book");
                continue;
            }
            QStringList about;
            for (int i = 0; i < db.BookRs.ColumnCount(); ++i)
                about << db.BookRs.Field(i).toString();
            shot.bytes.insert(name, about.join(QLatin1Char('\n')).toUtf8());
            if (!db.OpenBookRs(QStringLiteral("Select pagenumber,image From pages")))
                continue;
            for (; !db.BookRs.Eof(); db.BookRs.MoveNext())
                shot.pictures.insert(name + QLatin1Char('#') + db.BookRs.Text(QStringLiteral("pagenumber")),
                                     QImage::fromData(db.BookRs.Field(QStringLiteral("image")).toByteArray()));
            db.CloseBookConn();
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
            db::mOpenDatabase db(m_app);
            QVERIFY2(db.OpenBookConn(path), qPrintable(path));
            QVERIFY(db.OpenBookRs(QStringLiteral("Select title,drawer,publisher,publishdate,sign From books")));
            QCOMPARE(db.BookRs.RecordCount(), 1);
            for (const char *column : {"title", "drawer", "publisher", "publishdate", "sign"})
                QVERIFY2(!db.BookRs.Text(QLatin1String(column)).isEmpty(), column);

            QVERIFY(db.OpenBookRs(QStringLiteral("Select pagenumber From pages Order By pagenumber")));
            QVector<int> numbers;
            for (; !db.BookRs.Eof(); db.BookRs.MoveNext())
                numbers << db.BookRs.Field(0).toInt();
            QVERIFY2(numbers.size() >= 12, qPrintable(file));
            for (int i = 0; i < numbers.size(); ++i) {
                QCOMPARE(numbers.at(i), i);
                QVERIFY(db.OpenBookRs(QStringLiteral("Select image From pages Where pagenumber = %1").arg(i)));
                const QByteArray bytes = db.BookRs.Field(0).toByteArray();
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
            db.CloseBookConn();
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
        db::mOpenDatabase db(m_app);
        QVERIFY(db.OpenCatalog());
        QVERIFY(db.OpenRs(QStringLiteral("Select ClassID,ClassName From Class Where RootClassID=0 Order By ClassId")));
        QCOMPARE(db.Rs.RecordCount(), 1);
        QCOMPARE(db.Rs.Field(QStringLiteral("ClassID")).toInt(), 1);

        QVERIFY(db.OpenRs(QStringLiteral("Select ClassID,RootClassID,DefaultPath From Class")));
        QMap<int, int> parentOf;
        bool booksFolderOffered = false;
        for (; !db.Rs.Eof(); db.Rs.MoveNext()) {
            parentOf.insert(db.Rs.Field(QStringLiteral("ClassID")).toInt(), db.Rs.Field(QStringLiteral("RootClassID")).toInt());
            booksFolderOffered = booksFolderOffered
                || db.Rs.Text(QStringLiteral("DefaultPath")) == QDir(m_app).absolutePath() + QStringLiteral("/books/");
        }
        QVERIFY(parentOf.size() >= 4);
        QVERIFY(booksFolderOffered);
        for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it)
            QVERIFY2(it.key() == 1 || parentOf.contains(it.value()), "every category hangs under an existing one");

        QVERIFY(db.OpenRs(QStringLiteral("Select * From lhhInfo")));
        QVector<QStringList> records;
        for (; !db.Rs.Eof(); db.Rs.MoveNext()) {
            QVERIFY(parentOf.contains(db.Rs.Field(QStringLiteral("lhhClassId")).toInt()));
            QStringList r;
            for (const char *c : {"lhhType", "lhhPath", "lhhTitle", "lhhDrawer", "lhhPublisher", "lhhPublishDate", "sign"})
                r << db.Rs.Text(QLatin1String(c));
            records << r;
        }
        db.CloseConn();

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
                QVERIFY(db.OpenBookConn(r.at(1)));
                QVERIFY(db.OpenBookRs(QStringLiteral("Select title,drawer,publisher,publishdate,sign From books")));
                const QStringList inBook{db.BookRs.Text(QStringLiteral("title")), db.BookRs.Text(QStringLiteral("drawer")),
                                         db.BookRs.Text(QStringLiteral("publisher")),
                                         db.BookRs.Text(QStringLiteral("publishdate")), db.BookRs.Text(QStringLiteral("sign"))};
                db.CloseBookConn();
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
