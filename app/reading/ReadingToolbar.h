#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QStringListModel;

namespace korvel::widgets {
class StyledButton;
}

namespace korvel::app {

// A button of the reading pane: the flat style with its focus shown.
widgets::StyledButton *makePaneButton(QWidget *parent, const QString &name, const QString &caption, const QString &tip);

// The page toolbar (picTool) across the top of the reading pane, laid out
// left to right: the page buttons, the page box inside its label, the
// auto-play switch with its seconds, the size lock, save and close. It only
// builds and places them; the pane connects them and keeps their state.
class ReadingToolbar final : public QWidget {
public:
    explicit ReadingToolbar(QWidget *parent);

    widgets::StyledButton *previousButton = nullptr;
    widgets::StyledButton *nextButton = nullptr;
    widgets::StyledButton *zoomInButton = nullptr;
    widgets::StyledButton *zoomOutButton = nullptr;
    widgets::StyledButton *actualSizeButton = nullptr;
    widgets::StyledButton *autoPlayButton = nullptr;
    widgets::StyledButton *closeBookButton = nullptr;
    widgets::StyledButton *savePictureButton = nullptr;
    widgets::StyledButton *lockButton = nullptr;
    QLabel *pageLabel = nullptr;
    QComboBox *pageBox = nullptr;
    QStringListModel *pageList = nullptr;
    QLineEdit *secondsBox = nullptr;
    QLabel *secondsLabel = nullptr;
};

} // namespace korvel::app
