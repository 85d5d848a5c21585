#include "instruments/ui/event_counter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "instruments/ui/instrument_widgets.h"

namespace tamro {

Form_CNT::Form_CNT(ProgrammerSession& session, QWidget* parent) : QDialog(parent), logic_(session) {
    setWindowTitle("Counter");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    VMtext = MakeControl<QLineEdit>(this, "VMtext", "0", 135, 180, 2520, 720);
    StyleReadout(VMtext);
    SetBoldPointSize(MakeControl<QLabel>(this, "Label1", "Cnt", 2745, 540, 615, 375), 14.25);

    Shape_over = new LampShape(LampShape::Kind::Circle, kLampGrey, this);
    Shape_over->setObjectName("Shape_over");
    PlaceTwips(Shape_over, 195, 1035, 195, 195);
    MakeControl<QLabel>(this, "Label2", "OVER", 495, 1035, 675, 195);
    SetTextColour(MakeControl<QLabel>(this, "Label3", "Max 1MHz", 2115, 975, 1275, 195), kLampGrey);
    SetTextColour(MakeControl<QLabel>(this, "Label4", "Input  LA-TP", 2115, 1215, 1215, 195),
                  kLampGrey);

    auto_ = std::make_unique<AutoControls>(this, 120, 255, 915, 1530);
    auto* read = MakeControl<QPushButton>(this, "Command_READ", "READ", 1260, 1530, 915, 375);
    auto* reset = MakeControl<QPushButton>(this, "Command_RESET", "RESET", 2460, 1560, 915, 375);
    auto* start = MakeControl<QPushButton>(this, "Command_START", "START", 240, 1980, 915, 375);
    auto* stop = MakeControl<QPushButton>(this, "Command_STOP", "STOP", 1260, 1980, 915, 375);
    auto* exit = MakeControl<QPushButton>(this, "Command_EXIT", "EXIT", 2460, 1980, 915, 375);
    for (QPushButton* button : {auto_->Button(), read, reset, start, stop, exit}) {
        button->setAutoDefault(false);
    }

    connect(read, &QPushButton::clicked, this, &Form_CNT::Command_READ_Click);
    connect(auto_->Button(), &QPushButton::clicked, this, &Form_CNT::Command_AUTO_Click);
    connect(reset, &QPushButton::clicked, this, &Form_CNT::Command_RESET_Click);
    connect(start, &QPushButton::clicked, this, &Form_CNT::Command_START_Click);
    connect(stop, &QPushButton::clicked, this, &Form_CNT::Command_STOP_Click);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(&auto_->Timer(), &QTimer::timeout, this, &Form_CNT::Timer_AUTO_Timer);

    Form_Load();
}

void Form_CNT::Form_Load() {
    SetFixedOuterSize(this, kEventCounterSize);
    logic_.Load();
    ShowAutoState();
}

void Form_CNT::Command_READ_Click() {
    logic_.Read();
    ShowReading();
    ShowAutoState();
}

void Form_CNT::Command_AUTO_Click() {
    logic_.PressAuto();
    ShowAutoState();
}

void Form_CNT::Timer_AUTO_Timer() {
    logic_.Tick();
    ShowReading();
    ShowAutoState();
}

void Form_CNT::done(int result) {
    logic_.Unload();
    auto_->Close(logic_.Auto());
    QDialog::done(result);
}

void Form_CNT::ShowReading() {
    VMtext->setText(QString::fromStdString(logic_.Shown().readout));
    Shape_over->SetFill(logic_.OverflowLamp());
}

void Form_CNT::ShowAutoState() {
    auto_->Show(logic_.Auto(), kMeterTimerInterval);
}

}  // namespace tamro
