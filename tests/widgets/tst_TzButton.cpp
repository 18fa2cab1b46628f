#include "widgets/KeyCodes.h"
#include "widgets/TzButton.h"

#include <QtTest>
#include <QtWidgets>

using korvel::widgets::TzButton;
using korvel::widgets::vkCode;

namespace {

// A button on a host window, as the main window holds its toolbar buttons.
struct Host {
    QWidget window;
    TzButton *button = new TzButton(QStringLiteral("OK"), &window);
    TzButton *next = new TzButton(QStringLiteral("Next"), &window);

    Host()
    {
        window.resize(200, 100);
        button->setGeometry(10, 10, 60, 30);
        next->setGeometry(80, 10, 60, 30);
    }
    bool activate()
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

void hover(QWidget *w)
{
    QEnterEvent enter(QPointF(5, 5), w->mapTo(w->window(), QPointF(5, 5)), w->mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(w, &enter);
}

enum Look { Normal, Hot, Pressed };

// The button's picture in one look, on a fresh button.
QImage shot(int style, Look look, const QString &caption = QStringLiteral("Go"))
{
    QWidget host;
    auto *b = new TzButton(caption, &host);
    b->setGeometry(0, 0, 64, 28);
    b->setButtonStyle(style);
    if (look != Normal)
        hover(b);
    if (look == Pressed)
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(20, 10));
    return b->grab().toImage();
}

} // namespace

class TestTzButton final : public QObject {
    Q_OBJECT

private slots:
    void release_data();
    void release();
    void minimumSize_data();
    void minimumSize();
    void eachStyle_data();
    void eachStyle();
    void keys_data();
    void keys();
    void vkCodes_data();
    void vkCodes();
    void arrowsRaiseKeyDownAndMoveFocus();
    void accessKey();
    void doubleClick();
    void parentDeactivation();
    void glyphs();
    void accessible();
};

void TestTzButton::release_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("click");
    QTest::newRow("middle") << QPoint(30, 15) << true;
    QTest::newRow("left column") << QPoint(0, 15) << false;
    QTest::newRow("one in from left") << QPoint(1, 15) << true;
    QTest::newRow("last column") << QPoint(59, 15) << true;
    QTest::newRow("just right of it") << QPoint(60, 15) << false;
    QTest::newRow("just below it") << QPoint(30, 30) << false;
}

void TestTzButton::release()
{
    QFETCH(QPoint, at);
    QFETCH(bool, click);
    Host h;
    QSignalSpy clicks(h.button, &TzButton::Click);
    QSignalSpy ups(h.button, &TzButton::MouseUp);
    QSignalSpy downs(h.button, &TzButton::MouseDown);
    QTest::mousePress(h.button, Qt::LeftButton, Qt::ShiftModifier, QPoint(30, 15));
    QTest::mouseRelease(h.button, Qt::LeftButton, Qt::ShiftModifier, at);
    QCOMPARE(clicks.count(), click ? 1 : 0);
    QCOMPARE(downs.count(), 1);
    QCOMPARE(ups.count(), 1);
    QCOMPARE(ups.at(0).at(0).value<Qt::MouseButton>(), Qt::LeftButton);
    QCOMPARE(ups.at(0).at(1).value<Qt::KeyboardModifiers>(), Qt::KeyboardModifiers(Qt::ShiftModifier));
    QCOMPARE(ups.at(0).at(2).toPointF(), QPointF(at));
}

void TestTzButton::minimumSize_data()
{
    QTest::addColumn<QSize>("asked");
    QTest::addColumn<QSize>("got");
    QTest::newRow("14 wide") << QSize(14, 40) << QSize(15, 40);
    QTest::newRow("14 high") << QSize(40, 14) << QSize(40, 15);
}

void TestTzButton::minimumSize()
{
    QFETCH(QSize, asked);
    QFETCH(QSize, got);
    Host h;
    h.button->resize(asked);
    QCOMPARE(h.button->size(), got);
    // Also when the host lowered the minimum: the resize itself raises it.
    h.window.show();
    h.next->setMinimumSize(0, 0);
    h.next->resize(asked);
    QCOMPARE(h.next->size(), got);
}

