#include "panel/main_window_controls.h"

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include "common/twips.h"
#include "images/checksum.h"
#include "panel/clickable_label.h"
#include "panel/eliding_label.h"
#include "programming/device.h"
#include "programming/operation_view.h"

namespace tamro {
namespace {

constexpr int kTestPanelTopTwips = 4815;

// The top of an option button of PIC Select in its frame.
int OptionRowTwips(int option) {
    return option == kOption452 ? 330 : 660;
}

void Place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

struct MenuEntry {
    const char* menu;
    const char* name;
    const char* caption;
    QKeySequence shortcut;
};

const MenuEntry kMenuEntries[] = {
    {"Function", "FILEOPENMENU", "File Open", QKeySequence(Qt::Key_F3)},
    {"Function", "READ", "READ", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)},
    {"Function", "Buffer_view", "Buffer_view", {}},
    {"Function", "READ_EEPROM", "READ_EEPROM", {}},
    {"Function", "SaveHex", "Save HEX", QKeySequence(Qt::CTRL | Qt::Key_S)},
    {"Function", "BLANK_CHECK", "Blank check", {}},
    {"Function", "CONFIG_NAMES", "Configuration by name", {}},
    {"Function", "PROGRAMMER", "Programmer...", {}},
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

std::map<QString, QAction*> BuildMenus(QMenuBar* menuBar) {
    std::map<QString, QAction*> actions;
    std::map<QString, QMenu*> menus;
    for (const MenuEntry& entry : kMenuEntries) {
        QMenu*& menu = menus[entry.menu];
        if (!menu) {
            menu = menuBar->addMenu(entry.menu);
            menu->setObjectName(entry.menu);
        }
        QAction* action = menu->addAction(entry.caption);
        action->setObjectName(entry.name);
        if (!entry.shortcut.isEmpty()) action->setShortcut(entry.shortcut);
        action->setEnabled(false);
        actions[entry.name] = action;
    }
    return actions;
}

// Makes the controls of one parent, each at its place in twips.
struct Maker {
    QWidget* parent;

