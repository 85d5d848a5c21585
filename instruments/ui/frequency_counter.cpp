#include "instruments/ui/frequency_counter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "instruments/ui/instrument_widgets.h"

namespace tamro {

Form_FCNT::Form_FCNT(ProgrammerSession& session, QWidget* parent)
    : QDialog(parent), logic_(session) {
    setWindowTitle("Frequency Counter");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    VMtext = MakeControl<QLineEdit>(this, "VMtext", "0", 180, 225, 3120, 720);
    StyleReadout(VMtext);
    Label_unit = MakeControl<QLabel>(this, "Label_unit", "KHz", 3390, 585, 615, 375);
    SetBoldPointSize(Label_unit, 14.25);

    Shape_over = new LampShape(LampShape::Kind::Circle, kLampGrey, this);
    Shape_over->setObjectName("Shape_over");
    PlaceTwips(Shape_over, 240, 1080, 195, 195);
    MakeControl<QLabel>(this, "Label2", "OVER", 540, 1080, 675, 195);
    SetTextColour(MakeControl<QLabel>(this, "Label3", "Max 1MHz", 2760, 990, 1275, 195), kLampGrey);
    SetTextColour(MakeControl<QLabel>(this, "Label4", "Input  LA-TP", 2760, 1200, 1215, 195),
                  kLampGrey);

    Option_GATEH = MakeControl<QRadioButton>(this, "Option_GATEH", "100mS", 180, 1410, 915, 225);
    Option_GATEL = MakeControl<QRadioButton>(this, "Option_GATEL", "1S", 1260, 1410, 675, 225);
    // Beside the two gates: the gate chosen by the count, named with the one in use.
    Option_GATEA = MakeControl<QRadioButton>(this, "Option_GATEA", "Auto", 2100, 1410, 1500, 225);
    Option_GATEA->setToolTip("100mS when the 1S count overflows, 1S below 60 kHz");

    auto_ = std::make_unique<AutoControls>(this, 180, 300, 915, 1755);
    auto* read = MakeControl<QPushButton>(this, "Command_READ", "READ", 1320, 1755, 915, 375);
    auto* exit = MakeControl<QPushButton>(this, "Command_EXIT", "EXIT", 2325, 1755, 915, 375);
    for (QPushButton* button : {auto_->Button(), read, exit}) button->setAutoDefault(false);

    connect(read, &QPushButton::clicked, this, &Form_FCNT::Command_READ_Click);
    connect(auto_->Button(), &QPushButton::clicked, this, &Form_FCNT::Command_AUTO_Click);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(&auto_->Timer(), &QTimer::timeout, this, &Form_FCNT::Timer_AUTO_Timer);
    connect(Option_GATEH, &QRadioButton::toggled, this, [this](bool checked) {
        logic_.SelectGate(checked ? FrequencyGate::Gate100ms : FrequencyGate::Gate1s);
    });
    connect(Option_GATEL, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) logic_.SelectGate(FrequencyGate::Gate1s);
    });
    connect(Option_GATEA, &QRadioButton::toggled, this, [this](bool checked) {
        autoGateOn_ = checked;
        autoGate_.Reset();
        Option_GATEA->setText("Auto");
    });

    Form_Load();
}

void Form_FCNT::Form_Load() {
    SetFixedOuterSize(this, kFrequencyCounterSize);
    logic_.Load();
    Option_GATEH->setChecked(true);
    ShowAutoState();
}

void Form_FCNT::Command_READ_Click() {
    if (autoGateOn_) logic_.SelectGate(autoGate_.Gate());
    const int before = logic_.Readings();
    logic_.Read();
    FollowAutoGate(before);
    ShowReading();
    ShowAutoState();
}

void Form_FCNT::Command_AUTO_Click() {
    logic_.PressAuto();
    ShowAutoState();
}

void Form_FCNT::Timer_AUTO_Timer() {
    if (autoGateOn_) logic_.SelectGate(autoGate_.Gate());
    const int before = logic_.Readings();
    logic_.Tick();
    FollowAutoGate(before);
    ShowReading();
    ShowAutoState();
}

void Form_FCNT::done(int result) {
    logic_.Unload();
    auto_->Close(logic_.Auto());
    QDialog::done(result);
}

void Form_FCNT::FollowAutoGate(int readingsBefore) {
    if (!autoGateOn_ || logic_.Readings() == readingsBefore) return;
    const CountReadout& shown = logic_.Shown();
    if (autoGate_.After(static_cast<int>(shown.count), shown.wraps) == AutoGateStep::Remeasure) {
        logic_.SelectGate(autoGate_.Gate());
        logic_.Read();
    }
    // The gate the reading was taken with.
    Option_GATEA->setText(logic_.Gate() == FrequencyGate::Gate1s ? "Auto 1S" : "Auto 100mS");
}

void Form_FCNT::ShowReading() {
    VMtext->setText(QString::fromStdString(logic_.Shown().readout));
    Label_unit->setText(QString::fromStdString(logic_.Shown().unit));
    Shape_over->SetFill(logic_.OverflowLamp());
}

void Form_FCNT::ShowAutoState() {
    auto_->Show(logic_.Auto(), logic_.TimerInterval());
}

}  // namespace tamro
