// Making a book and writing pages out, as a person does: the maker window
// from every way in, adding, ordering, removing and previewing pages, the
// book's data, saving and reading the new book; then saving the page on
// screen and exporting every page.
#include "Harness.h"

#include "app/maker/BookMakerWindow.h"
#include "app/reading/ExportPagesDialog.h"
#include "book/BookReader.h"
#include "platform/QtServices.h"
#include "platform/SaveTarget.h"
#include "tests/archive/ArchiveMaker.h"

#include <QAbstractItemModel>
#include <QFileDialog>
#include <QListView>
#include <QImageReader>
#include <QWindow>

using namespace korvel;
using namespace korvel::test;

namespace {

// The picture files of a test: each its own colour, so a page tells where it came from.
QStringList pictureFiles(Harness &h, const QStringList &names)
{
    QDir().mkpath(h.env.path("pics"));
    QStringList out;
    int i = 0;
    for (const QString &name : names) {
        const QByteArray format = QFileInfo(name).suffix().toUpper().toLatin1();
        out << writeFile(h.env.path("pics/" + name),
                         pictureBytes(60, 90, format.constData(), QColor(20 * ++i, 90, 160)));
    }
    return out;
}

// The answer of a multi-select dialog as the common dialog gives it: the
// folder, then each name, after NULs.
QString multiAnswer(const QString &folder, const QStringList &names)
{
    return folder + QChar(0) + names.join(QChar(0)) + QChar(0) + QChar(0);
}

struct Maker {
    app::BookMakerWindow *window = nullptr;
    QTableView *list = nullptr;
    QAbstractItemModel *model = nullptr;

    QAction *button(int i) const
    {
        return window->findChild<QAction *>(QStringLiteral("ToolbarButton%1").arg(i));
    }
    template <typename T = QWidget>
    T *find(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r)
            out << model->index(r, c).data().toString();
        return out;
    }
    QStringList names() const
    {
        QStringList out;
        for (const QString &p : column(2))
            out << QFileInfo(p).fileName();
        return out;
    }
    QPoint rowPoint(int row, int dy = 0) const
    {
        return list->visualRect(model->index(row, 1)).center() + QPoint(0, dy);
    }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {}) const
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rowPoint(row));
    }
    bool thumbnailsDone() const
    {
        for (int r = 0; r < model->rowCount(); ++r) {
            if (model->index(r, 1).data(Qt::DecorationRole).isNull())
                return false;
        }
        return true;
    }
};

Maker openMaker(Harness &h)
{
    h.action("mnuNew")->trigger();
    Maker m;
    m.window = windows<app::BookMakerWindow>().value(0);
    if (m.window) {
        m.list = m.window->findChild<QTableView *>("VSFlexGrid1");
        m.model = m.list->model();
    }
    return m;
}

} // namespace

