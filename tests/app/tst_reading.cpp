// Reading a book as a person does: opening it from every place, paging by
// clicks, keys, menus and the page box, zooming, full view, auto-play,
// closing, and what happens with damaged books and pages.
#include "Harness.h"

#include "book/RecentList.h"
#include "widgets/TzButton.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

using namespace korvel;
using namespace korvel::test;

class ReadingTest : public QObject {
    Q_OBJECT

private slots:
    void commandLineOpens_data();
    void commandLineOpens();
    void badCommandLineShowsMessageAndLibrary();
    void openFromDialogAndClose();
    void damagedOrHeldBooksAreRefused_data();
    void damagedOrHeldBooksAreRefused();
    void bookWithoutPagesTable();
    void recentMenuRules();
    void navigationWrapsEverywhere();
    void pageBoxWithStoredNumberGaps();
    void halfPageClicksPointerAndTooltip();
    void nothingWorksWithoutABook();
    void fitZoomAndLock();
    void firstPageZeroIsFittedOnceDespiteTheLock();
    void fullViewFollowsTheWindow();
    void autoPlay();
    void badPagesKeepTheReaderGoing();
    void unwritableReadTmpStillShowsPages();
};

static QString tooLongForMenu(const Harness &h)
{
    return h.env.path(QStringLiteral("a long folder name/连环画 第二册.lhh"));
}

void ReadingTest::commandLineOpens_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("quoted");
    QTest::newRow("blanks, unquoted") << "my books/三国 演义.lhh" << false;
    QTest::newRow("blanks, quoted") << "my books/三国 演义.lhh" << true;
    QTest::newRow("single quote in name") << "O'Neil's book.lhh" << false;
}

void ReadingTest::commandLineOpens()
{
    QFETCH(QString, name);
    QFETCH(bool, quoted);
    Harness h;
    QDir().mkpath(h.env.path("my books"));
    const QString path = h.book(name, 4);
    // The desktop passes a path with blanks as separate words; joined again they open.
    QStringList args = quoted ? QStringList{"\"" + path + "\""} : path.split(' ');
    app::FrmMain &w = h.start(args);
    QVERIFY(h.messages.shown.isEmpty());
    QVERIFY(w.isBookOpen());
    QCOMPARE(w.windowTitle(), "Korvel - 2009.4.10 - " + path);
    QCOMPARE(w.Combo1->count(), 4);
    QVERIFY(w.mnuClose->isEnabled() && w.ToolbarButtons[4]->isEnabled());
    QCOMPARE(w.mnuRecentTag[0], path);
    QVERIFY(w.mnuRecent[0]->isEnabled());
    QCOMPARE(fileBytes(h.env.appDir() + "/read.tmp"), w.reader().ExtractPage(0).bytes);
}

void ReadingTest::badCommandLineShowsMessageAndLibrary()
{
    Harness h;
    const QString path = h.book("two.lhh");
    app::FrmMain &w = h.start({path, path});
    QCOMPARE(h.messages.shown.size(), 1);
    QCOMPARE(h.messages.shown[0].title, QStringLiteral("错误"));
    QCOMPARE(h.messages.shown[0].text, QStringLiteral("文件损坏或不是连环画文件或已经打开，请重新选择。"));
    QVERIFY(!w.isBookOpen());
    QCOMPARE(w.windowTitle(), QStringLiteral("Korvel - 2009.4.10"));
    QVERIFY(!w.mnuRecent[0]->isEnabled());
}

