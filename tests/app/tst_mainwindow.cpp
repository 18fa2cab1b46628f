// The main window as a person starts it: what the first start shows, what the
// next start remembers, the layout rules on a real window, the banner and the
// About box, the menus and the file association.
#include "Harness.h"

#include "app/AboutDialog.h"

#include <QDateTime>
#include <QTcpServer>

using namespace korvel;
using namespace korvel::test;

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void firstStartShowsTheDesignedFrame()
    {
        Harness h;
        app::MainWindow &w = h.start();
        // The catalog's root, then the three fixed nodes; the first node is
        // selected and its books listed.
        auto *tree = h.find<QTreeWidget>("tvTreeView");
        QCOMPARE(tree->topLevelItemCount(), 4);
        QCOMPARE(tree->currentItem(), tree->topLevelItem(0));
        QVERIFY(!h.isOpen() && !h.page()->isVisible());
        QVERIFY(h.find("lsvListView")->isVisible() && !h.reading()->isVisible());
        QVERIFY(!h.button("tzbBottom_0")->value() && h.button("tzbBottom_1")->value()
                && !h.button("tzbBottom_2")->value());
        for (int i = 0; i < 5; ++i)
            QVERIFY(!h.action(QStringLiteral("mnuRecent_%1").arg(i))->isEnabled());
        QVERIFY(!h.action("mnuClose")->isEnabled() && !h.action("ToolbarButton4")->isEnabled());
        QVERIFY(!h.find<QLineEdit>("Text2")->isEnabled());
        QVERIFY(h.messages.shown.isEmpty());

        // Toolbar button 3 is the open command: it asks for a book; so does a
        // double click on the empty frame.
        h.action("ToolbarButton3")->trigger();
        QCOMPARE(h.dialogs.requests.size(), 1);
        QTest::mouseDClick(h.reading(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(h.dialogs.requests.size(), 2);
        w.resize(300, 200);
        QTRY_COMPARE(w.frameGeometry().size(), QSize(534, 334)); // raised to 8000 x 5000 twips, rounded up

        // The About box and its two links.
        onDialog([&](QDialog *about) {
            QVERIFY(qobject_cast<app::AboutDialog *>(about));
            QTest::mouseClick(about->findChild<QWidget *>("Label1"), Qt::LeftButton);
            QTest::mouseClick(about->findChild<QWidget *>("Label2"), Qt::LeftButton);
        });
        h.action("ToolbarButton13")->trigger();
        QCOMPARE(h.shell.opened, (QList<QUrl>{QUrl(h.siteRoot + "korvel/"), QUrl(h.siteRoot)}));
    }

    void nextStartRemembersLayout()
    {
        Harness h;
        QSize outer;
        {
            app::MainWindow &w = h.start();
            w.resize(900, 600);
            QWidget *splitter = h.find("imgSplitter");
            QWidget *bar = h.find("picSplitter");
            // Drag the splitter 100 pixels to the right.
            QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(2, 50));
            QMouseEvent move(QEvent::MouseMove, QPointF(102, 50), splitter->mapToGlobal(QPointF(102, 50)), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(splitter, &move);
            // Events that are not the mouse's pass by the drag untouched.
            QEvent enter(QEvent::Enter);
            QApplication::sendEvent(splitter, &enter);
            QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
            QApplication::sendEvent(splitter, &key);
            QVERIFY(bar->isVisible());
            QCOMPARE(splitter->x(), 164); // only the drag bar moves
            QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(102, 50));
            QVERIFY(!bar->isVisible());
            QCOMPARE(splitter->x(), 266);
            QCOMPARE(h.reading()->x(), 271);
            h.find<QTreeWidget>("lsvListView")->setColumnWidth(3, 200);
            auto *tree = h.find<QTreeWidget>("tvTreeView");
            tree->setCurrentItem(tree->topLevelItem(1));
            w.move(40, 30);
            outer = w.frameGeometry().size();
            w.close();
        }
        // The outer size is what is kept, in twips.
        QCOMPARE(h.stored("frmMain", "Width"), QString::number(outer.width() * 15));
        QCOMPARE(h.stored("frmMain", "Height"), QString::number(outer.height() * 15));
        QCOMPARE(h.stored("frmMain", "Splitter"), QStringLiteral("3990"));
        QCOMPARE(h.stored("frmMain", "TreeView"), QStringLiteral("2"));
        QCOMPARE(h.stored("frmMain", "WindowState"), QStringLiteral("0"));
        QCOMPARE(h.stored("ListView", "Width2"), QStringLiteral("3000"));
    }

    void unreachableBannerShowsTheLocalPage()
    {
        // Connected, but nothing answers on the site's port.
        Harness h;
        {
            QTcpServer gone;
            QVERIFY(gone.listen(QHostAddress::LocalHost));
            h.siteRoot = QStringLiteral("http://127.0.0.1:%1/").arg(gone.serverPort());
        }
        h.connected = true;
        h.start({}, false);
        auto *banner = h.find<QWebEngineView>("wbbTopAD");
        const QUrl local = QUrl::fromLocalFile(h.env.appDir() + "/top.html");
        QTRY_COMPARE_WITH_TIMEOUT(banner->url(), local, 20000);
    }

    void geometryComesBackExactly()
    {
        // Untouched, the stored values come back as they were, start after
        // start, with a frame round the window and without one.
        Harness h;
        h.env.settings().setValue("frmMain", "Width", "11700");
        h.env.settings().setValue("frmMain", "Splitter", "100");
        for (const bool frameless : {true, false, true}) {
            app::MainWindow &w = h.start({}, false);
            w.setWindowFlag(Qt::FramelessWindowHint, frameless);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QCOMPARE(w.frameGeometry(), QRect(7, 7, 780, 543));
            QCOMPARE(h.find("imgSplitter")->x(), 53); // a stored 100 comes up as 800
            w.close();
            QCOMPARE(h.stored("frmMain", "Width"), QStringLiteral("11700"));
            QCOMPARE(h.stored("frmMain", "Height"), QStringLiteral("8145"));
            QCOMPARE(h.stored("frmMain", "Left"), QStringLiteral("100"));
            // A splitter raised to its minimum is stored at it, not a pixel below.
            QCOMPARE(h.stored("frmMain", "Splitter"), QStringLiteral("800"));
            QCOMPARE(h.stored("ListView", "Width6"), QStringLiteral("1505"));
        }
        // Closed maximised: the state is kept, and the normal size beside it.
        app::MainWindow &w = h.start();
        w.showMaximized();
        QTRY_VERIFY(w.windowState() & Qt::WindowMaximized);
        w.close();
        QCOMPARE(h.stored("frmMain", "WindowState"), QStringLiteral("2"));
        QCOMPARE(h.stored("frmMain", "Width"), QStringLiteral("11700"));
    }

    // The desktop entry, the type and the thumbnailer's entry are written at
    // every start where they differ, left alone where they do not, and a data
    // folder that cannot take them is silent.
    void associationWrittenEveryStart()
    {
        Harness h;
        const QString desktop = h.env.dataHome() + "/applications/korvel.desktop";
        const QString mime = h.env.dataHome() + "/mime/packages/korvel-lhh.xml";
        const QString entry = h.env.dataHome() + "/thumbnailers/korvel.thumbnailer";
        h.start({}, false);
        QVERIFY(fileBytes(desktop).contains("MimeType=application/x-lhh;"));
        QVERIFY(fileBytes(desktop).contains(QString("Exec=\"" + h.env.appDir() + "/korvel\" %f").toUtf8()));
        QVERIFY(fileBytes(mime).contains("<glob pattern=\"*.lhh\"/>"));
        QVERIFY(fileBytes(entry).contains(
            QString("Exec=\"" + h.env.appDir() + "/korvel-thumbnailer\" -s %s %i %o\n").toUtf8()));
        const QDateTime old = QDateTime::currentDateTime().addDays(-2);
        {
            QFile f(entry);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(old, QFileDevice::FileModificationTime));
        }
        // A stale entry (the program was moved) is rewritten at the next start.
        QFile::remove(mime);
        writeFile(desktop, "[Desktop Entry]\nExec=/old/place/korvel %f\n");
        h.start({}, false);
        QVERIFY(fileBytes(desktop).contains(QString(h.env.appDir() + "/korvel").toUtf8()));
        QVERIFY(QFileInfo::exists(mime));
        QVERIFY(std::abs(QFileInfo(entry).lastModified().secsTo(old)) < 2);
        for (const char *folder : {"/applications", "/thumbnailers"}) {
            QDir(h.env.dataHome() + folder).removeRecursively();
            QFile blocker(h.env.dataHome() + folder);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        h.start({}, false);
        QVERIFY(h.messages.shown.isEmpty());
    }
};

KORVEL_WINDOW_TEST_MAIN(MainWindowTest)

#include "tst_mainwindow.moc"