void TestTzButton::eachStyle_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("rounded");
    for (int style = 0; style < 16; ++style)
        QTest::addRow("style %d", style) << style << (style == 2 || style == 3 || style == 4 || style == 6 ||
                                                      style == 8 || style == 10 || style == 14);
}

void TestTzButton::eachStyle()
{
    QFETCH(int, style);
    QFETCH(bool, rounded);
    Host h;
    h.window.show();
    h.button->setButtonStyle(style);
    for (const QSize size : {QSize(60, 30), QSize(90, 40)}) {
        h.button->resize(size);
        const QRegion mask = h.button->mask();
        const int w = size.width();
        const int ht = size.height();
        if (!rounded) {
            QCOMPARE(mask, QRegion(0, 0, w, ht));
            continue;
        }
        for (const QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, ht - 1), QPoint(w - 1, ht - 1)})
            QVERIFY(!mask.contains(corner));
        QVERIFY(mask.contains(QPoint(w / 2, 0)) && mask.contains(QPoint(0, ht / 2)) && mask.contains(QPoint(w - 1, ht / 2)));
        QVERIFY(!mask.contains(QPoint(w, ht / 2)));
    }
    // Changing the style rebuilds the shape.
    h.button->setButtonStyle(rounded ? 1 : 14);
    QCOMPARE(h.button->mask().contains(QPoint(0, 0)), rounded);

    // Each style shows hover or pressing somehow.
    const QImage normal = shot(style, Normal);
    const QImage hot = shot(style, Hot);
    const QImage pressed = shot(style, Pressed);
    QCOMPARE(normal.size(), QSize(64, 28));
    QVERIFY(normal != hot || normal != pressed);
    QVERIFY(hot != pressed);

    // Disabled, focused, default, checked and tiny buttons paint too.
    QWidget host;
    auto *b = new TzButton(QStringLiteral("&Go"), &host);
    b->setButtonStyle(style);
    b->setGeometry(0, 0, 64, 28);
    const QImage enabled = b->grab().toImage();
    b->setEnabled(false);
    QVERIFY(b->grab().toImage() != enabled);
    b->setEnabled(true);
    b->setShowFocusRect(true);
    b->setDisplayAsDefault(true);
    b->setCheckBoxMode(true);
    b->setValue(true);
    QVERIFY(!b->grab().isNull());
    b->resize(1, 1);
    QVERIFY(!b->grab().isNull());
}

void TestTzButton::keys_data()
{
    // Presses and releases: key, shift, press (true) or release (false).
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("clicksAfterPress");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("vk");
    QTest::newRow("return") << "Return" << 1 << 1 << 13;
    QTest::newRow("space") << "Space" << 0 << 1 << 32;
    QTest::newRow("shift space") << "ShiftSpace" << 0 << 0 << 32;
}

void TestTzButton::keys()
{
    QFETCH(QString, script);
    QFETCH(int, clicksAfterPress);
    QFETCH(int, clicks);
    QFETCH(int, vk);
    Host h;
    QSignalSpy clickSpy(h.button, &TzButton::Click);
    QSignalSpy downSpy(h.button, &TzButton::KeyDown);
    QSignalSpy upSpy(h.button, &TzButton::KeyUp);
    const Qt::Key key = script == QLatin1String("Enter")    ? Qt::Key_Enter
                        : script == QLatin1String("Return") ? Qt::Key_Return
                        : script == QLatin1String("A")      ? Qt::Key_A
                                                            : Qt::Key_Space;
    const Qt::KeyboardModifiers mods = script == QLatin1String("ShiftSpace") ? Qt::ShiftModifier : Qt::NoModifier;
    QTest::keyPress(h.button, key, mods);
    QCOMPARE(clickSpy.count(), clicksAfterPress);
    if (key == Qt::Key_Space && mods == Qt::NoModifier)
        QCOMPARE(h.button->buttonState().effectiveState(), 2);
    QTest::keyRelease(h.button, key, mods);
    QCOMPARE(clickSpy.count(), clicks);
    // A modifier key is a key press of its own (Shift is 16).
    QCOMPARE(downSpy.count(), mods == Qt::NoModifier ? 1 : 2);
    QCOMPARE(downSpy.first().at(0).toInt(), mods == Qt::NoModifier ? vk : 16);
    QCOMPARE(downSpy.last().at(0).toInt(), vk);
    QCOMPARE(downSpy.last().at(1).value<Qt::KeyboardModifiers>(), mods);
    QCOMPARE(upSpy.first().at(0).toInt(), vk);
}

