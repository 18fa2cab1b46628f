// Reading a book as a person does: opening it from every place, paging by
// clicks, keys, menus and the page box, zooming, full view, auto-play,
// closing, and what happens with damaged and hostile books and pages; pages
// decoded ahead of their turn, and the keys after every way a book opens.
#include "Harness.h"

#include "app/library/CatalogPane.h"
#include "app/reading/PagePicture.h"
#include "platform/NativePath.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenuBar>
#include <QScopeGuard>
#include <QTimerEvent>
#include <QWheelEvent>

#include <unistd.h>

using namespace korvel;
using namespace korvel::test;

namespace {

const QString kClosedCaption = QStringLiteral("Korvel - 2009.4.10");

// One tick of a running timer, without waiting for it.
void tick(QTimer *timer)
{
    QVERIFY(timer->isActive());
    QTimerEvent event(timer->timerId());
    QCoreApplication::sendEvent(timer, &event);
}

// True when nothing holds the file: another connection can open it.
bool isReleased(const QString &path)
{
    db::Connection probe;
    return !probe.open(path, db::Access::ReadOnly);
}

const QString kBooks = QStringLiteral("CREATE TABLE books (booknumber INTEGER, title TEXT)");
const QString kView = QStringLiteral("CREATE VIEW pages AS ");

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

class ReadingTest : public QObject {
    Q_OBJECT

private slots:
    void openFromDialogAndClose()
    {
        Harness h;
        const QString first = h.book("first.lhh");
        const QString second = h.book("second.lhh", 5);
        app::MainWindow &w = h.start();
        // Cancelling changes nothing.
        h.action("mnuOpen")->trigger();
        QVERIFY(!h.isOpen());

        h.open(first);
        QVERIFY(h.isOpen());
        // The same book again: it is closed first, so it opens again.
        h.dialogs.names << first << second;
        h.action("mnuOpen")->trigger();
        QVERIFY(h.isOpen());
        QVERIFY(h.messages.shown.isEmpty());
        h.action("ToolbarButton3")->trigger();
        QCOMPARE(h.find<QComboBox>("Combo1")->count(), 5);
        QCOMPARE(h.recentPaths().mid(0, 3), (QStringList{second, first, book::kNoRecent}));

        // Every close: the book is released and the reader goes back to no book.
        const QList<std::function<void()>> closers = {
            [&] { h.action("ToolbarButton4")->trigger(); }, [&] { h.action("mnuClose")->trigger(); },
            [&] { h.action("mnuCloseIt")->trigger(); }, [&] { h.click("tzbClose"); }, [&] { h.click("tzbCloselhh"); }};
        for (const auto &close : closers) {
            h.open(first);
            QVERIFY(h.isOpen());
            close();
            QVERIFY(!h.isOpen() && !h.page()->isVisible() && h.reading()->isVisible());
            QVERIFY(!h.action("mnuClose")->isEnabled() && !h.action("ToolbarButton4")->isEnabled());
            QCOMPARE(w.windowTitle(), kClosedCaption);
            QVERIFY(isReleased(first));
        }
        // Closing the window releases an open book too.
        h.open(first);
        QVERIFY(!isReleased(first));
        w.close();
        QVERIFY(isReleased(first));
    }

    // A book named in GBK, as from a Windows disk: given by its bytes (the command
    // line) or as the file dialog reads it (each stray byte a U+FFFD), it opens,
    // its name reads as Chinese in the caption and the recent list, and the
    // recent list opens it again.
    void namesFromWindowsReadAndReopen()
    {
        Harness h;
        const QByteArray native = QFile::encodeName(h.env.path(QString())) + "\xc1\xac\xbb\xb7\xbb\xad.lhh";
        const QString made = h.book("made.lhh", 4);
        if (::rename(QFile::encodeName(made).constData(), native.constData()) != 0)
            QSKIP("the file system refuses the name");
        const auto cleanUp = qScopeGuard([&] { ::unlink(native.constData()); });
        const QString readable = h.env.path("连环画.lhh");
        app::MainWindow &w = h.start({platform::readablePath(native)});
        QVERIFY(h.isOpen());
        QCOMPARE(w.windowTitle(), kClosedCaption + " - " + readable);
        QCOMPARE(h.recentPaths().at(0), readable);
        h.action("mnuClose")->trigger();
        h.action("mnuRecent_0")->trigger();
        QVERIFY(h.isOpen());
        QCOMPARE(h.find<QComboBox>("Combo1")->count(), 4);
        h.action("mnuClose")->trigger();
        h.open(QFile::decodeName(native));
        QVERIFY(h.isOpen());
        QCOMPARE(w.windowTitle(), kClosedCaption + " - " + readable);
        QCOMPARE(h.recentPaths().mid(0, 2), (QStringList{readable, book::kNoRecent}));
        QVERIFY(h.messages.shown.isEmpty());
    }

