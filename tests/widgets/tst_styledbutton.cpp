#include "widgets/KeyCodes.h"
#include "widgets/StyledButton.h"
#include "widgets/StyledButtonLayout.h"
#include "widgets/StyledButtonState.h"

#include <QtTest>
#include <QtWidgets>

using korvel::widgets::layoutContent;
using korvel::widgets::StyledButton;
using korvel::widgets::StyledButtonState;
using korvel::widgets::vkCode;

namespace {

// A button on a host window, as the main window holds its toolbar buttons.
struct Host {
    QWidget window;
    StyledButton *button = new StyledButton(QStringLiteral("OK"), &window);
    StyledButton *next = new StyledButton(QStringLiteral("Next"), &window);

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

// Runs a script of inputs against a fresh state on a 20 x 20 button and
// returns the raised events (focus moves as FocusPrev/FocusNext).
QString run(StyledButtonState &s, const QString &script)
{
    QStringList out;
    const auto take = [&out](const StyledButtonState::Reaction &r) {
        for (const auto e : r.events)
            out << StyledButtonState::eventName(e);
        if (r.focusMove == StyledButtonState::FocusMove::Previous)
            out << QStringLiteral("FocusPrev");
        else if (r.focusMove == StyledButtonState::FocusMove::Next)
            out << QStringLiteral("FocusNext");
    };
    for (const QString &step : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString name = step.section(QLatin1Char(':'), 0, 0);
        const QString arg = step.section(QLatin1Char(':'), 1);
        const int n = arg.toInt();
        if (name == QLatin1String("enter")) take(s.mouseEnter());
        else if (name == QLatin1String("leave")) take(s.mouseLeave());
        else if (name == QLatin1String("move")) take(s.mouseMove(true, false));
        else if (name == QLatin1String("moveheld")) take(s.mouseMove(true, true));
        else if (name == QLatin1String("outheld")) take(s.mouseMove(false, true));
        else if (name == QLatin1String("down")) take(s.leftDown());
        else if (name == QLatin1String("up")) take(s.leftUp(arg.section(',', 0, 0).toDouble(), arg.section(',', 1).toDouble(), 20, 20));
        else if (name == QLatin1String("dbl")) take(s.dblClick());
        else if (name == QLatin1String("key")) take(s.keyDown(n, false));
        else if (name == QLatin1String("skey")) take(s.keyDown(n, true));
        else if (name == QLatin1String("keyup")) take(s.keyUp(n, false));
        else if (name == QLatin1String("access")) take(s.accessKey(n));
        else if (name == QLatin1String("focusin")) take(s.focusIn());
        else if (name == QLatin1String("focusout")) take(s.focusOut());
        else if (name == QLatin1String("activate")) take(s.parentActivated());
        else if (name == QLatin1String("deactivate")) take(s.parentDeactivated());
        else if (name == QLatin1String("cbm")) take(s.setCheckBoxMode(n != 0));
        else if (name == QLatin1String("value")) take(s.setValue(n != 0));
        else if (name == QLatin1String("style")) take(s.setButtonStyle(n));
        else if (name == QLatin1String("disable")) take(s.setEnabled(false));
        else qFatal("unknown step %s", qPrintable(step));
    }
    return out.join(QLatin1Char(' '));
}

// Each rule: a script of inputs, the events raised, then the state, the look and the value.
struct Rule {
    const char *name, *script, *events;
    int state, look;
    bool value;
};
const Rule kRules[] = {
    // Pointer.
    {"leave reported once", "enter leave leave", "MouseEnter MouseLeave", 0, 0, false},
    {"move announces hover", "move", "MouseEnter MouseMove", 1, 1, false},
    {"dragged out and released", "enter down outheld up:25,10", "MouseEnter MouseDown MouseLeave MouseMove MouseUp", 0, 0, false},
    {"dragged back in presses again", "enter down outheld moveheld", "MouseEnter MouseDown MouseLeave MouseMove MouseEnter MouseMove", 2, 2, false},
    {"double click", "enter down up:10,10 dbl up:10,10", "MouseEnter MouseDown Click MouseUp MouseDown DblClick Click MouseUp", 1, 1, false},
    {"leave while disabled keeps look", "enter disable leave", "MouseEnter MouseLeave", 1, 1, false},
    // Check-box mode.
    {"toggle on", "cbm:1 enter down up:10,10", "MouseEnter MouseDown Click MouseUp", 1, 2, true},
    {"toggle off", "cbm:1 down up:10,10 down up:10,10", "MouseDown Click MouseUp MouseDown Click MouseUp", 0, 0, false},
    {"no toggle outside", "cbm:1 down up:0,10", "MouseDown MouseUp", 0, 0, false},
    {"value ignored outside mode", "enter down value:1", "MouseEnter MouseDown", 0, 0, false},
    {"value false resets", "cbm:1 enter down value:0", "MouseEnter MouseDown", 0, 0, false},
    {"mode off resets", "enter down cbm:0", "MouseEnter MouseDown", 0, 0, false},
    // Keyboard.
    {"enter clicks", "key:13", "Click KeyDown", 0, 0, false},
    {"arrows move focus", "key:37 key:39 key:38 key:40", "KeyDown FocusPrev KeyDown FocusNext KeyDown FocusPrev KeyDown FocusNext", 0, 0, false},
    {"space pressed", "key:32", "KeyDown", 2, 2, false},
    {"space unhovered", "key:32 keyup:32", "KeyDown Click KeyUp", 0, 0, false},
    {"space hovered", "enter key:32 keyup:32", "MouseEnter KeyDown Click KeyUp", 1, 1, false},
    {"space up with mouse held", "enter key:32 down keyup:32", "MouseEnter KeyDown MouseDown KeyUp", 2, 2, false},
    {"shift space ignored", "skey:32 keyup:32", "KeyDown KeyUp", 0, 0, false},
    {"space ignored while mouse held", "enter down key:32 keyup:32", "MouseEnter MouseDown KeyDown KeyUp", 2, 2, false},
    {"space toggles in mode", "cbm:1 key:32", "KeyDown", 0, 2, true},
    {"held space toggles once", "cbm:1 key:32 key:32 keyup:32", "KeyDown KeyDown Click KeyUp", 0, 2, true},
    {"space held through leave", "enter key:32 leave", "MouseEnter KeyDown MouseLeave", 2, 2, false},
    {"space pressed on enter", "key:32 enter", "KeyDown MouseEnter", 2, 2, false},
    // Access keys.
    {"access key clicks", "access:65", "Click", 0, 0, false},
    {"access key toggles", "cbm:1 access:65", "Click", 0, 2, true},
    {"enter and escape ignored in mode", "cbm:1 access:13 access:27", "", 0, 0, false},
    {"access key ends space press", "key:32 access:65 keyup:32", "KeyDown Click KeyUp", 0, 0, false},
    {"access key when disabled", "disable access:65", "", 0, 0, false},
    // Focus and activation.
    {"focus in hovering", "enter leave enter focusin", "MouseEnter MouseLeave MouseEnter", 1, 1, false},
    {"focus in keeps pressed", "enter down focusin", "MouseEnter MouseDown", 2, 2, false},
    {"focus out ends space press", "enter key:32 focusout keyup:32", "MouseEnter KeyDown KeyUp", 1, 1, false},
    {"focus out with parent inactive", "deactivate enter focusout", "MouseEnter", 0, 0, false},
    {"deactivation releases mouse", "enter down deactivate key:32", "MouseEnter MouseDown KeyDown", 2, 2, false},
    {"deactivation goes normal", "enter down deactivate", "MouseEnter MouseDown", 0, 0, false},
    {"activation goes normal", "enter activate", "MouseEnter", 0, 0, false},
    // A checked button looks pressed, except in the styles that show hover instead.
    {"checked, hover style", "style:0 cbm:1 enter value:1", "MouseEnter", 1, 1, true},
    {"checked, pressed style", "style:1 cbm:1 enter value:1", "MouseEnter", 1, 2, true},
};

} // namespace

class TestStyledButton final : public QObject {
    Q_OBJECT

private slots:
    // The state machine on its own, as scripts of inputs.
    void rules()
    {
        for (const Rule &r : kRules) {
            StyledButtonState s;
            const QString events = run(s, QString::fromUtf8(r.script));
            const QString got = QStringLiteral("%1 | %2 %3 %4").arg(events).arg(s.state()).arg(s.effectiveState()).arg(int(s.value()));
            const QString want = QStringLiteral("%1 | %2 %3 %4").arg(r.events).arg(r.state).arg(r.look).arg(int(r.value));
            QVERIFY2(got == want, qPrintable(QStringLiteral("%1: %2, not %3").arg(QString::fromUtf8(r.name), got, want)));
        }
    }

