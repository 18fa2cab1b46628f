// Pages decoded ahead of their turn, and the keys after every way a book
// opens, books dropped on the window among them.
#include "Harness.h"

#include "app/library/CatalogPane.h"
#include "app/reading/PagePicture.h"

using namespace korvel;
using namespace korvel::test;

namespace {

const QList<QColor> kColours = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta};

// A book whose every page is one plain colour, so the page on screen tells
// which page it is.
QString colouredBook(Harness &h, const QString &name, int pages, QList<QColor> colours = kColours)
{
    QList<TestPage> list;
    for (int i = 0; i < pages; ++i)
        list.append({qint32(i), pictureBytes(600, 900, "JPEG", colours.at(i % colours.size()))});
    const QString path = h.env.path(name);
    return makeBook(h.env.appDir(), path, list) ? path : QString();
}

// The colour beside the picture's diagonal line.
QColor shownColour(const Harness &h)
{
    const QImage &image = h.reading()->pageImage().image();
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 4, image.height() * 3 / 4);
}

bool near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40
        && std::abs(a.blue() - b.blue()) < 40;
}

} // namespace

class TurnsAndDropsTest : public QObject {
    Q_OBJECT
private slots:
    void prefetchedTurnsShowTheRightPage()
    {
        Harness h;
        const QString path = colouredBook(h, "colours.lhh", 5);
        h.start({path});
        const view::PagePrefetch &prefetch = h.reading()->prefetch();
        QTRY_VERIFY(prefetch.holds(1));
        prefetch.waitForIdle();
        const int decodedAhead = prefetch.workerDecodes();
        QVERIFY(decodedAhead >= 1);

        // Forward: each page is the one asked for, with read.tmp and the box as
        // ever. The next page is decoded ahead once the turn is drawn.
        for (int position : {1, 2, 3, 4, 0}) {
            QTRY_VERIFY(prefetch.holds(position));
            prefetch.waitForIdle();
            h.action("mnuNextPage")->trigger();
            QCOMPARE(h.position(), position);
            QVERIFY(near(shownColour(h), kColours.at(position)));
            QCOMPARE(fileBytes(h.env.appDir() + "/read.tmp"), h.session->readPageBytes(position).value());
            QCOMPARE(h.find<QComboBox>("Combo1")->currentIndex(), position);
        }
        QVERIFY(prefetch.workerDecodes() > decodedAhead);
        // Backward: the previous page is decoded ahead as well.
        h.action("mnuPrePage")->trigger();
        QTRY_VERIFY(near(shownColour(h), kColours.at(4)));
        QTRY_VERIFY(prefetch.holds(3));

        // Closing lets every page go; another book's pages have the same
        // numbers, never the same pictures.
        h.action("mnuCloseIt")->trigger();
        QCOMPARE(prefetch.held(), 0);
        QVERIFY(h.window->openFromCommandLine(path));
        prefetch.waitForIdle();
        h.dialogs.names << colouredBook(h, "b.lhh", 3, {Qt::cyan, Qt::darkBlue, Qt::white});
        h.action("mnuOpen")->trigger();
        QVERIFY(near(shownColour(h), Qt::cyan));
        h.action("mnuNextPage")->trigger();
        QVERIFY(near(shownColour(h), Qt::darkBlue));
    }

