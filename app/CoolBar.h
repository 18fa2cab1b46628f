#pragma once

#include <QWidget>

#include <array>

class QAction;
class QLabel;
class QLineEdit;
class QToolBar;

namespace korvel::widgets {
class StyledButton;
}

namespace korvel::app {

// The cool bar under the banner: the toolbar with its fourteen buttons
// (separators included) and the search band beside it.
class CoolBar final : public QWidget {
    Q_OBJECT
public:
    explicit CoolBar(QWidget *parent = nullptr);

    // Buttons are numbered from 1, as the toolbar counts them.
    QAction *button(int index) const { return m_buttons.at(index); }

signals:
    void buttonClicked(int index);
    // The search box's text as it changes (its prompt included), and the
    // search button (or Enter in the box).
    void searchTextChanged(const QString &text);
    void searchRequested();
    // The web search button, with the box's text as it stands (its prompt included).
    void webSearchRequested(const QString &text);

protected:
    void resizeEvent(QResizeEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyBackground();

    QToolBar *m_toolbar = nullptr;
    std::array<QAction *, 15> m_buttons{};
    QWidget *m_searchBand = nullptr;
    QLabel *m_searchBackground = nullptr;
    QLineEdit *m_searchBox = nullptr;
    widgets::StyledButton *m_searchButton = nullptr;
    widgets::StyledButton *m_webSearchButton = nullptr;
};

} // namespace korvel::app
