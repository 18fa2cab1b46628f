// The library as a person uses it: the tree and the list at start-up, clicks,
// keys and context menus, the search band, the category and book-record
// dialogs, and the list's commands, each against a catalog made for the case.
#include "Harness.h"

#include "app/library/CategoryTree.h"
#include "platform/FileLock.h"
#include "platform/SaveTarget.h"

#include <QCheckBox>
#include <QTreeWidgetItemIterator>

using namespace korvel;
using namespace korvel::test;

namespace {

const QString kMissing = QStringLiteral("数据库文件丢失。");

QString cls(int id, int parent, const QString &name)
{
    return QStringLiteral("Insert Into Class (ClassID,RootClassID,ClassName,DefaultPath) Values (%1,%2,'%3','')")
        .arg(QString::number(id), QString::number(parent), name);
}

QString rec(int classId, const QString &type, const QString &title, const QString &path)
{
    return QStringLiteral("Insert Into lhhInfo (lhhClassId,lhhType,lhhTitle,sign,lhhPublisher,lhhPublishDate,lhhPath) "
                          "Values (%1,'%2','%3','制作','出版社','1980','%4')")
        .arg(QString::number(classId), type, title, path);
}

// Nodes in index order, as "text" or "text=key".
QStringList nodes(QTreeWidget *tree, bool keys = false)
{
    QStringList out;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        out << (keys ? (*it)->text(0) + "=" + app::nodeKey(*it) : (*it)->text(0));
    return out;
}

QStringList column(QTreeWidget *list, int c)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(c);
    return out;
}

} // namespace