    QLabel* Label(const QString& name, const QString& text, int l, int t, int w, int h) const {
        auto* widget = new QLabel(text, parent);
        widget->setObjectName(name);
        Place(widget, l, t, w, h);
        return widget;
    }
    QLineEdit* TextBox(const QString& name, const QString& text, int l, int t, int w, int h,
                       const QString& tip = {}) const {
        auto* widget = new QLineEdit(text, parent);
        widget->setObjectName(name);
        widget->setToolTip(tip);
        Place(widget, l, t, w, h);
        return widget;
    }
    QPushButton* Button(const QString& name, const QString& caption, const QString& tip, int l,
                        int t, int w, int h) const {
        auto* widget = new QPushButton(caption, parent);
        widget->setObjectName(name);
        widget->setToolTip(tip);
        widget->setFocusPolicy(Qt::TabFocus);
        Place(widget, l, t, w, h);
        return widget;
    }
    ClickableLabel* Clickable(const QString& name, int l, int t, int w, int h) const {
        auto* widget = new ClickableLabel(parent);
        widget->setObjectName(name);
        Place(widget, l, t, w, h);
        return widget;
    }
};

void BuildAddressesAndConfiguration(const Maker& make, MainWindowControls& c) {
    make.Label("Label_START", "START", 2700, 1700, 600, 255);
    c.StartAddrText =
        make.TextBox("StartAddrText", "Text4", 2700, 1950, 800, 315, "Program start Address");
    make.Label("Label_LAST", "LAST", 3550, 1700, 600, 255);
    c.LastAddrText =
        make.TextBox("LastAddrText", "Text5", 3550, 1950, 800, 315, "Program last Address");
    make.Label("Label_Current", "Current", 2700, 2400, 800, 255);
    c.CurrentAddrText =
        make.TextBox("CurrentAddrText", "Text3", 3550, 2370, 800, 315, "Current Address");

    make.Label("Label8", "Configration bit", 4560, 1650, 2400, 255);
    // Only hexadecimal digits can be typed into a configuration box.
    auto* hexByte =
        new QRegularExpressionValidator(QRegularExpression("[0-9A-Fa-f]{0,2}"), make.parent);
    const QString configTip = QString::fromStdString(kConfigToolTip);
    for (int n = 0; n < kConfigWords; ++n) {
        const int top = 1920 + n * 345;
        make.Label(QString("Label6_%1").arg(n), QString::fromStdString(ConfigWordLabel(n)), 4560,
                   top + 30, 300, 255);
        for (int index : {2 * n + 1, 2 * n}) {
            const int left = index % 2 ? 4890 : 5400;
            auto* box = make.TextBox(QString("ConfigAddrText_%1").arg(index),
                                     QString::fromStdString(kConfigBoxDesignText), left, top, 480,
                                     315, configTip);
            // One byte per box: two hexadecimal digits at most.
            box->setMaxLength(kConfigBoxMaxLength);
            box->setValidator(hexByte);
            c.ConfigAddrText[index] = box;
        }
        c.Text_Configbit[n] = make.TextBox(QString("Text_Configbit_%1").arg(n),
                                           QString::fromStdString(kConfigBitDesignText), 5940, top,
                                           2790, 315, configTip);
    }
}

void BuildTestPanel(const Maker& make, MainWindowControls& c) {
    const int a = kTestPanelTopTwips;
    make.Label("Label3", "Test mode", 120, a + 45, 1000, 255);
    c.Command_VCC = make.Button("Command_VCC", "VCC off", "", 1170, a, 900, 345);
    c.Command_LED = make.Button("Command_LED", "LED off", "", 2115, a, 900, 345);
    const char* levels[] = {"0v", "5v", "Vpp"};
    for (int i = 0; i < 3; ++i) {
        c.Command_Vset[i] = make.Button(QString("Command_Vset_%1").arg(i), levels[i], "",
                                        3105 + i * 630, a, 585, 345);
    }
    make.Label("Label10", "AD", 5040, a + 45, 300, 255);
    c.Text_AD = make.TextBox("Text_AD", "", 5340, a, 700, 330);
    c.Command_ID = make.Button("Command_ID", "ID", "", 6120, a, 585, 345);
    c.Text_Device = make.TextBox("Text_Device", "", 6750, a, 1980, 330);

    const int b = a + 420;
    // USBMSG holds the longest driver message whole, also in the fonts Debian
    // installs for Japanese; TEST shows paths of any length.
    c.USBMSG = make.TextBox("USBMSG", "USB message", 120, b, 4290, 315);
    c.Text2 = make.TextBox("Text2", "", 4470, b, 900, 315);
    c.Text_ADMON = make.TextBox("Text_ADMON", "", 5430, b, 1440, 315);
    c.TEST = make.TextBox("TEST", "", 6930, b, 1800, 315);

    const int d = b + 390;
    c.Label7 = make.Label("Label7", "", 120, d, 4300, 255);
    c.Label9 = make.Label("Label9", "", 4470, d, 4260, 255);
}

}  // namespace

void ShowProgrammerKind(QLabel* label, bool emulated) {
    if (emulated) {
        label->setText("EMULATED programmer");
        label->setStyleSheet("color: rgb(200, 80, 0); font-weight: bold;");
        label->setToolTip("The panel is working with the emulated programmer");
    } else {
        label->setText("Tamro programmer");
        label->setStyleSheet("");
        label->setToolTip("");
    }
}

void SetBackground(QWidget* widget, Rgb colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, QColor(colour.red, colour.green, colour.blue));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

MainWindowControls BuildMainWindowControls(QMainWindow& window, const ControlOptions& options) {
    auto* client = new QWidget(&window);
    client->setObjectName("client");
    window.setCentralWidget(client);
    const Maker make{client};
    MainWindowControls c;

    make.Label("Label1", "Target File name", 120, 150, 1500, 255);
    c.FilenameTextbox = make.TextBox("FilenameTextbox", "File name", 1650, 105, 5580, 315);
    c.ChecksumLabel = make.Label("ChecksumLabel", "", 7290, 135, 1440, 255);
    c.ChecksumLabel->setToolTip(
        "Checksum: program memory bytes and configuration bytes under the device's masks");

    const int row2 = 555;
    c.F_OpenButton =
        make.Button("F_OpenButton", "FILE OPEN", "Open your ASM,HEX file", 120, row2, 1350, 375);
    c.EditorButton = make.Button("EditorButton", "Editor", "Edit and View", 1530, row2, 1350, 375);
    c.New_EditorButton = make.Button("New_EditorButton", "NEW", "New File", 2940, row2, 1350, 375);
    c.ASSMButton = make.Button("ASSMButton", "Assembler", "Assembler", 4350, row2, 1350, 375);
    c.C_Button = make.Button("C_Button", "C compiler", "C Compiler", 5760, row2, 1350, 375);
    c.HexSet_Button =
        make.Button("HexSet_Button", "HEX set", "HEX Data set", 7170, row2, 1560, 375);

    const int row3 = 1050;
    c.WriteButton =
        make.Button("WriteButton", "WRITE", "Write program to PIC", 120, row3, 1350, 480);
    c.VerifyButton = make.Button("VerifyButton", "VERIFY", "Program verify", 1530, row3, 1350, 480);
    c.ERASEButton = make.Button("ERASEButton", "ERASE", "Erase the PIC", 2940, row3, 1350, 480);
    c.BUFVIEWButton = make.Button("BUFVIEWButton", "BUFFER", "Buffer view", 4350, row3, 1350, 480);
    c.Command_RESET = make.Button("Command_RESET", "RESET", "Reset PIC", 5760, row3, 1050, 480);
    c.RESET_LAMP = new QFrame(client);
    c.RESET_LAMP->setObjectName("RESET_LAMP");
    c.RESET_LAMP->setFrameShape(QFrame::Box);
    Place(c.RESET_LAMP, 6870, row3 + 90, 300, 300);
    c.SetResetLamp(kLampIdle);
    c.EXTButton = make.Button("EXTButton", "EXIT", "Exit", 7380, row3, 1350, 480);
    // Shortcuts of the target operations, clear of the menus' function keys
    // and of the text boxes' editing keys.
    c.WriteButton->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
    c.VerifyButton->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    c.ERASEButton->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));

    c.Frame1 = new QGroupBox("PIC Select", client);
    c.Frame1->setObjectName("Frame1");
    Place(c.Frame1, 120, 1650, 2400, 1050);
    for (const auto& [index, caption] :
         {std::pair{kOption452, "18F452"}, std::pair{kOption4520, "18F4520"}}) {
        auto* option = new QRadioButton(caption, c.Frame1);
        option->setObjectName(QString("PICsel_%1").arg(index));
        Place(option, 240, OptionRowTwips(index), 1140, 285);
        c.PICsel[index] = option;
    }
    c.TargetDeviceLabel = new QLabel(c.Frame1);
    c.TargetDeviceLabel->setObjectName("TargetDeviceLabel");
    c.TargetDeviceLabel->setToolTip("The device the target reports");
    // Told apart from the option captions beside it.
    QPalette deviceColours = c.TargetDeviceLabel->palette();
    deviceColours.setColor(QPalette::WindowText, QColor(0, 0, 160));
    c.TargetDeviceLabel->setPalette(deviceColours);
    Place(c.TargetDeviceLabel, 1380, OptionRowTwips(kOption452), 960, 285);

    BuildAddressesAndConfiguration(make, c);

    c.NotesLabel = new ElidingLabel(client);
    c.NotesLabel->setObjectName("NotesLabel");
    Place(c.NotesLabel, 120, 2850, 4230, 420);
    SetBackground(c.NotesLabel, Rgb{0, 0, 96});
    c.NotesLabel->setIndent(Px(90));
    QFont notesFont = c.NotesLabel->font();
    notesFont.setBold(true);
    c.NotesLabel->setFont(notesFont);
    c.SetNotesColour(kNotesWhite);

    c.kage = make.Clickable("kage", 120, 3450, 330, 330);
    c.kage->setFrameShape(QFrame::Panel);
    c.kage->setFrameShadow(QFrame::Sunken);
    SetBackground(c.kage, Rgb{64, 64, 64});
    c.kage->setCursor(Qt::PointingHandCursor);

    c.Label_ZEKname = make.Clickable("Label_ZEKname", 570, 3390, 3840, 255);
    ShowProgrammerKind(c.Label_ZEKname, options.emulatedProgrammer);
    c.Label12 = make.Clickable("Label12", 570, 3690, 3840, 255);
    c.Label12->setCursor(Qt::PointingHandCursor);
    c.Label12->setText(options.homePage);
    c.Label12->setStyleSheet("color: rgb(0, 0, 192); text-decoration: underline;");

    c.ProgressBar = new QProgressBar(client);
    c.ProgressBar->setObjectName("ProgressBar");
    c.ProgressBar->setAlignment(Qt::AlignCenter);
    Place(c.ProgressBar, 570, 4020, 2820, 330);
    c.ProgressBar->hide();
    c.StopButton =
        make.Button("StopButton", "Stop", "Stop the operation (Esc): the target is left safe", 3450,
                    4005, 900, 360);
    c.StopButton->hide();

    BuildTestPanel(make, c);
    c.actions = BuildMenus(window.menuBar());
    return c;
}