void ReadingTest::openFromDialogAndClose()
{
    Harness h;
    const QString first = h.book("first.lhh");
    const QString second = h.book("second.lhh", 5);
    app::FrmMain &w = h.start();
    // Cancelling changes nothing.
    w.mnuOpen_Click();
    QVERIFY(!w.isBookOpen());
    QVERIFY(!w.mnuRecent[0]->isEnabled());

    h.dialogs.names << first;
    w.mnuOpen->trigger();
    QVERIFY(w.isBookOpen());
    // The same book again: it is closed first, so it opens again.
    h.dialogs.names << first;
    w.mnuOpen_Click();
    QVERIFY(w.isBookOpen());
    QVERIFY(h.messages.shown.isEmpty());
    h.dialogs.names << second;
    w.mnuOpen_Click();
    QCOMPARE(w.Combo1->count(), 5);
    QCOMPARE(w.mnuRecentTag[0], second);
    QCOMPARE(w.mnuRecentTag[1], first);
    QCOMPARE(w.mnuRecentTag[2], book::kNoRecent);

    // Every close: the book is released and the reader goes back to no book.
    w.ToolbarButtons[4]->trigger();
    QVERIFY(!w.isBookOpen());
    QVERIFY(!w.mnuClose->isEnabled() && !w.ToolbarButtons[4]->isEnabled());
    QCOMPARE(w.windowTitle(), QStringLiteral("Korvel - 2009.4.10"));
    QVERIFY(!w.picView->isHidden());
    db::mOpenDatabase probe(h.env.appDir());
    QVERIFY(probe.OpenBookConn(second));
    probe.CloseBookConn();
    for (auto close : {&app::FrmMain::mnuCloseIt_Click, &app::FrmMain::tzbClose_Click,
                       &app::FrmMain::tzbCloselhh_Click}) {
        h.dialogs.names << first;
        w.mnuOpen_Click();
        QVERIFY(w.isBookOpen());
        (w.*close)();
        QVERIFY(!w.isBookOpen());
    }
    // Closing the window releases an open book too.
    h.dialogs.names << first;
    w.mnuOpen_Click();
    w.close();
    QVERIFY(probe.OpenBookConn(first));
}

void ReadingTest::damagedOrHeldBooksAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("not a database") << "junk";
    QTest::newRow("held by another reader") << "held";
    QTest::newRow("folder named .lhh") << "folder";
}

void ReadingTest::damagedOrHeldBooksAreRefused()
{
    QFETCH(QString, kind);
    Harness h;
    const QString good = h.book("good.lhh");
    const QString path = h.env.path(kind + ".lhh");
    db::mOpenDatabase other(h.env.appDir());
    if (kind == "junk") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(5000, 'x'));
    } else if (kind == "held") {
        makeSimpleBook(h.env.appDir(), path, 2);
        QVERIFY(other.OpenBookConn(path));
    } else if (kind == "folder") {
        QDir().mkpath(path);
    }
    const QByteArray before = fileHash(path);
    app::FrmMain &w = h.start({good});
    QVERIFY(w.isBookOpen());
    h.dialogs.names << path;
    w.mnuOpen_Click();
    QCOMPARE(h.messages.shown.size(), 1);
    QCOMPARE(h.messages.shown[0].text, QStringLiteral("文件损坏或不是连环画文件或已经打开，请重新选择。"));
    QCOMPARE(h.messages.shown[0].title, QStringLiteral("错误"));
    // The book that was open was closed first and stays closed.
    QVERIFY(!w.isBookOpen());
    QCOMPARE(w.windowTitle(), QStringLiteral("Korvel - 2009.4.10"));
    QCOMPARE(w.mnuRecentTag[0], good);
    QCOMPARE(fileHash(path), before);
}

void ReadingTest::bookWithoutPagesTable()
{
    Harness h;
    const QString path = h.env.path("nopages.lhh");
    QVERIFY(!db::Connection::createFile(path, {"CREATE TABLE books (title TEXT)"}));
    app::FrmMain &w = h.start();
    h.dialogs.names << path;
    w.mnuOpen_Click();
    QCOMPARE(h.messages.shown.size(), 1);
    QCOMPARE(h.messages.shown[0].text, QStringLiteral("连环画页面读取错误。"));
    QCOMPARE(h.messages.shown[0].title, QStringLiteral("错误"));
    QVERIFY(!w.isBookOpen());
    QCOMPARE(w.mnuRecentTag[0], book::kNoRecent);
    // An empty book shows nothing and no message.
    const QString empty = h.env.path("empty.lhh");
    QVERIFY(makeBook(h.env.appDir(), empty, {}));
    h.dialogs.names << empty;
    w.mnuOpen_Click();
    QCOMPARE(h.messages.shown.size(), 1);
    QVERIFY(!w.isBookOpen());
}