    // Damaged, held, missing or empty books: one message each, the book that
    // was open closed first, nothing written and nothing left held.
    void refusedBooks()
    {
        Harness h;
        const QString good = h.book("good.lhh");
        const QString held = h.book("held.lhh", 2);
        db::Connection other;
        QVERIFY(!other.open(held, db::Access::ReadWrite));
        QDir().mkpath(h.env.path("folder.lhh"));
        app::MainWindow &w = h.start();
        for (const QString &path : {h.env.path("missing.lhh"), writeFile(h.env.path("junk.lhh"), QByteArray(5000, 'x')),
                                    held, h.env.path("folder.lhh")}) {
            const QByteArray before = fileHash(path);
            h.messages.shown.clear();
            h.open(good);
            QVERIFY(h.isOpen());
            h.open(path);
            QVERIFY2(h.messages.shown.size() == 1, qPrintable(path));
            QCOMPARE(h.messages.shown[0].text, kOpenFailed);
            QVERIFY(!h.isOpen() && !h.page()->isVisible());
            QCOMPARE(w.windowTitle(), kClosedCaption);
            QCOMPARE(h.recentPaths().at(0), good);
            QCOMPARE(fileHash(path), before);
        }

        // Without a pages table: the page view comes forward, with no page on it.
        const QString path = h.env.path("nopages.lhh");
        QVERIFY(!db::Connection::createFile(path, {"CREATE TABLE books (title TEXT)"}));
        h.click("tzbBottom_1");
        h.messages.shown.clear();
        h.open(path);
        QCOMPARE(h.messages.shown.size(), 1);
        QCOMPARE(h.messages.shown[0].text, QStringLiteral("连环画页面读取错误。"));
        QVERIFY(h.reading()->isVisible() && h.button("tzbBottom_0")->value());
        QVERIFY(!h.isOpen() && !h.page()->isVisible());
        QCOMPARE(h.recentPaths().at(0), good);
        QVERIFY(isReleased(path));
        // An empty book shows nothing and no message, and nothing keeps it held.
        const QString empty = h.env.path("empty.lhh");
        QVERIFY(makeBook(h.env.appDir(), empty, {}));
        h.open(empty);
        QCOMPARE(h.messages.shown.size(), 1);
        QVERIFY(!h.isOpen() && !h.action("mnuClose")->isEnabled());
        QVERIFY(isReleased(empty));
    }

    void recentMenuRules()
    {
        Harness h;
        const QString a = h.book("a.lhh");
        const QString gone = h.env.path("gone.lhh");
        const QString upper = h.env.path("upper.LHH");
        QFile::copy(a, upper);
        const QString exe = h.env.path("book.exe");
        const QString longPath = h.env.path("a long folder name/连环画 第二册.lhh");
        QDir().mkpath(QFileInfo(longPath).path());
        makeSimpleBook(h.env.appDir(), longPath, 2);
        const QStringList stored = {a, longPath, gone, upper, exe};
        for (int i = 0; i < 5; ++i)
            h.env.settings().setValue("frmMain", QStringLiteral("Recent%1").arg(i + 1), stored.at(i));
        app::MainWindow &w = h.start();

        // A path that is gone: the message, and it still moves to the top.
        h.action("mnuRecent_2")->trigger();
        QCOMPARE(h.messages.shown.size(), 1);
        QCOMPARE(h.recentPaths().mid(0, 4), (QStringList{gone, a, longPath, upper}));

        // Capital letters in the extension: nothing opens, but it moves up.
        h.action("mnuRecent_3")->trigger();
        QCOMPARE(h.messages.shown.size(), 1);
        QVERIFY(!h.isOpen());
        QCOMPARE(h.recentPaths().at(0), upper);

        // A real book opens with the page view's tab; an .exe book starts through
        // the desktop and leaves the open book alone.
        h.click("tzbBottom_1");
        h.action("mnuRecent_2")->trigger();
        QVERIFY(h.isOpen());
        QVERIFY(h.reading()->isVisible());
        QVERIFY(h.button("tzbBottom_0")->value() && !h.button("tzbBottom_1")->value());
        QCOMPARE(h.recentPaths().at(0), a);
        h.action("mnuRecent_4")->trigger();
        QCOMPARE(h.shell.opened, QList<QUrl>{QUrl::fromLocalFile(exe)});
        QVERIFY(h.isOpen());
        QCOMPARE(w.windowTitle(), kClosedCaption + " - " + a);
        QCOMPARE(book::readRecentTags(*h.env.reopenSettings()).at(0), exe);
    }

