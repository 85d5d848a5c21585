#include "instruments/ui/logic_capture_view.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

namespace tamro {

namespace {

// Scroll bar steps per sample, so that a close zoom still scrolls smoothly.
constexpr int kScrollStepsPerSample = 100;
constexpr double kAxisBandPixels = 22;  // logical pixels under the trace
constexpr double kMinTickSpacing = 70;  // logical pixels between time labels
constexpr double kWheelZoom = 1.25;
constexpr double kButtonZoom = 2;
const QColor kCaptureTraceColour(0, 0, 128);
const QColor kGridColour(224, 224, 224);
const QColor kCursorAColour(200, 0, 0);
const QColor kCursorBColour(0, 110, 200);

}  // namespace

LogicTraceArea::LogicTraceArea(QWidget* parent) : QWidget(parent) {
    setObjectName("LogicTrace");
    setMinimumSize(320, 120);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip("Left click: cursor A, right click: cursor B, wheel: zoom");
}

int LogicTraceArea::Total() const {
    return static_cast<int>(capture_.levels.size());
}

int LogicTraceArea::TraceWidthPixels() const {
    return static_cast<int>(std::lround(width() * devicePixelRatioF()));
}

double LogicTraceArea::SampleAt(double logicalX) const {
    return XToSample(view_, Total(), TraceWidthPixels(), logicalX * devicePixelRatioF());
}

void LogicTraceArea::SetCapture(const LogicCapture& capture) {
    const bool sameLength = capture.levels.size() == capture_.levels.size();
    capture_ = capture;
    if (!sameLength) {
        view_ = {};
        cursorA_ = cursorB_ = -1;
    }
    view_ = ClampViewport(view_, Total());
    emit viewChanged();
    emit cursorsChanged();
    update();
}

void LogicTraceArea::SetViewport(LogicViewport view) {
    view_ = ClampViewport(view, Total());
    emit viewChanged();
    update();
}

void LogicTraceArea::Zoom(double factor) {
    SetViewport(ZoomAround(view_, factor, 0.5, Total()));
}

QString LogicTraceArea::CursorText() const {
    const double period = SamplePeriodSeconds(capture_.sampleTime);
    QStringList parts;
    if (cursorA_ >= 0) parts << "A " + QString::fromStdString(TimeText(cursorA_ * period));
    if (cursorB_ >= 0) parts << "B " + QString::fromStdString(TimeText(cursorB_ * period));
    if (cursorA_ >= 0 && cursorB_ >= 0) {
        const CursorMeasurement m = MeasureCursors(cursorA_, cursorB_, period);
        parts << QString::fromUtf8("Δt ") + QString::fromStdString(m.timeText);
        if (!m.frequencyText.empty()) {
            parts << QString::fromUtf8("1/Δt ") + QString::fromStdString(m.frequencyText);
        }
    }
    return parts.isEmpty() ? QString("Left click: cursor A, right click: cursor B")
                           : parts.join("   ");
}

void LogicTraceArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const double ratio = devicePixelRatioF();
    const int widthPixels = TraceWidthPixels();
    const double traceBottom = (height() - kAxisBandPixels) * ratio;
    const double highY = 0.2 * traceBottom;
    const double lowY = 0.8 * traceBottom;
    auto line = [&](double x1, double y1, double x2, double y2) {
        painter.drawLine(QLineF(x1 / ratio, y1 / ratio, x2 / ratio, y2 / ratio));
    };
    const int total = Total();
    if (total == 0) return;
    const double period = SamplePeriodSeconds(capture_.sampleTime);

    const auto ticks = TimeAxisTicks(view_, total, widthPixels, period, kMinTickSpacing * ratio);
    const QFontMetrics metrics(font());
    for (const AxisTick& tick : ticks) {
        painter.setPen(QPen(kGridColour, 0));
        line(tick.x, 0, tick.x, traceBottom);
        painter.setPen(QPen(Qt::black, 0));
        const QString label = QString::fromStdString(tick.label);
        const double left = std::clamp(tick.x / ratio - metrics.horizontalAdvance(label) / 2.0, 0.0,
                                       width() - metrics.horizontalAdvance(label) - 1.0);
        painter.drawText(QPointF(left, height() - kAxisBandPixels + 4 + metrics.ascent()), label);
    }

    painter.setPen(QPen(kCaptureTraceColour, 0));
    for (const TraceSegment& s : TraceSegments(capture_.levels, view_, widthPixels, highY, lowY)) {
        line(s.x1, s.y1, s.x2, s.y2);
    }