void ReadingTest::recentMenuRules()
{
    Harness h;
    const QString a = h.book("a.lhh");
    const QString gone = h.env.path("gone.lhh");
    const QString upper = h.env.path("upper.LHH");
    QFile::copy(a, upper);
    const QString exe = h.env.path("book.exe");
    const QString longPath = tooLongForMenu(h);
    QDir().mkpath(QFileInfo(longPath).path());
    makeSimpleBook(h.env.appDir(), longPath, 2);
    h.env.settings().setValue("frmMain", "Recent1", a);
    h.env.settings().setValue("frmMain", "Recent2", longPath);
    h.env.settings().setValue("frmMain", "Recent3", gone);
    h.env.settings().setValue("frmMain", "Recent4", upper);
    h.env.settings().setValue("frmMain", "Recent5", exe);
    app::FrmMain &w = h.start();
    QCOMPARE(w.mnuRecent[1]->text(), book::recentCaption(longPath));

    // A path that is gone: the message, and it still moves to the top.
    w.mnuRecent[2]->trigger();
    QCOMPARE(h.messages.shown.size(), 1);
    QCOMPARE(w.mnuRecentTag[0], gone);
    QCOMPARE(w.mnuRecentTag[1], a);
    QCOMPARE(w.mnuRecentTag[2], longPath);
    QCOMPARE(w.mnuRecentTag[3], upper);

    // Capital letters in the extension: nothing opens, but it moves up.
    w.mnuRecent_Click(3);
    QCOMPARE(h.messages.shown.size(), 1);
    QVERIFY(!w.isBookOpen());
    QCOMPARE(w.mnuRecentTag[0], upper);

    // A real book opens without changing the tab; an .exe book starts through the desktop
    // and leaves the open book alone.
    w.tzbBottom_Click(1);
    w.mnuRecent_Click(2);
    QVERIFY(w.isBookOpen());
    QVERIFY(!w.picView->isHidden());
    QVERIFY(w.tzbBottom[1]->value());
    QCOMPARE(w.mnuRecentTag[0], a);
    w.mnuRecent_Click(4);
    QCOMPARE(h.shell.opened, QList<QUrl>{QUrl::fromLocalFile(exe)});
    QVERIFY(w.isBookOpen());
    QCOMPARE(w.windowTitle(), "Korvel - 2009.4.10 - " + a);
    QCOMPARE(w.mnuRecentTag[0], exe);
    QCOMPARE(book::readRecentTags(*h.env.reopenSettings()).at(0), exe);
}

void ReadingTest::navigationWrapsEverywhere()
{
    Harness h;
    const QString path = h.book("nav.lhh", 4);
    app::FrmMain &w = h.start({path});
    auto pos = [&] { return w.reader().CurrentPage; };
    QCOMPARE(pos(), 0);
    w.mnuPrePage->trigger();
    QCOMPARE(pos(), 3);
    QCOMPARE(w.Combo1->currentText(), QStringLiteral("3"));
    w.mnuNextPage->trigger();
    QCOMPARE(pos(), 0);
    w.mmnuLastPage->trigger();
    QCOMPARE(pos(), 3);
    w.mnuFirstPage->trigger();
    QCOMPARE(pos(), 0);
    // Keys on the window and on a page-toolbar button that has the focus.
    QTest::keyClick(&w, Qt::Key_Left);
    QCOMPARE(pos(), 3);
    w.tzbLock->setFocus();
    QTest::keyClick(w.tzbLock, Qt::Key_Right);
    QCOMPARE(pos(), 0);
    QTest::keyClick(w.tvTreeView, Qt::Key_Right);
    QCOMPARE(pos(), 1);
    QTest::mouseClick(w.tzbNext, Qt::LeftButton, {}, w.tzbNext->rect().center());
    QCOMPARE(pos(), 2);
    QTest::mouseClick(w.tzbPro, Qt::LeftButton, {}, w.tzbPro->rect().center());
    QCOMPARE(pos(), 1);
    QCOMPARE(fileBytes(h.env.appDir() + "/read.tmp"), w.reader().ExtractPage(1).bytes);

    // A one-page book shows the same page again.
    const QString one = h.book("one.lhh", 1);
    h.dialogs.names << one;
    w.mnuOpen_Click();
    w.gopicnext();
    QCOMPARE(pos(), 0);
    w.gopicpre();
    QCOMPARE(pos(), 0);
}

void ReadingTest::pageBoxWithStoredNumberGaps()
{
    Harness h;
    const QString path = h.env.path("gaps.lhh");
    QVERIFY(makeBook(h.env.appDir(), path,
                     {{3, pictureBytes(100, 100, "PNG", Qt::red)}, {9, pictureBytes(120, 90, "JPEG", Qt::blue)},
                      {7, pictureBytes(80, 60, "BMP", Qt::green)}}));
    app::FrmMain &w = h.start({path});
    QCOMPARE(w.Combo1->count(), 3);
    QCOMPARE(w.Combo1->itemText(2), QStringLiteral("2"));
    w.Combo1->setCurrentIndex(2);
    w.Combo1_Click();
    QCOMPARE(w.reader().CurrentPage, 2);
    QCOMPARE(w.picViewTemp().naturalSize(), QSize(120, 90));
    QCOMPARE(fileBytes(h.env.appDir() + "/read.tmp"), pictureBytes(120, 90, "JPEG", Qt::blue));
}

