#pragma once
// The logic analyzer window "LOGIC VIEW": modeless, one at a time.

#include <QWidget>
#include <memory>
#include <optional>

#include "instruments/capture_export.h"
#include "instruments/logic_analyzer_logic.h"
#include "tools/file_dialogs.h"

class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace tamro {

class LampShape;
class LogicCaptureView;
class LogicPicture;

class LA final : public QWidget, public LogicAnalyzerDisplay {
    Q_OBJECT
  public:
    LA(ProgrammerSession& session, MessageBoxes& messages, EventPump& pump,
       QWidget* parent = nullptr);

    // Redraws grid, labels and trace from the samples.
    void SAMPLEDSP() override;
    // Draws the trace of a sample array.
    void DRAWPIC(const LogicSampleArray& samples);

    const LogicAnalyzerLogic& Logic() const { return logic_; }
    const LogicPicture& Picture() const { return *Picture1; }
    // The samples with the sample time and edge of the last TRIG (before any,
    // the ones the boxes show).
    LogicCapture CurrentCapture() const;
    // Where the export buttons ask for a file name; Qt's dialogs when not set.
    void SetFileDialogs(FileDialogs* dialogs) { fileDialogs_ = dialogs; }
    // The capture view, once VIEW has opened it.
    LogicCaptureView* CaptureView() const { return captureView_; }

  public slots:
    void Command7_Click();   // TRIG
    void Command9_Click();   // CLEAR
    void Command25_Click();  // DATA SET
    void Command10_Click();  // SAMPLE DISPLAY
    void ShowCaptureView();
    void ExportCapture(CaptureFileFormat format);

  private:
    void Form_Load();
    void ShowBusyLamp(Rgb colour) override;
    void ShowSampleTimeText(const std::string& text) override;

    LogicAnalyzerLogic logic_;
    MessageBoxes& messages_;
    FileDialogs* fileDialogs_ = nullptr;
    std::unique_ptr<FileDialogs> ownDialogs_;
    LogicCaptureView* captureView_ = nullptr;
    std::optional<SampleTime> triggeredSampleTime_;
    bool triggeredRisingEdge_ = true;
    LogicPicture* Picture1;
    LampShape* Shape2;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QLineEdit* STIME;
    QPlainTextEdit* Text1;
    QPlainTextEdit* Text3;
};

}  // namespace tamro