class CatalogTest : public QObject {
    Q_OBJECT

private slots:
    void treeAndList()
    {
        Harness h;
        makeCatalog(h);
        h.env.settings().setValue("frmMain", "TreeView", "5"); // 现代
        h.start();
        QTreeWidget *t = tree(h);
        QCOMPARE(nodes(t, true).mid(0, 6), (QStringList{"连环画=连环画-1", "古典=古典-3", "西游-记=西游-记-4",
                                                        "第一册=第一册-5", "现代=现代-6", "搜索结果=搜索结果"}));

        // The stored node is selected and its books listed.
        QCOMPARE(t->currentItem()->text(0), QStringLiteral("现代"));
        QTreeWidget *l = list(h);
        QVERIFY(l->isVisible() && h.button("tzbBottom_1")->value());
        QCOMPARE(h.find<QLabel>("lblCount")->text(), QStringLiteral("本分类共 4 本"));
        QCOMPARE(column(l, 3), (QStringList{"小英雄雨来", "没了的书", "鸡毛信", "目录"}));
        QCOMPARE(column(l, 4), (QStringList{"正常", "已删", "已删", "正常"})); // a folder counts in a category
        QCOMPARE(l->topLevelItem(0)->text(9), m_book);
        QVERIFY(h.messages.shown.isEmpty());

        // Shutdown keeps the node; a stored index that names no node falls back to the first.
        t->setCurrentItem(app::nodeAt(t, 4));
        h.window->close();
        QCOMPARE(h.stored("frmMain", "TreeView"), QStringLiteral("4"));
        h.env.settings().setValue("frmMain", "TreeView", "42");
        h.start();
        t = tree(h);
        QCOMPARE(t->currentItem(), t->topLevelItem(0));
        QCOMPARE(list(h)->topLevelItemCount(), 0);

        // The clicks, keys and menus of the tree, from the root.
        QAction *del = h.action("mnuDelClass");
        QVERIFY(!del->isEnabled());
        h.action("mnuExpandClass")->trigger();

        click(t, app::nodeAt(t, 5));
        QCOMPARE(list(h)->topLevelItemCount(), 4);
        QVERIFY(del->isEnabled());
        // The category already listed is not read again: a held catalog goes unnoticed.
        {
            platform::FileLock other;
            QCOMPARE(other.acquire(h.env.appDir() + "/Korvel.mdb"), platform::FileLock::Result::Ok);
            click(t, app::nodeAt(t, 5));
            QVERIFY(h.messages.shown.isEmpty());
            click(t, app::nodeAt(t, 2));
            QCOMPARE(h.messages.shown.size(), 1);
            QCOMPARE(list(h)->topLevelItemCount(), 4); // the list keeps what it showed
            // One message per key: the release of the key that answered the
            // message (its press went to the box) reaches the tree, and asks nothing.
            t->setFocus();
            QTest::keyClick(t, Qt::Key_Down);
            QCOMPARE(h.messages.shown.size(), 2);
            QTest::keyRelease(t, Qt::Key_Return);
            QTest::keyRelease(t, Qt::Key_Escape);
            QTest::keyRelease(t, Qt::Key_Enter, Qt::KeypadModifier);
            QCOMPARE(h.messages.shown.size(), 2);
            QCOMPARE(list(h)->topLevelItemCount(), 4);
            t->setCurrentItem(app::nodeAt(t, 2));
            h.messages.shown.clear();
        }
        click(t, app::nodeAt(t, 2)); // tried again once the catalog is back
        QCOMPARE(list(h)->topLevelItemCount(), 0);

        // Keys: moving the selection lists the new node; the menu key pops up the Edit menu.
        t->setFocus();
        QTest::keyClick(t, Qt::Key_Down);
        QCOMPARE(t->currentItem()->text(0), QStringLiteral("西游-记"));
        QTest::keyClick(t, Qt::Key_Down);
        QCOMPARE(column(list(h), 3), QStringList{"100%_画"});
        auto *edit = h.find<QMenu>("mnuTop_1");
        QTest::keyClick(t, Qt::Key_Menu);
        QVERIFY(edit->isVisible());
        QCOMPARE(edit->defaultAction(), h.action("mnuAddlhh"));
        edit->hide();

        // A right click selects the node under the pointer first, so the popup
        // acts on it; on empty space the popup offers less and the selection
        // stays, and the menu bar's Edit menu gets everything back afterwards.
        click(t, app::nodeAt(t, 1), Qt::RightButton);
        QCOMPARE(t->currentItem()->text(0), QStringLiteral("连环画"));
        QVERIFY(edit->isVisible() && h.action("mnuEditClass")->isEnabled());
        edit->hide();
        click(t, app::nodeAt(t, 4), Qt::RightButton);
        QCOMPARE(t->currentItem()->text(0), QStringLiteral("第一册"));
        QVERIFY(edit->isVisible() && del->isEnabled());
        edit->hide();
        QTest::mouseClick(t->viewport(), Qt::RightButton, {}, QPoint(20, t->viewport()->height() - 5));
        QVERIFY(edit->isVisible());
        QVERIFY(!h.action("mnuAddlhh")->isEnabled() && !h.action("mnuEditClass")->isEnabled() && !del->isEnabled());
        edit->hide();
        QVERIFY(h.action("mnuAddlhh")->isEnabled() && h.action("mnuEditClass")->isEnabled() && del->isEnabled());

        // The site nodes go to the web pane.
        click(t, app::nodeAt(t, 7));
        QVERIFY(h.find("wbbMain")->isVisible() && h.button("tzbBottom_2")->value());
        QCOMPARE(h.find<QWebEngineView>("wbbMain")->url(), QUrl(h.siteRoot));
        // A search over the site shows the list it fills and selects the search node.
        auto *box = h.find<QLineEdit>("txtSearch");
        box->setText("画");
        h.click("tzbSearch");
        QVERIFY(list(h)->isVisible() && !h.find("wbbMain")->isVisible() && h.button("tzbBottom_1")->value());
        QCOMPARE(column(list(h), 3), QStringList{"100%_画"});
        QCOMPARE(t->currentItem()->text(0), QStringLiteral("搜索结果"));
        QCOMPARE(h.find<QLabel>("lblCount")->text(), QStringLiteral("本分类共 1 本"));
        // Clicking the category again lists it again; nothing found leaves the tree alone.
        click(t, app::nodeAt(t, 5));
        QCOMPARE(list(h)->topLevelItemCount(), 4);
        box->setText("不在");
        h.click("tzbSearch");
        QCOMPARE(list(h)->topLevelItemCount(), 0);
        QCOMPARE(t->currentItem()->text(0), QStringLiteral("现代"));

        // The prompt: an empty box gets it back when left, a click on it empties it,
        // and searching for it (or nothing) only empties the list.
        box->clear();
        QFocusEvent away(QEvent::FocusOut);
        QApplication::sendEvent(box, &away);
        QCOMPARE(box->text(), QStringLiteral("请输入连环画书名"));
        h.click("tzbSearch");
        QCOMPARE(list(h)->topLevelItemCount(), 0);
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(box->text(), QString());

        // Deleting categories.
        h.messages.shown.clear();
        t->setCurrentItem(app::nodeAt(t, 6));
        del->trigger();
        QCOMPARE(h.messages.shown.last().text, QStringLiteral("请选择要删除的分类。"));

        click(t, app::nodeAt(t, 3)); // 西游-记, two levels below it
        h.messages.answers << platform::MessageService::Answer::No;
        del->trigger();
        QCOMPARE(h.messages.shown.last().text, QStringLiteral("删除分类将同时删除所有的子分类，是否继续？"));
        QCOMPARE(nodes(t).size(), 8);
        del->trigger();
        QCOMPARE(nodes(t), (QStringList{"连环画", "古典", "现代", "搜索结果", "访问Dalvane网站", "访问 Korvel 主页"}));
        QCOMPARE(t->currentItem()->text(0), QStringLiteral("古典")); // the parent's index

        // A delete while another program holds the catalog fails, the tree
        // keeps only the fixed nodes (as at a start while it is held), and comes
        // back with the next action that can read the catalog.
        click(t, app::nodeAt(t, 3)); // 现代
        {
            platform::FileLock other;
            QCOMPARE(other.acquire(h.env.appDir() + "/Korvel.mdb"), platform::FileLock::Result::Ok);
            del->trigger();
            QCOMPARE(h.messages.shown.last().text, kMissing);
            QCOMPARE(nodes(t).size(), 3);
        }
        h.find<QLineEdit>("txtSearch")->setText("雨来");
        h.click("tzbSearch");
        QCOMPARE(nodes(t).size(), 6);
        QCOMPARE(column(list(h), 3), QStringList{"小英雄雨来"});

        // 删除连环画分类 from a right click removes the node under the pointer,
        // not the one highlighted before.
        click(t, app::nodeAt(t, 3)); // 现代, with its books
        click(t, app::nodeAt(t, 2), Qt::RightButton); // 古典
        h.find<QMenu>("mnuTop_1")->hide();
        del->trigger();
        QCOMPARE(nodes(t), (QStringList{"连环画", "现代", "搜索结果", "访问Dalvane网站", "访问 Korvel 主页"}));
    }

