#pragma once

#include "widgets/VirtualKeys.h"

#include <QList>
#include <QObject>
#include <QString>

namespace korvel::widgets {

// The run-time state of the toolbar button: what each mouse, keyboard and
// focus input does to it, which events it raises and which look to paint.
// Holds no widget, so the rules run without a screen; StyledButton feeds it.
class StyledButtonState final {
    Q_GADGET

public:
    // Events raised to the host, in the order the host declares them.
    enum class Event { Click, DblClick, MouseEnter, MouseLeave, MouseMove, MouseUp, MouseDown, KeyDown, KeyUp };
    Q_ENUM(Event)

    // The look: 0 normal, 1 hot (pointer over it), 2 pressed.
    enum Look { Normal = 0, Hot = 1, Pressed = 2 };

    // Where the arrow keys send the focus.
    enum class FocusMove { None, Previous, Next };

    // What an input asks of the widget: events to raise in this order,
    // whether to repaint and whether to move the focus afterwards.
    struct Reaction {
        QList<Event> events;
        bool repaint = false;
        FocusMove focusMove = FocusMove::None;

        bool has(Event e) const { return events.contains(e); }
    };

    // Property defaults.
    static constexpr int kStyleCount = 16;
    static constexpr int kDefaultButtonStyle = 1;
    static constexpr quint32 kDefaultMaskColor = 0xE0E0E0;
    static constexpr int kDefaultPictureAlign = 1;
    static constexpr int kDefaultCaptionAlign = 1;
    static constexpr int kDefaultPictureSize = 0;

    // Sizes: 15 twips make one logical pixel.
    static constexpr int kTwipsPerPixel = 15;
    static constexpr int minimumTwips() { return 220; }
    // The smallest whole pixel count that is not under the minimum (15).
    static constexpr int minimumPixels() { return (minimumTwips() + kTwipsPerPixel - 1) / kTwipsPerPixel; }
    // A width or height in twips under the minimum is raised to it.
    static constexpr float raisedTwips(float twips) { return twips < minimumTwips() ? float(minimumTwips()) : twips; }
    // The same for a length in logical pixels.
    static constexpr int raisedPixels(int pixels)
    {
        return pixels * kTwipsPerPixel < minimumTwips() ? minimumPixels() : pixels;
    }

    // Corner ellipse of the window shape for a style; 0 means a plain
    // rectangle of the client size.
    static constexpr int cornerEllipse(int style)
    {
        switch (style) {
        case 2: case 4: case 6: case 8: return 3;
        case 3: case 10: return 4;
        case 14: return 18;
        default: return 0;
        }
    }

    // Side of the drawn picture for a PictureSize value; 0 keeps the
    // picture's own size.
    static constexpr int pictureSide(int pictureSize)
    {
        switch (pictureSize) {
        case 1: return 16;
        case 2: return 24;
        case 3: return 32;
        default: return 0;
        }
    }

    // Styles that never show a set Value as pressed; their painters draw
    // the checked look themselves.
    static constexpr bool valueForcesPressed(int style) { return style != 0 && style != 3 && style != 9; }

    static constexpr bool insideClient(double x, double y, double width, double height)
    {
        return x > 0 && x < width && y > 0 && y < height;
    }

    StyledButtonState() = default;

    // The look to paint: a set Value in CheckBoxMode shows pressed.
    int effectiveState() const;

    // Pointer.
    Reaction mouseEnter();
    Reaction mouseLeave();
    Reaction leftDown();
    Reaction mouseMove(bool inside, bool buttonHeld);
    Reaction leftUp(double x, double y, double width, double height);
    Reaction dblClick();

    // Keyboard; vk is a Windows virtual-key code.
    Reaction keyDown(int vk, bool shift);
    Reaction keyUp(int vk, bool shift);
    Reaction accessKey(int vk);

    // Focus and the host window's activation.
    Reaction focusIn();
    Reaction focusOut();
    Reaction parentActivated();
    Reaction parentDeactivated();

    // Property changes.
    Reaction setValue(bool value);
    Reaction setCheckBoxMode(bool on);
    Reaction setButtonStyle(int style);
    Reaction setEnabled(bool enabled);

    int state() const { return m_state; }
    bool isHover() const { return m_isHover; }
    bool isMouseDown() const { return m_isMouseDown; }
    bool isSpaceDown() const { return m_isSpaceDown; }
    bool hasFocus() const { return m_hasFocus; }
    bool parentActive() const { return m_parentActive; }
    bool value() const { return m_value; }
    bool checkBoxMode() const { return m_checkBoxMode; }
    bool enabled() const { return m_enabled; }
    int buttonStyle() const { return m_buttonStyle; }

    static QString eventName(Event e);

private:
    static Reaction repaintWith(std::initializer_list<Event> events);
    void enterRule(Reaction &r);
    void leaveRule(Reaction &r);
    void restLook();

    int m_state = Normal;
    bool m_isHover = false;
    bool m_isMouseDown = false;
    bool m_isSpaceDown = false;
    bool m_hasFocus = false;
    bool m_parentActive = true;
    bool m_value = false;
    bool m_checkBoxMode = false;
    bool m_enabled = true;
    int m_buttonStyle = kDefaultButtonStyle;
};

} // namespace korvel::widgets
