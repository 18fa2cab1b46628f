#include "widgets/StyledButton.h"

#include "widgets/KeyCodes.h"
#include "widgets/StyledButtonAccessible.h"
#include "widgets/StyledButtonLayout.h"
#include "widgets/StyledButtonPaint.h"

#include <QAccessible>
#include <QApplication>
#include <QBitmap>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QStyle>
#include <QStyleOption>

namespace korvel::widgets {

namespace {

constexpr int kContentMargin = 4;

using Event = StyledButtonState::Event;

// A pointer event the state rules leave alone: it is only passed on.
StyledButtonState::Reaction only(Event e)
{
    StyledButtonState::Reaction r;
    r.events << e;
    return r;
}

} // namespace

QString StyledButton::aboutText()
{
    return QStringLiteral("A Multistyle Button Control");
}

StyledButton::StyledButton(QWidget *parent)
    : StyledButton(QString::fromLatin1(kDefaultCaption), parent)
{
}

StyledButton::StyledButton(const QString &caption, QWidget *parent)
    : QWidget(parent)
    , m_caption(caption)
    , m_maskColor(QColor::fromRgb(StyledButtonState::kDefaultMaskColor))
{
    // Added once; Qt keeps a factory only once.
    QAccessible::installFactory(&StyledButtonAccessible::create);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    const int least = StyledButtonState::minimumPixels();
    setMinimumSize(least, least);
    updateShortcut();
    watchWindow();
    rebuildShape();
}

StyledButton::~StyledButton()
{
    if (m_watchedWindow && m_watchedWindow != this)
        m_watchedWindow->removeEventFilter(this);
}

// --- properties -----------------------------------------------------------

void StyledButton::setButtonStyle(int style)
{
    apply(m_state.setButtonStyle(style));
    rebuildShape();
}

void StyledButton::setShowFocusRect(bool on)
{
    m_showFocusRect = on;
    update();
}

QColor StyledButton::backColor() const
{
    return m_backColor.isValid() ? m_backColor : palette().color(QPalette::Button);
}

void StyledButton::setBackColor(const QColor &color)
{
    m_backColor = color;
    update();
}

QColor StyledButton::foreColor() const
{
    return m_foreColor.isValid() ? m_foreColor : palette().color(QPalette::ButtonText);
}

void StyledButton::setForeColor(const QColor &color)
{
    m_foreColor = color;
    update();
}

void StyledButton::setCaption(const QString &caption)
{
    m_caption = caption;
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    updateShortcut();
    updateGeometry();
    update();
}

void StyledButton::setValue(bool value)
{
    apply(m_state.setValue(value));
}

void StyledButton::click()
{
    const StyledButtonState::Reaction r = m_state.accessKey(0);
    if (r.repaint)
        repaint();
    apply(r);
}

void StyledButton::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    updateGeometry();
    update();
}

void StyledButton::setPictureHover(const QPixmap &picture)
{
    m_pictureHover = picture;
    update();
}

void StyledButton::setPictureSize(int size)
{
    m_pictureSize = size;
    updateGeometry();
    update();
}

void StyledButton::setPictureAlign(int align)
{
    m_pictureAlign = align;
    update();
}

void StyledButton::setCaptionAlign(int align)
{
    m_captionAlign = align;
    update();
}

void StyledButton::setMaskColor(const QColor &color)
{
    m_maskColor = color;
    update();
}

void StyledButton::setUseMaskColor(bool on)
{
    m_useMaskColor = on;
    update();
}

void StyledButton::setCheckBoxMode(bool on)
{
    apply(m_state.setCheckBoxMode(on));
}

void StyledButton::setHandPointer(bool on)
{
    m_handPointer = on;
    updateCursor();
}

void StyledButton::setGlyph(bool on)
{
    m_glyph = on;
    update();
}

void StyledButton::setDisplayAsDefault(bool on)
{
    m_isDefault = on;
    update();
}

// --- plumbing -------------------------------------------------------------

bool StyledButton::apply(const StyledButtonState::Reaction &r)
{
    return apply(r, PointerInfo());
}