    void layout()
    {
        // In a 100 x 40 area: the picture sits left of the caption, the pair placed
        // as the caption's alignment says, all centred in height.
        const QRect area(0, 0, 100, 40);
        const QSize pic(16, 16), cap(40, 12);
        for (int align : {0, 1, 2}) {
            const auto l = layoutContent(area, pic, cap, 1, align);
            QCOMPARE(l.picture.size(), pic);
            QCOMPARE(l.caption.size(), cap);
            QVERIFY(l.picture.right() < l.caption.left());
            QCOMPARE(l.picture.center().y(), area.center().y());
            QCOMPARE(l.caption.center().y(), area.center().y());
            const int left = l.picture.left(), right = 100 - l.caption.right() - 1;
            QVERIFY(align == 0 ? left == 0 : align == 2 ? right == 0 : qAbs(left - right) <= 1);
        }
        const auto captionOnly = layoutContent(area, QSize(), cap, 1, 2);
        QVERIFY(captionOnly.picture.isEmpty());
        QCOMPARE(captionOnly.caption.right(), 99);
        const auto pictureOnly = layoutContent(area, pic, QSize(), 1, 1);
        QVERIFY(pictureOnly.caption.isEmpty());
        QCOMPARE(pictureOnly.picture.center(), area.center());
    }

