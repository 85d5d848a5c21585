#include "instruments/ui/instrument_widgets.h"

#include <QCheckBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "instruments/meter_logic.h"

namespace tamro {

QColor ToQColor(Rgb colour) {
    return QColor(colour.red, colour.green, colour.blue);
}

Rgb ToRgb(const QColor& colour) {
    return {colour.red(), colour.green(), colour.blue()};
}

void PlaceTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

void GrowToCaption(QWidget* widget) {
    if (qobject_cast<QLabel*>(widget)) {
        widget->resize(widget->size().expandedTo(widget->minimumSizeHint()));
    } else if (qobject_cast<QRadioButton*>(widget) || qobject_cast<QCheckBox*>(widget)) {
        // The size hint's height has margins the buttons' rows have no room for.
        const QSize needed(widget->sizeHint().width(), widget->fontMetrics().height());
        widget->resize(widget->size().expandedTo(needed));
    }
}

void SetFixedOuterSize(QWidget* window, TwipSize outer) {
    const TwipSize client = ClientForOuter(outer.width, outer.height);
    window->setFixedSize(Px(client.width), Px(client.height));
}

void SetTextColour(QWidget* widget, Rgb colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, ToQColor(colour));
    palette.setColor(QPalette::Text, ToQColor(colour));
    widget->setPalette(palette);
}

void SetBoldPointSize(QWidget* widget, double pointSize) {
    QFont font = widget->font();
    font.setPointSizeF(pointSize);
    font.setBold(true);
    widget->setFont(font);
    GrowToCaption(widget);
}

void StyleReadout(QLineEdit* readout) {
    QPalette palette = readout->palette();
    palette.setColor(QPalette::Base, QColor(64, 64, 64));
    palette.setColor(QPalette::Text, QColor(0, 255, 255));
    readout->setPalette(palette);
    SetBoldPointSize(readout, 27.75);
    readout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void SyncTimer(QTimer& timer, bool enabled, int intervalMs) {
    if (!enabled) {
        timer.stop();
        return;
    }
    if (timer.interval() != intervalMs) timer.setInterval(intervalMs);
    if (!timer.isActive()) timer.start();
}

LampShape::LampShape(Kind kind, Rgb fill, QWidget* parent)
    : QWidget(parent), kind_(kind), fill_(fill) {}

void LampShape::SetFill(Rgb fill) {
    if (fill == fill_) return;
    fill_ = fill;
    update();
}

void LampShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(ToQColor(fill_));
    const QRect box = rect().adjusted(0, 0, -1, -1);
    if (kind_ == Kind::Circle) {
        painter.setRenderHint(QPainter::Antialiasing);
        const int side = std::min(box.width(), box.height());
        painter.drawEllipse(QRect(box.left(), box.top(), side, side));
    } else {
        painter.drawRect(box);
    }
}

void PressableProgressBar::mousePressEvent(QMouseEvent* event) {
    QProgressBar::mousePressEvent(event);
    emit pressed();
}

AutoControls::AutoControls(QWidget* window, int lampLeft, int buttonLeft, int buttonWidth, int top)
    : lamp_(new LampShape(LampShape::Kind::Rectangle, kLampGrey, window)),
      button_(MakeControl<QPushButton>(window, "Command_AUTO", "AUTO", buttonLeft, top, buttonWidth,
                                       375)),
      timer_(new QTimer(window)) {
    lamp_->setObjectName("Shape_AUTO");
    PlaceTwips(lamp_, lampLeft, top, 135, 375);
    timer_->setObjectName("Timer_AUTO");
    timer_->setInterval(kMeterTimerInterval);
}

void AutoControls::ShowLampAndTag(const AutoRepeat& state) {
    lamp_->SetFill(state.Lamp());
    button_->setProperty("tag", QString::fromStdString(state.Tag()));
}

void AutoControls::Show(const AutoRepeat& state, int intervalMs) {
    ShowLampAndTag(state);
    SyncTimer(*timer_, state.TimerEnabled(), intervalMs);
}

void AutoControls::Close(const AutoRepeat& state) {
    ShowLampAndTag(state);
    timer_->stop();
}

}  // namespace tamro
