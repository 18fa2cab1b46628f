#include "widgets/StyledButtonState.h"

#include <QMetaEnum>
#include <QtGlobal>

namespace korvel::widgets {

int StyledButtonState::effectiveState() const
{
    if (m_checkBoxMode && m_value && valueForcesPressed(m_buttonStyle))
        return Pressed;
    return m_state;
}

StyledButtonState::Reaction StyledButtonState::repaintWith(std::initializer_list<Event> events)
{
    Reaction r;
    r.events = events;
    r.repaint = true;
    return r;
}

// The pointer has come over the button.
void StyledButtonState::enterRule(Reaction &r)
{
    m_isHover = true;
    if (!m_isSpaceDown)
        m_state = Hot;
    r.repaint = true;
    r.events << Event::MouseEnter;
}

// The pointer has left the button; a held space bar keeps the look.
void StyledButtonState::leaveRule(Reaction &r)
{
    m_isHover = false;
    if (!m_isSpaceDown && m_enabled)
        m_state = Normal;
    r.repaint = true;
    r.events << Event::MouseLeave;
}

// The look once nothing holds the button down any more.
void StyledButtonState::restLook()
{
    m_state = m_isHover ? Hot : Normal;
}

StyledButtonState::Reaction StyledButtonState::mouseEnter()
{
    Reaction r;
    if (!m_isHover)
        enterRule(r);
    return r;
}

StyledButtonState::Reaction StyledButtonState::mouseLeave()
{
    Reaction r;
    // Leaving is reported once, whether a move outside or the window
    // system noticed it first.
    if (m_isHover)
        leaveRule(r);
    return r;
}

StyledButtonState::Reaction StyledButtonState::leftDown()
{
    m_isMouseDown = true;
    m_hasFocus = true;
    if (m_isHover)
        m_state = Pressed;
    return repaintWith({Event::MouseDown});
}

StyledButtonState::Reaction StyledButtonState::mouseMove(bool inside, bool buttonHeld)
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

StyledButtonState::Reaction StyledButtonState::leftUp(double x, double y, double width, double height)
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

StyledButtonState::Reaction StyledButtonState::dblClick()
{
    m_state = Pressed;
    // The second press of a double click arrives as the double click
    // itself, so the last press is replayed before DblClick.
    Reaction r = leftDown();
    r.events << Event::DblClick;
    return r;
}

StyledButtonState::Reaction StyledButtonState::keyDown(int vk, bool shift)
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

StyledButtonState::Reaction StyledButtonState::keyUp(int vk, bool /*shift*/)
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

StyledButtonState::Reaction StyledButtonState::accessKey(int vk)
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

StyledButtonState::Reaction StyledButtonState::focusIn()
{
    m_hasFocus = true;
    if (m_state != Pressed)
        restLook();
    return repaintWith({});
}

StyledButtonState::Reaction StyledButtonState::focusOut()
{
    m_hasFocus = false;
    m_isMouseDown = false;
    m_isSpaceDown = false;
    m_state = (m_isHover && m_parentActive) ? Hot : Normal;
    return repaintWith({});
}

StyledButtonState::Reaction StyledButtonState::parentActivated()
{
    m_parentActive = true;
    m_state = Normal;
    return repaintWith({});
}

StyledButtonState::Reaction StyledButtonState::parentDeactivated()
{
    m_isMouseDown = false;
    m_isSpaceDown = false;
    m_hasFocus = false;
    m_parentActive = false;
    m_state = Normal;
    return repaintWith({});
}

StyledButtonState::Reaction StyledButtonState::setValue(bool value)
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

StyledButtonState::Reaction StyledButtonState::setCheckBoxMode(bool on)
{
    m_checkBoxMode = on;
    if (!on)
        m_state = Normal;
    return repaintWith({});
}

StyledButtonState::Reaction StyledButtonState::setButtonStyle(int style)
{
    m_buttonStyle = qBound(0, style, kStyleCount - 1);
    return repaintWith({});
}

StyledButtonState::Reaction StyledButtonState::setEnabled(bool enabled)
{
    m_enabled = enabled;
    return repaintWith({});
}

QString StyledButtonState::eventName(Event e)
{
    return QString::fromLatin1(QMetaEnum::fromType<Event>().valueToKey(int(e)));
}

} // namespace korvel::widgets