class MakerTest : public QObject {
    Q_OBJECT

private slots:
    void oneMakerAndItsRefusals()
    {
        Harness h;
        h.start();
        Maker m = openMaker(h);
        QVERIFY(m.window && !m.window->isModal());
        QCOMPARE(m.window->windowHandle()->transientParent(), h.window->windowHandle());

        // Again, by the toolbar and the key: the same window, with its contents.
        h.dialogs.names << pictureFiles(h, {"a.png"}).first();
        m.button(5)->trigger();
        h.action("ToolbarButton2")->trigger();
        h.window->activateWindow();
        QTest::keyClick(h.window.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(windows<app::BookMakerWindow>().size(), 1);
        // Its controls are its own: the main window's names still find the main window's.
        QVERIFY(!m.window->isAncestorOf(qobject_cast<QWidget *>(h.action("ToolbarButton3")->parent())));
        QCOMPARE(m.model->rowCount(), 1);

        // 退出 closes it; the next one starts empty.
        QPointer<app::BookMakerWindow> closed = m.window;
        m.button(11)->trigger();
        QTRY_VERIFY(!closed);
        m = openMaker(h);
        QVERIFY(m.window);
        QCOMPARE(m.model->rowCount(), 0);

        // Saving without pictures, without a title, cancelled; pictures that are not.
        m.button(3)->trigger();
        QCOMPARE(h.messages.shown.last().text, QStringLiteral("请插入连环画图片。"));
        QCOMPARE(h.dialogs.requests.size(), 1); // nothing asked

        // Files that are not pictures are named in one message; the pictures go in.
        pictureFiles(h, {"a.png", "b.jpg"});
        const QString folder = h.env.path("pics");
        writeFile(folder + "/empty.jpg", {});
        writeFile(folder + "/text.gif", "GIF? no");
        QDir(folder).mkdir("dir.bmp");
        h.dialogs.names << multiAnswer(folder, {"a.png", "empty.jpg", "text.gif", "dir.bmp", "b.jpg"});
        m.button(5)->trigger();
        QCOMPARE(m.names(), (QStringList{"a.png", "b.jpg"}));
        QCOMPARE(h.messages.shown.size(), 2);
        for (const char *name : {"empty.jpg", "text.gif", "dir.bmp"})
            QVERIFY(h.messages.shown.last().text.contains(folder + "/" + name));
        QVERIFY(!h.messages.shown.last().text.contains("a.png"));
        // The panel hidden, the title empty: the panel comes back with the focus in the title.
        m.button(9)->trigger();
        QVERIFY(m.find("Picture1")->isHidden());
        m.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m.window));
        m.button(3)->trigger();
        QCOMPARE(h.messages.shown.last().text, QStringLiteral("请输入连环画书名。"));
        QVERIFY(!m.find("Picture1")->isHidden());
        QVERIFY(m.button(9)->isChecked());
        QTRY_COMPARE(m.window->focusWidget(), m.find("Text2"));
        QCOMPARE(h.dialogs.requests.size(), 2);

        // Cancelled, or the bare proposed name handed back: nothing is written, nothing said.
        m.find<QLineEdit>("Text2")->setText("t");
        const int shown = int(h.messages.shown.size());
        m.button(3)->trigger();
        h.dialogs.names << "t.lhh";
        m.button(3)->trigger();
        QCOMPARE(h.messages.shown.size(), shown);
        QVERIFY(!QFileInfo::exists("t.lhh"));

