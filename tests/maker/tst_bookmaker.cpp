#include "book/BookFile.h"
#include "book/BookReader.h"
#include "db/Connection.h"
#include "maker/BookMaker.h"
#include "maker/MakerLayout.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(korvel::TwipsRect)

using namespace korvel;
using test::TestEnv;

namespace {

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

// Picture files p0 ... p(n-1), each of its own colour.
QStringList pictures(const TestEnv &env, int count, const char *format = "PNG", QSize size = {40, 60})
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << writeFile(env.path(QStringLiteral("p%1.%2").arg(i).arg(QString::fromLatin1(format).toLower())),
                         test::pictureBytes(size.width(), size.height(), format, QColor(10 * i, 100, 200)));
    return out;
}

bool waitForThumbnails(maker::BookMaker &m)
{
    if (m.pendingThumbnails() == 0)
        return true;
    QSignalSpy done(&m, &maker::BookMaker::thumbnailsFinished);
    return done.wait(20000);
}

QStringList numbers(const maker::BookMaker &m)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.index(r, maker::BookMaker::NumberColumn).data().toString();
    return out;
}

QStringList names(const maker::BookMaker &m)
{
    QStringList out;
    for (const QString &p : m.paths())
        out << QFileInfo(p).completeBaseName();
    return out;
}

struct StoredBook {
    book::BookMeta meta;
    QList<qint32> numbers;
    QList<QByteArray> images;
    bool ok = false;
};

StoredBook readBack(const QString &path)
{
    StoredBook b;
    db::Connection c;
    if (c.open(path, db::Access::ReadOnly))
        return b;
    b.meta = book::readBookMeta(c);
    QVector<qint32> numbers;
    if (book::readPageNumbers(c, &numbers))
        return b;
    for (qint32 n : numbers) {
        b.numbers << n;
        b.images << book::readPage(c, n).bytes;
    }
    b.ok = true;
    return b;
}

} // namespace

class BookMakerTest : public QObject {
    Q_OBJECT

private slots:
    // Sizes in twips, an area of 6000 x 4775: 6000 x 4000 left for the picture.
    void previewFitsAndCentres_data()
    {
        QTest::addColumn<float>("w");
        QTest::addColumn<float>("h");
        QTest::addColumn<TwipsRect>("box");
        QTest::newRow("small: natural size, centred") << 3000.f << 2000.f << TwipsRect{1500, 1387.5, 3000, 2000};
        QTest::newRow("wide: the area's width") << 12000.f << 4000.f << TwipsRect{0, 1387.5, 6000, 2000};
        QTest::newRow("one twip too tall") << 3000.f << 4001.f << TwipsRect{1500.375f, 387.5, 2999.25f, 4000};
        QTest::newRow("tall: height less 775") << 3000.f << 8000.f << TwipsRect{2250, 387.5, 1500, 4000};
    }
    void previewFitsAndCentres()
    {
        QFETCH(float, w);
        QFETCH(float, h);
        QFETCH(TwipsRect, box);
        const TwipsRect r = maker::previewBox(w, h, 6000, 4775);
        QVERIFY2(qAbs(r.left - box.left) < 0.01f && qAbs(r.top - box.top) < 0.01f
                     && qAbs(r.width - box.width) < 0.01f && qAbs(r.height - box.height) < 0.01f,
                 qPrintable(QStringLiteral("%1 %2 %3 %4").arg(r.left).arg(r.top).arg(r.width).arg(r.height)));
    }

