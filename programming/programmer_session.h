#pragma once
// One programming session: the link to the programmer, the images, the
// selected device group, TickCountdown and the one operation guard, with every
// request that talks to the target. The main window, the instrument windows,
// the command-line tool, the benchmarks and the tests all work through it.
//
// While one request runs (a long operation lets pending events run between
// its blocks), every other request is refused with OperationResult::Refused
// and sends nothing: no packet of another request can land inside an
// operation's packet sequence.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/platform.h"
#include "common/protocol.h"
#include "images/images.h"
#include "link/driver_library.h"
#include "link/link.h"
#include "programming/device.h"
#include "programming/operation_guard.h"
#include "programming/operation_view.h"
#include "programming/target_operations.h"

namespace tamro {

// Questions the session asks before it changes a chip in a way the user may
// not mean; the panel asks in a box, the command-line tool answers from its
// options.
enum class Question {
    UnknownDevice,     // the target's ID names no device the selected group serves
    TurnOnProtection,  // the configuration turns on code or data protection
    SwitchFamily,      // the target is a device the other group serves: switch to it
};

// The file the images were loaded from. When the session switches the device
// group, the file is loaded again under the new group's values instead of
// being dropped; the panel and the command-line tool give theirs.
class FileReload {
  public:
    virtual ~FileReload() = default;
    // The file the images hold; empty when they hold none.
    virtual std::string LoadedFile() const = 0;
    // What was typed in since the load and a reload would lose ("the
    // configuration typed in"); empty when nothing.
    virtual std::string TypedChanges() const = 0;
    // Loads the file again into the session's images under the group values
    // now in force, all or nothing. False when it did not load: the user has
    // been told why and the images are as they were.
    virtual bool Reload() = 0;
    // The session kept the reload: show the file's texts again.
    virtual void ShowReloaded() {}
};

// Why an ERASE, WRITE or configuration write left the chip as it was though
// the link worked: the device check, or a question answered no.
struct ChipChangeRefusal {
    // OtherDevice: a device of the selected group, but not the selected one
    // (its write buffer or memories may differ), where the device was named.
    enum class Reason {
        NoTarget,
        OtherGroup,
        OtherDevice,
        UnknownDevice,
        Protection,
        ReloadFailed
    };
    Reason reason = Reason::NoTarget;
    // What was found: "No target found", "18F452 selected, the target reports
    // 18F4520 (1087)", the protection bits the configuration turns on, or the
    // file that did not load again under the target's group.
    std::string found;
};

class ProgrammerSession {
  public:
    ProgrammerSession(DriverLibrary& driver, MessageBoxes& messages, SettingsStore& settings);
    ProgrammerSession(const ProgrammerSession&) = delete;
    ProgrammerSession& operator=(const ProgrammerSession&) = delete;

    // Who shows the progress and outcome of the requests; none by default.
    void SetView(OperationView* view);
    // Who answers the session's questions; by default a yes/no box.
    using Confirmation = std::function<bool(Question question, const std::string& text)>;
    void SetConfirmation(Confirmation confirmation) { confirmation_ = std::move(confirmation); }
    // Who loads the file again when the group changes; none: a selection
    // leaves no file loaded.
    void SetFileReload(FileReload* reload) { fileReload_ = reload; }

    // Start-up: opens the programmer, identifies its firmware, selects the
    // stored device group (with its ID read), then switches the target supply
    // on and the LED off. False when the programmer could not be opened:
    // nothing was sent.
    bool Start();
    // Opens the programmer without the start-up exchanges (the command-line
    // tool). 0 when open, else the driver's result.
    std::int32_t Open();
    // The device group the DEVICE setting names (the 18F452 group when it names none).
    DeviceGroup StoredDeviceGroup();
    // Takes a group's values and default configuration without the device-ID
    // read and without storing the selection: the group's own device.
    void UseDeviceGroup(DeviceGroup group);
    // The same for one device of the table (its group's sequences with its own
    // write buffer, erase keys and memories); the images take its sizes.
    void UseDevice(const devices::Device& device);
    // Closes the link; no packet is sent.
    void Shutdown();
    // Start-up again on the link's (possibly replaced) driver: closes and opens
    // the programmer, identifies its firmware, switches the supply on, reads
    // the device ID for the selected group and switches the LED off. The images
    // and the selection stay as they are. False when the programmer did not open.
    bool Reconnect();

    // True while a request runs.
    bool Busy() const { return guard_.Busy(); }
    // Ends the running operation at its next exchange; it then leaves the
    // target safe (see LeaveTargetSafe) and returns Stopped.
    void RequestStop() { guard_.RequestStop(); }
    // Vpp 0 V, supply off, LED off, sent without message boxes. Refused while
    // a request runs.
    OperationResult LeaveTargetSafe();

