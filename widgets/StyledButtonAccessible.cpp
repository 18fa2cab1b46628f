#include "widgets/StyledButtonAccessible.h"

#include "widgets/StyledButton.h"

#include <QKeySequence>

namespace korvel::widgets {

namespace {

// The caption as read out: "&" marks the access key and is not said; "&&" is one "&".
QString spokenCaption(const QString &caption)
{
    QString out;
    out.reserve(caption.size());
    for (int i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption.at(i + 1) == QLatin1Char('&'))
                ++i;
            else
                continue;
        }
        out += caption.at(i);
    }
    return out;
}

} // namespace

StyledButtonAccessible::StyledButtonAccessible(StyledButton *button)
    : QAccessibleWidget(button, QAccessible::Button)
{
}

StyledButton *StyledButtonAccessible::button() const
{
    return static_cast<StyledButton *>(widget());
}

QAccessibleInterface *StyledButtonAccessible::create(const QString &, QObject *object)
{
    if (auto *b = qobject_cast<StyledButton *>(object))
        return new StyledButtonAccessible(b);
    return nullptr;
}

QAccessible::Role StyledButtonAccessible::role() const
{
    return button()->checkBoxMode() ? QAccessible::CheckBox : QAccessible::Button;
}

QAccessible::State StyledButtonAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    const StyledButton *b = button();
    if (b->checkBoxMode()) {
        s.checkable = true;
        s.checked = b->value();
    }
    s.pressed = b->buttonState().isMouseDown() || b->buttonState().isSpaceDown();
    if (b->displayAsDefault())
        s.defaultButton = true;
    return s;
}

QString StyledButtonAccessible::text(QAccessible::Text t) const
{
    const StyledButton *b = button();
    switch (t) {
    case QAccessible::Name: {
        if (!b->accessibleName().isEmpty())
            return b->accessibleName();
        const QString caption = b->glyph() ? QString() : spokenCaption(b->caption());
        if (!caption.trimmed().isEmpty())
            return caption;
        return b->toolTip().isEmpty() ? spokenCaption(b->caption()) : b->toolTip();
    }
    case QAccessible::Accelerator: {
        const QKeySequence key = QKeySequence::mnemonic(b->caption());
        return key.isEmpty() ? QString() : key.toString(QKeySequence::NativeText);
    }
    default:
        return QAccessibleWidget::text(t);
    }
}

QStringList StyledButtonAccessible::actionNames() const
{
    QStringList names;
    if (button()->isEnabled()) {
        names << pressAction();
        if (button()->checkBoxMode())
            names << toggleAction();
    }
    return names + QAccessibleWidget::actionNames();
}

void StyledButtonAccessible::doAction(const QString &actionName)
{
    if (!button()->isEnabled())
        return;
    if (actionName == pressAction() || actionName == toggleAction())
        button()->click();
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList StyledButtonAccessible::keyBindingsForAction(const QString &actionName) const
{
    if (actionName == pressAction() || actionName == toggleAction()) {
        const QKeySequence key = QKeySequence::mnemonic(button()->caption());
        if (!key.isEmpty())
            return {key.toString(QKeySequence::NativeText)};
    }
    return QAccessibleWidget::keyBindingsForAction(actionName);
}

} // namespace korvel::widgets