    // Every way of turning reaches the session (wrapping and gaps in the stored
    // numbers are the book logic's); the page box counts places. Damaged pages
    // keep the reader going.
    void everyWayOfTurning()
    {
        Harness h;
        const QString path = h.env.path("gaps.lhh");
        const QString readTmp = h.env.appDir() + "/read.tmp";
        QVERIFY(makeBook(h.env.appDir(), path,
                         {{3, pictureBytes(100, 100, "PNG", Qt::red)}, {9, pictureBytes(120, 90, "JPEG", Qt::blue)},
                          {7, pictureBytes(80, 60, "BMP", Qt::green)}, {11, QByteArray("not a picture")}, {12, std::nullopt}}));
        app::MainWindow &w = h.start({path});
        auto *box = h.find<QComboBox>("Combo1");
        const view::PageImage &shown = h.reading()->pageImage();
        h.action("mmnuLastPage")->trigger();
        QCOMPARE(box->currentText(), QStringLiteral("4"));
        h.action("mnuFirstPage")->trigger();
        QTest::keyClick(&w, Qt::Key_Left);
        QCOMPARE(h.position(), 4);
        h.click("tzbNext");
        h.click("tzbNext");
        h.click("tzbPro");
        QCOMPARE(h.position(), 0);
        box->setCurrentIndex(2);
        emit box->activated(2);
        QCOMPARE(h.position(), 2);
        QTRY_COMPARE(shown.naturalSize(), QSize(120, 90));
        QCOMPARE(fileBytes(readTmp), pictureBytes(120, 90, "JPEG", Qt::blue));
        // Not a picture: the previous picture stays. A null image: an empty
        // picture, and read.tmp keeps the last bytes.
        h.action("mnuNextPage")->trigger();
        QTRY_COMPARE(fileBytes(readTmp), QByteArray("not a picture"));
        QCOMPARE(shown.naturalSize(), QSize(120, 90));
        h.action("mnuNextPage")->trigger();
        QTRY_VERIFY(shown.isNull());
        QCOMPARE(fileBytes(readTmp), QByteArray("not a picture"));
        QVERIFY(h.messages.shown.isEmpty());
        // The next start opens the book where it was left, the page box showing it.
        box->setCurrentIndex(2);
        emit box->activated(2);
        h.start({path});
        QCOMPARE(h.find<QComboBox>("Combo1")->currentText(), QStringLiteral("2"));
        QCOMPARE(h.reading()->pageImage().naturalSize(), QSize(120, 90));
    }

    void clicksTooltipAndAutoPlay()
    {
        Harness h;
        // read.tmp cannot be written (a folder stands in its place): pages still show.
        QVERIFY(QDir().mkpath(h.env.appDir() + "/read.tmp"));
        app::MainWindow &w = h.start({h.book("clicks.lhh", 3, 200, 200)});
        QWidget *page = h.page();
        const int width = page->width();
        QCOMPARE(width, 200);
        QTest::mouseMove(page, QPoint(width / 2, 50));
        QTRY_COMPARE(page->toolTip(), QStringLiteral("翻到下一页，当前页是第 0 页"));
        QTest::mouseMove(page, QPoint(width / 2 - 1, 50));
        QTRY_COMPARE(page->toolTip(), QStringLiteral("翻到上一页，当前页是第 0 页"));
        // The exact middle turns forward.
        QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(width / 2, 50));
        QCOMPARE(h.position(), 1);
        QCOMPARE(h.reading()->pageImage().naturalSize(), QSize(200, 200));
        QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(10, 50));
        QCOMPARE(h.position(), 0);
        // A double click on the page itself asks for nothing.
        QTest::mouseDClick(page, Qt::LeftButton, {}, QPoint(10, 50));
        QVERIFY(h.dialogs.requests.isEmpty());
        // A right click opens the page menu.
        auto *menu = h.find<QMenu>("mnuTop_4");
        bool shown = false;
        QTimer::singleShot(50, menu, [&] {
            shown = menu->isVisible();
            menu->close();
        });
        QTest::mouseClick(page, Qt::RightButton, {}, QPoint(10, 50));
        QTRY_VERIFY(shown);
        QTRY_VERIFY(!menu->isVisible());

