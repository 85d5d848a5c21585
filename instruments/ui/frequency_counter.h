#pragma once
// The frequency counter window "Frequency Counter": modal over the main window.

#include <QDialog>
#include <memory>

#include "instruments/frequency_auto_gate.h"
#include "instruments/meter_logic.h"
#include "instruments/ui/instrument_widgets.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace tamro {

class LampShape;

class Form_FCNT final : public QDialog {
    Q_OBJECT
  public:
    explicit Form_FCNT(ProgrammerSession& session, QWidget* parent = nullptr);

    const FrequencyCounterLogic& Logic() const { return logic_; }
    QTimer& AutoTimer() { return auto_->Timer(); }

  public slots:
    void Command_READ_Click();
    void Command_AUTO_Click();
    void Timer_AUTO_Timer();

  protected:
    void done(int result) override;

  private:
    void Form_Load();
    void ShowReading();
    void ShowAutoState();
    // With the automatic gate: the next measurement's gate before it, and
    // after a 1 s count that overflowed, the 100 ms measurement at once.
    void FollowAutoGate(int readingsBefore);

    FrequencyCounterLogic logic_;
    bool autoGateOn_ = false;
    AutoGate autoGate_;
    QLineEdit* VMtext;
    QLabel* Label_unit;
    LampShape* Shape_over;
    QRadioButton* Option_GATEH;
    QRadioButton* Option_GATEL;
    QRadioButton* Option_GATEA;
    std::unique_ptr<AutoControls> auto_;
};

}  // namespace tamro