bool StyledButton::apply(const StyledButtonState::Reaction &r, const PointerInfo &pointer, int keyCode,
                         Qt::KeyboardModifiers keyModifiers)
{
    if (r.repaint)
        update();
    if (m_state.value() != m_toldValue) {
        // Assistive technology hears of every change of the two-state value.
        m_toldValue = m_state.value();
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
    const QPointer<StyledButton> self(this);
    for (const Event e : r.events) {
        switch (e) {
        case Event::Click: emit Click(); break;
        case Event::DblClick: emit DblClick(); break;
        case Event::MouseEnter: emit MouseEnter(); break;
        case Event::MouseLeave: emit MouseLeave(); break;
        case Event::MouseMove: emit MouseMove(pointer.buttons, pointer.modifiers, pointer.pos); break;
        case Event::MouseUp: emit MouseUp(pointer.button, pointer.modifiers, pointer.pos); break;
        case Event::MouseDown: emit MouseDown(pointer.button, pointer.modifiers, pointer.pos); break;
        case Event::KeyDown: emit KeyDown(keyCode, keyModifiers); break;
        case Event::KeyUp: emit KeyUp(keyCode, keyModifiers); break;
        }
        if (!self)
            return false;
    }
    if (r.focusMove != StyledButtonState::FocusMove::None)
        focusNextPrevChild(r.focusMove == StyledButtonState::FocusMove::Next);
    return true;
}

void StyledButton::rebuildShape()
{
    setMask(roundedRegion(width(), height(), StyledButtonState::cornerEllipse(m_state.buttonStyle())));
}

void StyledButton::updateShortcut()
{
    if (m_shortcutId != 0)
        releaseShortcut(m_shortcutId);
    m_shortcutId = 0;
    const QKeySequence key = QKeySequence::mnemonic(m_caption);
    if (!key.isEmpty())
        m_shortcutId = grabShortcut(key);
}

void StyledButton::updateCursor()
{
    if (m_handPointer)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

// The host window's activation reaches the button through a filter on it.
void StyledButton::watchWindow()
{
    QWidget *w = window();
    if (w == m_watchedWindow)
        return;
    if (m_watchedWindow && m_watchedWindow != this)
        m_watchedWindow->removeEventFilter(this);
    m_watchedWindow = w;
    if (w != this)
        w->installEventFilter(this);
}

QPixmap StyledButton::shownPicture() const
{
    QPixmap pic = (m_state.isHover() && !m_pictureHover.isNull()) ? m_pictureHover : m_picture;
    if (pic.isNull())
        return pic;
    if (m_useMaskColor) {
        const QBitmap mask = pic.createMaskFromColor(m_maskColor, Qt::MaskInColor);
        pic.setMask(mask);
    }
    if (const int side = StyledButtonState::pictureSide(m_pictureSize); side > 0)
        pic = pic.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!isEnabled()) {
        QStyleOption opt;
        opt.initFrom(this);
        pic = style()->generatedIconPixmap(QIcon::Disabled, pic, &opt);
    }
    return pic;
}

QSize StyledButton::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    QSize text = m_caption.isEmpty() ? QSize() : fm.size(Qt::TextShowMnemonic, m_caption);
    QSize pic;
    if (!m_picture.isNull()) {
        const int side = StyledButtonState::pictureSide(m_pictureSize);
        pic = side > 0 ? QSize(side, side) : m_picture.deviceIndependentSize().toSize();
    }
    int w = text.width() + pic.width() + (text.isEmpty() || pic.isEmpty() ? 0 : kContentGap);
    int h = qMax(text.height(), pic.height());
    w += 2 * kContentMargin + 8;
    h += 2 * kContentMargin + 4;
    return QSize(qMax(w, 75), qMax(h, 23));
}

QSize StyledButton::minimumSizeHint() const
{
    const int least = StyledButtonState::minimumPixels();
    return QSize(least, least);
}

// --- events ---------------------------------------------------------------

bool StyledButton::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::Shortcut: {
        auto *se = static_cast<QShortcutEvent *>(e);
        if (se->shortcutId() != m_shortcutId || se->key().isEmpty())
            break;
        const int vk = vkCode(se->key()[0].key(), Qt::NoModifier);
        const StyledButtonState::Reaction r = m_state.accessKey(vk);
        if (r.repaint)
            repaint(); // the new look shows before the host's Click handler runs
        apply(r);
        return true;
    }
    case QEvent::ParentChange:
    case QEvent::Show:
        watchWindow();
        break;
    case QEvent::WindowActivate:
        if (window() == this)
            apply(m_state.parentActivated());
        break;
    case QEvent::WindowDeactivate:
        if (window() == this)
            apply(m_state.parentDeactivated());
        break;
    default:
        break;
    }
    return QWidget::event(e);
}

bool StyledButton::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == m_watchedWindow && watched != this) {
        if (e->type() == QEvent::WindowActivate)
            apply(m_state.parentActivated());
        else if (e->type() == QEvent::WindowDeactivate)
            apply(m_state.parentDeactivated());
    }
    return QWidget::eventFilter(watched, e);
}

void StyledButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int style = m_state.buttonStyle();

    TzFace face;
    face.rect = rect();
    face.state = m_state.effectiveState();
    face.enabled = isEnabled();
    face.isDefault = m_isDefault;
    face.hasFocus = m_state.hasFocus();
    face.checked = m_state.checkBoxMode() && m_state.value() && !StyledButtonState::valueForcesPressed(style);
    face.face = backColor();
    face.text = foreColor();
    face.disabledText = palette().color(QPalette::Disabled, QPalette::ButtonText);
    face.highlight = palette().color(QPalette::Highlight);
    paintFace(p, style, face);

    const TzCaptionLook look = captionLook(style, face);
    const QRect area = rect().adjusted(kContentMargin, kContentMargin, -kContentMargin, -kContentMargin);
    const bool glyph = m_glyph && isGlyphCaption(m_caption);

    QFont font = p.font();
    if (look.underline) {
        font.setUnderline(true);
        p.setFont(font);
    }
    const QFontMetrics fm(font);
    QSize text;
    if (glyph) {
        const int side = qBound(6, fm.height() - 2, qMax(6, qMin(area.width(), area.height())));
        text = QSize(side, side);
    } else if (!m_caption.isEmpty()) {
        text = fm.size(Qt::TextShowMnemonic, m_caption);
    }

    const QPixmap pic = shownPicture();
    QSize picSize;
    if (!pic.isNull())
        picSize = pic.deviceIndependentSize().toSize();

    const TzContentLayout layout = layoutContent(area, picSize, text, m_pictureAlign, m_captionAlign);
    if (!pic.isNull())
        p.drawPixmap(layout.picture.topLeft() + look.offset, pic);
    if (!layout.caption.isEmpty()) {
        const QRect box = layout.caption.translated(look.offset);
        if (glyph) {
            if (look.etched)
                paintGlyph(p, m_caption, box.translated(1, 1), palette().color(QPalette::Light));
            paintGlyph(p, m_caption, box, look.color);
        } else {
            const int flags = Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
            if (look.etched) {
                p.setPen(palette().color(QPalette::Light));
                p.drawText(box.translated(1, 1), flags, m_caption);
            }
            p.setPen(look.color);
            p.drawText(box, flags, m_caption);
        }
    }

    if (m_showFocusRect && m_state.hasFocus()) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(look.color, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

void StyledButton::resizeEvent(QResizeEvent *e)
{
    // Under 220 twips either way the button grows back to it; the resize
    // this asks for comes back here with the new size.
    const int w = StyledButtonState::raisedPixels(width());
    const int h = StyledButtonState::raisedPixels(height());
    if (w != width() || h != height()) {
        resize(w, h);
        return;
    }
    rebuildShape();
    update();
    QWidget::resizeEvent(e);
}

void StyledButton::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::EnabledChange)
        apply(m_state.setEnabled(isEnabled()));
    QWidget::changeEvent(e);
}

void StyledButton::enterEvent(QEnterEvent *e)
{
    apply(m_state.mouseEnter());
    QWidget::enterEvent(e);
}

void StyledButton::leaveEvent(QEvent *e)
{
    apply(m_state.mouseLeave());
    QWidget::leaveEvent(e);
}

void StyledButton::mousePressEvent(QMouseEvent *e)
{
    const PointerInfo info{e->button(), e->buttons(), e->modifiers(), e->position()};
    m_lastDown = info;
    if (e->button() != Qt::LeftButton) {
        apply(only(Event::MouseDown), info);
        return;
    }
    // A press is always over the button, even when no move announced it.
    if (!m_state.isHover() && rect().contains(e->position().toPoint())) {
        if (!apply(m_state.mouseEnter(), info))
            return;
    }
    apply(m_state.leftDown(), info);
}

void StyledButton::mouseMoveEvent(QMouseEvent *e)
{
    const PointerInfo info{Qt::NoButton, e->buttons(), e->modifiers(), e->position()};
    const bool inside = rect().contains(e->position().toPoint());
    apply(m_state.mouseMove(inside, e->buttons().testFlag(Qt::LeftButton)), info);
}

void StyledButton::mouseReleaseEvent(QMouseEvent *e)
{
    const PointerInfo info{e->button(), e->buttons(), e->modifiers(), e->position()};
    if (e->button() != Qt::LeftButton) {
        apply(only(Event::MouseUp), info);
        return;
    }
    apply(m_state.leftUp(e->position().x(), e->position().y(), width(), height()), info);
}

void StyledButton::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) {
        mousePressEvent(e);
        return;
    }
    // The replayed press carries the first press's button, keys and place.
    apply(m_state.dblClick(), m_lastDown);
}

void StyledButton::keyPressEvent(QKeyEvent *e)
{
    const int vk = vkCode(*e);
    const StyledButtonState::Reaction r = m_state.keyDown(vk, e->modifiers().testFlag(Qt::ShiftModifier));
    // Escape goes on to the host (a dialog's cancel); every other key stops here.
    if (vk == vk::Escape)
        e->ignore();
    else
        e->accept();
    apply(r, {}, vk, e->modifiers());
}

void StyledButton::keyReleaseEvent(QKeyEvent *e)
{
    // A held key repeats its key-down only.
    if (e->isAutoRepeat()) {
        e->ignore();
        return;
    }
    const int vk = vkCode(*e);
    e->accept();
    apply(m_state.keyUp(vk, e->modifiers().testFlag(Qt::ShiftModifier)), {}, vk, e->modifiers());
}

void StyledButton::focusInEvent(QFocusEvent *e)
{
    apply(m_state.focusIn());
    QWidget::focusInEvent(e);
}

void StyledButton::focusOutEvent(QFocusEvent *e)
{
    apply(m_state.focusOut());
    QWidget::focusOutEvent(e);
}

} // namespace korvel::widgets