    // Device selection: the group's values and default configuration, the
    // device-ID read, and the DEVICE setting. The ID read powers the target
    // for the read when the supply is off; a device of the other group shows
    // as a warning in NotesLabel. A loaded file is loaded again under the
    // group's values (Declined, nothing changed, when the user will not lose
    // what was typed in since the load; a file that no longer loads leaves
    // none loaded).
    // When the ID names another device the group serves, that device is
    // selected (its memories, write buffer and configuration).
    OperationResult SelectDevice(DeviceGroup group);
    OperationResult ReadDeviceId();
    // Reads the device ID and, when the target is a device the other group
    // serves, asks once (per ID) whether to switch to that group, and
    // switches keeping the loaded file; another device of the selected group
    // is followed as the chip-change check follows it. Start-up and the
    // chip-change check do the same after their own ID reads.
    OperationResult MatchTargetGroup();

    // Test panel.
    OperationResult ToggleSupply();
    OperationResult ToggleLed();
    struct AnalogReading {
        OperationResult outcome = OperationResult::Completed;
        unsigned count = 0;  // the Vpp monitor's count, from the reply buffer
    };
    // Sets the Vpp level, then reads the Vpp monitor.
    AnalogReading SetVppLevel(protocol::VppLevel level);
    // Pulls MCLR to 0 V and back to 5 V, then reads the Vpp monitor.
    AnalogReading ResetTarget();

    // The target operations; `lastAddress` is the last program word address.
    // ERASE, WRITE and the configuration write first read the device ID,
    // offer to switch to the other group for its device (refused when the
    // user declines or the file does not load again under it), refuse a
    // missing target, and ask before
    // going on with a device no group is known to serve; WRITE and the
    // configuration write ask before turning on code or data protection.
    // When an exchange fails, the operation stops there and the session then
    // sends that operation's leaving packets quietly (see SafeEnd).
    // How an operation leaves the target once an exchange of it has failed:
    // Vpp 0 V, its line mode, supply off and, when it switched the LED on,
    // LED off, sent without message boxes and stopping at the first that fails.
    struct SafeEnd {
        protocol::LineMode lineMode;
        bool ledOff;
    };
    OperationResult Erase();
    OperationResult Write(std::int16_t lastAddress);
    OperationResult Verify();
    OperationResult WriteConfiguration();
    OperationResult ReadProgram(std::int16_t lastAddress);
    OperationResult ReadEeprom();
    OperationResult BlankCheck();
    // The differences the last verify found (VERIFY or WRITE's), and what
    // the last blank check found.
    const std::vector<Difference>& Differences() const { return operations_.Differences(); }
    // The configuration bytes the last READ found on the chip; nothing before
    // one, or once an ERASE, WRITE or configuration write may have changed them.
    const std::optional<ConfigBytes>& ChipConfiguration() const { return chipConfig_; }
    const BlankCheckReport& BlankReport() const { return operations_.BlankReport(); }

    // The instruments' exchanges.
    struct InstrumentReply {
        OperationResult outcome = OperationResult::Completed;
        Packet reply{};
        bool ok() const { return outcome == OperationResult::Completed; }
    };
    InstrumentReply ReadAnalog(protocol::AnalogChannel channel);
    InstrumentReply CountFrequency(protocol::FrequencyGate gate);
    InstrumentReply EventCounter(protocol::EventCounterAction action);
    static constexpr int kCaptureBytes = 64;
    struct CaptureReply {
        OperationResult outcome = OperationResult::Completed;
        std::array<std::uint8_t, kCaptureBytes> bytes{};
        int blocksRead = 0;  // blocks of 8 bytes in `bytes`, in order
    };
    // Arms a logic capture and reads its eight blocks.
    CaptureReply CaptureLogic(std::uint8_t sampleTime, bool positiveEdge);

    // State of the session.
    Images& images() { return images_; }
    const Images& images() const { return images_; }
    DeviceGroup group() const { return group_.group; }
    const DeviceGroupValues& groupValues() const { return group_; }
    int selectedOption() const { return selectedOption_; }
    const DeviceIdReading& deviceIdReading() const { return deviceId_; }
    const std::string& firmwareText() const { return firmwareText_; }
    bool SupplyOn() const { return relay_.supplyOn; }
    bool LedOn() const { return relay_.ledOn; }
    std::int16_t TickCountdown() const { return tickCountdown_; }
    void SetTickCountdown(std::int16_t value) { tickCountdown_ = value; }
    // The 100 ms tick: TickCountdown runs down to 0.
    void TickDown() {
        if (tickCountdown_ != 0) --tickCountdown_;
    }

    // The link's USBMSG texts and its exchange count.
    void SetUsbMessageSink(std::function<void(const std::string&)> sink);
    const std::string& UsbMessage() const { return link_.UsbMessage(); }
    std::uint64_t Exchanges() const { return link_.Exchanges(); }

    // What ended the last request that failed: the link's reported failure,
    // and the refusal of the last chip change that was refused (nothing when
    // the last chip change went ahead).
    std::optional<LinkFailure> LastLinkFailure() const { return link_.LastFailure(); }
    const std::optional<ChipChangeRefusal>& LastRefusal() const { return refusal_; }

