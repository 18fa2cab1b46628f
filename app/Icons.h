#pragma once

#include <QCursor>
#include <QIcon>

namespace korvel::app {

// The program's pictures, drawn rather than shipped: the program icon
// (resource 1001), the previous/next page pointers (1003, 1004) and the
// tree's small images by index (1 root, 2 category, 3 web, 6 search).
QIcon programIcon();
QCursor previousPagePointer();
QCursor nextPagePointer();
QIcon treeImage(int index);
// The book list's small images by index: 2 a .lhh book, 7 another kind
// (the .exe form), 4 the file is there, 5 the file is gone.
QIcon listImage(int index);

} // namespace korvel::app