        // A picture gone since it was added: said, and the preview is empty.
        QTRY_VERIFY(m.thumbnailsDone());
        QWidget *preview = m.find("picView");
        m.clickRow(1);
        QVERIFY(preview->isVisible());
        QFile::remove(folder + "/a.png");
        m.clickRow(0);
        QCOMPARE(h.messages.shown.last().text, "无法读取图片文件：\n" + folder + "/a.png");
        QVERIFY(preview->isHidden());
        m.window->showMinimized();
        m.window->resize(50, 50); // must not fail
        QTRY_VERIFY(m.thumbnailsDone());
    }

    void makeABookAndReadIt()
    {
        Harness h;
        h.start();
        Maker m = openMaker(h);
        const QStringList files = pictureFiles(h, {"b 'one'.png", "连环画.jpg", "c.bmp", "d.png"});
        const QString folder = h.env.path("pics");

        // Two files at once, with nothing current: at the top, in the chosen order.
        h.dialogs.names << multiAnswer(folder, {"连环画.jpg", "c.bmp"});
        m.button(5)->trigger();
        QCOMPARE(m.column(2), (QStringList{folder + "/连环画.jpg", folder + "/c.bmp"}));

        // With the second row current, two more go in front of it.
        m.clickRow(1);
        h.dialogs.names << multiAnswer(folder, {"b 'one'.png", "d.png"});
        m.button(5)->trigger();
        QCOMPARE(m.names(), (QStringList{"连环画.jpg", "b 'one'.png", "d.png", "c.bmp"}));
        QTRY_VERIFY(m.thumbnailsDone());
        QVERIFY(m.find("prgPictures")->isHidden());

        // Drag the first row below the third.
        m.clickRow(0);
        QWidget *viewport = m.list->viewport();
        sendMouse(viewport, QEvent::MouseButtonPress, m.rowPoint(0), Qt::LeftButton);
        sendMouse(viewport, QEvent::MouseMove, m.rowPoint(1), Qt::LeftButton);
        sendMouse(viewport, QEvent::MouseMove, m.rowPoint(2, 20), Qt::LeftButton);
        sendMouse(viewport, QEvent::MouseButtonRelease, m.rowPoint(2, 20), Qt::NoButton);
        QCOMPARE(m.names(), (QStringList{"b 'one'.png", "d.png", "连环画.jpg", "c.bmp"}));

        // Remove exactly the two selected rows.
        m.clickRow(1);
        m.clickRow(3, Qt::ControlModifier);
        m.button(7)->trigger();
        QCOMPARE(m.names(), (QStringList{"b 'one'.png", "连环画.jpg"}));
        QCOMPARE(m.column(0), (QStringList{"1", "2"})); // numbered again

        // The data, quotes and all, then save.
        m.find<QLineEdit>("Text2")->setText("O'Neil's 小英雄");
        m.find<QLineEdit>("Text8")->setText("it's");
        m.find<QLineEdit>("Text9")->setText("'");
        const QString target = h.env.path("made/new book.lhh");
        QDir().mkpath(h.env.path("made"));
        h.dialogs.names << target;
        m.button(3)->trigger();
        QCOMPARE(h.dialogs.requests.last().fileName, QStringLiteral("O'Neil's 小英雄.lhh"));
        QCOMPARE(h.messages.shown.last().text, QStringLiteral("连环画制作完成。"));
        QCOMPARE(m.model->rowCount(), 2); // the list stays

        {
            db::Connection c;
            QVERIFY(!c.open(target, db::Access::ReadOnly));
            const book::BookMeta meta = book::readBookMeta(c);
            QCOMPARE((QStringList{meta.title, meta.writer, meta.coverdrawer}), (QStringList{"O'Neil's 小英雄", "it's", "'"}));
        }
        // The reader opens it with the pages in the list's order.
        QVERIFY(h.window->openFromCommandLine(target));
        QCOMPARE(h.session->pageNumbers(), (QVector<qint32>{0, 1}));
        QCOMPARE(h.session->extractPage(0).bytes, fileBytes(files.at(0)));
        QCOMPARE(h.session->extractPage(1).bytes, fileBytes(files.at(1)));

        // Saved again over the book open in the reader: refused, the book kept.
        const QByteArray saved = fileHash(target);
        h.dialogs.names << target;
        m.button(3)->trigger();
        QCOMPARE(h.messages.shown.last().title, QStringLiteral("错误"));
        QVERIFY(h.messages.shown.last().text.startsWith("这个连环画文件已经打开，不能覆盖：\n" + target));
        h.session->close();
        QCOMPARE(fileHash(target), saved);
        // A title with slashes is proposed as one safe name; a folder that is gone
        // is told, the reason in Chinese too.
        m.find<QLineEdit>("Text2")->setText("上/下 \\ 集");
        const QString gone = h.env.path("gone/old.lhh");
        h.dialogs.names << gone;
        m.button(3)->trigger();
        QCOMPARE(h.dialogs.requests.last().fileName, QStringLiteral("上_下 _ 集.lhh"));
        const QString failed = h.messages.shown.last().text;
        QVERIFY2(failed.startsWith("连环画文件保存失败：\n" + gone) && failed.endsWith("\n\n文件或文件夹不存在"), qPrintable(failed));
        QCOMPARE(QDir(h.env.path("made")).entryList(QDir::Files | QDir::Hidden), QStringList{"new book.lhh"});
    }

    // Folders and comic archives, dropped on the page list or chosen in the picture dialog.
    void foldersAndArchives()
    {
        Harness h;
        h.start();
        Maker m = openMaker(h);
        QVERIFY(m.window);
        QWidget *viewport = m.list->viewport();
        // Damaged or empty archives and folders: named in one message, nothing added.
        writeFile(h.env.path("damaged.cbz"), QByteArray(800, 'k'));
        QVERIFY(writeArchive(h.env.path("text.cb7"), "7zip", {{"a.txt", "words", 0}}));
        QVERIFY(QDir().mkpath(h.env.path("empty")));
        QVERIFY(drop(viewport, {QUrl::fromLocalFile(h.env.path("damaged.cbz")), QUrl::fromLocalFile(h.env.path("text.cb7")),
                                QUrl::fromLocalFile(h.env.path("empty"))}));
        QCOMPARE(m.model->rowCount(), 0);
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
        QVERIFY(drop(viewport, {QUrl::fromLocalFile(scans)}));
        QCOMPARE(m.column(2), (QStringList{scans + "/p1.png", scans + "/p9.png", scans + "/p10.png"}));

        // An archive dropped below the last row: its pages at the end, unpacked where they live on.
        const QByteArray a = pictureBytes(20, 20, "JPEG"), b = pictureBytes(20, 20, "PNG");
        QVERIFY(writeArchive(h.env.path("c.cbz"), "zip", {{"x/2.png", b, 0}, {"../evil.jpg", a, 0}, {"x/1.jpg", a, 0}}));
        QVERIFY(drop(viewport, {QUrl::fromLocalFile(h.env.path("c.cbz"))}, QPoint(5, viewport->height() - 2)));
        const QStringList files = m.column(2);
        QCOMPARE(files.size(), 5);
        QCOMPARE(files.mid(0, 3), (QStringList{scans + "/p1.png", scans + "/p9.png", scans + "/p10.png"}));
        QCOMPARE(fileBytes(files.at(3)), a);
        QCOMPARE(fileBytes(files.at(4)), b);

        // The picture dialog takes archives as well.
        h.dialogs.names << h.env.path("c.cbz");
        m.button(5)->trigger();
        QCOMPARE(m.column(2).size(), 7);
        QVERIFY(h.messages.shown.isEmpty());

        // The unpacked pages go with the maker.
        m.window->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTRY_VERIFY(!QFileInfo::exists(files.at(3)));
    }

    // The page on screen saved as a picture, and every page exported.
    void pagesWrittenOut()
    {
        Harness h;
        h.start();
        const QString book = h.env.path("bad.lhh");
        QVERIFY(makeBook(h.env.appDir(), book,
                         {{0, pictureBytes(120, 80, "PNG")}, {1, QByteArray("not a picture")}, {2, pictureBytes(50, 40, "BMP")}}));
        QAction *saveAs = h.action("mnuPicSaveAs");
        widgets::StyledButton *button = h.button("tzbSave");
        QWidget *label = h.find("Label2_0");
        constexpr auto all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

        // Without a book nothing is saved and the export does not open; nor
        // without all three keys.
        QVERIFY(!saveAs->isEnabled());
        saveAs->trigger();
        QVERIFY(h.dialogs.requests.isEmpty());
        bool opened = false;
        QTimer::singleShot(0, [&] {
            if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                opened = true;
                d->reject();
            }
        });
        QTest::mousePress(label, Qt::LeftButton, all);
        QVERIFY(h.window->openFromCommandLine(book));
        QVERIFY(saveAs->isEnabled() && button->isEnabled());
        QTest::mousePress(label, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
        QCoreApplication::processEvents();
        QVERIFY(!opened);

        // The page is saved at its natural size, in the filter's format.
        const QString dir = h.env.path("out");
        QDir().mkpath(dir);
        h.dialogs.names << dir + "/x.jpg.png";
        h.click("tzbSave");
        QImageReader saved(dir + "/x.jpg.png");
        QCOMPARE(saved.format(), QByteArray("jpeg"));
        QCOMPARE(saved.size(), QSize(120, 80));
        QVERIFY(h.messages.shown.isEmpty());
        // "pg0" under the JPEG filter names pg0.jpg, which the dialog never asked
        // about: its question comes now, and No keeps the file.
        writeFile(dir + "/pg0.jpg", "mine");
        h.dialogs.names << dir + "/pg0" << dir + "/pg0";
        h.messages.answers << platform::MessageService::Answer::No;
        saveAs->trigger();
        QCOMPARE(h.messages.shown.size(), 1);
        QCOMPARE(h.messages.shown.last().title, QStringLiteral("图片另存为"));
        QCOMPARE(h.messages.shown.last().text, platform::replaceQuestion(dir + "/pg0.jpg"));
        QCOMPARE(fileBytes(dir + "/pg0.jpg"), QByteArray("mine"));
        saveAs->trigger();
        QCOMPARE(QImageReader(dir + "/pg0.jpg").size(), QSize(120, 80));

        // Every page exported into the folder chosen (its rules are the export's
        // tests): the damaged one named, the others written.
        h.messages.shown.clear();
        const QString out = h.env.path("export/deep/er/");
        onDialog([&](QDialog *d) {
            QVERIFY(qobject_cast<app::ExportPagesDialog *>(d));
            auto *ok = d->findChild<QPushButton *>("Command1");
            h.dialogs.names << out;
            d->findChild<QPushButton *>("Command3")->click();
            QCOMPARE(d->findChild<QLineEdit *>("Text2")->text(), out);
            ok->click();
            QVERIFY(!ok->isEnabled());
            QTRY_VERIFY(ok->isEnabled());
        });
        QTest::mousePress(h.find("Label2_1"), Qt::LeftButton, all);
        QCOMPARE(h.messages.shown.size(), 1);
        const QString failed = h.messages.shown.at(0).text;
        QVERIFY(failed.startsWith("在保存图片的过程中发生错误:\r\n\r\n错误号:  481\r\n错误描述:  ") && failed.contains("1.jpg"));
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), (QStringList{"0.jpg", "2.jpg"}));
        QCOMPARE(QImageReader(out + "0.jpg").size(), QSize(120, 80));
        // The reader stays on its page.
        QCOMPARE(h.position(), 0);
        h.session->close();
        QVERIFY(!saveAs->isEnabled() && !button->isEnabled());
    }

    // The picture dialog's first filter shows no PNG files. Typed beside a name
    // it shows, a PNG name was dropped without a word; now every typed file is
    // handed on, for the maker to take or to name as refused.
    void typedNamesTheFilterHides()
    {
        Harness h;
        pictureFiles(h, {"a.png", "b.bmp"});
        platform::QtDialogService dialogs;
        platform::FileDialogRequest request;
        request.filters = {{QStringLiteral("图片文件(*.jpg;*.gif;*.bmp)"), QStringLiteral("*.jpg;*.gif;*.bmp")}};
        request.initialDir = h.env.path("pics");
        QTimer::singleShot(0, [&] {
            auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(d);
            auto *view = d->findChild<QListView *>(QStringLiteral("listView"));
            // Once the folder is listed, typing selects the names the list shows.
            QTRY_COMPARE(view->model()->rowCount(view->rootIndex()), 1);
            auto *edit = d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            edit->setText(QStringLiteral("\"a.png\" \"b.bmp\""));
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QVERIFY(dialogs.showOpenMulti(request));
        QCOMPARE(request.fileNames, (QStringList{h.env.path("pics/b.bmp"), h.env.path("pics/a.png")}));
    }
};

KORVEL_WINDOW_TEST_MAIN(MakerTest)
#include "tst_maker.moc"