    void categoryAndBookDialogs()
    {
        Harness h;
        makeCatalog(h);
        h.start();
        QTreeWidget *t = tree(h);
        QString folder;
        onDialog([&](QDialog *d) {
            auto *dt = d->findChild<QTreeWidget *>("tvTreeView");
            QCOMPARE(nodes(dt).size(), 5); // categories only
            QCOMPARE(dt->currentItem()->text(0), QStringLiteral("连环画"));
            auto *name = d->findChild<QLineEdit *>("Text1");
            auto *path = d->findChild<QLineEdit *>("Text2");
            QCOMPARE(path->text(), h.env.appDir() + "/books/");
            d->findChild<QPushButton *>("Command1")->click();
            QCOMPARE(h.messages.shown.last().text, QStringLiteral("请输入分类名称。"));
            name->setText("童话 it's");
            QCOMPARE(path->text(), h.env.appDir() + "/books/童话 it's");
            folder = path->text();
            d->findChild<QPushButton *>("Command1")->click();
            QVERIFY(!d->isVisible());
        });
        h.action("mnuAddClass")->trigger();
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(nodes(t).at(5), QStringLiteral("童话 it's")); // the root's last child
        QCOMPARE(t->currentItem()->text(0), QStringLiteral("连环画"));

        // Edit: 古典 moved under 现代 (what moves are refused is the store's to say).
        t->setCurrentItem(app::nodeAt(t, 2));
        onDialog([&](QDialog *d) {
            QCOMPARE(d->findChild<QLineEdit *>("Text2")->text(), QString()); // the stored folder wins
            auto *dt = d->findChild<QTreeWidget *>("tvTreeView");
            d->findChild<QLineEdit *>("Text2")->setText(h.env.path("古典"));
            dt->setCurrentItem(app::nodeAt(dt, 5));
            d->findChild<QPushButton *>("Command1")->click();
            QVERIFY(!d->isVisible());
        });
        h.action("mnuEditClass")->trigger();
        QCOMPARE(nodes(t).mid(0, 6), (QStringList{"连环画", "现代", "古典", "西游-记", "第一册", "童话 it's"}));
        QCOMPARE(t->currentItem()->text(0), QStringLiteral("第一册")); // the dialog's index 5

        // The root is not moved.
        t->setCurrentItem(app::nodeAt(t, app::nodeCount(t) - 2)); // 搜索结果 stands for the root
        onDialog([&](QDialog *d) {
            QCOMPARE(d->findChild<QLineEdit *>("Text1")->text(), QStringLiteral("连环画"));
            d->findChild<QLineEdit *>("Text2")->setText(h.env.path("root/new"));
            auto *dt = d->findChild<QTreeWidget *>("tvTreeView");
            dt->setCurrentItem(app::nodeAt(dt, 2));
            d->findChild<QPushButton *>("Command1")->click();
            QCOMPARE(h.messages.shown.last().text, QStringLiteral("无法移动根分类。"));
            QVERIFY(!QFileInfo::exists(h.env.path("root"))); // a refused change makes no folder
        });
        h.action("mnuEditClass")->trigger();
        QCOMPARE(nodes(t).first(), QStringLiteral("连环画"));

        // A book's record, filed under 现代.
        click(t, app::nodeAt(t, 2));
        const QString second = h.env.path("第二本.lhh");
        QVERIFY(makeBook(h.env.appDir(), second, {{0, pictureBytes(10, 10, "PNG")}}));
        // A book with a quote in its title, whose other columns are null.
        {
            db::Connection c;
            QVERIFY(!c.open(second, db::Access::ReadWrite));
            QVERIFY(!c.exec("Update books Set title=?", {"它's 书"}));
        }
        const QByteArray secondBytes = fileHash(second);
        onDialog([&](QDialog *d) {
            QCOMPARE(d->findChild<QTreeWidget *>("tvTreeView")->currentItem()->text(0), QStringLiteral("现代"));
            d->findChild<QCheckBox *>("Check1")->setChecked(true);
            // An .exe is filed by the title typed.
            h.dialogs.names << h.env.path("鸡毛信 二.EXE");
            d->findChild<QPushButton *>("Command1")->click();
            QCOMPARE(d->findChild<QComboBox *>("Combo1")->currentText(), QStringLiteral("exe"));
            d->findChild<QLineEdit *>("Text2")->setText("鸡毛信 二");
            d->findChild<QPushButton *>("Command3")->click();
            QVERIFY(d->isVisible()); // 连续添加
            // A book open in the reader is refused and stays untouched.
            QVERIFY(h.session->open(second) == book::ReadingSession::OpenResult::Opened);
            h.dialogs.names << second;
            d->findChild<QPushButton *>("Command1")->click();
            QCOMPARE(h.messages.shown.last().text, kOpenFailed);
            QCOMPARE(d->findChild<QLineEdit *>("Text1")->text(), QString());
            h.session->close();
            h.dialogs.names << second;
            d->findChild<QPushButton *>("Command1")->click();
            QCOMPARE(d->findChild<QLineEdit *>("Text2")->text(), QStringLiteral("它's 书"));
            d->findChild<QCheckBox *>("Check1")->setChecked(false);
            d->findChild<QPushButton *>("Command3")->click();
            QVERIFY(!d->isVisible());
        });
        h.action("mnuAddlhh")->trigger();
        QCOMPARE(fileHash(second), secondBytes);
        QCOMPARE(column(list(h), 3), (QStringList{"小英雄雨来", "没了的书", "鸡毛信", "目录", "鸡毛信 二", "它's 书"}));
        QCOMPARE(column(list(h), 2).mid(4), (QStringList{"exe", "lhh"}));

        // Editing a search result keeps the record in its own category.
        h.find<QLineEdit>("txtSearch")->setText("100%");
        h.click("tzbSearch");
        list(h)->topLevelItem(0)->setSelected(true);
        onDialog([&](QDialog *d) {
            QCOMPARE(d->findChild<QTreeWidget *>("tvTreeView")->currentItem()->text(0), QStringLiteral("第一册"));
            d->findChild<QLineEdit *>("Text2")->setText("100%_画 新");
            d->findChild<QPushButton *>("Command3")->click();
        });
        h.action("mnuEditlhh")->trigger();
        QCOMPARE(column(list(h), 3), QStringList{"100%_画 新"}); // the search ran again
        QCOMPARE(column(list(h), 1), QStringList{"5"});
    }

