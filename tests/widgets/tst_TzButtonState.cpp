#include "widgets/TzButtonLayout.h"
#include "widgets/TzButtonState.h"

#include <QtTest>

using korvel::widgets::layoutContent;
using korvel::widgets::TzButtonState;

namespace {

// Runs a script of inputs against a fresh state on a 20 x 20 button and
// returns the raised events (focus moves as FocusPrev/FocusNext).
QString run(TzButtonState &s, const QString &script)
{
    QStringList out;
    const auto take = [&out](const TzButtonState::Reaction &r) {
        for (const auto e : r.events)
            out << TzButtonState::eventName(e);
        if (r.focusMove == TzButtonState::FocusMove::Previous)
            out << QStringLiteral("FocusPrev");
        else if (r.focusMove == TzButtonState::FocusMove::Next)
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

} // namespace

class TestTzButtonState final : public QObject {
    Q_OBJECT

private slots:
    void rules_data();
    void rules();
    void releaseInside_data();
    void releaseInside();
    void checkedLook_data();
    void checkedLook();
    void layout_data();
    void layout();
};

void TestTzButtonState::rules_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("events");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("look");
    QTest::addColumn<bool>("value");

    // Pointer.
    QTest::newRow("hover") << "enter" << "MouseEnter" << 1 << 1 << false;
    QTest::newRow("hover and leave") << "enter leave" << "MouseEnter MouseLeave" << 0 << 0 << false;
    QTest::newRow("leave reported once") << "enter leave leave" << "MouseEnter MouseLeave" << 0 << 0 << false;
    QTest::newRow("move announces hover") << "move" << "MouseEnter MouseMove" << 1 << 1 << false;
    QTest::newRow("press while hovering") << "enter down" << "MouseEnter MouseDown" << 2 << 2 << false;
    QTest::newRow("press unhovered stays normal") << "down" << "MouseDown" << 0 << 0 << false;
    QTest::newRow("click") << "enter down up:10,10" << "MouseEnter MouseDown Click MouseUp" << 1 << 1 << false;
    QTest::newRow("dragged out and released")
        << "enter down outheld up:25,10" << "MouseEnter MouseDown MouseLeave MouseMove MouseUp" << 0 << 0 << false;
    QTest::newRow("dragged back in presses again")
        << "enter down outheld moveheld"
        << "MouseEnter MouseDown MouseLeave MouseMove MouseEnter MouseMove" << 2 << 2 << false;
    QTest::newRow("double click")
        << "enter down up:10,10 dbl up:10,10"
        << "MouseEnter MouseDown Click MouseUp MouseDown DblClick Click MouseUp" << 1 << 1 << false;
    QTest::newRow("double click presses unhovered") << "dbl" << "MouseDown DblClick" << 2 << 2 << false;
    QTest::newRow("leave while disabled keeps look") << "enter disable leave" << "MouseEnter MouseLeave" << 1 << 1
                                                     << false;

    // Check-box mode.
    QTest::newRow("toggle on") << "cbm:1 enter down up:10,10" << "MouseEnter MouseDown Click MouseUp" << 1 << 2
                               << true;
    QTest::newRow("toggle off") << "cbm:1 down up:10,10 down up:10,10" << "MouseDown Click MouseUp MouseDown Click MouseUp"
                                << 0 << 0 << false;
    QTest::newRow("no toggle outside") << "cbm:1 down up:0,10" << "MouseDown MouseUp" << 0 << 0 << false;
    QTest::newRow("value ignored outside mode") << "enter down value:1" << "MouseEnter MouseDown" << 0 << 0 << false;
    QTest::newRow("value true keeps state") << "cbm:1 enter value:1" << "MouseEnter" << 1 << 2 << true;
    QTest::newRow("value false resets") << "cbm:1 enter down value:0" << "MouseEnter MouseDown" << 0 << 0 << false;
    QTest::newRow("mode off resets") << "enter down cbm:0" << "MouseEnter MouseDown" << 0 << 0 << false;
    QTest::newRow("mode on keeps state") << "enter cbm:1" << "MouseEnter" << 1 << 1 << false;

    // Keyboard.
    QTest::newRow("enter clicks") << "key:13" << "Click KeyDown" << 0 << 0 << false;
    QTest::newRow("other key") << "key:65" << "KeyDown" << 0 << 0 << false;
    QTest::newRow("arrows move focus")
        << "key:37 key:39 key:38 key:40" << "KeyDown FocusPrev KeyDown FocusNext KeyDown FocusPrev KeyDown FocusNext" << 0
        << 0 << false;
    QTest::newRow("space pressed") << "key:32" << "KeyDown" << 2 << 2 << false;
    QTest::newRow("space unhovered") << "key:32 keyup:32" << "KeyDown Click KeyUp" << 0 << 0 << false;
    QTest::newRow("space hovered") << "enter key:32 keyup:32" << "MouseEnter KeyDown Click KeyUp" << 1 << 1 << false;
    QTest::newRow("space up with mouse held")
        << "enter key:32 down keyup:32" << "MouseEnter KeyDown MouseDown KeyUp" << 2 << 2 << false;
    QTest::newRow("shift space ignored") << "skey:32 keyup:32" << "KeyDown KeyUp" << 0 << 0 << false;
    QTest::newRow("space ignored while mouse held")
        << "enter down key:32 keyup:32" << "MouseEnter MouseDown KeyDown KeyUp" << 2 << 2 << false;
    QTest::newRow("space toggles in mode") << "cbm:1 key:32" << "KeyDown" << 0 << 2 << true;
    QTest::newRow("held space toggles once")
        << "cbm:1 key:32 key:32 keyup:32" << "KeyDown KeyDown Click KeyUp" << 0 << 2 << true;
    QTest::newRow("space held through leave") << "enter key:32 leave" << "MouseEnter KeyDown MouseLeave" << 2 << 2
                                              << false;
    QTest::newRow("space held through move") << "enter key:32 move" << "MouseEnter KeyDown MouseMove" << 2 << 2
                                             << false;
    QTest::newRow("space pressed on enter") << "key:32 enter" << "KeyDown MouseEnter" << 2 << 2 << false;

    // Access keys.
    QTest::newRow("access key clicks") << "access:65" << "Click" << 0 << 0 << false;
    QTest::newRow("access key toggles") << "cbm:1 access:65" << "Click" << 0 << 2 << true;
    QTest::newRow("access key toggles back") << "cbm:1 enter access:65 access:65" << "MouseEnter Click Click" << 0
                                             << 0 << false;
    QTest::newRow("enter and escape ignored in mode") << "cbm:1 access:13 access:27" << "" << 0 << 0 << false;
    QTest::newRow("enter access outside mode") << "access:13" << "Click" << 0 << 0 << false;
    QTest::newRow("access key ends space press") << "key:32 access:65 keyup:32" << "KeyDown Click KeyUp" << 0 << 0
                                                 << false;
    QTest::newRow("access key when disabled") << "disable access:65" << "" << 0 << 0 << false;

    // Focus and activation.
    QTest::newRow("focus in hovering") << "enter leave enter focusin" << "MouseEnter MouseLeave MouseEnter" << 1 << 1
                                       << false;
    QTest::newRow("focus in keeps pressed") << "enter down focusin" << "MouseEnter MouseDown" << 2 << 2 << false;
    QTest::newRow("focus out ends space press")
        << "enter key:32 focusout keyup:32" << "MouseEnter KeyDown KeyUp" << 1 << 1 << false;
    QTest::newRow("focus out with parent inactive") << "deactivate enter focusout" << "MouseEnter" << 0 << 0 << false;
    QTest::newRow("deactivation releases mouse")
        << "enter down deactivate key:32" << "MouseEnter MouseDown KeyDown" << 2 << 2 << false;
    QTest::newRow("deactivation goes normal") << "enter down deactivate" << "MouseEnter MouseDown" << 0 << 0 << false;
    QTest::newRow("activation goes normal") << "enter activate" << "MouseEnter" << 0 << 0 << false;
}

void TestTzButtonState::rules()
{
    QFETCH(QString, script);
    TzButtonState s;
    QTEST(run(s, script), "events");
    QTEST(s.state(), "state");
    QTEST(s.effectiveState(), "look");
    QTEST(s.value(), "value");
}

void TestTzButtonState::releaseInside_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<bool>("click");
    QTest::newRow("middle") << 10.0 << 10.0 << true;
    QTest::newRow("x 0") << 0.0 << 10.0 << false;
    QTest::newRow("x 1") << 1.0 << 10.0 << true;
    QTest::newRow("x width-1") << 19.0 << 10.0 << true;
    QTest::newRow("x width") << 20.0 << 10.0 << false;
    QTest::newRow("y 0") << 10.0 << 0.0 << false;
    QTest::newRow("y height") << 10.0 << 20.0 << false;
    QTest::newRow("y height-1") << 10.0 << 19.0 << true;
    QTest::newRow("negative") << -3.0 << 10.0 << false;
}