    for (const auto& [cursor, colour] :
         {std::pair{cursorA_, kCursorAColour}, std::pair{cursorB_, kCursorBColour}}) {
        if (cursor < 0) continue;
        painter.setPen(QPen(colour, 0, Qt::DashLine));
        const double x = SampleToX(view_, total, widthPixels, cursor);
        line(x, 0, x, traceBottom);
    }
}

void LogicTraceArea::mousePressEvent(QMouseEvent* event) {
    if (Total() == 0) return;
    const double sample = SnapCursor(SampleAt(event->position().x()), Total());
    if (event->button() == Qt::LeftButton) {
        cursorA_ = sample;
    } else if (event->button() == Qt::RightButton) {
        cursorB_ = sample;
    } else {
        return;
    }
    emit cursorsChanged();
    update();
}

void LogicTraceArea::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y();
    if (steps == 0 || width() <= 0) return;
    const double factor = steps > 0 ? kWheelZoom : 1 / kWheelZoom;
    SetViewport(ZoomAround(view_, factor, event->position().x() / width(), Total()));
    event->accept();
}

LogicCaptureView::LogicCaptureView(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("LogicCaptureView");
    setWindowTitle("Logic Capture");
    auto* layout = new QVBoxLayout(this);
    auto* controls = new QHBoxLayout;
    timeBase_ = new QLabel(this);
    timeBase_->setObjectName("TimeBaseLabel");
    controls->addWidget(timeBase_, 1);
    auto addButton = [&](const char* name, const char* caption) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        controls->addWidget(button);
        return button;
    };
    QPushButton* zoomIn = addButton("ZoomInButton", "Zoom in");
    QPushButton* zoomOut = addButton("ZoomOutButton", "Zoom out");
    QPushButton* whole = addButton("WholeCaptureButton", "Whole capture");
    layout->addLayout(controls);
    trace_ = new LogicTraceArea(this);
    layout->addWidget(trace_, 1);
    scroll_ = new QScrollBar(Qt::Horizontal, this);
    scroll_->setObjectName("TraceScrollBar");
    layout->addWidget(scroll_);
    cursors_ = new QLabel(this);
    cursors_->setObjectName("CursorLabel");
    cursors_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(cursors_);
    resize(900, 320);

    connect(zoomIn, &QPushButton::clicked, this, [this] { trace_->Zoom(kButtonZoom); });
    connect(zoomOut, &QPushButton::clicked, this, [this] { trace_->Zoom(1 / kButtonZoom); });
    connect(whole, &QPushButton::clicked, this, [this] { trace_->SetViewport({}); });
    connect(trace_, &LogicTraceArea::viewChanged, this, &LogicCaptureView::SyncScrollBar);
    connect(trace_, &LogicTraceArea::cursorsChanged, this, &LogicCaptureView::ShowCursors);
    connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) {
        LogicViewport view = trace_->Viewport();
        const double first = static_cast<double>(value) / kScrollStepsPerSample;
        if (std::fabs(first - view.firstSample) * kScrollStepsPerSample < 1) return;
        view.firstSample = first;
        trace_->SetViewport(view);
    });
    SyncScrollBar();
    ShowCursors();
}

void LogicCaptureView::SetCapture(const LogicCapture& capture) {
    timeBase_->setText(QString("Sample time %1, trigger on %2, %3 samples")
                           .arg(QString::fromStdString(SamplePeriodText(capture.sampleTime)),
                                QString::fromStdString(TriggerEdgeText(capture.risingEdge)))
                           .arg(capture.levels.size()));
    trace_->SetCapture(capture);
}

void LogicCaptureView::SyncScrollBar() {
    const int total = static_cast<int>(trace_->Capture().levels.size());
    const LogicViewport view = trace_->Viewport();
    const QSignalBlocker blocker(scroll_);
    scroll_->setRange(
        0, static_cast<int>(std::lround(MaxFirstSample(total, view.zoom) * kScrollStepsPerSample)));
    scroll_->setPageStep(
        static_cast<int>(std::lround(VisibleSamples(total, view.zoom) * kScrollStepsPerSample)));
    scroll_->setSingleStep(kScrollStepsPerSample);
    scroll_->setValue(static_cast<int>(std::lround(view.firstSample * kScrollStepsPerSample)));
}

void LogicCaptureView::ShowCursors() {
    cursors_->setText(trace_->CursorText());
}

}  // namespace tamro
