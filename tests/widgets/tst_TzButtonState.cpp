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

// Each rule: a script of inputs, the events raised, then the state, the look and the value.
struct Rule {
    const char *name, *script, *events;
    int state, look;
    bool value;
};
const Rule kRules[] = {
    // Pointer.
    {"hover", "enter", "MouseEnter", 1, 1, false},
    {"leave reported once", "enter leave leave", "MouseEnter MouseLeave", 0, 0, false},
    {"move announces hover", "move", "MouseEnter MouseMove", 1, 1, false},
    {"press while hovering", "enter down", "MouseEnter MouseDown", 2, 2, false},
    {"press unhovered stays normal", "down", "MouseDown", 0, 0, false},
    {"click", "enter down up:10,10", "MouseEnter MouseDown Click MouseUp", 1, 1, false},
    {"dragged out and released", "enter down outheld up:25,10",
     "MouseEnter MouseDown MouseLeave MouseMove MouseUp", 0, 0, false},
    {"dragged back in presses again", "enter down outheld moveheld",
     "MouseEnter MouseDown MouseLeave MouseMove MouseEnter MouseMove", 2, 2, false},
    {"double click", "enter down up:10,10 dbl up:10,10",
     "MouseEnter MouseDown Click MouseUp MouseDown DblClick Click MouseUp", 1, 1, false},
    {"double click presses unhovered", "dbl", "MouseDown DblClick", 2, 2, false},
    {"leave while disabled keeps look", "enter disable leave", "MouseEnter MouseLeave", 1, 1, false},
    // Check-box mode.
    {"toggle on", "cbm:1 enter down up:10,10", "MouseEnter MouseDown Click MouseUp", 1, 2, true},
    {"toggle off", "cbm:1 down up:10,10 down up:10,10", "MouseDown Click MouseUp MouseDown Click MouseUp", 0, 0, false},
    {"no toggle outside", "cbm:1 down up:0,10", "MouseDown MouseUp", 0, 0, false},
    {"value ignored outside mode", "enter down value:1", "MouseEnter MouseDown", 0, 0, false},
    {"value true keeps state", "cbm:1 enter value:1", "MouseEnter", 1, 2, true},
    {"value false resets", "cbm:1 enter down value:0", "MouseEnter MouseDown", 0, 0, false},
    {"mode off resets", "enter down cbm:0", "MouseEnter MouseDown", 0, 0, false},
    {"mode on keeps state", "enter cbm:1", "MouseEnter", 1, 1, false},
    // Keyboard.
    {"enter clicks", "key:13", "Click KeyDown", 0, 0, false},
    {"other key", "key:65", "KeyDown", 0, 0, false},
    {"arrows move focus", "key:37 key:39 key:38 key:40",
     "KeyDown FocusPrev KeyDown FocusNext KeyDown FocusPrev KeyDown FocusNext", 0, 0, false},
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
    {"access key toggles back", "cbm:1 enter access:65 access:65", "MouseEnter Click Click", 0, 0, false},
    {"enter and escape ignored in mode", "cbm:1 access:13 access:27", "", 0, 0, false},
    {"enter access outside mode", "access:13", "Click", 0, 0, false},
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
};

} // namespace

class TestTzButtonState final : public QObject {
    Q_OBJECT

private slots:
    void rules_data();
    void rules();
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
    for (const Rule &r : kRules)
        QTest::newRow(r.name) << QString::fromUtf8(r.script) << QString::fromUtf8(r.events) << r.state << r.look << r.value;
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
    // A 100 x 40 area, a 16 x 16 picture and a 40 x 12 caption. (The program
    // shows captions only; a picture's other places are not used.)
    QTest::addColumn<int>("pictureAlign");
    QTest::addColumn<int>("captionAlign");
    QTest::addColumn<bool>("withPicture");
    QTest::addColumn<bool>("withCaption");
    QTest::addColumn<QPoint>("picture");
    QTest::addColumn<QPoint>("caption");
    QTest::newRow("left of caption") << 1 << 1 << true << true << QPoint(20, 12) << QPoint(40, 14);
    QTest::newRow("left of caption, left aligned") << 1 << 0 << true << true << QPoint(0, 12) << QPoint(20, 14);
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
