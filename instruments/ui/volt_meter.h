#pragma once
// The volt meter window "Volt Meter": modal over the main window.

#include <QDialog>
#include <array>
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
class PressableProgressBar;
class VoltMeterExtrasPanel;

class VM final : public QDialog {
    Q_OBJECT
  public:
    VM(ProgrammerSession& session, SettingsStore& settings, QWidget* parent = nullptr);

    const VoltMeterLogic& Logic() const { return logic_; }
    // Hold, minimum and maximum, and the CSV log, on the read-out.
    VoltMeterExtrasPanel& Extras() { return *extras_; }
    QTimer& AutoTimer() { return auto_->Timer(); }

  public slots:
    void Command_READ_Click();
    void Command_AUTO_Click();
    void Timer_AUTO_Timer();
    void Command_COMP_Click();
    void Volt_Bar_MouseDown();

  protected:
    // Form_Unload runs on every way of closing.
    void done(int result) override;

  private:
    void Form_Load();
    void ShowReading();
    void ShowAutoState();
    void ShowWindowSize();

    VoltMeterLogic logic_;
    QLineEdit* VMtext;
    std::array<QRadioButton*, 3> Option_CH;
    PressableProgressBar* Volt_Bar;
    std::unique_ptr<AutoControls> auto_;
    QPushButton* Command_COMP;
    QLineEdit* Text_COMP;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    VoltMeterExtrasPanel* extras_;
    int readingsShown_ = 0;
};

}  // namespace tamro
