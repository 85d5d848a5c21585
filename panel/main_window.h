#pragma once
// The main window: the program itself. It owns the programming session (the
// link, the images, the device group, TickCountdown and the operation guard),
// the tool settings and every control of the panel, and wires the controls to
// the session and the tool runs.

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "common/platform.h"
#include "images/images.h"
#include "link/driver_library.h"
#include "programming/device.h"
#include "programming/operation_view.h"
#include "programming/programmer_session.h"
#include "tools/desktop_launch.h"
#include "tools/file_dialogs.h"
#include "tools/process_runner.h"
#include "tools/tool_runs.h"
#include "tools/tool_settings.h"

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace tamro {

class ClickableLabel;
class BufferViewers;
class DataConv;
class EditorWindow;
class ErrorViewWindow;
class HELP_FORM;
class LA;
class Setup_Form;

// What the main window needs from the platform.
struct PanelPlatform {
    DriverLibrary& driver;
    MessageBoxes& messages;
    SettingsStore& settings;
    EventPump& events;
    DesktopLauncher& launcher;
    FileDialogs& dialogs;
    ProcessRunner& processes;
    // Shown where the user sees it, so an emulated programmer is never taken
    // for hardware.
    bool emulatedProgrammer = false;
};

inline constexpr int kNormalHeightTwips = 5400;
inline constexpr int kExpandedHeightTwips = 6900;
inline constexpr int kWindowWidthTwips = 9000;
inline constexpr Rgb kLampIdle{128, 255, 128};
inline constexpr Rgb kLampReset{255, 255, 0};

class TAMRO18_form : public QMainWindow, public OperationView, public ToolRunHost {
    Q_OBJECT

  public:
    explicit TAMRO18_form(PanelPlatform platform, QWidget* parent = nullptr);
    ~TAMRO18_form() override;

    // Start-up. False when the programmer could not be opened: the user has
    // seen "Unit not Found" and the program must end without showing the window.
    bool Form_Load();

    // Shutdown: closes the driver library; no packet is sent.
    void Shutdown();

    // The session every window talks to the programmer through.
    ProgrammerSession& session() { return session_; }
    Images& images() { return session_.images(); }
    const DeviceGroupValues& deviceGroup() const { return session_.groupValues(); }
    ToolSettings& toolSettings() { return toolSettings_; }
    const std::string& firmwareText() const { return session_.firmwareText(); }
    int selectedOption() const { return session_.selectedOption(); }
    const DeviceIdReading& deviceIdReading() const { return session_.deviceIdReading(); }
    MessageBoxes& messages() { return platform_.messages; }
    SettingsStore& settings() { return platform_.settings; }
    EventPump& events() { return platform_.events; }

    // Event procedures, public so tests and menus reach them directly.
    void PICsel_Click(int index);
    void RD_DEVID();
    void Command_ID_Click();
    void Command_VCC_Click();
    void Command_LED_Click();
    void Command_Vset_Click(int index);
    void Command_RESET_Click();
    void Timer1_Timer();
    void kage_Click();
    void Label_ZEKname_Click();
    void DSPCONFIG();
    void Config_bit_DSP(int nmb, std::uint16_t conf);
    void open_homepage();
    void HELP_Click();
    void VER_Click();
    void CALC_Click();
    void Convertor_Click();
    void System_Setup_Click();
    void VM_MANU_Click();
    void CNT_MENU_Click();
    void CNT_MENU2_Click();
    void LAview_Click();
    void Buffer_view_Click();
    void BUFVIEWButton_Click();
    void SaveHex_Click();
    // Loads the file named by HexFileName into the images and shows the result.
    void HEX_LOAD();

    ToolFiles& toolFiles() { return toolFiles_; }
    ToolRuns& toolRuns() { return *toolRuns_; }
    BufferViewers& viewers() { return *viewers_; }

    // Runs a request of the session with the target controls disabled
    // meanwhile, or refuses it (with a beep) while another one runs. True when
    // it ran.
    bool RunTargetOperation(const std::function<void()>& operation);
    bool targetOperationRunning() const { return session_.Busy(); }
    // The same for the long programming operations, whose USB messages and
    // event processing follow their progress.
    bool RunProgrammingOperation(const std::function<OperationResult()>& operation);

    // Menu entries by their names ("READ", "Buffer_view", "LAview", ...). An
    // entry without an action stays disabled.
    QAction* menuAction(const QString& name) const;
    void setMenuHandler(const QString& name, std::function<void()> handler);

    // OperationView
    void SetNotesColour(Rgb colour) override;
    void SetNotesCaption(const std::string& caption) override;
    void SetDeviceText(const std::string& text) override;
    void SetCurrentAddress(const std::string& text) override;
    void SetVccCaption(const std::string& caption) override;
    void SetLedCaption(const std::string& caption) override;
    void SetProgress(int done, int total) override;
    void ProcessPendingEvents() override;
    void SetStartAddress(const std::string& text) override;
    void ClearFileName() override;
    void ShowProgramBuffer() override;
    void ShowEepromBuffer() override;
    void DeviceGroupSelected(int option) override;
    void ShowConfiguration() override { DSPCONFIG(); }

    // ToolRunHost
    std::string FilenameText() override;
    void SetFilenameText(const std::string& text) override;
    void SetTestText(const std::string& text) override;
    void SetNotes(const Rgb& colour, const std::string& text) override;
    void HexLoad() override { HEX_LOAD(); }
    bool OpenErrorView(const std::string& errorFileName) override;
    void ShowToolOutput(const std::string& text) override;
    bool OpenBuiltInEditor() override;
    std::int16_t TickCountdown() override { return session_.TickCountdown(); }
    void SetTickCountdown(std::int16_t value) override { session_.SetTickCountdown(value); }

    Rgb notesColour() const { return notesColour_; }
    Rgb resetLampColour() const { return resetLampColour_; }
    QString kageTag() const { return kageTag_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildControls();
    void BuildMenus();
    void SetOuterHeight(int heightTwips);
    void ShowAnalogValue(unsigned count);
    void SetResetLamp(Rgb colour);
    // False (with a beep) while a request of the session runs: nothing may
    // change what it works on.
    bool RefuseWhileBusy();
    void CloseIfStopped();
    // LastAddrText as a word address.
    std::int16_t LastAddress() const;
    void ConfigAddrText_Change(int index);
    void LastAddrText_Change();
    void SetTargetControlsEnabled(bool enabled);
    // False, with a box naming the first box, while a configuration box does
    // not hold one or two hexadecimal digits: WRITE would send it as 00.
    bool ConfigurationBoxesGood();
    void ShowUsbMessage(const std::string& text);
    void ShowPendingUsbMessage();

    PanelPlatform platform_;
    ProgrammerSession session_;
    ToolSettings toolSettings_;
    std::string topDir_;
    std::int16_t resetLampCount_ = 0;
    // The user chose to stop the running operation and exit: the window closes
    // once the operation has ended.
    bool closeWhenStopped_ = false;
    // While a programming operation runs, the USB message box and the event
    // processing follow the per-block progress, not every exchange.
    bool programmingUnderWay_ = false;
    std::optional<std::string> pendingUsbMessage_;
    // A failure shown during the running programming operation stays in the
    // box: the quiet leaving packets after it do not cover it.
    bool usbFailureShown_ = false;
    std::chrono::steady_clock::time_point lastEventPump_{};
    Rgb notesColour_{255, 255, 255};
    Rgb resetLampColour_ = kLampIdle;
    QString kageTag_;

    ToolFiles toolFiles_;
    // The HEX file loaded last and what the file box showed before the last
    // name was put into it: a failed load puts both back.
    std::string loadedHexFile_;
    QString fileBoxBeforeLastName_;
    std::unique_ptr<ToolRuns> toolRuns_;
    std::unique_ptr<BufferViewers> viewers_;

    // Single modeless windows: shown again, never created twice.
    DataConv* dataConv_ = nullptr;
    HELP_FORM* help_ = nullptr;
    ErrorViewWindow* errorView_ = nullptr;
    EditorWindow* editor_ = nullptr;
    QPointer<Setup_Form> setup_;
    QPointer<LA> logicAnalyzer_;

    std::map<QString, QAction*> actions_;
    std::map<QString, std::function<void()>> menuHandlers_;

  public:
    // Controls, named as the panel's documentation names them.
    QLabel* Label1 = nullptr;
    QLineEdit* FilenameTextbox = nullptr;
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
    std::map<int, QRadioButton*> PICsel;
    QLineEdit* CurrentAddrText = nullptr;
    QLineEdit* StartAddrText = nullptr;
    QLineEdit* LastAddrText = nullptr;
    QProgressBar* ProgressBar = nullptr;
    std::array<QLineEdit*, 14> ConfigAddrText{};
    std::array<QLineEdit*, 7> Text_Configbit{};
    std::array<QLabel*, 7> Label6{};
    QLabel* Label8 = nullptr;
    QLabel* NotesLabel = nullptr;
    ClickableLabel* kage = nullptr;
    ClickableLabel* Label_ZEKname = nullptr;
    ClickableLabel* Label12 = nullptr;
    QTimer* Timer1 = nullptr;
    // Test panel.
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
    QLabel* Label10 = nullptr;
    QLabel* Label3 = nullptr;
};

}  // namespace tamro
