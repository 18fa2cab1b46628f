#include "app/MainMenus.h"

#include <QAction>
#include <QMenu>

namespace korvel::app {

std::array<QMenu *, 6> makeMainMenus(QWidget *owner)
{
    struct Entry {
        const char *name;
        const char *text;
    };
    // A name without text is a separator.
    const std::array<QList<Entry>, 6> entries = {{
        {{"mnuNew", "新建(&N)..."}, {"mnuOpen", "打开(&O)..."}, {"mnuClose", "关闭(&C)"}, {"mnuBar11", nullptr},
         {"mnuSave", "保存(&S)..."}, {"mnuBar12", nullptr}, {"mnuRecent_0", "最近打开1"},
         {"mnuRecent_1", "最近打开2"}, {"mnuRecent_2", "最近打开3"}, {"mnuRecent_3", "最近打开4"},
         {"mnuRecent_4", "最近打开5"}, {"mnuBar13", nullptr}, {"mnuExit", "退出(&X)"}},
        {}, // the category commands and
        {}, // the book list's belong to the catalog pane
        {{"mnuFromDalvane", "从Dalvane下载"}},
        {}, // the page menu belongs to the reading pane
        {{"mnuAbout", "关于(&A)..."}, {"mnuBar61", nullptr}, {"mnuHomePage", "Dalvane主页"},
         {"mnuHomePage1", "Korvel 主页"}},
    }};
    const QStringList titles = {QStringLiteral("文件(&F)"), QStringLiteral("编辑(&E)"), QStringLiteral("操作(&O)"),
                                QStringLiteral("下载(&D)"), QStringLiteral("浏览(&V)"), QStringLiteral("帮助(&H)")};
    std::array<QMenu *, 6> menus{};
    for (int i = 0; i < 6; ++i) {
        menus[i] = new QMenu(titles.at(i), owner);
        for (const Entry &e : entries[i]) {
            QAction *a = e.text ? menus[i]->addAction(QString::fromUtf8(e.text)) : menus[i]->addSeparator();
            a->setObjectName(QLatin1String(e.name));
        }
    }
    auto action = [owner](const char *name) { return owner->findChild<QAction *>(QLatin1String(name)); };
    action("mnuNew")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    action("mnuOpen")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    action("mnuSave")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    return menus;
}

} // namespace korvel::app
