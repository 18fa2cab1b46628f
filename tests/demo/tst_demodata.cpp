#include "db/mOpenDatabase.h"
#include "demo/DemoData.h"
#include "demo/GifWriter.h"
#include "demo/PageArt.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QImageReader>
#include <QMap>
#include <QSet>
#include <QtTest>

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

QMap<QString, QByteArray> hashTree(const QString &root)
{
    QMap<QString, QByteArray> hashes;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            hashes.insert(it.filePath().mid(root.size()), QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1));
    }
    return hashes;
}

bool near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) < 24 && qAbs(qGreen(a) - qGreen(b)) < 24 && qAbs(qBlue(a) - qBlue(b)) < 24;
}

} // namespace

class DemoDataTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_app = m_dir.path() + QStringLiteral("/app");
        QElapsedTimer clock;
        clock.start();
        QString error;
        QVERIFY2(demo::generateDemo(m_app, &error), qPrintable(error));
        QVERIFY2(clock.elapsed() < 10000, "the build should not wait long for the demo data");
    }

    void booksHoldNumberedPicturesOfEveryKind()
    {
        QSet<QByteArray> formats;
        bool wide = false, tall = false, large = false;
        qint64 total = 0;
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

    void gifKeepsSizeAndColours()
    {
        QImage source(123, 45, QImage::Format_ARGB32);
        source.fill(QColor(200, 30, 30));
        for (int y = 0; y < 45; ++y)
            for (int x = 61; x < 123; ++x)
                source.setPixel(x, y, qRgb(20, 40, 210));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                source.setPixel(x, y, qRgba(0, 0, 0, 0));
        const QString path = m_dir.path() + QStringLiteral("/round trip.gif");
        QVERIFY(demo::writeGif(source, path));
        QImageReader reader(path);
        QCOMPARE(reader.format(), QByteArray("gif"));
        QCOMPARE(reader.size(), QSize(123, 45));
        const QImage back = reader.read();
        QVERIFY(near(back.pixel(30, 30), qRgb(200, 30, 30)));
        QVERIFY(near(back.pixel(100, 30), qRgb(20, 40, 210)));
        QVERIFY2(near(back.pixel(2, 2), qRgb(255, 255, 255)), "transparency is laid on white");

        // A picture of far more than 256 colours still comes back close on average.
        QImage gradient(256, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 256; ++x)
                gradient.setPixel(x, y, qRgb(x, 255 - x, y * 4));
        QVERIFY(demo::writeGif(gradient, path));
        const QImage reread = QImage(path).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(reread.size(), gradient.size());
        qint64 error = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 256; ++x) {
                const QRgb a = gradient.pixel(x, y), b = reread.pixel(x, y);
                error += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
            }
        QVERIFY2(error / (256 * 64 * 3) < 10, qPrintable(QString::number(error / (256 * 64 * 3))));

        const QString nowhere = m_dir.path() + QStringLiteral("/no such folder/x.gif");
        QVERIFY(!demo::writeGif(source, nowhere));
        QVERIFY(!QFileInfo::exists(nowhere));
    }

    void rerunReplacesEverythingWithTheSameFiles()
    {
        const QMap<QString, QByteArray> before = hashTree(m_app);
        for (const QString &name : {QStringLiteral("/Korvel.mdb"), QStringLiteral("/books/") + demo::demoBookFiles().first()}) {
            QFile junk(m_app + name);
            QVERIFY(junk.open(QIODevice::WriteOnly | QIODevice::Truncate));
            junk.write("not a database");
        }
        QString error;
        QVERIFY2(demo::generateDemo(m_app, &error), qPrintable(error));
        QCOMPARE(hashTree(m_app), before);
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
