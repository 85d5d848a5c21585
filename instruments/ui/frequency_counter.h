#pragma once
// The frequency counter window "Frequency Counter": modal over the main window.

#include <QDialog>
#include <memory>

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

    FrequencyCounterLogic logic_;
    QLineEdit* VMtext;
    QLabel* Label_unit;
    LampShape* Shape_over;
    QRadioButton* Option_GATEH;
    QRadioButton* Option_GATEL;
    std::unique_ptr<AutoControls> auto_;
};

}  // namespace tamro
