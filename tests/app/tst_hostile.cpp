// Book files made to hurt the reader, opened as a user would, from the
// command line: each ends in a message or a blank page within seconds, the
// window comes up, the memory stays low and read.tmp stays small.
#include "Harness.h"

#include <QElapsedTimer>
#include <QFileInfo>

using namespace korvel;
using namespace korvel::test;

namespace {
const QString kBooks = QStringLiteral("CREATE TABLE books (booknumber INTEGER, title TEXT)");
const QString kView = QStringLiteral("CREATE VIEW pages AS ");
} // namespace

class HostileTest : public QObject {
    Q_OBJECT

private slots:
    void openedFromTheCommandLine()
    {
        // Each schema and its message (empty: none, the page stays blank). Every
        // view is refused alike (the engine's tests hold the other kinds).
        const QList<std::pair<QStringList, QString>> cases = {
            {{kBooks, kView + "WITH RECURSIVE n(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM n) "
                              "SELECT x AS pagenumber, x'00' AS image FROM n"},
             QStringLiteral("连环画页面读取错误。")},
            {{kBooks,
              "CREATE TABLE pages (pagenumber INTEGER PRIMARY KEY, raw BLOB, "
              "image BLOB GENERATED ALWAYS AS (zeroblob(900000000 + raw)) VIRTUAL)",
              "INSERT INTO pages (pagenumber, raw) VALUES (0, 0), (1, 1)"},
             QString()}};
        for (const auto &[schema, message] : cases) {
            Harness h;
            const QString path = h.env.path(QStringLiteral("hostile.lhh"));
            QVERIFY(writeRawDatabase(path, schema));
            const QByteArray before = fileHash(path);
            resetPeak();
            const qint64 peakBefore = peakMegabytes();

            QElapsedTimer clock;
            clock.start();
            app::MainWindow &w = h.start({path});
            // A generous bound: what it guards against is a hang, not a slow machine.
            QVERIFY2(clock.elapsed() < 15000, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
            QVERIFY(w.isVisible());
            if (message.isEmpty()) {
                QVERIFY(h.messages.shown.isEmpty());
                // The damaged page shows nothing; the next one too, and nothing hangs.
                h.action("mnuNextPage")->trigger();
            } else {
                QCOMPARE(h.messages.shown.size(), 1);
                QCOMPARE(h.messages.shown[0].text, message);
                QVERIFY(!h.isOpen());
            }
            QVERIFY2(peakMegabytes() - peakBefore < 300, qPrintable(QStringLiteral("%1 MB more").arg(peakMegabytes() - peakBefore)));
            QVERIFY(QFileInfo(h.env.appDir() + "/read.tmp").size() <= 256 * 1024 * 1024);
            QCOMPARE(fileHash(path), before);
        }
    }
};

KORVEL_WINDOW_TEST_MAIN(HostileTest)

#include "tst_hostile.moc"