        // Auto-play.
        auto *timer = h.find<QTimer>("timAutoPlay");
        auto *seconds = h.find<QLineEdit>("Text2");
        QTest::keyClick(&w, Qt::Key_F11);
        QVERIFY(h.action("mnuAutoPlay")->isChecked() && h.button("tzbAutoPlay")->value());
        QVERIFY(seconds->isEnabled() && timer->isActive());
        // Only digits reach the seconds box (its rules are tested with the counter).
        seconds->setFocus();
        seconds->selectAll();
        QTest::keyClicks(seconds, "a2x");
        QCOMPARE(seconds->text(), QStringLiteral("2"));
        // Wraps from the last page to the first.
        h.action("mmnuLastPage")->trigger();
        tick(timer);
        tick(timer);
        QCOMPARE(h.position(), 0);
        // An empty box: still checked, but no ticks until a number is typed.
        seconds->clear();
        QVERIFY(h.action("mnuAutoPlay")->isChecked());
        QVERIFY(!timer->isActive());
        QTest::keyClicks(seconds, "1");
        tick(timer);
        QCOMPARE(h.position(), 1);

        // The menu entry and the button stop it; closing the book stops it too.
        h.action("mnuAutoPlay")->trigger();
        QVERIFY(!h.action("mnuAutoPlay")->isChecked() && !h.button("tzbAutoPlay")->value() && !timer->isActive());
        QVERIFY(!seconds->isEnabled());
        h.click("tzbAutoPlay");
        QVERIFY(h.action("mnuAutoPlay")->isChecked() && h.button("tzbAutoPlay")->value());
        h.action("mnuClose")->trigger();
        QVERIFY(!h.action("mnuAutoPlay")->isChecked() && !h.button("tzbAutoPlay")->value() && !timer->isActive());

