#pragma once

#include <QWidget>

#include <array>

class QMenu;

namespace korvel::app {

// The main window's six menus (文件, 编辑, 操作, 下载, 浏览, 帮助) with the
// entries the window itself answers: their names, texts, separators and
// shortcuts. The 编辑, 操作 and 浏览 menus come empty: the catalog pane and
// the reading pane hold those entries and replace them.
std::array<QMenu *, 6> makeMainMenus(QWidget *owner);

} // namespace korvel::app
