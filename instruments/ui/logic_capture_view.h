#pragma once
// "Logic Capture": the logic view's capture on a time axis in real units, with
// zoom, horizontal scroll and two cursors. It is opened from the logic view
// and follows every new trace there; at every zoom each sample stays visible.

#include <QWidget>

#include "instruments/capture_export.h"
#include "instruments/logic_view_geometry.h"

class QLabel;
class QScrollBar;

namespace tamro {

// The trace, its time axis and the cursors, drawn in device pixels.
class LogicTraceArea final : public QWidget {
    Q_OBJECT
  public:
    explicit LogicTraceArea(QWidget* parent);

    void SetCapture(const LogicCapture& capture);
    void SetViewport(LogicViewport view);
    // Zooms by `factor` around the view's middle.
    void Zoom(double factor);

    const LogicCapture& Capture() const { return capture_; }
    LogicViewport Viewport() const { return view_; }
    // Cursor positions in samples (sample boundaries), or negative when unset.
    double CursorA() const { return cursorA_; }
    double CursorB() const { return cursorB_; }
    // "A 1.200 ms  B 2.200 ms  Δt 1.000 ms  1/Δt 1.000 kHz", as far as the cursors are set.
    QString CursorText() const;
    // The trace's horizontal extent in device pixels.
    int TraceWidthPixels() const;

  signals:
    void viewChanged();
    void cursorsChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    int Total() const;
    double SampleAt(double logicalX) const;

    LogicCapture capture_;
    LogicViewport view_;
    double cursorA_ = -1;
    double cursorB_ = -1;
};

class LogicCaptureView final : public QWidget {
    Q_OBJECT
  public:
    explicit LogicCaptureView(QWidget* parent = nullptr);

    void SetCapture(const LogicCapture& capture);
    LogicTraceArea& Trace() { return *trace_; }

  private:
    void SyncScrollBar();
    void ShowCursors();

    LogicTraceArea* trace_;
    QScrollBar* scroll_;
    QLabel* cursors_;
    QLabel* timeBase_;
};

}  // namespace tamro