    void insertsInFrontOfPosition_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("no current row: the top") << -1 << QStringList{"p3", "p4", "p0", "p1", "p2"};
        QTest::newRow("first row") << 0 << QStringList{"p3", "p4", "p0", "p1", "p2"};
        QTest::newRow("second row") << 1 << QStringList{"p0", "p3", "p4", "p1", "p2"};
        QTest::newRow("past the end: the top") << 3 << QStringList{"p3", "p4", "p0", "p1", "p2"};
    }
    void insertsInFrontOfPosition()
    {
        QFETCH(int, position);
        QFETCH(QStringList, order);
        TestEnv env;
        const QStringList files = pictures(env, 5);
        maker::BookMaker m;
        QVERIFY(m.insertPictures(-1, files.mid(0, 3)).isEmpty());
        QVERIFY(m.insertPictures(position, files.mid(3)).isEmpty());
        QCOMPARE(names(m), order);
        QCOMPARE(numbers(m), (QStringList{"1", "2", "3", "4", "5"}));
        QCOMPARE(m.index(1, maker::BookMaker::PathColumn).data().toString(), m.path(1));
        QVERIFY(waitForThumbnails(m));
    }

    void removesExactlyTheSelectedRows()
    {
        TestEnv env;
        maker::BookMaker m;
        m.insertPictures(-1, pictures(env, 6));
        m.removePages({4, 1, 2, 4});
        QCOMPARE(names(m), (QStringList{"p0", "p3", "p5"}));
        QCOMPARE(numbers(m), (QStringList{"1", "2", "3"}));
        m.removePages({0, 1, 2});
        QCOMPARE(m.rowCount(), 0);
        QVERIFY(waitForThumbnails(m));
    }

    void movesRowsAndRenumbers_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<int>("target");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<int>("start");
        QTest::newRow("down") << QList<int>{0} << 3 << QStringList{"p1", "p2", "p0", "p3", "p4"} << 2;
        QTest::newRow("to the end") << QList<int>{1, 3} << 5 << QStringList{"p0", "p2", "p4", "p1", "p3"} << 3;
        QTest::newRow("to the top") << QList<int>{2, 4} << 0 << QStringList{"p2", "p4", "p0", "p1", "p3"} << 0;
        QTest::newRow("onto itself") << QList<int>{2} << 2 << QStringList{"p0", "p1", "p2", "p3", "p4"} << 2;
    }
    void movesRowsAndRenumbers()
    {
        QFETCH(QList<int>, rows);
        QFETCH(int, target);
        QFETCH(QStringList, order);
        QFETCH(int, start);
        TestEnv env;
        maker::BookMaker m;
        m.insertPictures(-1, pictures(env, 5));
        QVERIFY(waitForThumbnails(m));
        QCOMPARE(m.movePages(rows, target), start);
        QCOMPARE(names(m), order);
        QCOMPARE(numbers(m), (QStringList{"1", "2", "3", "4", "5"}));
        // The small pictures go with their rows.
        for (int r = 0; r < m.rowCount(); ++r)
            QCOMPARE(m.thumbnail(r).pixelColor(30, 5).red(), 10 * order.at(r).mid(1).toInt());
    }

    void refusesFilesThatAreNotPictures()
    {
        TestEnv env;
        const QStringList good = pictures(env, 2, "JPG");
        QDir(env.path(QString())).mkdir("a folder.jpg");
        const QByteArray png = test::pictureBytes(50, 50, "PNG");
        const QStringList bad = {
            writeFile(env.path("empty.jpg"), {}),
            writeFile(env.path("text 'quoted'.gif"), "hello, not a picture"),
            env.path("a folder.jpg"),
            env.path("missing.bmp"),
            writeFile(env.path("zero.bmp"), QByteArray::fromHex("424d3a00000000000000360000002800000000000000"
                                                                "000000000100180000000000040000000000000000000000"
                                                                "00000000000000000000")),
        };
        const QString cut = writeFile(env.path("连环画 cut.png"), png.left(png.size() / 2));
        maker::BookMaker m;
        QSignalSpy finished(&m, &maker::BookMaker::thumbnailsFinished);
        const QStringList refused = m.insertPictures(-1, QStringList{good.at(0)} + bad + QStringList{cut, good.at(1)});
        QCOMPARE(refused, bad);
        QVERIFY(finished.wait(20000));
        // The cut file has a good header: it is only found out when decoded.
        QCOMPARE(finished.at(0).at(0).toStringList(), QStringList{cut});
        QCOMPARE(m.paths(), good);
        QCOMPARE(numbers(m), (QStringList{"1", "2"}));
    }

    void thumbnailsAreSmall()
    {
        TestEnv env;
        maker::BookMaker m;
        QSignalSpy progress(&m, &maker::BookMaker::thumbnailProgress);
        m.insertPictures(-1, pictures(env, 3, "JPG", {1600, 2400}) + pictures(env, 1, "PNG", {20, 10}));
        QVERIFY(waitForThumbnails(m));
        for (int r = 0; r < 3; ++r)
            QCOMPARE(m.thumbnail(r).size(), QSize(160, 240));
        // A small picture is not enlarged.
        QCOMPARE(m.thumbnail(3).size(), QSize(20, 10));
        QCOMPARE(progress.last(), (QList<QVariant>{4, 4}));
        QVERIFY(m.index(0, maker::BookMaker::PictureColumn).data(Qt::DecorationRole).canConvert<QImage>());
    }

    void savesPagesInListOrderWithBytesAsRead()
    {
        TestEnv env;
        const QStringList files = pictures(env, 2, "JPG") + pictures(env, 1, "BMP") + QStringList{writeFile(
            env.path("g.gif"), QByteArray::fromBase64("R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7"))};
        maker::BookMaker m;
        m.insertPictures(-1, files);
        m.movePages({3}, 0);
        book::BookMeta meta;
        meta.title = "O'Neil's \"book\"";
        meta.summary = "it's";
        meta.writer = "'";
        meta.sign = "''";
        meta.publisher = "出版社 'x'";
        meta.publishdate = "2009";
        meta.drawer = "a'b";
        meta.coverdrawer = "end'";
        const QString target = env.path("new 'book' 连环画.lhh");
        const auto outcome = m.save(env.appDir() + "/Korvel.tmp!", target, meta);
        QCOMPARE(outcome.kind, maker::BookMaker::SaveOutcome::Saved);
        const StoredBook b = readBack(target);
        QVERIFY(b.ok);
        QCOMPARE(b.numbers, (QList<qint32>{0, 1, 2, 3}));
        const QStringList order = m.paths();
        for (int i = 0; i < 4; ++i)
            QCOMPARE(b.images.at(i), test::fileBytes(order.at(i)));
        QVERIFY(b.meta.found);
        for (auto field : {&book::BookMeta::title, &book::BookMeta::summary, &book::BookMeta::writer,
                           &book::BookMeta::sign, &book::BookMeta::publisher, &book::BookMeta::publishdate,
                           &book::BookMeta::drawer, &book::BookMeta::coverdrawer})
            QCOMPARE(b.meta.*field, meta.*field);
        QVERIFY(waitForThumbnails(m));
    }

};

QTEST_GUILESS_MAIN(BookMakerTest)
#include "tst_bookmaker.moc"