    // The widget.
    void release()
    {
        // Released at the left column or just right of or below the button: no click.
        for (const auto &[at, click] : {std::pair{QPoint(0, 15), false}, {QPoint(1, 15), true}, {QPoint(60, 15), false}, {QPoint(30, 30), false}}) {
            Host h;
            QSignalSpy clicks(h.button, &StyledButton::Click);
            QSignalSpy ups(h.button, &StyledButton::MouseUp);
            QTest::mousePress(h.button, Qt::LeftButton, Qt::ShiftModifier, QPoint(30, 15));
            QTest::mouseRelease(h.button, Qt::LeftButton, Qt::ShiftModifier, at);
            QVERIFY2(clicks.count() == (click ? 1 : 0), qPrintable(QStringLiteral("%1,%2").arg(at.x()).arg(at.y())));
            QCOMPARE(ups.count(), 1);
            QCOMPARE(ups.at(0).at(0).value<Qt::MouseButton>(), Qt::LeftButton);
            QCOMPARE(ups.at(0).at(1).value<Qt::KeyboardModifiers>(), Qt::KeyboardModifiers(Qt::ShiftModifier));
            QCOMPARE(ups.at(0).at(2).toPointF(), QPointF(at));
        }
    }

    void sizesAndShapes()
    {
        // Never below 15 either way, also when the host lowered the minimum: the resize itself raises it.
        Host h;
        const std::pair<QSize, QSize> tooSmall[] = {{QSize(14, 40), QSize(15, 40)}, {QSize(40, 14), QSize(40, 15)}};
        for (const auto &[asked, got] : tooSmall) {
            h.button->resize(asked);
            QCOMPARE(h.button->size(), got);
        }
        h.window.show();
        h.next->setMinimumSize(0, 0);
        for (const auto &[asked, got] : tooSmall) {
            h.next->resize(asked);
            QCOMPARE(h.next->size(), got);
        }
        // Rounded styles cut the corners, the others are plain rectangles; a new style rebuilds the shape.
        for (const int style : {0, 2}) {
            h.button->setButtonStyle(style);
            for (const QSize size : {QSize(60, 30), QSize(90, 40)}) {
                h.button->resize(size);
                const QRegion mask = h.button->mask();
                const int w = size.width(), ht = size.height();
                if (style == 0) {
                    QCOMPARE(mask, QRegion(0, 0, w, ht));
                    continue;
                }
                for (const QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, ht - 1), QPoint(w - 1, ht - 1)})
                    QVERIFY(!mask.contains(corner));
                QVERIFY(mask.contains(QPoint(w / 2, 0)) && mask.contains(QPoint(0, ht / 2)) && !mask.contains(QPoint(w, ht / 2)));
            }
            h.button->resize(1, 1);
            QVERIFY(!h.button->grab().isNull());
        }
    }

    void keys()
    {
        // Return clicks on the press, space on the release, shift space never; a
        // modifier key is a key press of its own (Shift is 16).
        const Qt::KeyboardModifiers none, shift(Qt::ShiftModifier), pad(Qt::KeypadModifier);
        for (const auto &[key, mods, clicksAfterPress, clicks, vk] :
             {std::tuple{Qt::Key_Return, none, 1, 1, 13}, {Qt::Key_Space, none, 0, 1, 32}, {Qt::Key_Space, shift, 0, 0, 32}}) {
            Host h;
            QSignalSpy clickSpy(h.button, &StyledButton::Click);
            QSignalSpy downSpy(h.button, &StyledButton::KeyDown);
            QSignalSpy upSpy(h.button, &StyledButton::KeyUp);
            QTest::keyPress(h.button, key, mods);
            QCOMPARE(clickSpy.count(), clicksAfterPress);
            if (key == Qt::Key_Space && mods == Qt::NoModifier)
                QCOMPARE(h.button->buttonState().effectiveState(), 2);
            QTest::keyRelease(h.button, key, mods);
            QCOMPARE(clickSpy.count(), clicks);
            QCOMPARE(downSpy.count(), mods == Qt::NoModifier ? 1 : 2);
            QCOMPARE(downSpy.first().at(0).toInt(), mods == Qt::NoModifier ? vk : 16);
            QCOMPARE(downSpy.last().at(0).toInt(), vk);
            QCOMPARE(downSpy.last().at(1).value<Qt::KeyboardModifiers>(), mods);
            QCOMPARE(upSpy.first().at(0).toInt(), vk);
        }
        // Virtual key codes: the keypad's minus is not the main one's; unknown keys are 0.
        for (const auto &[key, mods, vk] : {std::tuple{Qt::Key_Escape, none, 27}, {Qt::Key_Minus, pad, 109},
                                            {Qt::Key_Minus, none, 189}, {Qt::Key_MediaPlay, none, 0}})
            QCOMPARE(vkCode(QKeyEvent(QEvent::KeyPress, key, mods)), vk);
    }

    void arrowsAndAccessKeysInAnActiveWindow()
    {
        Host h;
        h.button->setCaption(QStringLiteral("&Save"));
        h.next->setCaption(QStringLiteral("&Lock"));
        h.next->setCheckBoxMode(true);
        if (!h.activate())
            QSKIP("the window could not be activated");
        h.button->setFocus();
        QTRY_VERIFY(h.button->hasFocus());
        QSignalSpy downs(h.button, &StyledButton::KeyDown);
        QTest::keyClick(h.button, Qt::Key_Right);
        QCOMPARE(downs.count(), 1);
        QCOMPARE(downs.at(0).at(0).toInt(), 39);
        QVERIFY(h.next->hasFocus());
        QTest::keyClick(h.next, Qt::Key_Up);
        QVERIFY(h.button->hasFocus());

        QSignalSpy saves(h.button, &StyledButton::Click);
        QSignalSpy locks(h.next, &StyledButton::Click);
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

    void doubleClick()
    {
        Host h;
        QSignalSpy dbl(h.button, &StyledButton::DblClick);
        QSignalSpy clicks(h.button, &StyledButton::Click);
        QSignalSpy downs(h.button, &StyledButton::MouseDown);
        QEnterEvent enter(QPointF(5, 5), h.button->mapTo(&h.window, QPointF(5, 5)), h.button->mapToGlobal(QPointF(5, 5)));
        QCoreApplication::sendEvent(h.button, &enter);
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

    void parentDeactivation()
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

    void glyphs()
    {
        // A glyph button draws its caption's letter as a sign: r a cross, 1 maximise, 2 restore.
        QWidget host;
        auto *b = new StyledButton(QStringLiteral("r"), &host);
        b->setGeometry(0, 0, 24, 24);
        QList<QImage> shots{b->grab().toImage()};
        b->setGlyph(true);
        for (const char *c : {"r", "1", "2"}) {
            b->setCaption(QString::fromLatin1(c));
            shots << b->grab().toImage();
        }
        for (int i = 0; i < shots.size(); ++i)
            for (int j = i + 1; j < shots.size(); ++j)
                QVERIFY(shots.at(i) != shots.at(j));
    }

    // What a screen reader sees: role, name and state, and a press action that clicks.
    void accessible()
    {
        Host h;
        h.button->setCaption(QStringLiteral("搜&索"));
        h.next->setCaption(QString());
        h.next->setToolTip(QStringLiteral("下一页"));
        QSignalSpy clicks(h.button, &StyledButton::Click);
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(h.button);
        QVERIFY(a && a->actionInterface());
        QCOMPARE(a->role(), QAccessible::Button);
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("搜索"));
        QCOMPARE(QAccessible::queryAccessibleInterface(h.next)->text(QAccessible::Name), QStringLiteral("下一页"));
        a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(clicks.count(), 1);
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
    }
};

QTEST_MAIN(TestStyledButton)
#include "tst_styledbutton.moc"
