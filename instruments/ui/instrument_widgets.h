#pragma once
// Small pieces the instrument windows share: placing controls in twips, the
// fixed outer window size, filled lamp shapes and the read-out box.

#include <QColor>
#include <QProgressBar>
#include <QWidget>

#include "common/platform.h"
#include "common/twips.h"
#include "instruments/auto_repeat.h"

class QLineEdit;
class QPushButton;
class QTimer;

namespace tamro {

QColor ToQColor(Rgb colour);
Rgb ToRgb(const QColor& colour);

// Left, top, width and height in twips, inside the parent's client area.
void PlaceTwips(QWidget* widget, int left, int top, int width, int height);
// Fixes a window's outer size (twips); only the window's own operations change
// it.
void SetFixedOuterSize(QWidget* window, TwipSize outer);

// Grows a label, radio button or check box whose caption needs more room at
// its font than its place gives (a Linux font can be wider or taller than the
// one the windows were laid out for); other controls are left as placed.
void GrowToCaption(QWidget* widget);

// A control with a caption or text, named and placed in twips.
template <typename W>
W* MakeControl(QWidget* parent, const char* name, const QString& text, int left, int top, int width,
               int height) {
    auto* widget = new W(text, parent);
    widget->setObjectName(name);
    PlaceTwips(widget, left, top, width, height);
    GrowToCaption(widget);
    return widget;
}

void SetTextColour(QWidget* widget, Rgb colour);
void SetBoldPointSize(QWidget* widget, double pointSize);

// The large read-out: dark grey box, cyan bold 27.75 pt text, right-aligned.
void StyleReadout(QLineEdit* readout);

// Enables, disables and re-times a repeat timer. Enabling a running timer
// leaves its next tick where it was.
void SyncTimer(QTimer& timer, bool enabled, int intervalMs);

// A filled rectangle or circle.
class LampShape final : public QWidget {
    Q_OBJECT
  public:
    enum class Kind { Rectangle, Circle };
    LampShape(Kind kind, Rgb fill, QWidget* parent);
    void SetFill(Rgb fill);
    Rgb Fill() const { return fill_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Kind kind_;
    Rgb fill_;
};

// A progress bar that reports a mouse-button press on it.
class PressableProgressBar final : public QProgressBar {
    Q_OBJECT
  public:
    using QProgressBar::QProgressBar;

  signals:
    void pressed();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// The AUTO lamp (Shape_AUTO), button (Command_AUTO) and repeat timer
// (Timer_AUTO) the three meters share, showing the meter's AutoRepeat.
class AutoControls {
  public:
    // The lamp at `lampLeft`, the button from `buttonLeft`, both on row `top`.
    AutoControls(QWidget* window, int lampLeft, int buttonLeft, int buttonWidth, int top);
    QPushButton* Button() const { return button_; }
    QTimer& Timer() const { return *timer_; }
    // Lamp and tag as `state` says; the timer runs every `intervalMs` while
    // `state` enables it.
    void Show(const AutoRepeat& state, int intervalMs);
    // On closing: lamp and tag as `state` says, the timer stopped.
    void Close(const AutoRepeat& state);

  private:
    void ShowLampAndTag(const AutoRepeat& state);

    LampShape* lamp_;
    QPushButton* button_;
    QTimer* timer_;
};

}  // namespace tamro
