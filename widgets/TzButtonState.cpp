#include "widgets/TzButtonState.h"

#include <QMetaEnum>
#include <QtGlobal>

namespace korvel::widgets {

int TzButtonState::effectiveState() const
{
    if (m_checkBoxMode && m_value && valueForcesPressed(m_buttonStyle))
        return Pressed;
    return m_state;
}

TzButtonState::Reaction TzButtonState::repaintWith(std::initializer_list<Event> events)
{
    Reaction r;
    r.events = events;
    r.repaint = true;
    return r;
}

// The pointer has come over the button.
void TzButtonState::enterRule(Reaction &r)
{
    m_isHover = true;
    if (!m_isSpaceDown)
        m_state = Hot;
    r.repaint = true;
    r.events << Event::MouseEnter;
}

// The pointer has left the button; a held space bar keeps the look.
void TzButtonState::leaveRule(Reaction &r)
{
    m_isHover = false;
    if (!m_isSpaceDown && m_enabled)
        m_state = Normal;
    r.repaint = true;
    r.events << Event::MouseLeave;
}

// The look once nothing holds the button down any more.
void TzButtonState::restLook()
{
    m_state = m_isHover ? Hot : Normal;
}

TzButtonState::Reaction TzButtonState::mouseEnter()
{
    Reaction r;
    if (!m_isHover)
        enterRule(r);
    return r;
}

TzButtonState::Reaction TzButtonState::mouseLeave()
{
    Reaction r;
    // Leaving is reported once, whether a move outside or the window
    // system noticed it first.
    if (m_isHover)
        leaveRule(r);
    return r;
}

TzButtonState::Reaction TzButtonState::leftDown()
{
    m_isMouseDown = true;
    m_hasFocus = true;
    if (m_isHover)
        m_state = Pressed;
    return repaintWith({Event::MouseDown});
}

TzButtonState::Reaction TzButtonState::mouseMove(bool inside, bool buttonHeld)
{
    Reaction r;
    if (!inside) {
        if (m_isHover)
            leaveRule(r);
    } else if (!m_isHover) {
        enterRule(r);
    }
    if (m_isHover) {
        if (buttonHeld)
            m_state = Pressed;
        else if (!m_isSpaceDown && m_state != Hot)
            m_state = Hot;
    }
    r.repaint = true;
    r.events << Event::MouseMove;
    return r;
}

TzButtonState::Reaction TzButtonState::leftUp(double x, double y, double width, double height)
{
    Reaction r;
    m_isMouseDown = false;
    // A release shows the look the next pointer move would give.
    if (m_isHover && !m_isSpaceDown)
        m_state = Hot;
    r.repaint = true;
    if (insideClient(x, y, width, height)) {
        if (m_checkBoxMode)
            m_value = !m_value;
        r.events << Event::Click;
    }
    r.events << Event::MouseUp;
    return r;
}

TzButtonState::Reaction TzButtonState::dblClick()
{
    m_state = Pressed;
    // The second press of a double click arrives as the double click
    // itself, so the last press is replayed before DblClick.
    Reaction r = leftDown();
    r.events << Event::DblClick;
    return r;
}

TzButtonState::Reaction TzButtonState::keyDown(int vk, bool shift)
{
    Reaction r;
    switch (vk) {
    case vk::Return:
        r.events << Event::Click;
        break;
    case vk::Space:
        // A held space bar repeats its key-down; only the first one counts.
        if (!m_isMouseDown && !shift && !m_isSpaceDown) {
            m_isSpaceDown = true;
            if (m_checkBoxMode)
                m_value = !m_value;
            else
                m_state = Pressed;
            r.repaint = true;
        }
        break;
    case vk::Left:
    case vk::Up:
        r.focusMove = FocusMove::Previous;
        break;
    case vk::Right:
    case vk::Down:
        r.focusMove = FocusMove::Next;
        break;
    default:
        break;
    }
    r.events << Event::KeyDown;
    return r;
}

TzButtonState::Reaction TzButtonState::keyUp(int vk, bool /*shift*/)
{
    Reaction r;
    // Only a space press the button took ends in a click; one that was
    // ignored or cut short (focus loss, access key) does not.
    if (vk == vk::Space && m_isSpaceDown) {
        if (!m_isHover) {
            m_state = Normal;
            r.events << Event::Click;
        } else if (m_isMouseDown) {
            m_state = Pressed;
        } else {
            m_state = Hot;
            r.events << Event::Click;
        }
        r.repaint = true;
        m_isSpaceDown = false;
        m_isMouseDown = false;
    }
    r.events << Event::KeyUp;
    return r;
}

TzButtonState::Reaction TzButtonState::accessKey(int vk)
{
    Reaction r;
    if (!m_enabled)
        return r;
    if (m_isSpaceDown) {
        m_isSpaceDown = false;
        if (!m_isMouseDown)
            restLook();
        r.repaint = true;
    }
    if (m_checkBoxMode) {
        if (vk == vk::Return || vk == vk::Escape)
            return r;
        m_value = !m_value;
        if (!m_value)
            m_state = Normal;
        r.repaint = true;
    }
    r.events << Event::Click;
    return r;
}

TzButtonState::Reaction TzButtonState::focusIn()
{
    m_hasFocus = true;
    if (m_state != Pressed)
        restLook();
    return repaintWith({});
}

TzButtonState::Reaction TzButtonState::focusOut()
{
    m_hasFocus = false;
    m_isMouseDown = false;
    m_isSpaceDown = false;
    m_state = (m_isHover && m_parentActive) ? Hot : Normal;
    return repaintWith({});
}

TzButtonState::Reaction TzButtonState::parentActivated()
{
    m_parentActive = true;
    m_state = Normal;
    return repaintWith({});
}

TzButtonState::Reaction TzButtonState::parentDeactivated()
{
    m_isMouseDown = false;
    m_isSpaceDown = false;
    m_hasFocus = false;
    m_parentActive = false;
    m_state = Normal;
    return repaintWith({});
}

TzButtonState::Reaction TzButtonState::setValue(bool value)
{
    if (m_checkBoxMode) {
        m_value = value;
        if (!value)
            m_state = Normal;
    } else {
        m_state = Normal;
    }
    return repaintWith({});
}

TzButtonState::Reaction TzButtonState::setCheckBoxMode(bool on)
{
    m_checkBoxMode = on;
    if (!on)
        m_state = Normal;
    return repaintWith({});
}

TzButtonState::Reaction TzButtonState::setButtonStyle(int style)
{
    m_buttonStyle = qBound(0, style, kStyleCount - 1);
    return repaintWith({});
}

TzButtonState::Reaction TzButtonState::setEnabled(bool enabled)
{
    m_enabled = enabled;
    return repaintWith({});
}

QString TzButtonState::eventName(Event e)
{
    return QString::fromLatin1(QMetaEnum::fromType<Event>().valueToKey(int(e)));
}

} // namespace korvel::widgets