        // Without a book nothing turns and auto-play does not start.
        const int position = h.position();
        for (const char *name : {"mnuNextPage", "mmnuLastPage", "mnuFirstPage", "mnuPrePage"})
            h.action(name)->trigger();
        QTest::keyClick(&w, Qt::Key_Right);
        h.click("tzbAutoPlay");
        QCOMPARE(h.position(), position);
        QVERIFY(!h.action("mnuAutoPlay")->isChecked() && !h.button("tzbAutoPlay")->value());
    }

    // A book named on the command line is opened before the window shows;
    // its first page is decoded then for the size it is shown at (here the
    // window's frame takes a few pixels at the show), and the next page waits
    // for the first to be drawn.
    void commandLineBookIsDecodedForItsShownSize()
    {
        Harness h;
        const QString big = h.book("big.lhh", 2, 1200, 2400);
        h.start({big}, false);
        const QSize early = h.reading()->pageImage().image().size();
        // The page after it is read ahead once the first is drawn, not before.
        QTest::qWait(100);
        QVERIFY(!h.reading()->prefetch().holds(1));
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        const QSize shown = app::PagePicture::innerSize(h.page()->size());
        QVERIFY2(qAbs(early.height() - shown.height()) <= 8,
                 qPrintable(QStringLiteral("%1 high, shown %2").arg(early.height()).arg(shown.height())));
        QTRY_VERIFY(h.reading()->prefetch().holds(1));
    }

    // While the window first draws itself, the worker decodes the page named
    // on the command line, and the page's first paint shows it. A first page
    // whose header reads but whose picture does not is laid out, once that
    // is known, as it is when the same book is opened later.
    void commandLineBookIsDecodedWhileTheWindowDraws()
    {
        Harness h;
        QVERIFY(makeBook(h.env.appDir(), h.env.path("blue.lhh"), {{0, pictureBytes(300, 400, "PNG", Qt::blue)}}));
        h.start({h.env.path("blue.lhh")}, false);
        QTRY_COMPARE(h.reading()->prefetch().workerDecodes(), 1);
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        const QImage drawn = h.page()->grab().toImage();
        // Off the picture's black diagonal.
        QCOMPARE(drawn.pixelColor(drawn.width() * 3 / 4, drawn.height() / 4), QColor(Qt::blue));

        QByteArray broken = pictureBytes(300, 400, "PNG", Qt::blue);
        broken.truncate(80);
        QVERIFY(makeBook(h.env.appDir(), h.env.path("broken.lhh"), {{0, broken}}));
        h.start({h.env.path("broken.lhh")});
        QTRY_VERIFY(h.reading()->pageBox().width < 1);
        const view::PageBox afterShow = h.reading()->pageBox();
        QVERIFY(h.window->openFromCommandLine(h.env.path("broken.lhh")));
        QCOMPARE(h.reading()->pageBox().width, afterShow.width);
        QCOMPARE(h.reading()->pageBox().height, afterShow.height);
        QCOMPARE(h.reading()->pageBox().left, afterShow.left);
        QVERIFY(h.messages.shown.isEmpty());
    }

    void firstPageZeroIsFittedOnceDespiteTheLock()
    {
        Harness h;
        const QString big = h.book("big.lhh", 2, 1200, 2400);
        h.start();
        app::ReadingPane *pane = h.reading();
        h.click("tzbLock");
        QVERIFY(h.button("tzbLock")->value());
        h.open(big);
        // The first showing of page 0 in a run is fitted whatever the lock says...
        const float fitted = pane->height() * 15.f - 775.f;
        QCOMPARE(pane->pageBox().height, fitted);
        for (int i = 0; i < 5; ++i)
            h.action("mnuNarrow")->trigger();
        const QSize zoomed = h.page()->size();
        // ...and only the first: later showings keep the locked size.
        h.action("mnuNextPage")->trigger();
        h.action("mnuPrePage")->trigger();
        QCOMPARE(h.page()->size(), zoomed);
        h.open(big);
        QVERIFY(pane->pageBox().height < fitted);
        // A resize refits, lock or not.
        h.window->resize(h.window->width() + 40, h.window->height() + 40);
        QTRY_COMPARE(pane->pageBox().height, pane->height() * 15.f - 775.f);
    }

    void pageKeysLeaveTheTreeAndTabsFollowThePane()
    {
        Harness h;
        const QString path = h.book("tree.lhh", 4);
        h.env.settings().setValue("frmMain", "Recent1", path);
        // A category under the root: Right on the tree would go down to it.
        QVERIFY(!db::Connection::createFile(
            h.env.appDir() + "/Korvel.mdb",
            catalog::catalogSchema("连环画")
                << "Insert Into Class (ClassID,RootClassID,ClassName,DefaultPath) Values (3,1,'古典','')"));
        h.startActive();
        h.action("mnuRecent_0")->trigger();
        // Right on the tree turns the page and nothing else.
        auto *tree = h.find<QTreeWidget>("tvTreeView");
        tree->expandAll();
        tree->setFocus();
        QTreeWidgetItem *selected = tree->currentItem();
        QTest::keyClick(tree, Qt::Key_Right);
        QCOMPARE(h.position(), 1);
        QCOMPARE(tree->currentItem(), selected);
        QVERIFY(h.reading()->isVisible() && h.page()->isVisible());
        QVERIFY(h.button("tzbBottom_0")->value());
        // Other keys on the tree still move its selection and show the category.
        QTest::keyClick(tree, Qt::Key_Down);
        QVERIFY(tree->currentItem() != selected);
        QVERIFY(h.find("lsvListView")->isVisible() && h.button("tzbBottom_1")->value());
    }

    void viewerKeysWheelFullViewAndFullScreen()
    {
        Harness h;
        app::MainWindow &w = h.startActive({h.book("keys.lhh", 5)});
        QTest::keyClick(&w, Qt::Key_End);
        QTest::keyClick(&w, Qt::Key_Home);
        QTest::keyClick(&w, Qt::Key_PageDown);
        QTest::keyClick(&w, Qt::Key_Space);
        QTest::keyClick(&w, Qt::Key_PageUp);
        QCOMPARE(h.position(), 1);
        // On a focused page-toolbar button the page keys work and Space stays the button's.
        widgets::StyledButton *lock = h.button("tzbLock");
        lock->setFocus();
        QTest::keyClick(lock, Qt::Key_End);
        QCOMPARE(h.position(), 4);
        QTest::keyClick(lock, Qt::Key_Space);
        QCOMPARE(h.position(), 4);
        QVERIFY(lock->value());
        // The focus is seen, and Tab goes left to right as the toolbar stands
        // (the seconds box is off while auto-play is).
        widgets::StyledButton *autoPlay = h.button("tzbAutoPlay");
        h.button("tzbPro")->setFocus();
        const QImage unfocused = autoPlay->grab().toImage();
        autoPlay->setFocus();
        QVERIFY(autoPlay->hasFocus());
        QVERIFY(autoPlay->grab().toImage() != unfocused);
        QStringList order;
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, (QStringList{"tzbLock", "tzbSave", "tzbCloselhh"}));
        autoPlay->setFocus();
        QTest::keyClick(autoPlay, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Combo1"));

        // The wheel over the page: a notch down turns forward, up turns back.
        auto wheel = [&](int dy) {
            QWidget *pane = h.reading();
            const QPointF at = h.page()->geometry().center();
            QWheelEvent e(at, pane->mapToGlobal(at), QPoint(), QPoint(0, dy), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
            QApplication::sendEvent(pane, &e);
        };
        wheel(-120);
        QCOMPARE(h.position(), 0);
        wheel(120);
        QCOMPARE(h.position(), 4);
        wheel(-120 * 50); // one event turns one page at most
        QCOMPARE(h.position(), 0);

        // Full view: the page pane over the window but the bottom bar, through a
        // resize; leaving it returns to the frame of the new layout. Escape leaves it too.
        app::ReadingPane *pane = h.reading();
        const QRect normal = pane->geometry();
        const auto fullView = [&] {
            return QRect(0, 0, w.centralWidget()->width(), w.centralWidget()->height() - h.find("picBottom")->height());
        };
        h.click("tzbMax");
        QVERIFY(pane->isFullView());
        QCOMPARE(h.button("tzbMax")->caption(), QStringLiteral("2"));
        QCOMPARE(pane->geometry(), fullView());
        w.resize(w.width() + 60, w.height() + 30);
        QTRY_COMPARE(pane->geometry(), fullView());
        h.click("tzbMax");
        QVERIFY(!pane->isFullView());
        QCOMPARE(pane->geometry(), QRect(normal.topLeft(), normal.size() + QSize(60, 30)));
        h.click("tzbMax");
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!pane->isFullView());

        // Full screen: the page alone on the screen; Escape comes back.
        const QRect before = w.frameGeometry();
        QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(w.windowState() & Qt::WindowFullScreen);
        QVERIFY(!w.menuBar()->isVisible() && !h.find("picBottom")->isVisible());
        QTRY_COMPARE(h.reading()->geometry(), w.centralWidget()->rect());
        QTest::keyClick(&w, Qt::Key_Left); // the design's keys do what they did
        QCOMPARE(h.position(), 4);
        QTest::keyClick(&w, Qt::Key_Escape);
        QTRY_VERIFY(!(w.windowState() & Qt::WindowFullScreen));
        QVERIFY(w.menuBar()->isVisible() && h.find("picBottom")->isVisible());
        QTRY_COMPARE(w.frameGeometry(), before);
        // F too; closing the book leaves full screen, and without a book F does nothing.
        QTest::keyClick(&w, Qt::Key_F);
        QTRY_VERIFY(w.windowState() & Qt::WindowFullScreen);
        h.click("tzbCloselhh");
        QTRY_VERIFY(!(w.windowState() & Qt::WindowFullScreen));
        QTest::keyClick(&w, Qt::Key_F);
        QVERIFY(!(w.windowState() & Qt::WindowFullScreen));
        // Closing from the page view leaves full view.
        const QString again = h.book("again.lhh", 2);
        h.open(again);
        h.click("tzbMax");
        h.click("tzbClose");
        QVERIFY(!pane->isFullView() && !h.isOpen());
        QCOMPARE(h.button("tzbMax")->caption(), QStringLiteral("1"));
        // Closed in full screen, the window keeps its place from before.
        h.open(again);
        QTest::keyClick(&w, Qt::Key_F);
        QTRY_VERIFY(w.windowState() & Qt::WindowFullScreen);
        w.close();
        QCOMPARE(h.stored("frmMain", "Width"), QString::number(before.width() * 15));
        QCOMPARE(h.stored("frmMain", "Left"), QStringLiteral("100"));
        QCOMPARE(h.stored("frmMain", "WindowState"), QStringLiteral("0"));
    }

    // Book files made to hurt the reader, opened from the command line: each
    // ends in a message or a blank page within seconds, the window comes up,
    // the memory stays low and read.tmp stays small.
    void hostileBooksFromTheCommandLine()
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
        QTRY_VERIFY(near(shownColour(h), Qt::darkBlue));
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

KORVEL_WINDOW_TEST_MAIN(ReadingTest)

#include "tst_reading.moc"