  private:
    // Passes everything on to the window's view and keeps what the supply and
    // LED captions show: the test-panel buttons toggle from it.
    struct ViewRelay final : OperationView {
        OperationView* view = nullptr;
        bool supplyOn = false;
        bool ledOn = false;
        OperationView& Target();
        void SetNotesColour(Rgb colour) override { Target().SetNotesColour(colour); }
        void SetNotesCaption(const std::string& caption) override {
            Target().SetNotesCaption(caption);
        }
        void SetDeviceText(const std::string& text) override { Target().SetDeviceText(text); }
        void SetCurrentAddress(const std::string& text) override {
            Target().SetCurrentAddress(text);
        }
        void SetVccCaption(const std::string& caption) override;
        void SetLedCaption(const std::string& caption) override;
        void SetProgress(int done, int total) override { Target().SetProgress(done, total); }
        void SetProgressStep(ProgressStep step) override { Target().SetProgressStep(step); }
        void ProcessPendingEvents() override { Target().ProcessPendingEvents(); }
        void SetStartAddress(const std::string& text) override { Target().SetStartAddress(text); }
        void SetLastAddress(const std::string& text) override { Target().SetLastAddress(text); }
        void ClearFileName() override { Target().ClearFileName(); }
        void ShowProgramBuffer() override { Target().ShowProgramBuffer(); }
        void ShowEepromBuffer() override { Target().ShowEepromBuffer(); }
        void DeviceGroupSelected(int option) override { Target().DeviceGroupSelected(option); }
        void ShowConfiguration() override { Target().ShowConfiguration(); }
        void TargetDeviceFound(const std::string& name, int servingOption) override {
            Target().TargetDeviceFound(name, servingOption);
        }
        void StepStarted(const OperationStep& step) override { Target().StepStarted(step); }
    };

    // Runs a target operation; a stop request met on the way leaves the
    // target safe and makes the outcome Stopped; a link failure ends it with
    // `safeEnd`.
    OperationResult RunOperation(const std::function<OperationResult()>& operation,
                                 SafeEnd safeEnd);
    void LeaveAfterFailure(SafeEnd safeEnd);
    // The device check and the protection question before a chip change.
    OperationResult CheckChipChange(ChipChange change);
    bool Confirm(Question question, const std::string& text);
    // The device-ID read with the target powered for it when the supply is
    // off (switched off again after).
    DeviceIdReading ReadDeviceIdPowered(bool stopAtFailure);
    // NotesLabel warns when the target is a device of the other group.
    void WarnOfDeviceMismatch();
    // Forgets the chip's configuration unless `result` left the chip as it was.
    OperationResult ChipChanged(OperationResult result);
    // After a request has ended: a stop request met on its way leaves the
    // target safe and makes the outcome Stopped.
    OperationResult StoppedOr(OperationResult result);
    void SelectDeviceUnguarded(DeviceGroup group);
    // The device's values, the images' memories and its default configuration.
    void TakeDevice(const devices::Device& device);
    // The group's values, default configuration and last address in the
    // images, for the group's device the last ID read names (else the
    // group's own device); nothing shown, nothing stored.
    void TakeGroupValues(DeviceGroup group);
    const devices::Device& TargetDeviceOf(DeviceGroup group) const;
    // After an ID read: when the target is a device the other group serves
    // and the user has not declined a switch for this ID, asks and switches.
    // NotSwitched when nothing was asked or the user declined.
    enum class SwitchOutcome { Switched, NotSwitched, ReloadFailed };
    SwitchOutcome OfferGroupSwitch();
    // Switches to `group` for the target just read (no second ID read),
    // loading the file again; on a failed reload everything stays as it was.
    bool SwitchGroupKeepingFile(DeviceGroup group);
    // After an ID read naming another device of the selected group: takes
    // that device (the file loaded again under its memories) unless the
    // device was named or typed-in changes would be lost (Held).
    enum class FollowOutcome { SameDevice, Followed, Held, ReloadFailed };
    FollowOutcome FollowTargetDevice();
    // "18F4520 selected, the target reports 18F4620 (C07)".
    std::string OtherDeviceText() const;
    bool KeepsFile() const;
    // The DEVICE setting follows the selected option.
    void StoreSelection();
    void SwitchSupply(bool on);
    void SwitchLed(bool on);
    unsigned VppMonitorCount();
    InstrumentReply InstrumentExchange(protocol::Command command, std::uint8_t d1,
                                       std::uint8_t d2 = 0);

    MessageBoxes& messages_;
    SettingsStore& settings_;
    Link link_;
    Images images_;
    DeviceGroupValues group_;
    int selectedOption_ = 0;
    DeviceIdReading deviceId_;
    std::string firmwareText_;
    std::int16_t tickCountdown_ = 0;
    OperationGuard guard_;
    ViewRelay relay_;
    TargetOperations operations_;
    Confirmation confirmation_;
    std::optional<ChipChangeRefusal> refusal_;
    FileReload* fileReload_ = nullptr;
    std::optional<ConfigBytes> chipConfig_;
    // The ID whose group switch the user declined: not asked again until
    // another ID is read.
    std::optional<std::uint16_t> switchDeclinedId_;
    // The device was named (UseDevice): another device of its group is
    // refused rather than followed.
    bool deviceNamed_ = false;
};

}  // namespace tamro
