// Pages decoded ahead of their turn, books dropped on the window, and
// folders and comic archives taken by the book maker.
#include "Harness.h"

#include "app/library/CatalogPane.h"
#include "app/maker/BookMakerWindow.h"
#include "app/reading/PagePicture.h"
#include "tests/archive/ArchiveMaker.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTableView>
#include <QUrl>

using namespace korvel;
using namespace korvel::test;

namespace {

const QList<QColor> kColours = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta};

// A book whose every page is one plain colour, so the page on screen tells
// which page it is.
QString colouredBook(Harness &h, const QString &name, int pages, QList<QColor> colours = kColours)
{
    QList<TestPage> list;
    for (int i = 0; i < pages; ++i) {
        QImage image(600, 900, QImage::Format_RGB32);
        image.fill(colours.at(i % colours.size()));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG");
        list.append({qint32(i), bytes});
    }
    const QString path = h.env.path(name);
    return makeBook(h.env.appDir(), path, list) ? path : QString();
}

QColor shownColour(const Harness &h)
{
    const QImage &image = h.reading()->pageImage().image();
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

bool near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40
        && std::abs(a.blue() - b.blue()) < 40;
}

// A drop from another program: the enter (accepted or not), then the drop when it was.
bool drop(QWidget *target, const QList<QUrl> &urls, QPoint at = QPoint(5, 5))
{
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

QStringList pageFiles(QTableView *list)
{
    QStringList out;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        out << list->model()->index(r, 2).data().toString();
    return out;
}

} // namespace

class TurnsAndDropsTest : public QObject {
    Q_OBJECT
private slots:
    void prefetchedTurnsShowTheRightPage();
    void queuedTurnsCollapseAndPaintFirst();
    void keysTurnThePageAfterEveryOpen();
    void makerTakesFoldersAndArchives();
};

void TurnsAndDropsTest::prefetchedTurnsShowTheRightPage()
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

