#pragma once
// The main window: builds the panel's controls and wires them to the
// programming session (the link, the images, the device group, TickCountdown
// and the operation guard), the tool runs and the windows it opens.

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "panel/main_window_controls.h"
#include "panel/panel_platform.h"
#include "panel/panel_windows.h"
#include "programming/final_words.h"
#include "programming/hex_file_load.h"
#include "programming/operation_view.h"
#include "programming/panel_requests.h"
#include "programming/programmer_session.h"
#include "tools/tool_runs.h"
#include "tools/tool_settings.h"

class QTimer;

namespace tamro {

class FileFollow;

class TAMRO18_form : public QMainWindow,
                     public OperationView,
                     public ToolRunHost,
                     public FileReload {
    Q_OBJECT

  public:
    explicit TAMRO18_form(PanelPlatform platform, QWidget* parent = nullptr);
    ~TAMRO18_form() override;

    // Start-up. False when the programmer could not be opened: the user has
    // seen "Unit not Found" and the program must end without showing the window.
    bool Form_Load();
    // Shutdown: closes the driver library; no packet is sent.
    void Shutdown();
    // The 100 ms tick of Timer1: TickCountdown and the reset lamp run down.
    void Timer1_Timer();

    // The session every window talks to the programmer through.
    ProgrammerSession& session() { return session_; }
    const ToolSettings& toolSettings() const { return toolSettings_; }
    ToolFiles& toolFiles() { return toolFiles_; }

    // File open of a file already chosen (the file named at start-up).
    void OpenFile(const std::string& path);

    // Menu entries by their names ("READ", "Buffer_view", "LAview", ...).
    QAction* menuAction(const QString& name) const;

    // OperationView
    void SetNotesColour(Rgb colour) override;
    void SetNotesCaption(const std::string& caption) override;
    void SetDeviceText(const std::string& text) override;
    void SetCurrentAddress(const std::string& text) override;
    void SetVccCaption(const std::string& caption) override;
    void SetLedCaption(const std::string& caption) override;
    void SetProgress(int done, int total) override;
    void SetProgressStep(ProgressStep step) override;
    void ProcessPendingEvents() override;
    void SetStartAddress(const std::string& text) override;
    void SetLastAddress(const std::string& text) override;
    void ClearFileName() override;
    void ShowProgramBuffer() override;
    void ShowEepromBuffer() override;
    void DeviceGroupSelected(int option) override;
    void ShowConfiguration() override;
    void TargetDeviceFound(const std::string& name, int servingOption) override;

    // FileReload: a group switch loads the HEX file again.
    std::string LoadedFile() const override;
    std::string TypedChanges() const override;
    bool Reload() override;
    void ShowReloaded() override;

    // ToolRunHost
    std::string FilenameText() override;
    void SetFilenameText(const std::string& text) override;
    void SetTestText(const std::string& text) override;
    void SetNotes(const Rgb& colour, const std::string& text) override;
    // Loads the file named by ToolFiles::HexFileName into the images and shows
    // the result; refused (with a beep) while a request of the session runs.
    void HexLoad() override;
    bool OpenErrorView(const std::string& errorFileName) override;
    void ShowToolOutput(const std::string& text) override;
    bool OpenBuiltInEditor() override;
    std::int16_t TickCountdown() override { return session_.TickCountdown(); }
    void SetTickCountdown(std::int16_t value) override { session_.SetTickCountdown(value); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void WireControls();
    void WireMenus();
    void SetMenuHandler(const QString& name, std::function<void()> handler);
    std::function<void()> UnlessBusy(void (ToolRuns::*run)());
    void SetOuterHeight(int heightTwips);
    void ShowAnalogValue(const ProgrammerSession::AnalogReading& reading);
    void SetResetLamp(bool lit);
    void ShowBufferView();
    void SaveHex();
    // The checksum of the images next to the file name.
    void ShowChecksum();
    // The programmer dialog; `startUp` runs the whole start-up on the chosen one.
    ProgrammerSwitch::Outcome ChooseProgrammer(bool startUp);
    // "Unit not Found" with the setting tried and the reason, where known.
    std::string UnitNotFound() const;
    void Write();
    // Runs a target operation with the stop button shown and the notes
    // cleared first; ends with the words that say its result.
    OperationResult RunOperation(FinishedOperation operation,
                                 const std::function<OperationResult()>& run);
    // READ replaces the program image: asks first when it holds a file that
    // was never written.
    void Read();
    // LastAddrText as a word address.
    std::int16_t LastAddress() const;

    PanelPlatform platform_;
    ProgrammerSession session_;
    ToolSettings toolSettings_;
    ToolFiles toolFiles_;
    MainWindowControls controls_;
    HexFileLoad hexLoad_;
    PanelRequests requests_;
    std::unique_ptr<ToolRuns> toolRuns_;
    std::unique_ptr<PanelWindows> windows_;
    FileFollow* files_ = nullptr;
    QTimer* timer_ = nullptr;
    std::int16_t resetLampCount_ = 0;
    ProgressEstimate progress_;
    int progressDone_ = 0;
    // The image holds a loaded file that no WRITE has written yet.
    bool fileNotWritten_ = false;
    // The file box as a device selection found it, and the last reload's
    // outcome: a reload shows them again.
    QString fileBoxBeforeSelection_;
    HexFileLoadResult reloaded_;
    // The first click on kage after start-up keeps the normal height.
    bool kageExpandsNext_ = false;
};

}  // namespace tamro