void ReadingTest::halfPageClicksPointerAndTooltip()
{
    Harness h;
    const QString path = h.book("clicks.lhh", 3, 200, 200);
    app::FrmMain &w = h.start({path});
    const int width = w.picViewIt->width();
    QCOMPARE(width, 200);
    QTest::mouseMove(w.picViewIt, QPoint(width / 2, 50));
    QTRY_COMPARE(w.picViewIt->toolTip(), QStringLiteral("翻到下一页，当前页是第 0 页"));
    QTest::mouseMove(w.picViewIt, QPoint(width / 2 - 1, 50));
    QTRY_COMPARE(w.picViewIt->toolTip(), QStringLiteral("翻到上一页，当前页是第 0 页"));
    // The exact middle turns forward.
    QTest::mouseClick(w.picViewIt, Qt::LeftButton, {}, QPoint(width / 2, 50));
    QCOMPARE(w.reader().CurrentPage, 1);
    QTest::mouseClick(w.picViewIt, Qt::LeftButton, {}, QPoint(10, 50));
    QCOMPARE(w.reader().CurrentPage, 0);
    QTest::mouseClick(w.picViewIt, Qt::LeftButton, {}, QPoint(10, 50));
    QCOMPARE(w.reader().CurrentPage, 2);
    // A double click on the page itself asks for nothing.
    QTest::mouseDClick(w.picViewIt, Qt::LeftButton, {}, QPoint(10, 50));
    QVERIFY(h.dialogs.requests.isEmpty());
    // A right click opens the page menu.
    QTimer::singleShot(50, [&] {
        QVERIFY(w.mnuTop[4]->isVisible());
        w.mnuTop[4]->close();
    });
    QTest::mouseClick(w.picViewIt, Qt::RightButton, {}, QPoint(10, 50));
    QTRY_VERIFY(!w.mnuTop[4]->isVisible());
}

void ReadingTest::nothingWorksWithoutABook()
{
    Harness h;
    const QString path = h.book("closed.lhh", 3);
    app::FrmMain &w = h.start({path});
    w.gopicnext();
    w.mnuClose_Click();
    const int page = w.reader().CurrentPage;
    w.mnuNextPage_Click();
    w.mmnuLastPage_Click();
    QTest::keyClick(&w, Qt::Key_Right);
    QTest::keyClick(&w, Qt::Key_F11);
    QTest::mouseClick(w.tzbNext, Qt::LeftButton, {}, w.tzbNext->rect().center());
    QTest::mouseClick(w.tzbAutoPlay, Qt::LeftButton, {}, w.tzbAutoPlay->rect().center());
    QCOMPARE(w.reader().CurrentPage, page);
    QVERIFY(!w.mnuAutoPlay->isChecked());
    QVERIFY(!w.tzbAutoPlay->value());
}

