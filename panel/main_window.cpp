#include "panel/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTimer>

#include "common/number_text.h"
#include "common/twips.h"
#include "images/checksum.h"
#include "images/config_display.h"
#include "images/hex_loader.h"
#include "images/hex_writer.h"
#include "panel/clickable_label.h"
#include "panel/eliding_label.h"
#include "panel/file_follow.h"
#include "tools/ui/desktop_launch.h"
#include "tools/ui/editor.h"
#include "tools/ui/error_view.h"
#include "tools/ui/process_runner.h"

namespace tamro {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

TAMRO18_form::TAMRO18_form(PanelPlatform platform, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      session_(platform.driver, platform.messages, platform.settings),
      hexLoad_(session_),
      requests_(session_, platform.messages, SystemClock(),
                {[this](bool enabled) {
                     for (QWidget* widget : controls_.TargetControls()) widget->setEnabled(enabled);
                 },
                 [this](const std::string& text) { controls_.USBMSG->setText(Q(text)); },
                 [this] { platform_.events.ProcessPendingEvents(); }, [this] { close(); }}) {
    setObjectName("TAMRO18_form");
    setWindowTitle("PIC18 Tamro Control Panel");
    session_.SetView(this);
    session_.SetFileReload(this);
    windows_ =
        std::make_unique<PanelWindows>(this, session_, platform_, toolSettings_, toolFiles_, *this);
    controls_ = BuildMainWindowControls(
        *this, ControlOptions{platform_.emulatedProgrammer, Q(windows_->HomePage())});
    files_ =
        new FileFollow(*this, platform_.settings,
                       {[this](const std::string& path) { OpenFile(path); },
                        [this](const std::string& path) {
                            toolFiles_.HexFileName = path;
                            HexLoad();
                        },
                        [this] { Write(); }, [this] { return requests_.RefuseWhileBusy(); },
                        [this] { return session_.Busy() || (toolRuns_ && toolRuns_->Running()); },
                        [this] { return session_.images().haveData != 0; }});
    toolRuns_ = std::make_unique<ToolRuns>(
        ToolRunContext{*this, toolFiles_, toolSettings_, platform_.messages, platform_.dialogs,
                       platform_.processes, platform_.events, SystemClock(), &files_->recent()});
    timer_ = new QTimer(this);
    timer_->setObjectName("Timer1");
    timer_->setInterval(100);
    WireControls();
    WireMenus();
    session_.SetUsbMessageSink([this](const std::string& text) { requests_.UsbMessage(text); });
    SetOuterHeight(kNormalHeightTwips);
}

TAMRO18_form::~TAMRO18_form() {
    Shutdown();
}

void TAMRO18_form::WireControls() {
    const MainWindowControls& c = controls_;
    auto onClick = [this](QPushButton* button, std::function<void()> handler) {
        connect(button, &QPushButton::clicked, this, std::move(handler));
    };
    auto targetRequest = [&](QPushButton* button, std::function<void()> request) {
        onClick(button, [this, request] { requests_.Run(request); });
    };
    for (const auto& [index, option] : c.PICsel) {
        connect(option, &QRadioButton::clicked, this, [this, index] {
            // An option button reports a click only when it becomes the selected one.
            if (index == session_.selectedOption()) return;
            if (requests_.RefuseWhileBusy()) {
                const int selected = session_.selectedOption();
                controls_.PICsel.at(selected ? selected : kOption452)->setChecked(true);
                return;
            }
            requests_.Run([this, index] { session_.SelectDevice(GroupOfOption(index)); });
            // Declined (typed-in changes kept): the selected option stays.
            if (session_.selectedOption() != index) {
                controls_.PICsel.at(session_.selectedOption())->setChecked(true);
            }
        });
    }
    connect(c.LastAddrText, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (auto replacement =
                LastAddrText_Change(text.toStdString(), session_.groupValues().programSize)) {
            controls_.LastAddrText->setText(Q(*replacement));
        }
    });
    for (int index = 0; index < kConfigBoxes; ++index) {
        connect(c.ConfigAddrText[index], &QLineEdit::textChanged, this,
                [this, index](const QString& text) {
                    const ConfigBitUpdate update =
                        ConfigAddrText_Change(session_.images(), index, text.toStdString());
                    controls_.Text_Configbit[update.word]->setText(Q(update.bitString));
                    ShowChecksum();
                });
    }
    connect(c.kage, &ClickableLabel::clicked, this, [this] {
        SetOuterHeight(kageExpandsNext_ ? kExpandedHeightTwips : kNormalHeightTwips);
        kageExpandsNext_ = !kageExpandsNext_;
    });
    connect(c.Label_ZEKname, &ClickableLabel::clicked, this, [this] {
        SetOuterHeight(kNormalHeightTwips);
        kageExpandsNext_ = true;
    });
    connect(c.Label12, &ClickableLabel::clicked, this, [this] { windows_->OpenHomePage(); });

    for (int i = 0; i < 3; ++i) {
        targetRequest(c.Command_Vset[i], [this, i] {
            ShowAnalogValue(session_.SetVppLevel(static_cast<protocol::VppLevel>(i)));
        });
    }
    targetRequest(c.Command_VCC, [this] { session_.ToggleSupply(); });
    targetRequest(c.Command_LED, [this] { session_.ToggleLed(); });
    targetRequest(c.Command_ID, [this] { session_.ReadDeviceId(); });
    targetRequest(c.Command_RESET, [this] {
        const auto reading = session_.ResetTarget();
        if (reading.outcome == OperationResult::Refused) return;
        SetResetLamp(true);
        ShowAnalogValue(reading);
    });
    onClick(c.EXTButton, [this] { close(); });

    onClick(c.ERASEButton, [this] {
        RunOperation(FinishedOperation::Erase, [this] { return session_.Erase(); });
    });
    onClick(c.WriteButton, [this] { Write(); });
    // Esc and the stop button end the running operation at its next exchange;
    // the session then leaves the target at Vpp 0 V, supply off.
    onClick(c.StopButton, [this] { requests_.Stop(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName("StopShortcut");
    connect(escape, &QShortcut::activated, this, [this] { requests_.Stop(); });
    onClick(c.VerifyButton, [this] {
        if (requests_.RefuseWhileBusy() || !files_->ReloadIfChanged()) return;
        if (RunOperation(FinishedOperation::Verify, [this] { return session_.Verify(); }) ==
            OperationResult::VerifyMismatch) {
            windows_->ShowDifferences();
        }
    });
    onClick(c.BUFVIEWButton, [this] {
        ShowBufferView();
        SetNotes(kNotesViolet, "Show Read BUFFER");
    });
    onClick(c.F_OpenButton, UnlessBusy(&ToolRuns::FileOpen));
    onClick(c.ASSMButton, UnlessBusy(&ToolRuns::AssemblerRun));
    onClick(c.C_Button, UnlessBusy(&ToolRuns::CRun));
    onClick(c.HexSet_Button, UnlessBusy(&ToolRuns::HexSet));
    onClick(c.EditorButton, [this] { toolRuns_->OpenEditor(); });
    onClick(c.New_EditorButton, [this] { toolRuns_->NewFile(); });

    connect(timer_, &QTimer::timeout, this, [this] { Timer1_Timer(); });
}

void TAMRO18_form::WireMenus() {
    PanelWindows& windows = *windows_;
    SetMenuHandler("FILEOPENMENU", UnlessBusy(&ToolRuns::FileOpen));
    SetMenuHandler("READ", [this] { Read(); });
    SetMenuHandler("Buffer_view", [this] { ShowBufferView(); });
    SetMenuHandler("READ_EEPROM", [this] {
        RunOperation(FinishedOperation::ReadEeprom, [this] { return session_.ReadEeprom(); });
    });
    SetMenuHandler("SaveHex", [this] { SaveHex(); });
    SetMenuHandler("BLANK_CHECK", [this] {
        if (RunOperation(FinishedOperation::BlankCheck, [this] { return session_.BlankCheck(); }) ==
            OperationResult::NotBlank) {
            platform_.messages.Show(MessageIcon::Exclamation, "BLANK CHECK",
                                    BlankCheckText(session_.BlankReport()));
        }
    });
    SetMenuHandler("CONFIG_NAMES", [&windows] { windows.ShowConfigNames(); });
    SetMenuHandler("PROGRAMMER", [this] {
        if (ChooseProgrammer(false) == ProgrammerSwitch::Outcome::NotFound) {
            platform_.messages.Show(MessageIcon::Critical, "USB ERROR", UnitNotFound());
        }
    });
    SetMenuHandler("Editor", [this] { toolRuns_->OpenEditor(); });
    SetMenuHandler("Assembler", UnlessBusy(&ToolRuns::AssemblerRun));
    SetMenuHandler("Ccmp", UnlessBusy(&ToolRuns::CRun));
    SetMenuHandler("NEW_EDITOR", [this] { toolRuns_->NewFile(); });
    SetMenuHandler("LAview", [&windows] { windows.OpenLogicView(); });
    SetMenuHandler("VM_MANU", [&windows] { windows.OpenVoltMeter(); });
    SetMenuHandler("CNT_MENU", [&windows] { windows.OpenFrequencyCounter(); });
    SetMenuHandler("CNT_MENU2", [&windows] { windows.OpenEventCounter(); });
    SetMenuHandler("System_Setup", [&windows] { windows.OpenSetup(); });
    SetMenuHandler("HELP", [&windows] { windows.OpenHelp(); });
    SetMenuHandler("VER", [&windows] { windows.ShowVersion(); });
    SetMenuHandler("HomePage_OPEN", [&windows] { windows.OpenHomePage(); });
    SetMenuHandler("CALC", [&windows] { windows.OpenCalculator(); });
    SetMenuHandler("Convertor", [&windows] { windows.OpenConvertor(); });
}

QAction* TAMRO18_form::menuAction(const QString& name) const {
    auto it = controls_.actions.find(name);
    return it == controls_.actions.end() ? nullptr : it->second;
}

void TAMRO18_form::SetMenuHandler(const QString& name, std::function<void()> handler) {
    QAction* action = controls_.actions.at(name);
    connect(action, &QAction::triggered, this, std::move(handler));
    action->setEnabled(true);
}

std::function<void()> TAMRO18_form::UnlessBusy(void (ToolRuns::*run)()) {
    // What changes the image or the files an operation works on waits for its end.
    return [this, run] {
        if (!requests_.RefuseWhileBusy()) (toolRuns_.get()->*run)();
    };
}

void TAMRO18_form::SetOuterHeight(int heightTwips) {
    const TwipSize client = ClientForOuter(kWindowWidthTwips, heightTwips);
    setFixedSize(Px(client.width), Px(client.height));
}

bool TAMRO18_form::Form_Load() {
    resetLampCount_ = 0;
    for (QLineEdit* box : {controls_.FilenameTextbox, controls_.CurrentAddrText,
                           controls_.StartAddrText, controls_.LastAddrText}) {
        box->clear();
    }
    controls_.NotesLabel->clear();
    const QString topDir = QDir::currentPath();
    SetOuterHeight(kNormalHeightTwips);
    timer_->start();

    // Identification, the stored device selection, supply on and LED off.
    bool started = false;
    requests_.Run([this, &started] { started = session_.Start(); });
    // "Unit not Found" offers the programmer dialog until one opens or the user cancels.
    while (!started) {
        platform_.messages.Show(MessageIcon::Critical, "USB ERROR", UnitNotFound());
        if (!platform_.programmerSwitch) break;
        const ProgrammerSwitch::Outcome outcome = ChooseProgrammer(true);
        if (outcome != ProgrammerSwitch::Outcome::NotFound) {
            started = outcome == ProgrammerSwitch::Outcome::Connected;
            break;
        }
    }
    if (!started) {
        timer_->stop();
        return false;
    }
    toolSettings_ =
        LoadToolSettings(platform_.settings, InstalledToolSettings(QtProcessRunner::FindProgram));
    controls_.Label7->setText("TopDIR = " + topDir);
    controls_.Label9->setText("Current DIR = " + QDir::currentPath());
    ShowChecksum();
    return true;
}

ProgrammerSwitch::Outcome TAMRO18_form::ChooseProgrammer(bool startUp) {
    if (!platform_.programmerSwitch || requests_.RefuseWhileBusy()) {
        return ProgrammerSwitch::Outcome::Refused;
    }
    auto outcome = ProgrammerSwitch::Outcome::Cancelled;
    requests_.Run([&] { outcome = platform_.programmerSwitch->Choose(session_, startUp); });
    if (outcome == ProgrammerSwitch::Outcome::Connected ||
        outcome == ProgrammerSwitch::Outcome::NotFound) {
        ShowProgrammerKind(controls_.Label_ZEKname, platform_.programmerSwitch->Emulated());
    }
    return outcome;
}

std::string TAMRO18_form::UnitNotFound() const {
    const std::optional<std::string> setting = platform_.programmerSwitch
                                                   ? platform_.programmerSwitch->Current()
                                                   : platform_.driverSetting;
    return setting ? UnitNotFoundText(*setting, platform_.driver) : "Unit not Found";
}

void TAMRO18_form::Shutdown() {
    if (timer_) timer_->stop();
    session_.Shutdown();
}

void TAMRO18_form::closeEvent(QCloseEvent* event) {
    if (!requests_.MayClose()) {
        event->ignore();
        return;
    }
    if (!windows_->editor().ConfirmDiscard()) {
        event->ignore();
        return;
    }
    Shutdown();
    event->accept();
    // Every other window closes with the main window.
    QMetaObject::invokeMethod(qApp, &QApplication::closeAllWindows, Qt::QueuedConnection);
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void TAMRO18_form::OpenFile(const std::string& path) {
    if (!requests_.RefuseWhileBusy()) toolRuns_->OpenFile(path);
}

void TAMRO18_form::Write() {
    if (requests_.RefuseWhileBusy() || !files_->ReloadIfChanged()) return;
    // A configuration box that does not hold one or two hexadecimal digits
    // would be written as 00.
    if (const auto fault = FirstConfigBoxFault(controls_.ConfigBoxTexts())) {
        platform_.messages.Show(MessageIcon::Critical, "WRITE ERROR", fault->message);
        controls_.ConfigAddrText[fault->index]->setFocus();
        return;
    }
    const OperationResult result =
        RunOperation(FinishedOperation::Write, [this] { return session_.Write(LastAddress()); });
    if (result == OperationResult::Completed) fileNotWritten_ = false;
    if (result == OperationResult::VerifyMismatch) windows_->ShowDifferences();
}

void TAMRO18_form::Read() {
    if (requests_.RefuseWhileBusy()) return;
    if (fileNotWritten_ && session_.images().haveData != 0 &&
        !platform_.messages.AskYesNo(
            "READ", "The program image holds " + FilenameText() +
                        ", which has not been written to a chip. Replace it with what the "
                        "chip holds?")) {
        return;
    }
    if (RunOperation(FinishedOperation::Read, [this] {
            return session_.ReadProgram(LastAddress());
        }) == OperationResult::Completed) {
        fileNotWritten_ = false;
    }
}

OperationResult TAMRO18_form::RunOperation(FinishedOperation operation,
                                           const std::function<OperationResult()>& run) {
    const OperationResult result = requests_.RunProgramming([this, &run] {
        SetNotes(kNotesWhite, "");
        controls_.StopButton->show();
        const OperationResult outcome = run();
        controls_.StopButton->hide();
        controls_.ShowProgress(0, 0);
        return outcome;
    });
    if (const auto words = FinalWordsFor(operation, result, session_.BlankReport())) {
        SetNotes(words->colour, words->text);
    }
    // What the chip's configuration is known to be may have changed.
    windows_->RefreshConfigNames();
    return result;
}

std::int16_t TAMRO18_form::LastAddress() const {
    return HexValue16(controls_.LastAddrText->text().toStdString());
}

void TAMRO18_form::ShowAnalogValue(const ProgrammerSession::AnalogReading& reading) {
    if (reading.outcome == OperationResult::Refused) return;
    const auto value = static_cast<long long>(RoundHalfEven(reading.count / 50.0));
    controls_.Text_AD->setText(QString::number(value));
}

void TAMRO18_form::Timer1_Timer() {
    controls_.Text2->setText(QString::number(session_.TickCountdown()));
    session_.TickDown();
    if (resetLampCount_ != 0 && --resetLampCount_ == 0) SetResetLamp(false);
}

void TAMRO18_form::SetResetLamp(bool lit) {
    // The lamp stays lit for five ticks after a reset.
    if (lit) resetLampCount_ = 5;
    controls_.SetResetLamp(lit ? kLampReset : kLampIdle);
}

void TAMRO18_form::ShowConfiguration() {
    const auto texts = DSPCONFIG(session_.images());
    for (int i = 0; i < kConfigBoxes; ++i) controls_.ConfigAddrText[i]->setText(Q(texts[i]));
    ShowChecksum();
}

void TAMRO18_form::ShowChecksum() {
    controls_.ShowChecksum(ImageChecksum(session_.images(), session_.groupValues().configMask));
    // The configuration by name follows every change of the images' configuration.
    windows_->RefreshConfigNames();
}

void TAMRO18_form::HexLoad() {
    if (requests_.RefuseWhileBusy()) return;
    const HexFileLoadResult result = hexLoad_.Load(
        toolFiles_.HexFileName, controls_.FilenameTextbox->text().toStdString(), session_.images());
    const HexLoadOutcome& outcome = result.outcome;
    if (outcome.text2) controls_.Text2->setText(Q(*outcome.text2));
    if (outcome.textAdmon) controls_.Text_ADMON->setText(Q(*outcome.textAdmon));
    if (result.kind == HexFileLoadResult::Kind::Failed) {
        ShowHexFileError(platform_.messages, result.file, outcome);
        if (result.fileBoxText) controls_.FilenameTextbox->setText(Q(*result.fileBoxText));
        return;
    }
    fileNotWritten_ = true;
    files_->Loaded(toolFiles_.HexFileName);
    controls_.CurrentAddrText->setText(Q(outcome.lastAddressText));
    controls_.LastAddrText->setText(Q(outcome.lastAddressText));
    controls_.StartAddrText->setText(Q(outcome.startAddressText));
    ShowConfiguration();
    windows_->RefreshProgramBuffer();
}

void TAMRO18_form::ShowBufferView() {
    windows_->ShowProgramBuffer();
    session_.SetTickCountdown(0);
}

void TAMRO18_form::SaveHex() {
    const std::string path = platform_.dialogs.SaveFileName("HEX FILES|*.hex|ALL FILES|*.*|");
    if (path.empty()) return;
    // The whole chip as the images hold it: a file that clones the chip.
    const HexWriteOptions options{HexRegions::WholeChip, session_.images().LastProgramWord(),
                                  session_.groupValues().configMask};
    if (!WriteIntelHexFile(path, session_.images(), options, nullptr)) {
        platform_.messages.Show(MessageIcon::Critical, "FILE ERROR", "File Error");
        return;
    }
    SetNotes(kNotesWhite, "HEX Saved");
}

// OperationView and ToolRunHost: what the session and the tool runs show.

void TAMRO18_form::SetNotesColour(Rgb colour) {
    controls_.SetNotesColour(colour);
}

void TAMRO18_form::SetNotesCaption(const std::string& caption) {
    controls_.NotesLabel->setText(Q(caption));
}

void TAMRO18_form::SetNotes(const Rgb& colour, const std::string& text) {
    SetNotesColour(colour);
    SetNotesCaption(text);
}

void TAMRO18_form::SetDeviceText(const std::string& text) {
    controls_.Text_Device->setText(Q(text));
}

void TAMRO18_form::SetCurrentAddress(const std::string& text) {
    controls_.CurrentAddrText->setText(Q(text));
}

void TAMRO18_form::SetVccCaption(const std::string& caption) {
    controls_.Command_VCC->setText(Q(caption));
}

void TAMRO18_form::SetLedCaption(const std::string& caption) {
    controls_.Command_LED->setText(Q(caption));
}

void TAMRO18_form::SetProgress(int done, int total) {
    progressDone_ = total > 0 ? done : 0;
    controls_.ShowProgress(done, total,
                           Q(progress_.Text(done, total, std::chrono::steady_clock::now())));
}

void TAMRO18_form::SetProgressStep(ProgressStep step) {
    progress_.Begin(step, std::chrono::steady_clock::now(), progressDone_);
}

void TAMRO18_form::ProcessPendingEvents() {
    requests_.ProgressUpdate();
}

void TAMRO18_form::SetStartAddress(const std::string& text) {
    controls_.StartAddrText->setText(Q(text));
}

void TAMRO18_form::SetLastAddress(const std::string& text) {
    controls_.LastAddrText->setText(Q(text));
}

void TAMRO18_form::ClearFileName() {
    controls_.FilenameTextbox->clear();
}

void TAMRO18_form::ShowProgramBuffer() {
    windows_->RefreshProgramBuffer();
    ShowBufferView();
}

void TAMRO18_form::ShowEepromBuffer() {
    windows_->ShowEepromBuffer();
}

void TAMRO18_form::DeviceGroupSelected(int option) {
    fileBoxBeforeSelection_ = controls_.FilenameTextbox->text();
    {
        const QSignalBlocker blocker(controls_.PICsel.at(option));
        controls_.PICsel.at(option)->setChecked(true);
    }
    controls_.StartAddrText->setText("0");
    controls_.LastAddrText->setText(
        QString::fromStdString(HexText16(session_.groupValues().lastAddress)));
    controls_.FilenameTextbox->clear();
    controls_.NotesLabel->clear();
}

void TAMRO18_form::TargetDeviceFound(const std::string& name, int servingOption) {
    controls_.ShowTargetDevice(name, servingOption);
    windows_->RefreshConfigNames();
}

std::string TAMRO18_form::LoadedFile() const {
    return hexLoad_.LoadedFile();
}

std::string TAMRO18_form::TypedChanges() const {
    std::string typed;
    if (hexLoad_.ConfigurationChanged(session_.images())) typed = "the configuration typed in";
    if (controls_.LastAddrText->text().toStdString() != hexLoad_.LoadedLastAddressText()) {
        typed += (typed.empty() ? "" : " and ") + std::string("the last address typed in");
    }
    return typed;
}

bool TAMRO18_form::Reload() {
    reloaded_ = hexLoad_.Reload(session_.images());
    if (reloaded_.kind == HexFileLoadResult::Kind::Loaded) return true;
    ShowHexFileError(platform_.messages, reloaded_.file, reloaded_.outcome);
    return false;
}

void TAMRO18_form::ShowReloaded() {
    const HexLoadOutcome& outcome = reloaded_.outcome;
    controls_.FilenameTextbox->setText(fileBoxBeforeSelection_);
    controls_.CurrentAddrText->setText(Q(outcome.lastAddressText));
    controls_.LastAddrText->setText(Q(outcome.lastAddressText));
    controls_.StartAddrText->setText(Q(outcome.startAddressText));
    files_->Loaded(reloaded_.file);
    ShowConfiguration();
    windows_->RefreshProgramBuffer();
}

std::string TAMRO18_form::FilenameText() {
    return controls_.FilenameTextbox->text().toStdString();
}

void TAMRO18_form::SetFilenameText(const std::string& text) {
    hexLoad_.FileBoxRenamed(controls_.FilenameTextbox->text().toStdString());
    controls_.FilenameTextbox->setText(Q(text));
}

void TAMRO18_form::SetTestText(const std::string& text) {
    controls_.TEST->setText(Q(text));
}

bool TAMRO18_form::OpenErrorView(const std::string& errorFileName) {
    return windows_->errorView().ShowFile(errorFileName);
}

void TAMRO18_form::ShowToolOutput(const std::string& text) {
    windows_->errorView().ShowText(text);
}

bool TAMRO18_form::OpenBuiltInEditor() {
    return windows_->editor().Open();
}

}  // namespace tamro
