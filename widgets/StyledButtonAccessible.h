#pragma once

#include <QAccessibleWidget>

namespace korvel::widgets {

class StyledButton;

// What a screen reader and other assistive technology see of a StyledButton: a
// push button, or a check box with its checked state in CheckBoxMode; its
// caption as its name (the tooltip when it has none, or when the caption
// only selects a painted symbol); a press action that clicks it.
class StyledButtonAccessible final : public QAccessibleWidget {
public:
    explicit StyledButtonAccessible(StyledButton *button);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

    // The factory Qt asks for the interface of a StyledButton.
    static QAccessibleInterface *create(const QString &className, QObject *object);

private:
    StyledButton *button() const;
};

} // namespace korvel::widgets