void ReadingTest::fitZoomAndLock()
{
    Harness h;
    const QString path = h.env.path("sizes.lhh");
    QVERIFY(makeBook(h.env.appDir(), path,
                     {{0, pictureBytes(200, 150, "PNG")}, {1, pictureBytes(400, 2400, "JPEG")},
                      {2, pictureBytes(3000, 600, "JPEG")}}));
    app::FrmMain &w = h.start({path});
    const QSize frame = w.picView->size();
    // A small page: its own size, centred.
    QCOMPARE(w.picViewIt->size(), QSize(200, 150));
    QCOMPARE(w.picViewIt->pos(), QPoint(qRound((frame.width() - 200) / 2.0), qRound((frame.height() - 150) / 2.0)));
    // Zoom in on a page that fits: 1 % a step; actual size returns to exactly its own size.
    w.mnuEnlarge_Click();
    QCOMPARE(w.pageBox().width, 200 * 15 * 1.01f);
    QTest::keyClick(&w, Qt::Key_Minus);
    QTest::keyClick(&w, Qt::Key_Minus, Qt::KeypadModifier);
    w.mnuIt_Click();
    QCOMPARE(w.picViewIt->size(), QSize(200, 150));
    // A tall page: limited by the frame height less 775 twips, centred in the whole height.
    w.gopicnext();
    QCOMPARE(w.pageBox().height, frame.height() * 15.f - 775.f);
    QCOMPARE(w.pageBox().top, 387.5f);
    const float fitted = w.pageBox().height;
    w.mnuEnlarge_Click();
    QCOMPARE(w.pageBox().height, fitted);
    // A wide page: limited by the frame width.
    w.gopicnext();
    QCOMPARE(w.picViewIt->width(), frame.width());

    // The lock keeps a zoomed-out size across page turns; a resize refits anyway.
    for (int i = 0; i < 10; ++i)
        w.mnuNarrow_Click();
    const QSize zoomed = w.picViewIt->size();
    QTest::mouseClick(w.tzbLock, Qt::LeftButton, {}, w.tzbLock->rect().center());
    QVERIFY(w.tzbLock->value());
    w.gopicpre();
    QCOMPARE(w.picViewIt->size(), zoomed);
    QCOMPARE(w.picViewTemp().naturalSize(), QSize(400, 2400));
    w.resize(w.width() + 40, w.height() + 40);
    QTRY_COMPARE(w.pageBox().height, w.picView->height() * 15.f - 775.f);
}

void ReadingTest::firstPageZeroIsFittedOnceDespiteTheLock()
{
    Harness h;
    const QString big = h.book("big.lhh", 2, 1200, 2400);
    app::FrmMain &w = h.start();
    QTest::mouseClick(w.tzbLock, Qt::LeftButton, {}, w.tzbLock->rect().center());
    QVERIFY(w.tzbLock->value());
    h.dialogs.names << big;
    w.mnuOpen_Click();
    // The first showing of page 0 in a run is fitted whatever the lock says...
    const float fitted = w.picView->height() * 15.f - 775.f;
    QCOMPARE(w.pageBox().height, fitted);
    for (int i = 0; i < 5; ++i)
        w.mnuNarrow_Click();
    const QSize zoomed = w.picViewIt->size();
    // ...and only the first: later showings keep the locked size.
    w.gopicnext();
    w.gopicpre();
    QCOMPARE(w.picViewIt->size(), zoomed);
    h.dialogs.names << big;
    w.mnuOpen_Click();
    QVERIFY(w.pageBox().height < fitted);
}

void ReadingTest::fullViewFollowsTheWindow()
{
    Harness h;
    const QString path = h.book("full.lhh", 2, 400, 2400);
    app::FrmMain &w = h.start({path});
    const QRect normal = w.picView->geometry();
    QTest::mouseClick(w.tzbMax, Qt::LeftButton, {}, w.tzbMax->rect().center());
    QVERIFY(w.FullView);
    QCOMPARE(w.tzbMax->caption(), QStringLiteral("2"));
    QWidget *client = w.centralWidget();
    QCOMPARE(w.picView->geometry(), QRect(0, 0, client->width(), client->height() - w.picBottom->height()));
    QCOMPARE(w.pageBox().height, w.picView->height() * 15.f - 775.f);
    QCOMPARE(w.picTool->y() + w.picTool->height(), w.picView->height());
    // Full view survives a resize; leaving it returns to the frame of the new layout.
    w.resize(w.width() + 60, w.height() + 30);
    QTRY_COMPARE(w.picView->geometry(), QRect(0, 0, client->width(), client->height() - w.picBottom->height()));
    QTest::mouseClick(w.tzbMax, Qt::LeftButton, {}, w.tzbMax->rect().center());
    QVERIFY(!w.FullView);
    QCOMPARE(w.picView->geometry(), QRect(normal.topLeft(), normal.size() + QSize(60, 30)));
    QCOMPARE(w.pageBox().height, w.picView->height() * 15.f - 775.f);
    // Closing from the page view leaves full view.
    w.tzbMax_Click();
    QTest::mouseClick(w.tzbClose, Qt::LeftButton, {}, w.tzbClose->rect().center());
    QVERIFY(!w.FullView && !w.isBookOpen());
    QCOMPARE(w.tzbMax->caption(), QStringLiteral("1"));
}

