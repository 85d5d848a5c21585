#include "instruments/ui/volt_meter.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>

#include "instruments/ui/instrument_widgets.h"
#include "instruments/ui/volt_meter_extras_panel.h"
#include "instruments/volt_meter_extras.h"

namespace tamro {

VM::VM(ProgrammerSession& session, SettingsStore& settings, QWidget* parent)
    : QDialog(parent), logic_(session, settings) {
    setWindowTitle("Volt Meter");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    VMtext = MakeControl<QLineEdit>(this, "VMtext", "0", 225, 300, 1935, 720);
    StyleReadout(VMtext);
    extras_ = new VoltMeterExtrasPanel(VMtext);
    auto* unit = MakeControl<QLabel>(this, "Label1", "V", 2280, 660, 375, 375);
    SetBoldPointSize(unit, 14.25);

    Option_CH[2] = MakeControl<QRadioButton>(this, "Option_CH2", "Vin", 2700, 240, 795, 255);
    Option_CH[0] = MakeControl<QRadioButton>(this, "Option_CH0", "Vpp", 2700, 480, 855, 255);
    Option_CH[1] = MakeControl<QRadioButton>(this, "Option_CH1", "Sab", 2700, 720, 855, 255);

    SetTextColour(MakeControl<QLabel>(this, "Label3", "Max 20V", 2400, 1080, 1275, 195), kLampGrey);
    SetTextColour(MakeControl<QLabel>(this, "Label4", "Input  Vin", 2400, 1320, 1215, 195),
                  kLampGrey);

    Volt_Bar = new PressableProgressBar(this);
    Volt_Bar->setObjectName("Volt_Bar");
    Volt_Bar->setRange(0, kVoltBarMaximum);
    Volt_Bar->setValue(0);
    Volt_Bar->setTextVisible(false);
    PlaceTwips(Volt_Bar, 240, 1140, 1935, 255);

    auto_ = std::make_unique<AutoControls>(this, 255, 390, 735, 1620);
    auto* read = MakeControl<QPushButton>(this, "Command_READ", "READ", 1215, 1620, 735, 375);
    Command_COMP = MakeControl<QPushButton>(this, "Command_COMP", "COMP", 2025, 1620, 735, 375);
    auto* exit = MakeControl<QPushButton>(this, "Command_EXIT", "EXIT", 2925, 1620, 600, 375);
    for (QPushButton* button : {auto_->Button(), read, Command_COMP, exit}) {
        button->setAutoDefault(false);
    }

    MakeControl<QLabel>(this, "Label2", "ATT=", 3780, 225, 600, 195);
    MakeControl<QLabel>(this, "Label5", "1", 4275, 585, 465, 195);
    auto* fractionBar = new QFrame(this);
    fractionBar->setObjectName("Line1");
    fractionBar->setAutoFillBackground(true);
    QPalette barPalette = fractionBar->palette();
    barPalette.setColor(QPalette::Window, Qt::black);
    fractionBar->setPalette(barPalette);
    fractionBar->setGeometry(Px(3825), Px(855) - 1, Px(4770) - Px(3825), 2);
    Text_COMP = MakeControl<QLineEdit>(this, "Text_COMP", "4.4", 3870, 900, 885, 330);
    Text_COMP->setAlignment(Qt::AlignCenter);

    // The converter's readings in full: the double-precision one beside the
    // raw count, where the whole row has room for its twenty characters.
    Text1 = MakeControl<QLineEdit>(this, "Text1", "Text1", 240, 2220, 1380, 315);
    Text2 = MakeControl<QLineEdit>(this, "Text2", "Text1", 1155, 2640, 2505, 315);
    Text3 = MakeControl<QLineEdit>(this, "Text3", "Text1", 240, 2640, 855, 315);

    connect(read, &QPushButton::clicked, this, &VM::Command_READ_Click);
    connect(auto_->Button(), &QPushButton::clicked, this, &VM::Command_AUTO_Click);
    connect(Command_COMP, &QPushButton::clicked, this, &VM::Command_COMP_Click);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(&auto_->Timer(), &QTimer::timeout, this, &VM::Timer_AUTO_Timer);
    connect(Volt_Bar, &PressableProgressBar::pressed, this, &VM::Volt_Bar_MouseDown);
    for (int option = 0; option < 3; ++option) {
        connect(Option_CH[option], &QRadioButton::toggled, this, [this, option](bool checked) {
            if (checked) logic_.SelectChannel(option);
        });
    }

    Form_Load();
    connect(Text_COMP, &QLineEdit::textChanged, this,
            [this](const QString& text) { logic_.FactorTextChanged(text.toStdString()); });
}

void VM::Form_Load() {
    logic_.Load();
    Option_CH[logic_.ChannelOption()]->setChecked(true);
    {
        const QSignalBlocker blocker(Text_COMP);
        Text_COMP->setText(QString::fromStdString(logic_.FactorText()));
    }
    ShowAutoState();
    ShowWindowSize();
}

void VM::Command_READ_Click() {
    logic_.Read();
    ShowReading();
    ShowAutoState();
}

void VM::Command_AUTO_Click() {
    logic_.PressAuto();
    ShowAutoState();
}

void VM::Timer_AUTO_Timer() {
    logic_.Tick();
    ShowReading();
    ShowAutoState();
}

void VM::Command_COMP_Click() {
    logic_.PressComp();
    Command_COMP->setProperty("tag", QString::fromStdString(logic_.CompTag()));
    ShowWindowSize();
}

void VM::Volt_Bar_MouseDown() {
    logic_.PressBar();
    ShowWindowSize();
}

void VM::done(int result) {
    logic_.Unload();
    auto_->Close(logic_.Auto());
    QDialog::done(result);
}

void VM::ShowReading() {
    const VoltReadout& shown = logic_.Shown();
    VMtext->setText(QString::fromStdString(shown.readout));
    Volt_Bar->setValue(shown.bar);
    Text1->setText(QString::fromStdString(shown.converterSingle));
    Text2->setText(QString::fromStdString(shown.converterDouble));
    Text3->setText(QString::fromStdString(shown.rawCount));
    if (logic_.Readings() != readingsShown_) {
        // A new reading: "OL" or the held one may take the read-out's place.
        readingsShown_ = logic_.Readings();
        static constexpr const char* kChannelNames[] = {"Vpp", "Sab", "Vin"};
        extras_->Add(
            MakeVoltReading(static_cast<std::uint8_t>(shown.count >> 8),
                            static_cast<std::uint8_t>(shown.count & 0xFF), logic_.AttFactor()),
            kChannelNames[logic_.ChannelOption()]);
    }
}

void VM::ShowAutoState() {
    auto_->Show(logic_.Auto(), kMeterTimerInterval);
}

void VM::ShowWindowSize() {
    SetFixedOuterSize(this, logic_.WindowSize());
}

}  // namespace tamro
