#include "db/Connection.h"
#include "demo/DemoData.h"
#include "tests/support/PutFile.h"

#include <QBuffer>
#include <QDirIterator>
#include <QImageReader>
#include <QMap>
#include <QSet>
#include <QtTest>

using namespace korvel;

namespace {

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

// Every file under root by its name there, with its bytes.
QMap<QString, QByteArray> contents(const QString &root)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        out.insert(f.fileName().mid(root.size()), f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("unreadable"));
    }
    return out;
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
        for (const QString &file : demo::demoBookFiles()) {
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
                QByteArray bytes = pages.at(i).at(1).toByteArray();
                QBuffer buffer(&bytes);
                QImageReader reader(&buffer); // by the bytes, not by a name
                const QByteArray format = reader.format();
                const QImage page = reader.read();
                QVERIFY2(!page.isNull(), qPrintable(QStringLiteral("%1 page %2").arg(file).arg(i)));
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
        // One tree under category 1, offering the books folder somewhere.
        const QString catalog = m_app + QStringLiteral("/Korvel.mdb");
        QMap<int, int> parentOf;
        QStringList folders;
        for (const QVariantList &c : rows(catalog, QStringLiteral("Select ClassID,RootClassID,DefaultPath From Class"))) {
            parentOf.insert(c.at(0).toInt(), c.at(1).toInt());
            folders << c.at(2).toString();
        }
        QVERIFY(parentOf.size() >= 4);
        QCOMPARE(parentOf.keys(0), QList<int>{1});
        QVERIFY(folders.contains(QDir(m_app).absolutePath() + QStringLiteral("/books/")));
        for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it)
            QVERIFY2(it.key() == 1 || parentOf.contains(it.value()), "every category hangs under an existing one");

        // Each book there is filed with what it says about itself; one record
        // names a book that is gone and one a program.
        int present = 0, gone = 0, exe = 0;
        const auto texts = [](const QVariantList &row) {
            QStringList out;
            for (const QVariant &v : row)
                out << (v.isNull() ? QString() : v.toString());
            return out;
        };
        for (const QVariantList &row : rows(catalog, QStringLiteral("Select lhhClassId,lhhType,lhhPath,lhhTitle,lhhDrawer,"
                                                                   "lhhPublisher,lhhPublishDate,sign From lhhInfo"))) {
            QVERIFY(parentOf.contains(row.at(0).toInt()));
            const QString path = row.at(2).toString();
            QVERIFY2(QFileInfo(path).isAbsolute(), qPrintable(path));
            if (row.at(1).toString() == QLatin1String("exe")) {
                QVERIFY(path.endsWith(QLatin1String(".exe")) && !QFileInfo::exists(path));
                ++exe;
            } else if (!QFileInfo::exists(path)) {
                ++gone;
            } else {
                const QVector<QVariantList> about = rows(path, kAboutBook);
                QCOMPARE(about.size(), 1);
                QCOMPARE(texts(row.mid(3)), texts(about.first()));
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
        const int w = splash.width() - 1, h = splash.height() - 1;
        for (const QPoint corner : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
            QCOMPARE(qAlpha(splash.pixel(corner)), 0);
        QCOMPARE(qAlpha(splash.pixel(w / 2, h / 2)), 255);

        QFile advert(m_app + QStringLiteral("/top.html"));
        QVERIFY(advert.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(advert.readAll());
        QVERIFY(html.contains(QStringLiteral("连环画阅读器")));
        QVERIFY2(!html.contains(QLatin1String("http")), "the offline page must not reach out");
    }

    void rerunsAndFailures()
    {
        // The same files, byte for byte, also over damaged ones.
        const QMap<QString, QByteArray> before = contents(m_app);
        QVERIFY(before.size() >= 6);
        for (const QString &name : {QStringLiteral("/Korvel.mdb"), QStringLiteral("/books/") + demo::demoBookFiles().first()})
            QVERIFY(test::putFile(m_app + name, "not a database"));
        QString error;
        QVERIFY2(demo::generateDemo(m_app, &error), qPrintable(error));
        const QMap<QString, QByteArray> after = contents(m_app);
        QCOMPARE(after.keys(), before.keys());
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QVERIFY2(after.value(it.key()) == it.value(), qPrintable(it.key()));

        // A folder that cannot be made is named.
        const QString blocker = m_dir.path() + QStringLiteral("/a file");
        QVERIFY(test::putFile(blocker));
        error.clear();
        QVERIFY(!demo::generateDemo(blocker + QStringLiteral("/app"), &error));
        QVERIFY2(error.contains(blocker), qPrintable(error));
    }

private:
    QTemporaryDir m_dir;
    QString m_app;
};

QTEST_MAIN(DemoDataTest)
#include "tst_demodata.moc"
