#include "app/StoredLayout.h"

#include "platform/Settings.h"

#include <cmath>

namespace korvel::app {

static const QString kMain = QStringLiteral("frmMain");
static const QString kList = QStringLiteral("ListView");

StoredLayout readStoredLayout(const platform::SettingsStore &store)
{
    StoredLayout s;
    s.width = float(store.number(kMain, QStringLiteral("Width"), s.width));
    s.height = float(store.number(kMain, QStringLiteral("Height"), s.height));
    s.top = float(store.number(kMain, QStringLiteral("Top"), s.top));
    s.left = float(store.number(kMain, QStringLiteral("Left"), s.left));
    s.windowState = int(store.number(kMain, QStringLiteral("WindowState"), s.windowState));
    if (s.windowState != 2)
        s.windowState = 0;
    s.splitter = float(store.number(kMain, QStringLiteral("Splitter"), s.splitter));
    s.treeView = int(store.number(kMain, QStringLiteral("TreeView"), s.treeView));
    for (int i = 0; i < 8; ++i)
        s.columnWidths[i] = float(store.number(kList, QStringLiteral("Width%1").arg(i + 1), s.columnWidths[i]));
    return s;
}

QString twipsText(float value)
{
    const double r = std::round(double(value));
    if (std::fabs(double(value) - r) < 1e-3)
        return QString::number(qlonglong(r));
    return QString::number(double(value), 'g', 9);
}

void writeStoredLayout(platform::SettingsStore &store, const ClosingLayout &l)
{
    if (l.windowState == 2) {
        store.setValue(kMain, QStringLiteral("WindowState"), QStringLiteral("2"));
    } else if (l.windowState == 0) {
        store.setValue(kMain, QStringLiteral("Width"), twipsText(l.width));
        store.setValue(kMain, QStringLiteral("Height"), twipsText(l.height));
        store.setValue(kMain, QStringLiteral("Top"), twipsText(l.top));
        store.setValue(kMain, QStringLiteral("Left"), twipsText(l.left));
        store.setValue(kMain, QStringLiteral("WindowState"), QStringLiteral("0"));
    }
    store.setValue(kMain, QStringLiteral("TreeView"), QString::number(l.treeView));
    store.setValue(kMain, QStringLiteral("Splitter"), twipsText(l.splitter));
    for (int i = 0; i < 8; ++i)
        store.setValue(kList, QStringLiteral("Width%1").arg(i + 1), twipsText(l.columnWidths[i]));
    store.sync();
}

} // namespace korvel::app