std::vector<QWidget*> MainWindowControls::TargetControls() const {
    std::vector<QWidget*> widgets = {
        Frame1,          WriteButton,    VerifyButton,  ERASEButton,   F_OpenButton,
        ASSMButton,      C_Button,       HexSet_Button, Command_VCC,   Command_LED,
        Command_ID,      Command_RESET,  LastAddrText,  StartAddrText, Command_Vset[0],
        Command_Vset[1], Command_Vset[2]};
    widgets.insert(widgets.end(), ConfigAddrText.begin(), ConfigAddrText.end());
    return widgets;
}

std::array<std::string, kConfigBoxes> MainWindowControls::ConfigBoxTexts() const {
    std::array<std::string, kConfigBoxes> texts;
    for (int i = 0; i < kConfigBoxes; ++i) texts[i] = ConfigAddrText[i]->text().toStdString();
    return texts;
}

void MainWindowControls::SetNotesColour(Rgb colour) {
    QPalette palette = NotesLabel->palette();
    palette.setColor(QPalette::WindowText, QColor(colour.red, colour.green, colour.blue));
    NotesLabel->setPalette(palette);
}

void MainWindowControls::SetResetLamp(Rgb colour) {
    SetBackground(RESET_LAMP, colour);
}

void MainWindowControls::ShowProgress(int done, int total, const QString& text) {
    if (total <= 0) {
        ProgressBar->hide();
        return;
    }
    ProgressBar->setRange(0, total);
    ProgressBar->setValue(done);
    ProgressBar->setFormat(text.isEmpty() ? QStringLiteral("%p %") : text);
    ProgressBar->show();
}

void MainWindowControls::ShowChecksum(std::uint16_t checksum) {
    ChecksumLabel->setText("Sum " + QString::fromStdString(ChecksumText(checksum)));
}

void MainWindowControls::ShowTargetDevice(const std::string& name, int servingOption) {
    TargetDeviceLabel->setText(QString::fromStdString(name));
    // Beside the option of its family; a device no family serves beside the selected one.
    int row = servingOption;
    if (row == 0) {
        for (const auto& [index, option] : PICsel) {
            if (option->isChecked()) row = index;
        }
    }
    TargetDeviceLabel->move(TargetDeviceLabel->x(), Px(OptionRowTwips(row ? row : kOption452)));
}

}  // namespace tamro