void ReadingTest::autoPlay()
{
    Harness h;
    const QString path = h.book("auto.lhh", 3);
    app::FrmMain &w = h.start({path});
    QTest::keyClick(&w, Qt::Key_F11);
    QVERIFY(w.mnuAutoPlay->isChecked());
    QVERIFY(w.tzbAutoPlay->value());
    QVERIFY(w.Text2->isEnabled());
    QVERIFY(w.timAutoPlay->isActive());
    QCOMPARE(w.timAutoPlay->interval(), 1000);

    // Only digits reach the seconds box.
    w.Text2->setFocus();
    w.Text2->selectAll();
    QTest::keyClicks(w.Text2, "a2x");
    QCOMPARE(w.Text2->text(), QStringLiteral("2"));
    w.Text2->setText("99999"); // pasted: refused, the last good value stays
    QCOMPARE(w.Text2->text(), QStringLiteral("2"));
    const int start = w.reader().CurrentPage;
    w.timAutoPlay_Timer();
    w.timAutoPlay_Timer();
    QCOMPARE(w.reader().CurrentPage, start + 1);
    // Wraps from the last page to the first.
    w.mmnuLastPage_Click();
    w.timAutoPlay_Timer();
    w.timAutoPlay_Timer();
    QCOMPARE(w.reader().CurrentPage, 0);
    // An empty box: still checked, but no ticks until a number is typed.
    w.Text2->clear();
    QVERIFY(w.mnuAutoPlay->isChecked());
    QVERIFY(!w.timAutoPlay->isActive());
    QTest::keyClicks(w.Text2, "1");
    QVERIFY(w.timAutoPlay->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(w.reader().CurrentPage, 1, 3000);

    // The menu entry and the button stop it; closing the book stops it too.
    w.mnuAutoPlay->trigger();
    QVERIFY(!w.mnuAutoPlay->isChecked() && !w.tzbAutoPlay->value() && !w.timAutoPlay->isActive());
    QVERIFY(!w.Text2->isEnabled());
    QTest::mouseClick(w.tzbAutoPlay, Qt::LeftButton, {}, w.tzbAutoPlay->rect().center());
    QVERIFY(w.mnuAutoPlay->isChecked() && w.tzbAutoPlay->value());
    w.mnuClose_Click();
    QVERIFY(!w.mnuAutoPlay->isChecked() && !w.tzbAutoPlay->value() && !w.timAutoPlay->isActive());
}

void ReadingTest::badPagesKeepTheReaderGoing()
{
    Harness h;
    const QString path = h.env.path("bad pages.lhh");
    const QByteArray good = pictureBytes(160, 120, "PNG");
    QVERIFY(makeBook(h.env.appDir(), path,
                     {{0, good}, {1, QByteArray("this is not a picture")}, {2, std::nullopt},
                      {3, pictureBytes(90, 90, "BMP")}}));
    app::FrmMain &w = h.start({path});
    QVERIFY(!w.picViewTemp().isNull());
    // Not a picture: the previous picture stays and is shown again.
    w.gopicnext();
    QCOMPARE(w.picViewTemp().naturalSize(), QSize(160, 120));
    QVERIFY(!w.picViewTemp().isNull());
    QCOMPARE(fileBytes(h.env.appDir() + "/read.tmp"), QByteArray("this is not a picture"));
    // A null image: an empty picture; read.tmp keeps the last bytes.
    w.gopicnext();
    QVERIFY(w.picViewTemp().isNull());
    QCOMPARE(fileBytes(h.env.appDir() + "/read.tmp"), QByteArray("this is not a picture"));
    w.gopicnext();
    QCOMPARE(w.picViewTemp().naturalSize(), QSize(90, 90));
    QVERIFY(h.messages.shown.isEmpty());
}

void ReadingTest::unwritableReadTmpStillShowsPages()
{
    Harness h;
    const QString path = h.book("tmp.lhh", 2, 100, 80);
    // read.tmp cannot be written (a folder stands in its place): pages still show.
    QVERIFY(QDir().mkpath(h.env.appDir() + "/read.tmp"));
    app::FrmMain &w = h.start({path});
    QVERIFY(w.isBookOpen());
    QCOMPARE(w.picViewTemp().naturalSize(), QSize(100, 80));
    w.gopicnext();
    QCOMPARE(w.reader().CurrentPage, 1);
    QVERIFY(!w.picViewTemp().isNull());
    QVERIFY(QFileInfo(h.env.appDir() + "/read.tmp").isDir());
}

KORVEL_WINDOW_TEST_MAIN(ReadingTest)

#include "tst_reading.moc"
