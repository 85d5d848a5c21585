#pragma once
// The logic analyzer window "LOGIC VIEW": modeless, one at a time.

#include <QWidget>

#include "instruments/logic_analyzer_logic.h"

class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace tamro {

class LampShape;
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

  public slots:
    void Command7_Click();   // TRIG
    void Command9_Click();   // CLEAR
    void Command25_Click();  // DATA SET
    void Command10_Click();  // SAMPLE DISPLAY

  private:
    void Form_Load();
    void ShowBusyLamp(Rgb colour) override;
    void ShowSampleTimeText(const std::string& text) override;

    LogicAnalyzerLogic logic_;
    LogicPicture* Picture1;
    LampShape* Shape2;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QLineEdit* STIME;
    QPlainTextEdit* Text1;
    QPlainTextEdit* Text3;
};

}  // namespace tamro
