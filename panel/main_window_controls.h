#pragma once
// The controls of the main window, each named as the panel's documentation
// names it, and how they are built: places in twips, captions and tool tips.
// The window holds them privately and wires them to the session.

#include <QString>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/platform.h"
#include "images/config_display.h"

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QWidget;

namespace tamro {

class ClickableLabel;
class ElidingLabel;

inline constexpr int kNormalHeightTwips = 5400;
inline constexpr int kExpandedHeightTwips = 6900;
inline constexpr int kWindowWidthTwips = 9000;
inline constexpr Rgb kLampIdle{128, 255, 128};
inline constexpr Rgb kLampReset{255, 255, 0};

struct MainWindowControls {
    QLineEdit* FilenameTextbox = nullptr;
    // The checksum of the images, next to the file name.
    QLabel* ChecksumLabel = nullptr;
    QPushButton* F_OpenButton = nullptr;
    QPushButton* EditorButton = nullptr;
    QPushButton* New_EditorButton = nullptr;
    QPushButton* ASSMButton = nullptr;
    QPushButton* C_Button = nullptr;
    QPushButton* HexSet_Button = nullptr;
    QPushButton* WriteButton = nullptr;
    QPushButton* VerifyButton = nullptr;
    QPushButton* ERASEButton = nullptr;
    QPushButton* BUFVIEWButton = nullptr;
    QPushButton* EXTButton = nullptr;
    QPushButton* Command_RESET = nullptr;
    QFrame* RESET_LAMP = nullptr;
    QGroupBox* Frame1 = nullptr;
    // By option index (9: 18F452, 10: 18F4520), named "PICsel_<index>".
    std::map<int, QRadioButton*> PICsel;
    // Beside the option of the family that serves it: the device the target
    // reported at the last ID read.
    QLabel* TargetDeviceLabel = nullptr;
    QLineEdit* CurrentAddrText = nullptr;
    QLineEdit* StartAddrText = nullptr;
    QLineEdit* LastAddrText = nullptr;
    // Below the programmer's name while an operation runs: its percentage,
    // region and time left, and StopButton beside it.
    QProgressBar* ProgressBar = nullptr;
    QPushButton* StopButton = nullptr;
    std::array<QLineEdit*, kConfigBoxes> ConfigAddrText{};
    std::array<QLineEdit*, kConfigWords> Text_Configbit{};
    ElidingLabel* NotesLabel = nullptr;
    ClickableLabel* kage = nullptr;
    ClickableLabel* Label_ZEKname = nullptr;
    ClickableLabel* Label12 = nullptr;
    // The test panel, below what the normal window height shows.
    QPushButton* Command_VCC = nullptr;
    QPushButton* Command_LED = nullptr;
    QPushButton* Command_ID = nullptr;
    std::array<QPushButton*, 3> Command_Vset{};
    QLineEdit* Text_Device = nullptr;
    QLineEdit* Text_AD = nullptr;
    QLineEdit* Text_ADMON = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* USBMSG = nullptr;
    QLineEdit* TEST = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label9 = nullptr;
    // The menu entries by name ("READ", "Buffer_view", ...), disabled until
    // the window gives them a handler.
    std::map<QString, QAction*> actions;

    // Everything that talks to the target or changes what an operation works on.
    std::vector<QWidget*> TargetControls() const;
    std::array<std::string, kConfigBoxes> ConfigBoxTexts() const;
    void SetNotesColour(Rgb colour);
    void SetResetLamp(Rgb colour);
    // `text` on the bar ("flash 45 %, 12 s left"); 0 of 0 hides the bar.
    void ShowProgress(int done, int total, const QString& text = {});
    void ShowChecksum(std::uint16_t checksum);
    // The target's device beside the option of the family that serves it (0: none).
    void ShowTargetDevice(const std::string& name, int servingOption);
};

struct ControlOptions {
    // The programmer label says so, so an emulated programmer is never taken
    // for hardware.
    bool emulatedProgrammer = false;
    QString homePage;  // Label12
};

// Builds the controls and the menus of `window` into a new central widget.
MainWindowControls BuildMainWindowControls(QMainWindow& window, const ControlOptions& options);

void SetBackground(QWidget* widget, Rgb colour);
// Label_ZEKname says whether the panel works with the emulated programmer, so
// that it is never taken for hardware.
void ShowProgrammerKind(QLabel* label, bool emulated);

}  // namespace tamro