    void listCommands()
    {
        Harness h;
        makeCatalog(h);
        writeFile(h.env.path("鸡毛信.exe"), {});
        h.start();
        QTreeWidget *t = tree(h);
        QTreeWidget *l = list(h);
        click(t, app::nodeAt(t, 5));

        // A copy, proposed under its title. The name typed without its extension
        // names a file that exists: the dialog's question is asked about it, and No keeps it.
        const QString target = h.env.path("copies/副本");
        QDir().mkpath(h.env.path("copies"));
        writeFile(target + ".lhh", "mine");
        l->setCurrentItem(l->topLevelItem(0));
        h.dialogs.names << target << target;
        h.messages.answers << platform::MessageService::Answer::No;
        h.action("ToolbarButton6")->trigger();
        QCOMPARE(h.dialogs.requests.last().fileName, QStringLiteral("小英雄雨来.lhh"));
        QCOMPARE(h.messages.shown.last().text, platform::replaceQuestion(target + ".lhh"));
        QCOMPARE(fileBytes(target + ".lhh"), QByteArray("mine"));
        h.action("mnuSave")->trigger();
        QCOMPARE(fileHash(target + ".lhh"), fileHash(m_book));
        l->setCurrentItem(nullptr);

        // The context menu follows the row under the pointer.
        auto *menu = h.find<QMenu>("mnuTop_2");
        click(l, l->topLevelItem(1), Qt::RightButton);
        QVERIFY(menu->isVisible());
        QVERIFY(h.action("mnuOpenlhh")->isEnabled() && !h.action("mnuDir")->isEnabled());
        menu->hide();
        QTest::mouseClick(l->viewport(), Qt::RightButton, {}, QPoint(20, l->viewport()->height() - 5));
        QVERIFY(!h.action("mnuOpenlhh")->isEnabled() && !h.action("mnuDellhh")->isEnabled());
        QVERIFY(h.action("mnuAddlhh1")->isEnabled() && h.action("mnuDelAlllhh")->isEnabled());
        QVERIFY(!menu->defaultAction());
        menu->hide();

        // Opening: a gone file is refused; an .exe is started; a book shows. All
        // that get past the refusal go to the top of the recent list.
        doubleClick(l, l->topLevelItem(1));
        QCOMPARE(h.messages.shown.last().text, QStringLiteral("文件已被删除，请重新选择。"));
        click(l, l->topLevelItem(2), Qt::RightButton);
        menu->hide();
        h.action("mnuOpenlhh")->trigger();
        QCOMPARE(h.shell.opened, QList<QUrl>{QUrl::fromLocalFile(h.env.path("鸡毛信.exe"))});
        doubleClick(l, l->topLevelItem(0));
        QVERIFY(h.isOpen() && h.reading()->isVisible());
        QCOMPARE(h.recentPaths().mid(0, 2), (QStringList{m_book, h.env.path("鸡毛信.exe")}));

        // Showing a file in its folder, then removing one record and every gone one.
        h.click("tzbBottom_1");
        click(l, l->topLevelItem(0), Qt::RightButton);
        menu->hide();
        h.action("mnuDir")->trigger();
        QCOMPARE(h.shell.shown, QStringList{m_book});
        l->setCurrentItem(l->topLevelItem(3));
        h.messages.answers << platform::MessageService::Answer::No;
        h.action("mnuDellhh")->trigger();
        QCOMPARE(l->topLevelItemCount(), 4);
        h.action("mnuDellhh")->trigger();
        QCOMPARE(column(l, 3), (QStringList{"小英雄雨来", "没了的书", "鸡毛信"}));
        h.action("mnuDelAlllhh")->trigger();
        QCOMPARE(column(l, 3), (QStringList{"小英雄雨来", "鸡毛信"}));
        QVERIFY(QFileInfo::exists(m_book));
        // Gone records of other categories stay.
        click(t, app::nodeAt(t, 4));
        QCOMPARE(l->topLevelItemCount(), 1);
    }