void TestTzButton::vkCodes_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("mods");
    QTest::addColumn<int>("vk");
    const Qt::KeyboardModifiers none;
    const Qt::KeyboardModifiers pad(Qt::KeypadModifier);
    QTest::newRow("escape") << int(Qt::Key_Escape) << none << 27;
    QTest::newRow("F11") << int(Qt::Key_F11) << none << 122;
    QTest::newRow("keypad minus") << int(Qt::Key_Minus) << pad << 109;
    QTest::newRow("plus (shifted equals)") << int(Qt::Key_Plus) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 187;
    QTest::newRow("minus") << int(Qt::Key_Minus) << none << 189;
    QTest::newRow("unknown") << int(Qt::Key_MediaPlay) << none << 0;
    QTest::newRow("keypad plus") << int(Qt::Key_Plus) << pad << 107;
}

void TestTzButton::vkCodes()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, mods);
    const QKeyEvent e(QEvent::KeyPress, key, mods);
    QTEST(vkCode(e), "vk");
}

void TestTzButton::arrowsRaiseKeyDownAndMoveFocus()
{
    Host h;
    if (!h.activate())
        QSKIP("the window could not be activated");
    h.button->setFocus();
    QTRY_VERIFY(h.button->hasFocus());
    QSignalSpy downs(h.button, &TzButton::KeyDown);
    QTest::keyClick(h.button, Qt::Key_Right);
    QCOMPARE(downs.count(), 1);
    QCOMPARE(downs.at(0).at(0).toInt(), 39);
    QVERIFY(h.next->hasFocus());
    QTest::keyClick(h.next, Qt::Key_Up);
    QVERIFY(h.button->hasFocus());
    // Keypad plus reaches the host as 107 while the button has the focus.
    QTest::keyClick(h.button, Qt::Key_Plus, Qt::KeypadModifier);
    QCOMPARE(downs.count(), 2);
    QCOMPARE(downs.at(1).at(0).toInt(), 107);
    QVERIFY(h.button->hasFocus());
}

void TestTzButton::accessKey()
{
    Host h;
    h.button->setCaption(QStringLiteral("&Save"));
    h.next->setCaption(QStringLiteral("&Lock"));
    h.next->setCheckBoxMode(true);
    if (!h.activate())
        QSKIP("the window could not be activated");
    QSignalSpy saves(h.button, &TzButton::Click);
    QSignalSpy locks(h.next, &TzButton::Click);
    QTest::keyClick(&h.window, Qt::Key_S, Qt::AltModifier);
    QCOMPARE(saves.count(), 1);
    QTest::keyClick(&h.window, Qt::Key_L, Qt::AltModifier);
    QCOMPARE(locks.count(), 1);
    QVERIFY(h.next->value());
    // The caption keeps its marker; a new caption takes a new key.
    h.button->setCaption(QStringLiteral("&Open"));
    QTest::keyClick(&h.window, Qt::Key_S, Qt::AltModifier);
    QTest::keyClick(&h.window, Qt::Key_O, Qt::AltModifier);
    QCOMPARE(saves.count(), 2);
}