void TestTzButtonState::releaseInside()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(bool, click);
    TzButtonState s;
    s.leftDown();
    const auto r = s.leftUp(x, y, 20, 20);
    QCOMPARE(r.has(TzButtonState::Event::Click), click);
    QVERIFY(r.has(TzButtonState::Event::MouseUp));
    QVERIFY(!s.isMouseDown());
}

void TestTzButtonState::checkedLook_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("forced");
    for (int style = 0; style < TzButtonState::kStyleCount; ++style)
        QTest::addRow("style %d", style) << style << (style != 0 && style != 3 && style != 9);
}

void TestTzButtonState::checkedLook()
{
    QFETCH(int, style);
    QFETCH(bool, forced);
    TzButtonState s;
    s.setButtonStyle(style);
    s.setCheckBoxMode(true);
    s.mouseEnter();
    s.setValue(true);
    QCOMPARE(s.effectiveState(), forced ? 2 : 1);
    s.setValue(false);
    QCOMPARE(s.effectiveState(), 0);
}

void TestTzButtonState::layout_data()
{
    // A 100 x 40 area, a 16 x 16 picture and a 40 x 12 caption.
    QTest::addColumn<int>("pictureAlign");
    QTest::addColumn<int>("captionAlign");
    QTest::addColumn<bool>("withPicture");
    QTest::addColumn<bool>("withCaption");
    QTest::addColumn<QPoint>("picture");
    QTest::addColumn<QPoint>("caption");
    QTest::newRow("left of caption") << 1 << 1 << true << true << QPoint(20, 12) << QPoint(40, 14);
    QTest::newRow("left of caption, left aligned") << 1 << 0 << true << true << QPoint(0, 12) << QPoint(20, 14);
    QTest::newRow("left of caption, right aligned") << 1 << 2 << true << true << QPoint(40, 12) << QPoint(60, 14);
    QTest::newRow("right of caption") << 3 << 1 << true << true << QPoint(64, 12) << QPoint(20, 14);
    QTest::newRow("left edge") << 0 << 1 << true << true << QPoint(0, 12) << QPoint(40, 14);
    QTest::newRow("right edge, left aligned") << 2 << 0 << true << true << QPoint(84, 12) << QPoint(0, 14);
    QTest::newRow("top edge") << 4 << 1 << true << true << QPoint(42, 0) << QPoint(30, 24);
    QTest::newRow("bottom edge") << 6 << 1 << true << true << QPoint(42, 24) << QPoint(30, 4);
    QTest::newRow("above caption") << 5 << 1 << true << true << QPoint(42, 4) << QPoint(30, 24);
    QTest::newRow("below caption") << 7 << 1 << true << true << QPoint(42, 20) << QPoint(30, 4);
    QTest::newRow("behind caption") << 8 << 1 << true << true << QPoint(42, 12) << QPoint(30, 14);
    QTest::newRow("unknown align") << 9 << 7 << true << true << QPoint(20, 12) << QPoint(40, 14);
    QTest::newRow("caption only") << 1 << 2 << false << true << QPoint() << QPoint(60, 14);
    QTest::newRow("picture only") << 1 << 1 << true << false << QPoint(42, 12) << QPoint();
}

void TestTzButtonState::layout()
{
    QFETCH(bool, withPicture);
    QFETCH(bool, withCaption);
    QFETCH(QPoint, picture);
    QFETCH(QPoint, caption);
    QFETCH(int, pictureAlign);
    QFETCH(int, captionAlign);
    const auto l = layoutContent(QRect(0, 0, 100, 40), withPicture ? QSize(16, 16) : QSize(),
                                 withCaption ? QSize(40, 12) : QSize(), pictureAlign, captionAlign);
    QCOMPARE(l.picture.isEmpty(), !withPicture);
    QCOMPARE(l.caption.isEmpty(), !withCaption);
    if (withPicture)
        QCOMPARE(l.picture, QRect(picture, QSize(16, 16)));
    if (withCaption)
        QCOMPARE(l.caption, QRect(caption, QSize(40, 12)));
}

QTEST_GUILESS_MAIN(TestTzButtonState)
#include "tst_TzButtonState.moc"