    // Names of three million characters, as a damaged or forged catalog may hold:
    // the tree and the list show them cut, so painting them costs nothing, and
    // the values behind them stay whole.
    void enormousTextsAreCutForShow()
    {
        Harness h;
        const QString huge = QString(3000000, QChar(0x957f)); // 长
        QVERIFY(!db::Connection::createFile(h.env.appDir() + "/Korvel.mdb",
                                            catalog::catalogSchema("连环画") << cls(2, 1, huge) << rec(2, "lhh", huge, huge)));
        h.env.settings().setValue("frmMain", "TreeView", "2");
        h.start();
        QTreeWidget *t = tree(h);
        QTreeWidget *l = list(h);
        QCOMPARE(l->topLevelItemCount(), 1);
        // Measured (and painted) as a thousand characters, not three million.
        QVERIFY(static_cast<QAbstractItemView *>(t)->sizeHintForColumn(0) < 30000);
        for (int c : {3, 9})
            QVERIFY(static_cast<QAbstractItemView *>(l)->sizeHintForColumn(c) < 30000);
        QCOMPARE(app::shownText(huge), QString(1000, QChar(0x957f)) + QChar(0x2026));
        // What the rows hold stays whole.
        QCOMPARE(app::nodeKey(t->currentItem()), huge + "-2");
        QCOMPARE(l->topLevelItem(0)->text(3), huge);
    }

private:
    // A catalog of three levels: 连环画(1) > 古典(3) > 西游-记(4) > 第一册(5),
    // and 现代(6) holding a book, a gone book, an .exe and a folder.
    void makeCatalog(Harness &h)
    {
        m_book = h.book("雨来 it's.lhh");
        const QString folder = h.env.path("a folder.lhh");
        QDir().mkpath(folder);
        QString quoted = m_book;
        quoted.replace("'", "''");
        QVERIFY(!db::Connection::createFile(
            h.env.appDir() + "/Korvel.mdb",
            catalog::catalogSchema("连环画")
                << cls(3, 1, "古典") << cls(4, 3, "西游-记") << cls(5, 4, "第一册") << cls(6, 1, "现代")
                << rec(6, "lhh", "小英雄雨来", quoted) << rec(6, "lhh", "没了的书", h.env.path("gone.lhh"))
                << rec(6, "exe", "鸡毛信", h.env.path("鸡毛信.exe")) << rec(6, "lhh", "目录", folder)
                << rec(5, "lhh", "100%_画", h.env.path("x.lhh"))));
    }
    QTreeWidget *tree(Harness &h) { return h.find<QTreeWidget>("tvTreeView"); }
    QTreeWidget *list(Harness &h) { return h.find<QTreeWidget>("lsvListView"); }
    void click(QTreeWidget *view, QTreeWidgetItem *item, Qt::MouseButton button = Qt::LeftButton)
    {
        view->scrollToItem(item); // opens the branches above it
        QTest::mouseClick(view->viewport(), button, {}, at(view, item));
    }
    // A double click as the mouse makes it: press and release, then the second press.
    void doubleClick(QTreeWidget *view, QTreeWidgetItem *item)
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at(view, item));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at(view, item));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at(view, item));
    }
    // A point on the item's row near the left edge, inside the view even when
    // the list's columns are wider than it.
    static QPoint at(QTreeWidget *view, QTreeWidgetItem *item)
    {
        const QRect r = view->visualItemRect(item);
        return QPoint(r.left() + std::min(r.width() / 2, 40), r.center().y());
    }
    QString m_book;
};

KORVEL_WINDOW_TEST_MAIN(CatalogTest)

#include "tst_catalog.moc"