void TestTzButton::doubleClick()
{
    Host h;
    QSignalSpy dbl(h.button, &TzButton::DblClick);
    QSignalSpy clicks(h.button, &TzButton::Click);
    QSignalSpy downs(h.button, &TzButton::MouseDown);
    hover(h.button);
    QTest::mouseClick(h.button, Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent dblEvent(QEvent::MouseButtonDblClick, QPointF(12, 12), h.button->mapToGlobal(QPointF(12, 12)),
                         Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(h.button, &dblEvent);
    QCOMPARE(dbl.count(), 1);
    QCOMPARE(h.button->buttonState().state(), 2);
    // The replayed press repeats the first press's place.
    QCOMPARE(downs.count(), 2);
    QCOMPARE(downs.at(1).at(2).toPointF(), QPointF(10, 10));
    QTest::mouseRelease(h.button, Qt::LeftButton, {}, QPoint(12, 12));
    QCOMPARE(clicks.count(), 2);
}

void TestTzButton::parentDeactivation()
{
    // The button follows its window's activation, and once moved, its new window's.
    Host h;
    QTest::mousePress(h.button, Qt::LeftButton, {}, QPoint(10, 10));
    QEvent deactivate(QEvent::WindowDeactivate), activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&h.window, &deactivate);
    QVERIFY(!h.button->buttonState().parentActive());
    QVERIFY(!h.button->buttonState().isMouseDown());
    QCoreApplication::sendEvent(&h.window, &activate);
    QVERIFY(h.button->buttonState().parentActive());
    QWidget other;
    h.button->setParent(&other);
    QCoreApplication::sendEvent(&other, &deactivate);
    QVERIFY(!h.button->buttonState().parentActive());
    QCoreApplication::sendEvent(&h.window, &activate);
    QVERIFY(!h.button->buttonState().parentActive());
}

void TestTzButton::glyphs()
{
    QWidget host;
    auto *b = new TzButton(QStringLiteral("r"), &host);
    b->setGeometry(0, 0, 24, 24);
    const QImage letter = b->grab().toImage();
    b->setGlyph(true);
    QCOMPARE(b->caption(), QStringLiteral("r"));
    const QImage cross = b->grab().toImage();
    QVERIFY(cross != letter);
    b->setCaption(QStringLiteral("1"));
    const QImage maximise = b->grab().toImage();
    b->setCaption(QStringLiteral("2"));
    const QImage restore = b->grab().toImage();
    QVERIFY(maximise != restore && maximise != cross && restore != cross);
}

// What a screen reader sees: role, name and state, and a press action that clicks.
void TestTzButton::accessible()
{
    Host h;
    h.button->setCaption(QStringLiteral("搜&索"));
    h.next->setCaption(QString());
    h.next->setToolTip(QStringLiteral("下一页"));
    QSignalSpy clicks(h.button, &TzButton::Click);
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(h.button);
    QVERIFY(a && a->actionInterface());
    QCOMPARE(a->role(), QAccessible::Button);
    QCOMPARE(a->text(QAccessible::Name), QStringLiteral("搜索"));
    QCOMPARE(QAccessible::queryAccessibleInterface(h.next)->text(QAccessible::Name), QStringLiteral("下一页"));
    QVERIFY(a->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(clicks.count(), 1);
    QVERIFY(!h.button->value());

    // A glyph's letter is not its name; the tooltip is.
    h.next->setCaption(QStringLiteral("r"));
    h.next->setGlyph(true);
    QCOMPARE(QAccessible::queryAccessibleInterface(h.next)->text(QAccessible::Name), QStringLiteral("下一页"));

    // The two-state mode is a check box with its state; pressing turns it over.
    h.button->setCheckBoxMode(true);
    QCOMPARE(a->role(), QAccessible::CheckBox);
    QVERIFY(a->state().checkable && !a->state().checked);
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(h.button->value() && a->state().checked);
    QCOMPARE(clicks.count(), 2);
    h.button->setEnabled(false);
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(clicks.count(), 2);
    QVERIFY(a->actionInterface()->actionNames().isEmpty());
}

QTEST_MAIN(TestTzButton)
#include "tst_TzButton.moc"