void TurnsAndDropsTest::queuedTurnsCollapseAndPaintFirst()
{
    Harness h;
    const QString path = colouredBook(h, "burst.lhh", 5);
    h.start({path});
    const QString readTmp = h.env.appDir() + "/read.tmp";
    const view::PagePrefetch &prefetch = h.reading()->prefetch();
    QTRY_VERIFY(prefetch.holds(1));
    prefetch.waitForIdle();

    // The page is decoded for the area inside its border and drawn as it is.
    const QSize inner = app::PagePicture::innerSize(h.page()->size());
    const QSize decoded = h.reading()->pageImage().image().size();
    QVERIFY2(decoded.width() - inner.width() >= 0 && decoded.width() - inner.width() <= 1
                 && decoded.height() - inner.height() >= 0 && decoded.height() - inner.height() <= 1,
             qPrintable(QString("decoded %1x%2 for %3x%4").arg(decoded.width()).arg(decoded.height())
                            .arg(inner.width()).arg(inner.height())));

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

void TurnsAndDropsTest::keysTurnThePageAfterEveryOpen()
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
    auto turnsByKey = [&] {
        QWidget *focus = h.window->focusWidget();
        if (!h.isOpen() || !focus)
            return false;
        const int before = h.position();
        QTest::keyClick(focus, Qt::Key_Right);
        return h.position() == (before + 1) % 5;
    };
    auto elsewhere = [&] {
        h.session->close();
        h.find("txtSearch")->setFocus();
    };
    h.start({path});
    QVERIFY2(turnsByKey(), "command line");
    elsewhere();
    h.dialogs.names = {path};
    h.action("mnuOpen")->trigger();
    QVERIFY2(turnsByKey(), "open dialog");
    elsewhere();
    h.action("mnuRecent_0")->trigger();
    QVERIFY2(turnsByKey(), "recent list");
    elsewhere();
    emit h.find<app::CatalogPane>("catalogPane")->bookWanted(path);
    QVERIFY2(turnsByKey(), "catalog");
    elsewhere();
    QVERIFY(drop(h.reading(), {QUrl::fromLocalFile(path)}));
    QVERIFY2(turnsByKey(), "drop");
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

void TurnsAndDropsTest::makerTakesFoldersAndArchives()
{
    Harness h;
    h.start();
    h.action("mnuNew")->trigger();
    app::BookMakerWindow *maker = windows<app::BookMakerWindow>().value(0);
    QVERIFY(maker);
    auto *list = maker->findChild<QTableView *>("VSFlexGrid1");
    // Damaged or empty archives and folders: named in one message, nothing added.
    writeFile(h.env.path("damaged.cbz"), QByteArray(800, 'k'));
    QVERIFY(writeArchive(h.env.path("text.cb7"), "7zip", {{"a.txt", "words", 0}}));
    QVERIFY(QDir().mkpath(h.env.path("empty")));
    QVERIFY(drop(list->viewport(), {QUrl::fromLocalFile(h.env.path("damaged.cbz")),
                                    QUrl::fromLocalFile(h.env.path("text.cb7")),
                                    QUrl::fromLocalFile(h.env.path("empty"))}));
    QCOMPARE(list->model()->rowCount(), 0);
    QCOMPARE(h.messages.shown.size(), 1);
    QCOMPARE(h.messages.shown.last().title, QStringLiteral("错误"));
    const QString text = h.messages.shown.last().text;
    QVERIFY(text.contains(QStringLiteral("压缩包已损坏或不是漫画压缩包：") + h.env.path("damaged.cbz")));
    QVERIFY(text.contains(QStringLiteral("压缩包里没有图片：") + h.env.path("text.cb7")));
    QVERIFY(text.contains(QStringLiteral("文件夹里没有图片：") + h.env.path("empty")));
    h.messages.shown.clear();

    const QString scans = h.env.path("scans");
    QVERIFY(QDir().mkpath(scans));
    for (const char *name : {"p10.png", "p9.png", "p1.png", "readme.txt"})
        writeFile(scans + "/" + name, QByteArray(name).endsWith(".png") ? pictureBytes(30, 40, "PNG") : QByteArray("x"));
    // A folder dropped on the empty list: its pictures in natural order.
    QVERIFY(drop(list->viewport(), {QUrl::fromLocalFile(scans)}));
    QCOMPARE(pageFiles(list), (QStringList{scans + "/p1.png", scans + "/p9.png", scans + "/p10.png"}));

    // An archive dropped below the last row: its pages at the end, unpacked where they live on.
    const QByteArray a = pictureBytes(20, 20, "JPEG"), b = pictureBytes(20, 20, "PNG");
    QVERIFY(writeArchive(h.env.path("c.cbz"), "zip", {{"x/2.png", b, 0}, {"../evil.jpg", a, 0}, {"x/1.jpg", a, 0}}));
    QVERIFY(drop(list->viewport(), {QUrl::fromLocalFile(h.env.path("c.cbz"))}, QPoint(5, list->viewport()->height() - 2)));
    const QStringList files = pageFiles(list);
    QCOMPARE(files.size(), 5);
    QCOMPARE(files.mid(0, 3), (QStringList{scans + "/p1.png", scans + "/p9.png", scans + "/p10.png"}));
    QCOMPARE(fileBytes(files.at(3)), a);
    QCOMPARE(fileBytes(files.at(4)), b);

    // The picture dialog takes archives as well.
    h.dialogs.names << h.env.path("c.cbz");
    maker->findChild<QAction *>("ToolbarButton5")->trigger();
    QCOMPARE(pageFiles(list).size(), 7);
    QVERIFY(h.messages.shown.isEmpty());

    // The unpacked pages go with the maker.
    maker->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTRY_VERIFY(!QFileInfo::exists(files.at(3)));
}

KORVEL_WINDOW_TEST_MAIN(TurnsAndDropsTest)

#include "tst_turnsanddrops.moc"
