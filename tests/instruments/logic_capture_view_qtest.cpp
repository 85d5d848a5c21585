// The capture view as the user meets it: a one-sample pulse on screen at every
// zoom, the cursors' read-out, zoom buttons and the scroll bar.

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include "instruments/ui/logic_capture_view.h"

using namespace tamro;

namespace {

LogicCapture PulseCapture(int pulse) {
    LogicCapture capture;
    capture.levels.assign(480, false);
    capture.levels[pulse] = true;
    capture.sampleTime = 1;
    return capture;
}

// Rows above the middle of the trace with any trace-coloured pixel, per column.
bool HighInkNear(const QImage& image, int fromX, int toX, int traceBottom) {
    for (int x = std::max(fromX, 0); x <= std::min(toX, image.width() - 1); ++x) {
        for (int y = 0; y < traceBottom / 2; ++y) {
            if (image.pixelColor(x, y) == QColor(0, 0, 128)) return true;
        }
    }
    return false;
}

}  // namespace

class LogicCaptureViewTest : public QObject {
    Q_OBJECT
  private slots:
    void onePulseIsOnScreenAtEveryZoom();
    void cursorsZoomAndScroll();
};

void LogicCaptureViewTest::onePulseIsOnScreenAtEveryZoom() {
    LogicCaptureView view;
    view.resize(500, 260);
    view.show();
    LogicTraceArea& trace = view.Trace();
    for (const int pulse : {0, 241, 479}) {
        view.SetCapture(PulseCapture(pulse));
        for (const double zoom : {1.0, 1.7, 6.0, kMaxLogicZoom}) {
            trace.SetViewport({zoom, pulse - VisibleSamples(480, zoom) / 2});
            const QImage image = trace.grab().toImage();
            const double ratio = trace.devicePixelRatioF();
            const LogicViewport shown = trace.Viewport();
            const int left =
                static_cast<int>(SampleToX(shown, 480, trace.TraceWidthPixels(), pulse) / ratio);
            const int right = static_cast<int>(
                SampleToX(shown, 480, trace.TraceWidthPixels(), pulse + 1) / ratio);
            QVERIFY2(HighInkNear(image, left - 1, right + 1, trace.height() - 22),
                     qPrintable(QString("pulse %1 zoom %2").arg(pulse).arg(zoom)));
        }
    }
}

void LogicCaptureViewTest::cursorsZoomAndScroll() {
    LogicCaptureView view;
    view.resize(500, 260);
    view.show();
    view.SetCapture(PulseCapture(10));
    LogicTraceArea& trace = view.Trace();
    auto* cursors = view.findChild<QLabel*>("CursorLabel");
    // 480 samples over the trace's width: samples 48 and 96 are a tenth and a fifth in.
    QTest::mouseClick(&trace, Qt::LeftButton, {}, QPoint(trace.width() / 10, 20));
    QTest::mouseClick(&trace, Qt::RightButton, {}, QPoint(trace.width() / 5, 20));
    QCOMPARE(trace.CursorB() - trace.CursorA(), 48.0);
    QVERIFY2(cursors->text().contains(QString::fromUtf8("Δt 4.800 ms")),
             qPrintable(cursors->text()));
    QVERIFY(cursors->text().contains(QString::fromUtf8("1/Δt 208.3 Hz")));

    auto* scroll = view.findChild<QScrollBar*>("TraceScrollBar");
    QCOMPARE(scroll->maximum(), 0);
    view.findChild<QPushButton*>("ZoomInButton")->click();
    QCOMPARE(trace.Viewport().zoom, 2.0);
    QCOMPARE(scroll->maximum(), 24000);
    scroll->setValue(scroll->maximum());
    QCOMPARE(trace.Viewport().firstSample, 240.0);
    view.findChild<QPushButton*>("WholeCaptureButton")->click();
    QCOMPARE(trace.Viewport().zoom, 1.0);
    QCOMPARE(scroll->maximum(), 0);
}

QTEST_MAIN(LogicCaptureViewTest)
#include "logic_capture_view_qtest.moc"