    void queuedTurnsCollapseAndPaintFirst()
    {
        Harness h;
        const QString path = colouredBook(h, "burst.lhh", 5);
        h.start({path});
        const QString readTmp = h.env.appDir() + "/read.tmp";
        const view::PagePrefetch &prefetch = h.reading()->prefetch();
        QTRY_VERIFY(prefetch.holds(1));
        prefetch.waitForIdle();

        // The page is decoded for the area inside its border and drawn as it is.
        const QSize over = h.reading()->pageImage().image().size() - app::PagePicture::innerSize(h.page()->size());
        QVERIFY2(over.width() >= 0 && over.width() <= 1 && over.height() >= 0 && over.height() <= 1,
                 qPrintable(QString("%1 x %2 over").arg(over.width()).arg(over.height())));

        // A turn is painted before the page after it is read ahead.
        bool aheadAtPaint = true;
        QObject spy;
        QObject::connect(qobject_cast<app::PagePicture *>(h.page()), &app::PagePicture::painted, &spy,
                         [&] { aheadAtPaint = prefetch.holds(2); });
        h.action("mnuNextPage")->trigger();
        QTRY_VERIFY(prefetch.holds(2));
        QVERIFY(!aheadAtPaint);
        prefetch.waitForIdle();
        QTest::qWait(20);

        // Twelve keys before the screen catches up: the page they lead to is the
        // one more page read; read.tmp holds the page on screen all along.
        const int shown = h.reading()->pagesShown();
        for (int i = 0; i < 12; ++i)
            QVERIFY(h.reading()->handleKey(0x27));
        QCOMPARE(h.position(), (1 + 12) % 5);
        QCOMPARE(h.reading()->pagesShown(), shown + 1);
        QVERIFY(near(shownColour(h), kColours.at(2)));
        QCOMPARE(fileBytes(readTmp), h.session->readPageBytes(2).value());
        QTRY_VERIFY(near(shownColour(h), kColours.at(3)));
        QCOMPARE(fileBytes(readTmp), h.session->readPageBytes(3).value());
        QVERIFY2(h.reading()->pagesShown() - shown <= 2, qPrintable(QString::number(h.reading()->pagesShown() - shown)));
    }

    void keysTurnThePageAfterEveryOpen()
    {
        Harness h;
        const QString path = colouredBook(h, "keys.lhh", 5);
        // Without a book the keys start on the tree, not in the search box.
        h.start();
        QCOMPARE(h.window->focusWidget(), h.find("tvTreeView"));
        // Drops from another program: pictures, several books and addresses are
        // refused before they land, and a damaged book is told.
        const QString upper = h.book("书 O'Neil.LHH", 3);
        const QString damaged = writeFile(h.env.path("damaged.lhh"), "not a book");
        const QList<QList<QUrl>> refused = {{QUrl::fromLocalFile(h.env.path("p.png"))},
                                            {QUrl::fromLocalFile(upper), QUrl::fromLocalFile(path)},
                                            {QUrl("http://127.0.0.1:9/x.lhh")}};
        for (const QList<QUrl> &urls : refused)
            QVERIFY(!drop(h.reading(), urls));
        QVERIFY(h.messages.shown.isEmpty() && !h.isOpen());
        QVERIFY(drop(h.reading(), {QUrl::fromLocalFile(damaged)}));
        QCOMPARE(h.messages.shown.size(), 1);
        QCOMPARE(h.messages.shown.last().text, kOpenFailed);
        QVERIFY(!h.isOpen() && !h.recentPaths().contains(damaged));
        // Each way of opening a book leaves the keys turning its pages.
        const QList<std::pair<const char *, std::function<void()>>> opens = {
            {"command line", [&] { h.start({path}); }},
            {"open dialog", [&] { h.open(path); }},
            {"recent list", [&] { h.action("mnuRecent_0")->trigger(); }},
            {"catalog", [&] { emit h.find<app::CatalogPane>("catalogPane")->bookWanted(path); }},
            {"drop", [&] { QVERIFY(drop(h.reading(), {QUrl::fromLocalFile(path)})); }}};
        for (const auto &[way, open] : opens) {
            h.session->close();
            h.find("txtSearch")->setFocus();
            open();
            QWidget *focus = h.window->focusWidget();
            QVERIFY2(h.isOpen() && focus, way);
            const int before = h.position();
            QTest::keyClick(focus, Qt::Key_Right);
            QVERIFY2(h.position() == (before + 1) % 5, way);
        }
        // The search box still types.
        QTest::keyClicks(h.find("txtSearch"), "x");
        QVERIFY(qobject_cast<QLineEdit *>(h.find("txtSearch"))->text().contains("x"));
        // A book dropped opens under the path it was given, capitals and all.
        QVERIFY(drop(h.reading(), {QUrl::fromLocalFile(upper)}));
        QCOMPARE(h.session->path(), upper);
        QCOMPARE(h.recentPaths().at(0), upper);
        QVERIFY(h.page()->isVisible());
        QCOMPARE(h.messages.shown.size(), 1);
    }
};

KORVEL_WINDOW_TEST_MAIN(TurnsAndDropsTest)

#include "tst_turnsanddrops.moc"
