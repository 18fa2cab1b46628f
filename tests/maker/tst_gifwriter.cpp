#include "maker/GifWriter.h"

#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvel;

namespace {

bool near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) < 24 && qAbs(qGreen(a) - qGreen(b)) < 24 && qAbs(qBlue(a) - qBlue(b)) < 24;
}

} // namespace

class GifWriterTest : public QObject {
    Q_OBJECT

private slots:
    void writtenGifReadsBackWithCloseColours()
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
        const maker::GifResult written = maker::writeGif(source, path);
        QVERIFY2(written.ok, qPrintable(written.error));
        QImageReader reader(path);
        QCOMPARE(reader.format(), QByteArray("gif"));
        QCOMPARE(reader.size(), QSize(123, 45));
        const QImage back = reader.read();
        QVERIFY(near(back.pixel(30, 30), qRgb(200, 30, 30)));
        QVERIFY(near(back.pixel(100, 30), qRgb(20, 40, 210)));
        QVERIFY2(near(back.pixel(2, 2), qRgb(255, 255, 255)), "transparency is laid on white");

        // Far more than 256 colours, written over the first file, still come back close on average.
        QImage gradient(256, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 256; ++x)
                gradient.setPixel(x, y, qRgb(x, 255 - x, y * 4));
        QVERIFY(maker::writeGif(gradient, path));
        const QImage reread = QImage(path).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(reread.size(), gradient.size());
        qint64 error = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 256; ++x) {
                const QRgb a = gradient.pixel(x, y), b = reread.pixel(x, y);
                error += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
            }
        QVERIFY2(error / (256 * 64 * 3) < 10, qPrintable(QString::number(error / (256 * 64 * 3))));
    }

    void failureIsReportedAndLeavesNoFile()
    {
        QImage source(40, 30, QImage::Format_RGB32);
        source.fill(Qt::darkGreen);
        const QString nowhere = m_dir.path() + QStringLiteral("/no such folder/x.gif");
        const maker::GifResult r = maker::writeGif(source, nowhere);
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(QStringLiteral("x.gif")), qPrintable(r.error));
        QVERIFY(!QFileInfo::exists(nowhere));

        const QString empty = m_dir.path() + QStringLiteral("/empty.gif");
        const maker::GifResult none = maker::writeGif(QImage(), empty);
        QVERIFY(!none.ok);
        QVERIFY(!none.error.isEmpty());
        QVERIFY(!QFileInfo::exists(empty));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(GifWriterTest)
#include "tst_gifwriter.moc"
