#pragma once

#include "widgets/StyledButtonState.h"

#include <QColor>
#include <QPixmap>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace korvel::widgets {

// The owner-drawn push button of the toolbars and dialogs. It paints itself
// in one of sixteen styles, follows hover, pressed and focus itself, can
// act as a two-state toggle (CheckBoxMode) and raises its own events.
class StyledButton final : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int buttonStyle READ buttonStyle WRITE setButtonStyle)
    Q_PROPERTY(bool showFocusRect READ showFocusRect WRITE setShowFocusRect)
    Q_PROPERTY(QColor backColor READ backColor WRITE setBackColor)
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(bool value READ value WRITE setValue)
    Q_PROPERTY(QPixmap picture READ picture WRITE setPicture)
    Q_PROPERTY(QPixmap pictureHover READ pictureHover WRITE setPictureHover)
    Q_PROPERTY(int pictureSize READ pictureSize WRITE setPictureSize)
    Q_PROPERTY(int pictureAlign READ pictureAlign WRITE setPictureAlign)
    Q_PROPERTY(int captionAlign READ captionAlign WRITE setCaptionAlign)
    Q_PROPERTY(QColor maskColor READ maskColor WRITE setMaskColor)
    Q_PROPERTY(bool useMaskColor READ useMaskColor WRITE setUseMaskColor)
    Q_PROPERTY(QColor foreColor READ foreColor WRITE setForeColor)
    Q_PROPERTY(bool checkBoxMode READ checkBoxMode WRITE setCheckBoxMode)
    Q_PROPERTY(bool handPointer READ handPointer WRITE setHandPointer)
    Q_PROPERTY(bool glyph READ glyph WRITE setGlyph)
    Q_PROPERTY(bool displayAsDefault READ displayAsDefault WRITE setDisplayAsDefault)

public:
    static constexpr const char *kDisplayName = "TZButton";
    static constexpr const char *kAboutTitle = "About";
    static constexpr const char *kDefaultCaption = "tzbutton";
    static QString aboutText();

    explicit StyledButton(QWidget *parent = nullptr);
    explicit StyledButton(const QString &caption, QWidget *parent = nullptr);
    ~StyledButton() override;

    int buttonStyle() const { return m_state.buttonStyle(); }
    void setButtonStyle(int style);
    bool showFocusRect() const { return m_showFocusRect; }
    void setShowFocusRect(bool on);
    // Invalid colours stand for the system's button face and text colours.
    QColor backColor() const;
    void setBackColor(const QColor &color);
    QColor foreColor() const;
    void setForeColor(const QColor &color);
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    bool value() const { return m_state.value(); }
    void setValue(bool value);
    QPixmap picture() const { return m_picture; }
    void setPicture(const QPixmap &picture);
    QPixmap pictureHover() const { return m_pictureHover; }
    void setPictureHover(const QPixmap &picture);
    int pictureSize() const { return m_pictureSize; }
    void setPictureSize(int size);
    int pictureAlign() const { return m_pictureAlign; }
    void setPictureAlign(int align);
    int captionAlign() const { return m_captionAlign; }
    void setCaptionAlign(int align);
    QColor maskColor() const { return m_maskColor; }
    void setMaskColor(const QColor &color);
    bool useMaskColor() const { return m_useMaskColor; }
    void setUseMaskColor(bool on);
    bool checkBoxMode() const { return m_state.checkBoxMode(); }
    void setCheckBoxMode(bool on);
    bool handPointer() const { return m_handPointer; }
    void setHandPointer(bool on);
    // Captions "1", "2" and "r" paint the maximise, restore and close
    // symbols; the caption keeps the letter.
    bool glyph() const { return m_glyph; }
    void setGlyph(bool on);
    // The host's default button is drawn with a stronger border.
    bool displayAsDefault() const { return m_isDefault; }
    void setDisplayAsDefault(bool on);

    // Clicks the button as its access key does: Click, and in CheckBoxMode
    // the value turns over first. A disabled button does nothing.
    void click();

    // The run-time state: hover, pressed, focus and the look to paint.
    const StyledButtonState &buttonState() const { return m_state; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void Click();
    void DblClick();
    void MouseEnter();
    void MouseLeave();
    void MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, QPointF pos);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPointF pos);
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPointF pos);
    void KeyDown(int keyCode, Qt::KeyboardModifiers shift);
    void KeyUp(int keyCode, Qt::KeyboardModifiers shift);

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void changeEvent(QEvent *e) override;
    void enterEvent(QEnterEvent *e) override;
    void leaveEvent(QEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;

private:
    Q_DISABLE_COPY_MOVE(StyledButton)

    struct PointerInfo {
        Qt::MouseButton button = Qt::NoButton;
        Qt::MouseButtons buttons;
        Qt::KeyboardModifiers modifiers;
        QPointF pos;
    };

    // Raises the reaction's events and repaints; false when a handler
    // destroyed the button.
    bool apply(const StyledButtonState::Reaction &r);
    bool apply(const StyledButtonState::Reaction &r, const PointerInfo &pointer, int keyCode = 0,
               Qt::KeyboardModifiers keyModifiers = {});
    void rebuildShape();
    void updateShortcut();
    void updateCursor();
    void watchWindow();
    QPixmap shownPicture() const;

    StyledButtonState m_state;
    QString m_caption;
    QColor m_backColor;
    QColor m_foreColor;
    QColor m_maskColor;
    QPixmap m_picture;
    QPixmap m_pictureHover;
    int m_pictureSize = StyledButtonState::kDefaultPictureSize;
    int m_pictureAlign = StyledButtonState::kDefaultPictureAlign;
    int m_captionAlign = StyledButtonState::kDefaultCaptionAlign;
    bool m_showFocusRect = false;
    bool m_useMaskColor = false;
    bool m_handPointer = false;
    bool m_glyph = false;
    bool m_isDefault = false;
    int m_shortcutId = 0;
    bool m_toldValue = false; // the value assistive technology last heard of
    PointerInfo m_lastDown;
    QPointer<QWidget> m_watchedWindow;
};

} // namespace korvel::widgets
