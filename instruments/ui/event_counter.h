#pragma once
// The event counter window "Counter": modal over the main window. Opening it
// resets the hardware's count.

#include <QDialog>
#include <memory>

#include "instruments/meter_logic.h"
#include "instruments/ui/instrument_widgets.h"

class QLineEdit;
class QPushButton;
class QTimer;

namespace tamro {

class LampShape;

class Form_CNT final : public QDialog {
    Q_OBJECT
  public:
    explicit Form_CNT(ProgrammerSession& session, QWidget* parent = nullptr);

    const EventCounterLogic& Logic() const { return logic_; }
    QTimer& AutoTimer() { return auto_->Timer(); }

  public slots:
    void Command_RESET_Click() { logic_.Reset(); }
    void Command_START_Click() { logic_.Start(); }
    void Command_STOP_Click() { logic_.Stop(); }
    void Command_READ_Click();
    void Command_AUTO_Click();
    void Timer_AUTO_Timer();

  protected:
    void done(int result) override;

  private:
    void Form_Load();
    void ShowReading();
    void ShowAutoState();

    EventCounterLogic logic_;
    QLineEdit* VMtext;
    LampShape* Shape_over;
    std::unique_ptr<AutoControls> auto_;
};

}  // namespace tamro
