#include "panel/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <vector>

#include "common/number_text.h"
#include "common/twips.h"
#include "convertor/ui/data_conv.h"
#include "images/config_display.h"
#include "images/hex_loader.h"
#include "images/hex_writer.h"
#include "instruments/ui/event_counter.h"
#include "instruments/ui/frequency_counter.h"
#include "instruments/ui/logic_analyzer.h"
#include "instruments/ui/volt_meter.h"
#include "panel/clickable_label.h"
#include "tools/ui/desktop_launch.h"
#include "tools/ui/editor.h"
#include "tools/ui/error_view.h"
#include "tools/ui/help_form.h"
#include "tools/ui/process_runner.h"
#include "tools/ui/setup_form.h"
#include "tools/ui/version_form.h"
#include "views/ui/buffer_viewers.h"

namespace tamro {
namespace {

constexpr int kTestPanelTopTwips = 4815;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

void Place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

void SetBackground(QWidget* widget, Rgb colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, QColor(colour.red, colour.green, colour.blue));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

struct MenuEntry {
    const char* menu;
    const char* name;
    const char* caption;
    QKeySequence shortcut;
};

const MenuEntry kMenuEntries[] = {
    {"Function", "FILEOPENMENU", "File Open", QKeySequence(Qt::Key_F3)},
    {"Function", "READ", "READ", {}},
    {"Function", "Buffer_view", "Buffer_view", {}},
    {"Function", "READ_EEPROM", "READ_EEPROM", {}},
    {"Function", "SaveHex", "Save HEX", QKeySequence(Qt::CTRL | Qt::Key_S)},
    {"TOOL", "Editor", "Editor", QKeySequence(Qt::Key_F5)},
    {"TOOL", "Assembler", "Assembler", QKeySequence(Qt::Key_F6)},
    {"TOOL", "Ccmp", "C compiler", QKeySequence(Qt::Key_F7)},
    {"TOOL", "NEW_EDITOR", "New File", {}},
    {"TOOL", "Convertor", "Convertor", QKeySequence(Qt::Key_F8)},
    {"TOOL", "CALC", "Calculator", {}},
    {"TOOL", "LAview", "Logic View", QKeySequence(Qt::Key_F9)},
    {"TOOL", "VM_MANU", "Volt meter", QKeySequence(Qt::Key_F11)},
    {"TOOL", "CNT_MENU", "F-Counter", QKeySequence(Qt::Key_F12)},
    {"TOOL", "CNT_MENU2", "Counter", {}},
    {"TOOL", "System_Setup", "Setup", {}},
    {"ABOUT", "HELP", "HELP", QKeySequence(Qt::Key_F1)},
    {"ABOUT", "VER", "Information", {}},
    {"ABOUT", "HomePage_OPEN", "HomePage", {}},
};

}  // namespace

TAMRO18_form::TAMRO18_form(PanelPlatform platform, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      session_(platform.driver, platform.messages, platform.settings) {
    setObjectName("TAMRO18_form");
    setWindowTitle("PIC18 Tamro Control Panel");
    session_.SetView(this);
    toolRuns_ = std::make_unique<ToolRuns>(
        ToolRunContext{*this, toolFiles_, toolSettings_, platform_.messages, platform_.dialogs,
                       platform_.processes, platform_.events, SystemClock()});
    viewers_ = std::make_unique<BufferViewers>(this, kProgramWords);
    errorView_ = new ErrorViewWindow(this);
    editor_ = new EditorWindow(*this, toolFiles_, platform_.messages, platform_.dialogs, this);
    BuildControls();
    BuildMenus();
    session_.SetUsbMessageSink([this](const std::string& text) { ShowUsbMessage(text); });
    SetOuterHeight(kNormalHeightTwips);
}

TAMRO18_form::~TAMRO18_form() {
    Shutdown();
}

void TAMRO18_form::BuildControls() {
    auto* client = new QWidget(this);
    client->setObjectName("client");
    setCentralWidget(client);

    auto label = [client](const char* name, const QString& text, int l, int t, int w, int h) {
        auto* widget = new QLabel(text, client);
        widget->setObjectName(name);
        Place(widget, l, t, w, h);
        return widget;
    };
    auto textBox = [client](const QString& name, const QString& text, int l, int t, int w, int h) {
        auto* widget = new QLineEdit(text, client);
        widget->setObjectName(name);
        Place(widget, l, t, w, h);
        return widget;
    };
    auto button = [client](const char* name, const QString& caption, const QString& tip, int l,
                           int t, int w, int h) {
        auto* widget = new QPushButton(caption, client);
        widget->setObjectName(name);
        widget->setToolTip(tip);
        widget->setFocusPolicy(Qt::TabFocus);
        Place(widget, l, t, w, h);
        return widget;
    };

    Label1 = label("Label1", "Target File name", 120, 150, 1500, 255);
    FilenameTextbox = textBox("FilenameTextbox", "File name", 1650, 105, 7080, 315);

    const int row2 = 555;
    F_OpenButton =
        button("F_OpenButton", "FILE OPEN", "Open your ASM,HEX file", 120, row2, 1350, 375);
    EditorButton = button("EditorButton", "Editor", "Edit and View", 1530, row2, 1350, 375);
    New_EditorButton = button("New_EditorButton", "NEW", "New File", 2940, row2, 1350, 375);
    ASSMButton = button("ASSMButton", "Assembler", "Assembler", 4350, row2, 1350, 375);
    C_Button = button("C_Button", "C compiler", "C Compiler", 5760, row2, 1350, 375);
    HexSet_Button = button("HexSet_Button", "HEX set", "HEX Data set", 7170, row2, 1560, 375);

    const int row3 = 1050;
    WriteButton = button("WriteButton", "WRITE", "Write program to PIC", 120, row3, 1350, 480);
    VerifyButton = button("VerifyButton", "VERIFY", "Program verify", 1530, row3, 1350, 480);
    ERASEButton = button("ERASEButton", "ERASE", "Erase the PIC", 2940, row3, 1350, 480);
    BUFVIEWButton = button("BUFVIEWButton", "BUFFER", "Buffer view", 4350, row3, 1350, 480);
    Command_RESET = button("Command_RESET", "RESET", "Reset PIC", 5760, row3, 1050, 480);
    RESET_LAMP = new QFrame(client);
    RESET_LAMP->setObjectName("RESET_LAMP");
    RESET_LAMP->setFrameShape(QFrame::Box);
    Place(RESET_LAMP, 6870, row3 + 90, 300, 300);
    SetResetLamp(kLampIdle);
    EXTButton = button("EXTButton", "EXIT", "Exit", 7380, row3, 1350, 480);

    Frame1 = new QGroupBox("PIC Select", client);
    Frame1->setObjectName("Frame1");
    Place(Frame1, 120, 1650, 2400, 1050);
    for (const auto& [index, caption] :
         {std::pair{kOption452, "18F452"}, std::pair{kOption4520, "18F4520"}}) {
        auto* option = new QRadioButton(caption, Frame1);
        option->setObjectName(QString("PICsel_%1").arg(index));
        Place(option, 240, index == kOption452 ? 330 : 660, 1800, 285);
        PICsel[index] = option;
        connect(option, &QRadioButton::clicked, this, [this, index] {
            // An option button reports a click only when it becomes the selected one.
            if (index == selectedOption()) return;
            if (!RunTargetOperation([this, index] { PICsel_Click(index); })) {
                PICsel[selectedOption() ? selectedOption() : kOption452]->setChecked(true);
            }
        });
    }

    label("Label_START", "START", 2700, 1700, 600, 255);
    StartAddrText = textBox("StartAddrText", "Text4", 2700, 1950, 800, 315);
    StartAddrText->setToolTip("Program start Address");
    label("Label_LAST", "LAST", 3550, 1700, 600, 255);
    LastAddrText = textBox("LastAddrText", "Text5", 3550, 1950, 800, 315);
    LastAddrText->setToolTip("Program last Address");
    connect(LastAddrText, &QLineEdit::textChanged, this, [this] { LastAddrText_Change(); });
    label("Label_Current", "Current", 2700, 2400, 800, 255);
    CurrentAddrText = textBox("CurrentAddrText", "Text3", 3550, 2370, 800, 315);
    CurrentAddrText->setToolTip("Current Address");
    ProgressBar = new QProgressBar(client);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setTextVisible(false);
    Place(ProgressBar, 2700, 2760, 1650, 150);
    ProgressBar->hide();

    NotesLabel = label("NotesLabel", "", 120, 2850, 4230, 420);
    SetBackground(NotesLabel, Rgb{0, 0, 96});
    NotesLabel->setIndent(Px(90));
    QFont notesFont = NotesLabel->font();
    notesFont.setBold(true);
    NotesLabel->setFont(notesFont);
    SetNotesColour(kNotesWhite);

    Label8 = label("Label8", "Configration bit", 4560, 1650, 2400, 255);
    const char* wordLabels[] = {"0:", "2:", "4:", "6:", "8:", "A:", "C:"};
    // Only hexadecimal digits can be typed into a configuration box.
    auto* hexByte = new QRegularExpressionValidator(QRegularExpression("[0-9A-Fa-f]{0,2}"), this);
    for (int n = 0; n < 7; ++n) {
        const int top = 1920 + n * 345;
        Label6[n] =
            label(qPrintable(QString("Label6_%1").arg(n)), wordLabels[n], 4560, top + 30, 300, 255);
        for (int index : {2 * n + 1, 2 * n}) {
            const int left = index % 2 ? 4890 : 5400;
            auto* box = textBox(QString("ConfigAddrText_%1").arg(index), "FF", left, top, 480, 315);
            box->setToolTip("Config data");
            // One byte per box: two hexadecimal digits at most.
            box->setMaxLength(kConfigBoxMaxLength);
            ConfigAddrText[index] = box;
            box->setValidator(hexByte);
            connect(box, &QLineEdit::textChanged, this,
                    [this, index] { ConfigAddrText_Change(index); });
        }
        Text_Configbit[n] = textBox(QString("Text_Configbit_%1").arg(n), "1111 1111 1111 1111",
                                    5940, top, 2790, 315);
        Text_Configbit[n]->setToolTip("Config data");
    }

    kage = new ClickableLabel(client);
    kage->setObjectName("kage");
    Place(kage, 120, 3450, 330, 330);
    kage->setFrameShape(QFrame::Panel);
    kage->setFrameShadow(QFrame::Sunken);
    SetBackground(kage, Rgb{64, 64, 64});
    kage->setCursor(Qt::PointingHandCursor);
    connect(kage, &ClickableLabel::clicked, this, [this] { kage_Click(); });

    Label_ZEKname = new ClickableLabel(client);
    Label_ZEKname->setObjectName("Label_ZEKname");
    Place(Label_ZEKname, 570, 3390, 3840, 255);
    connect(Label_ZEKname, &ClickableLabel::clicked, this, [this] { Label_ZEKname_Click(); });
    if (platform_.emulatedProgrammer) {
        Label_ZEKname->setText("EMULATED programmer");
        Label_ZEKname->setStyleSheet("color: rgb(200, 80, 0); font-weight: bold;");
        Label_ZEKname->setToolTip("The panel is working with the emulated programmer");
    } else {
        Label_ZEKname->setText("Tamro programmer");
    }
    Label12 = new ClickableLabel(client);
    Label12->setObjectName("Label12");
    Place(Label12, 570, 3690, 3840, 255);
    Label12->setCursor(Qt::PointingHandCursor);
    Label12->setText(Q(HomePageAddress(platform_.settings, InstalledDocumentationFiles())));
    Label12->setStyleSheet("color: rgb(0, 0, 192); text-decoration: underline;");
    connect(Label12, &ClickableLabel::clicked, this, [this] { open_homepage(); });

    // The test panel, below what the normal window height shows.
    const int a = kTestPanelTopTwips;
    Label3 = label("Label3", "Test mode", 120, a + 45, 1000, 255);
    Command_VCC = button("Command_VCC", "VCC off", "", 1170, a, 900, 345);
    Command_LED = button("Command_LED", "LED off", "", 2115, a, 900, 345);
    const char* levels[] = {"0v", "5v", "Vpp"};
    for (int i = 0; i < 3; ++i) {
        Command_Vset[i] = button(qPrintable(QString("Command_Vset_%1").arg(i)), levels[i], "",
                                 3105 + i * 630, a, 585, 345);
        connect(Command_Vset[i], &QPushButton::clicked, this,
                [this, i] { RunTargetOperation([this, i] { Command_Vset_Click(i); }); });
    }
    Label10 = label("Label10", "AD", 5040, a + 45, 300, 255);
    Text_AD = textBox("Text_AD", "", 5340, a, 700, 330);
    Command_ID = button("Command_ID", "ID", "", 6120, a, 585, 345);
    Text_Device = textBox("Text_Device", "", 6750, a, 1980, 330);

    const int b = a + 420;
    USBMSG = textBox("USBMSG", "USB message", 120, b, 2520, 315);
    Text2 = textBox("Text2", "", 2700, b, 900, 315);
    Text_ADMON = textBox("Text_ADMON", "", 3660, b, 1800, 315);
    TEST = textBox("TEST", "", 5520, b, 3210, 315);

    const int c = b + 390;
    Label7 = label("Label7", "", 120, c, 4300, 255);
    Label9 = label("Label9", "", 4470, c, 4260, 255);

    connect(Command_VCC, &QPushButton::clicked, this,
            [this] { RunTargetOperation([this] { Command_VCC_Click(); }); });
    connect(Command_LED, &QPushButton::clicked, this,
            [this] { RunTargetOperation([this] { Command_LED_Click(); }); });
    connect(Command_ID, &QPushButton::clicked, this,
            [this] { RunTargetOperation([this] { Command_ID_Click(); }); });
    connect(Command_RESET, &QPushButton::clicked, this,
            [this] { RunTargetOperation([this] { Command_RESET_Click(); }); });
    connect(EXTButton, &QPushButton::clicked, this, [this] { close(); });

    auto programming = [this](QPushButton* button, std::function<OperationResult()> operation) {
        connect(button, &QPushButton::clicked, this,
                [this, operation] { RunProgrammingOperation(operation); });
    };
    programming(ERASEButton, [this] { return session_.Erase(); });
    connect(WriteButton, &QPushButton::clicked, this, [this] {
        if (session_.Busy() || ConfigurationBoxesGood()) {
            RunProgrammingOperation([this] { return session_.Write(LastAddress()); });
        }
    });
    programming(VerifyButton, [this] { return session_.Verify(); });
    connect(BUFVIEWButton, &QPushButton::clicked, this, [this] { BUFVIEWButton_Click(); });
    // What changes the image or the files an operation works on waits for its end.
    auto unlessBusy = [this](QPushButton* button, void (ToolRuns::*run)()) {
        connect(button, &QPushButton::clicked, this, [this, run] {
            if (!RefuseWhileBusy()) (toolRuns_.get()->*run)();
        });
    };
    unlessBusy(F_OpenButton, &ToolRuns::FileOpen);
    unlessBusy(ASSMButton, &ToolRuns::AssemblerRun);
    unlessBusy(C_Button, &ToolRuns::CRun);
    unlessBusy(HexSet_Button, &ToolRuns::HexSet);
    connect(EditorButton, &QPushButton::clicked, this, [this] { toolRuns_->OpenEditor(); });
    connect(New_EditorButton, &QPushButton::clicked, this, [this] { toolRuns_->NewFile(); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
}

void TAMRO18_form::BuildMenus() {
    std::map<QString, QMenu*> menus;
    for (const MenuEntry& entry : kMenuEntries) {
        QMenu*& menu = menus[entry.menu];
        if (!menu) {
            menu = menuBar()->addMenu(entry.menu);
            menu->setObjectName(entry.menu);
        }
        QAction* action = menu->addAction(entry.caption);
        action->setObjectName(entry.name);
        if (!entry.shortcut.isEmpty()) action->setShortcut(entry.shortcut);
        action->setEnabled(false);
        const QString name = entry.name;
        connect(action, &QAction::triggered, this, [this, name] {
            auto it = menuHandlers_.find(name);
            if (it != menuHandlers_.end() && it->second) it->second();
        });
        actions_[name] = action;
    }
    setMenuHandler("FILEOPENMENU", [this] {
        if (!RefuseWhileBusy()) toolRuns_->FileOpen();
    });
    setMenuHandler("READ", [this] {
        RunProgrammingOperation([this] { return session_.ReadProgram(LastAddress()); });
    });
    setMenuHandler("Buffer_view", [this] { Buffer_view_Click(); });
    setMenuHandler("READ_EEPROM",
                   [this] { RunProgrammingOperation([this] { return session_.ReadEeprom(); }); });
    setMenuHandler("SaveHex", [this] { SaveHex_Click(); });
    setMenuHandler("Editor", [this] { toolRuns_->OpenEditor(); });
    setMenuHandler("Assembler", [this] {
        if (!RefuseWhileBusy()) toolRuns_->AssemblerRun();
    });
    setMenuHandler("Ccmp", [this] {
        if (!RefuseWhileBusy()) toolRuns_->CRun();
    });
    setMenuHandler("NEW_EDITOR", [this] { toolRuns_->NewFile(); });
    setMenuHandler("LAview", [this] { LAview_Click(); });
    setMenuHandler("VM_MANU", [this] { VM_MANU_Click(); });
    setMenuHandler("CNT_MENU", [this] { CNT_MENU_Click(); });
    setMenuHandler("CNT_MENU2", [this] { CNT_MENU2_Click(); });
    setMenuHandler("System_Setup", [this] { System_Setup_Click(); });
    setMenuHandler("HELP", [this] { HELP_Click(); });
    setMenuHandler("VER", [this] { VER_Click(); });
    setMenuHandler("HomePage_OPEN", [this] { open_homepage(); });
    setMenuHandler("CALC", [this] { CALC_Click(); });
    setMenuHandler("Convertor", [this] { Convertor_Click(); });
}

void TAMRO18_form::open_homepage() {
    OpenHomePage(platform_.launcher, platform_.messages,
                 HomePageAddress(platform_.settings, InstalledDocumentationFiles()));
}

void TAMRO18_form::HELP_Click() {
    if (!help_) {
        help_ = new HELP_FORM(toolSettings_.F_ASM, platform_.messages, this);
    } else {
        help_->SetFolder(toolSettings_.F_ASM);
    }
    help_->Open();
}

void TAMRO18_form::VER_Click() {
    TAMRO_VERFORM version(session_.firmwareText(),
                          HomePageAddress(platform_.settings, InstalledDocumentationFiles()),
                          platform_.launcher, platform_.messages, this);
    version.exec();
}

void TAMRO18_form::CALC_Click() {
    RunCalculator(platform_.launcher, platform_.messages);
}

void TAMRO18_form::Convertor_Click() {
    if (!dataConv_) {
        dataConv_ = new DataConv(this);
    }
    dataConv_->Open();
}

QAction* TAMRO18_form::menuAction(const QString& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

void TAMRO18_form::setMenuHandler(const QString& name, std::function<void()> handler) {
    menuHandlers_[name] = std::move(handler);
    if (QAction* action = menuAction(name))
        action->setEnabled(static_cast<bool>(menuHandlers_[name]));
}

void TAMRO18_form::SetOuterHeight(int heightTwips) {
    const TwipSize client = ClientForOuter(kWindowWidthTwips, heightTwips);
    setFixedSize(Px(client.width), Px(client.height));
}

bool TAMRO18_form::Form_Load() {
    resetLampCount_ = 0;
    FilenameTextbox->clear();
    CurrentAddrText->clear();
    StartAddrText->clear();
    LastAddrText->clear();
    NotesLabel->clear();
    topDir_ = QDir::currentPath().toStdString();
    SetOuterHeight(kNormalHeightTwips);
    Timer1->start();

    // Identification, the stored device selection, supply on and LED off.
    SetTargetControlsEnabled(false);
    const bool started = session_.Start();
    SetTargetControlsEnabled(true);
    if (!started) {
        Timer1->stop();
        platform_.messages.Show(MessageIcon::Critical, "USB ERROR", "Unit not Found");
        return false;
    }
    toolSettings_ = LoadToolSettings(platform_.settings,
                                     InstalledToolSettings(QtProcessRunner::FindProgram));
    Label7->setText("TopDIR = " + Q(topDir_));
    Label9->setText("Current DIR = " + QDir::currentPath());
    return true;
}

void TAMRO18_form::Shutdown() {
    if (Timer1) Timer1->stop();
    session_.Shutdown();
}

void TAMRO18_form::closeEvent(QCloseEvent* event) {
    if (session_.Busy()) {
        // Closing under a running operation would cut the target off mid-sequence.
        event->ignore();
        if (platform_.messages.AskYesNo("EXIT", "An operation is running. Stop it and exit?")) {
            closeWhenStopped_ = true;
            session_.RequestStop();
        }
        return;
    }
    if (!editor_->ConfirmDiscard()) {
        event->ignore();
        return;
    }
    Shutdown();
    event->accept();
    // Every other window closes with the main window.
    QMetaObject::invokeMethod(qApp, &QApplication::closeAllWindows, Qt::QueuedConnection);
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

bool TAMRO18_form::RefuseWhileBusy() {
    if (!session_.Busy()) return false;
    platform_.messages.Beep();
    return true;
}

std::int16_t TAMRO18_form::LastAddress() const {
    return HexValue16(LastAddrText->text().toStdString());
}

bool TAMRO18_form::RunTargetOperation(const std::function<void()>& operation) {
    // Requests let pending events run between their packets; one started from
    // such a pass is refused by the session, and the window beeps.
    if (RefuseWhileBusy()) return false;
    SetTargetControlsEnabled(false);
    operation();
    SetTargetControlsEnabled(true);
    CloseIfStopped();
    return true;
}

bool TAMRO18_form::RunProgrammingOperation(const std::function<OperationResult()>& operation) {
    if (RefuseWhileBusy()) return false;
    SetTargetControlsEnabled(false);
    programmingUnderWay_ = true;
    usbFailureShown_ = false;
    lastEventPump_ = {};
    operation();
    programmingUnderWay_ = false;
    ShowPendingUsbMessage();
    SetTargetControlsEnabled(true);
    CloseIfStopped();
    return true;
}

void TAMRO18_form::CloseIfStopped() {
    if (!closeWhenStopped_) return;
    closeWhenStopped_ = false;
    close();
}

void TAMRO18_form::ShowUsbMessage(const std::string& text) {
    // A full WRITE makes some 40000 exchanges, and laying out the box's text
    // twice per exchange would cost far more than the exchanges themselves.
    // Nobody sees the box between two progress updates, so during a programming
    // operation a good outcome waits for the next one; a failure is shown at
    // once, before its message box.
    const bool good = text.ends_with("OK!:");
    if (programmingUnderWay_ && good) {
        if (!usbFailureShown_) pendingUsbMessage_ = text;
        return;
    }
    if (programmingUnderWay_) usbFailureShown_ = true;
    pendingUsbMessage_.reset();
    USBMSG->setText(Q(text));
}

void TAMRO18_form::ShowPendingUsbMessage() {
    if (!pendingUsbMessage_) return;
    USBMSG->setText(Q(*pendingUsbMessage_));
    pendingUsbMessage_.reset();
}

void TAMRO18_form::SetTargetControlsEnabled(bool enabled) {
    // Everything that talks to the target or changes what an operation works on.
    std::vector<QWidget*> widgets = {
        Frame1,          WriteButton,    VerifyButton,  ERASEButton,   F_OpenButton,
        ASSMButton,      C_Button,       HexSet_Button, Command_VCC,   Command_LED,
        Command_ID,      Command_RESET,  LastAddrText,  StartAddrText, Command_Vset[0],
        Command_Vset[1], Command_Vset[2]};
    widgets.insert(widgets.end(), ConfigAddrText.begin(), ConfigAddrText.end());
    for (QWidget* widget : widgets) widget->setEnabled(enabled);
}

void TAMRO18_form::PICsel_Click(int index) {
    session_.SelectDevice(GroupOfOption(index));
}

void TAMRO18_form::DeviceGroupSelected(int option) {
    {
        const QSignalBlocker blocker(PICsel[option]);
        PICsel[option]->setChecked(true);
    }
    StartAddrText->setText("0");
    LastAddrText->setText("3FFF");
    FilenameTextbox->clear();
    NotesLabel->clear();
}

void TAMRO18_form::RD_DEVID() {
    session_.ReadDeviceId();
}

void TAMRO18_form::Command_ID_Click() {
    RD_DEVID();
}

void TAMRO18_form::Command_VCC_Click() {
    session_.ToggleSupply();
}

void TAMRO18_form::Command_LED_Click() {
    session_.ToggleLed();
}

void TAMRO18_form::ShowAnalogValue(unsigned count) {
    Text_AD->setText(QString::number(static_cast<long long>(RoundHalfEven(count / 50.0))));
}

void TAMRO18_form::Command_Vset_Click(int index) {
    const auto reading = session_.SetVppLevel(static_cast<protocol::VppLevel>(index));
    if (reading.outcome != OperationResult::Refused) ShowAnalogValue(reading.count);
}

void TAMRO18_form::Command_RESET_Click() {
    const auto reading = session_.ResetTarget();
    if (reading.outcome == OperationResult::Refused) return;
    SetResetLamp(kLampReset);
    resetLampCount_ = 5;
    ShowAnalogValue(reading.count);
}

void TAMRO18_form::Timer1_Timer() {
    Text2->setText(QString::number(session_.TickCountdown()));
    session_.TickDown();
    if (resetLampCount_ != 0) {
        --resetLampCount_;
        if (resetLampCount_ == 0) SetResetLamp(kLampIdle);
    }
}

void TAMRO18_form::SetResetLamp(Rgb colour) {
    resetLampColour_ = colour;
    SetBackground(RESET_LAMP, colour);
}

void TAMRO18_form::kage_Click() {
    if (kageTag_ != "0") {
        SetOuterHeight(kNormalHeightTwips);
        kageTag_ = "0";
    } else {
        SetOuterHeight(kExpandedHeightTwips);
        kageTag_ = "1";
    }
}

void TAMRO18_form::Label_ZEKname_Click() {
    SetOuterHeight(kNormalHeightTwips);
    kageTag_ = "0";
}

void TAMRO18_form::DSPCONFIG() {
    const auto texts = tamro::DSPCONFIG(images());
    for (int i = 0; i < 14; ++i) ConfigAddrText[i]->setText(Q(texts[i]));
}

void TAMRO18_form::ConfigAddrText_Change(int index) {
    const ConfigBitUpdate update =
        tamro::ConfigAddrText_Change(images(), index, ConfigAddrText[index]->text().toStdString());
    Text_Configbit[update.word]->setText(Q(update.bitString));
}

void TAMRO18_form::Config_bit_DSP(int nmb, std::uint16_t conf) {
    Text_Configbit[nmb]->setText(Q(tamro::Config_bit_DSP(static_cast<std::int16_t>(conf))));
}

void TAMRO18_form::LastAddrText_Change() {
    if (auto replacement = tamro::LastAddrText_Change(LastAddrText->text().toStdString(),
                                                      deviceGroup().programSize)) {
        LastAddrText->setText(Q(*replacement));
    }
}

bool TAMRO18_form::ConfigurationBoxesGood() {
    for (int i = 0; i < kConfigBoxes; ++i) {
        if (const auto problem = ConfigBoxProblem(i, ConfigAddrText[i]->text().toStdString())) {
            platform_.messages.Show(MessageIcon::Critical, "WRITE ERROR", *problem);
            ConfigAddrText[i]->setFocus();
            return false;
        }
    }
    return true;
}

void TAMRO18_form::HEX_LOAD() {
    // The image an operation is writing or comparing stays as it is.
    if (RefuseWhileBusy()) return;
    const std::string file = toolFiles_.HexFileName;
    const HexLoadOutcome outcome = tamro::HEX_LOAD(file, images());
    if (outcome.text2) Text2->setText(Q(*outcome.text2));
    if (outcome.textAdmon) Text_ADMON->setText(Q(*outcome.textAdmon));
    if (!outcome.ok) {
        // The previous file stays loaded, under its name.
        ShowHexFileError(platform_.messages, file, outcome);
        toolFiles_.HexFileName = loadedHexFile_;
        if (FilenameTextbox->text() == Q(file)) FilenameTextbox->setText(fileBoxBeforeLastName_);
        return;
    }
    loadedHexFile_ = file;
    // What the file does not configure takes the group's defaults, never the
    // previous file's values.
    ConfigBytes defaults{};
    std::copy_n(deviceGroup().defaultConfig.begin(), defaults.size(), defaults.begin());
    ApplyConfigurationDefaults(images(), defaults);
    CurrentAddrText->setText(Q(outcome.lastAddressText));
    LastAddrText->setText(Q(outcome.lastAddressText));
    StartAddrText->setText(Q(outcome.startAddressText));
    DSPCONFIG();
    if (viewers_->ProgramViewVisible()) viewers_->FillProgramGrid(images());
}

void TAMRO18_form::Buffer_view_Click() {
    viewers_->ShowProgramView();
    viewers_->FillProgramGrid(images());
    session_.SetTickCountdown(0);
}

void TAMRO18_form::BUFVIEWButton_Click() {
    Buffer_view_Click();
    SetNotesColour(kNotesViolet);
    SetNotesCaption("Show Read BUFFER");
}

void TAMRO18_form::SaveHex_Click() {
    const std::string path = platform_.dialogs.SaveFileName("HEX FILES|*.hex|ALL FILES|*.*|");
    if (path.empty()) return;
    std::string error;
    if (!WriteIntelHexFile(path, images(), HexWriteOptions{}, &error)) {
        platform_.messages.Show(MessageIcon::Critical, "FILE ERROR", "File Error");
        return;
    }
    SetNotesColour(kNotesWhite);
    SetNotesCaption("HEX Saved");
}

void TAMRO18_form::System_Setup_Click() {
    if (!setup_) {
        setup_ = new Setup_Form(toolSettings_, platform_.settings,
                                InstalledToolSettings(QtProcessRunner::FindProgram), this);
    }
    setup_->show();
    setup_->raise();
    setup_->activateWindow();
}

// The meters are modal and talk to the programmer: none opens while a target
// operation lets events run.
void TAMRO18_form::VM_MANU_Click() {
    if (RefuseWhileBusy()) return;
    VM meter(session_, platform_.settings, this);
    meter.exec();
}

void TAMRO18_form::CNT_MENU_Click() {
    if (RefuseWhileBusy()) return;
    Form_FCNT counter(session_, this);
    counter.exec();
}

void TAMRO18_form::CNT_MENU2_Click() {
    if (RefuseWhileBusy()) return;
    Form_CNT counter(session_, this);
    counter.exec();
}

void TAMRO18_form::LAview_Click() {
    if (!logicAnalyzer_) {
        logicAnalyzer_ = new LA(session_, platform_.messages, platform_.events, this);
        logicAnalyzer_->setAttribute(Qt::WA_DeleteOnClose);
    }
    logicAnalyzer_->show();
    logicAnalyzer_->raise();
    logicAnalyzer_->activateWindow();
}

void TAMRO18_form::SetNotesColour(Rgb colour) {
    notesColour_ = colour;
    QPalette palette = NotesLabel->palette();
    palette.setColor(QPalette::WindowText, QColor(colour.red, colour.green, colour.blue));
    NotesLabel->setPalette(palette);
}

void TAMRO18_form::SetNotesCaption(const std::string& caption) {
    NotesLabel->setText(Q(caption));
}

void TAMRO18_form::SetDeviceText(const std::string& text) {
    Text_Device->setText(Q(text));
}

void TAMRO18_form::SetCurrentAddress(const std::string& text) {
    CurrentAddrText->setText(Q(text));
}

void TAMRO18_form::SetVccCaption(const std::string& caption) {
    Command_VCC->setText(Q(caption));
}

void TAMRO18_form::SetLedCaption(const std::string& caption) {
    Command_LED->setText(Q(caption));
}

void TAMRO18_form::SetProgress(int done, int total) {
    if (total <= 0) {
        ProgressBar->hide();
        return;
    }
    ProgressBar->setRange(0, total);
    ProgressBar->setValue(done);
    ProgressBar->show();
}

void TAMRO18_form::ProcessPendingEvents() {
    ShowPendingUsbMessage();
    // Repainting the window after each of a WRITE's 8000 blocks would take
    // longer than the WRITE: during a programming operation the window is
    // brought up to date at most every 10 ms, which still looks continuous.
    constexpr auto kOperationPumpInterval = std::chrono::milliseconds(10);
    const auto now = std::chrono::steady_clock::now();
    if (programmingUnderWay_ && now - lastEventPump_ < kOperationPumpInterval) return;
    lastEventPump_ = now;
    platform_.events.ProcessPendingEvents();
}

void TAMRO18_form::SetStartAddress(const std::string& text) {
    StartAddrText->setText(Q(text));
}

void TAMRO18_form::ClearFileName() {
    FilenameTextbox->clear();
}

void TAMRO18_form::ShowProgramBuffer() {
    if (viewers_->ProgramViewVisible()) viewers_->FillProgramGrid(images());
    Buffer_view_Click();
}

void TAMRO18_form::ShowEepromBuffer() {
    viewers_->ShowEepromView();
    viewers_->FillEepromGrid(images());
}

std::string TAMRO18_form::FilenameText() {
    return FilenameTextbox->text().toStdString();
}

void TAMRO18_form::SetFilenameText(const std::string& text) {
    fileBoxBeforeLastName_ = FilenameTextbox->text();
    FilenameTextbox->setText(Q(text));
}

void TAMRO18_form::SetTestText(const std::string& text) {
    TEST->setText(Q(text));
}

void TAMRO18_form::SetNotes(const Rgb& colour, const std::string& text) {
    SetNotesColour(colour);
    SetNotesCaption(text);
}

bool TAMRO18_form::OpenErrorView(const std::string& errorFileName) {
    return errorView_->ShowFile(errorFileName);
}

void TAMRO18_form::ShowToolOutput(const std::string& text) {
    errorView_->ShowText(text);
}

bool TAMRO18_form::OpenBuiltInEditor() {
    return editor_->Open();
}

}  // namespace tamro
