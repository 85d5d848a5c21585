#include "programming/programmer_session.h"

#include <algorithm>

#include "common/number_text.h"

namespace tamro {
namespace {

using protocol::Code;
using protocol::Command;

constexpr const char* kSettingsApplication = "TAMRO18";
constexpr const char* kSettingsSection = "DATA";
constexpr const char* kDeviceKey = "DEVICE";

class NullView final : public OperationView {
  public:
    void SetNotesColour(Rgb) override {}
    void SetNotesCaption(const std::string&) override {}
    void SetDeviceText(const std::string&) override {}
    void SetCurrentAddress(const std::string&) override {}
    void SetVccCaption(const std::string&) override {}
    void SetLedCaption(const std::string&) override {}
    void SetProgress(int, int) override {}
    void ProcessPendingEvents() override {}
};

}  // namespace

OperationView& ProgrammerSession::ViewRelay::Target() {
    static NullView none;
    return view ? *view : none;
}

void ProgrammerSession::ViewRelay::SetVccCaption(const std::string& caption) {
    supplyOn = caption == "VCC on";
    Target().SetVccCaption(caption);
}

void ProgrammerSession::ViewRelay::SetLedCaption(const std::string& caption) {
    ledOn = caption == "LED on";
    Target().SetLedCaption(caption);
}

ProgrammerSession::ProgrammerSession(DriverLibrary& driver, MessageBoxes& messages,
                                     SettingsStore& settings)
    : messages_(messages),
      settings_(settings),
      link_(driver, messages),
      group_(GroupForOption(kOption452)),
      operations_(link_, images_, group_, tickCountdown_, relay_, messages, guard_) {
    operations_.SetChipChangeCheck([this](ChipChange change) { return CheckChipChange(change); });
}

void ProgrammerSession::SetView(OperationView* view) {
    relay_.view = view;
}

void ProgrammerSession::SetUsbMessageSink(std::function<void(const std::string&)> sink) {
    link_.SetUsbMessageSink(std::move(sink));
}

std::int32_t ProgrammerSession::Open() {
    return link_.Open();
}

DeviceGroup ProgrammerSession::StoredDeviceGroup() {
    return GroupOfOption(
        OptionFromStoredDevice(settings_.Read(kSettingsApplication, kSettingsSection, kDeviceKey)));
}

void ProgrammerSession::UseDeviceGroup(DeviceGroup group) {
    images_.config = {};
    TakeGroupValues(group);
    deviceNamed_ = false;
}

void ProgrammerSession::UseDevice(const devices::Device& device) {
    images_.config = {};
    TakeDevice(device);
    deviceNamed_ = true;
}

const devices::Device& ProgrammerSession::TargetDeviceOf(DeviceGroup group) const {
    const devices::Device* found = devices::Table().ForId(deviceId_.deviceId);
    if (found && CheckDevice(group, deviceId_.deviceId) == DeviceVerdict::Served) return *found;
    return devices::Table().OfFamily(FamilyOfGroup(group));
}

void ProgrammerSession::TakeGroupValues(DeviceGroup group) {
    TakeDevice(TargetDeviceOf(group));
}

void ProgrammerSession::TakeDevice(const devices::Device& device) {
    group_ = ValuesForDevice(device);
    selectedOption_ = OptionOfGroup(group_.group);
    FitImagesToDevice(images_, group_);
    std::copy(group_.defaultConfig.begin(), group_.defaultConfig.end(), images_.config.begin());
}

bool ProgrammerSession::Start() {
    images_.haveData = 0;
    tickCountdown_ = 0;
    if (Open() != 0) return false;
    {
        OperationGuard::Scope scope(guard_);
        link_.Exchange(Command::Identify);
        firmwareText_ = link_.ReplyText().substr(0, 8);
        const DeviceGroup stored = StoredDeviceGroup();
        // The supply goes on before the selection's ID read: the target must
        // be powered to answer it, whatever state the programmer started in.
        SwitchSupply(true);
        SelectDeviceUnguarded(stored);
        OfferGroupSwitch();
        SwitchLed(false);
    }
    return true;
}

void ProgrammerSession::Shutdown() {
    link_.Close();
}

bool ProgrammerSession::Reconnect() {
    if (guard_.Busy()) return false;
    tickCountdown_ = 0;
    link_.Close();
    if (Open() != 0) return false;
    OperationGuard::Scope scope(guard_);
    // The link keeps only its first reply's text, which came from the programmer before.
    const ExchangeResult identity = link_.Exchange(Command::Identify);
    firmwareText_ = identity.ok() ? std::string(identity.reply.begin(), identity.reply.end()) : "";
    SwitchSupply(true);
    deviceId_ = ReadDeviceIdPowered(false);
    WarnOfDeviceMismatch();
    OfferGroupSwitch();
    SwitchLed(false);
    return true;
}

OperationResult ProgrammerSession::LeaveTargetSafe() {
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    const bool vppLow =
        link_.ExchangeQuietly(Command::VppLevel, Code(protocol::VppLevel::ZeroVolts)).ok();
    const ExchangeResult supply = link_.ExchangeQuietly(Command::TargetSupply, 0);
    if (supply.packetDelivered()) relay_.SetVccCaption("VCC off");
    const ExchangeResult led = link_.ExchangeQuietly(Command::Led, 0);
    if (led.packetDelivered()) relay_.SetLedCaption("LED off");
    return vppLow && supply.ok() && led.ok() ? OperationResult::Completed
                                             : OperationResult::LinkFailed;
}

// ---------------------------------------------------------------- device selection

OperationResult ProgrammerSession::SelectDevice(DeviceGroup group) {
    if (guard_.Busy()) return OperationResult::Refused;
    {
        OperationGuard::Scope scope(guard_);
        const bool keepFile = KeepsFile();
        // The same group's button loads the file again too, so typed-in
        // changes are lost either way.
        if (keepFile) {
            const std::string typed = fileReload_->TypedChanges();
            if (!typed.empty() &&
                !Confirm(Question::SwitchFamily, "Choosing the " + std::string(GroupName(group)) +
                                                     " family loads " + fileReload_->LoadedFile() +
                                                     " again under its defaults; " + typed +
                                                     " is lost. Choose it?")) {
                return OperationResult::Declined;
            }
        }
        SelectDeviceUnguarded(group);
        // The selection has begun afresh; a file that no longer loads leaves none loaded.
        if (keepFile && fileReload_->Reload()) fileReload_->ShowReloaded();
    }
    return StoppedOr(OperationResult::Completed);
}

bool ProgrammerSession::KeepsFile() const {
    return images_.haveData != 0 && fileReload_ && !fileReload_->LoadedFile().empty();
}

void ProgrammerSession::SelectDeviceUnguarded(DeviceGroup group) {
    TakeGroupValues(group);
    deviceNamed_ = false;
    relay_.DeviceGroupSelected(selectedOption_);
    images_.haveData = 0;
    relay_.ProcessPendingEvents();
    deviceId_ = ReadDeviceIdPowered(false);
    // The chip on the programmer names the group's device it is.
    if (const devices::Device& target = TargetDeviceOf(group_.group);
        target.name != group_.device.name) {
        TakeDevice(target);
        relay_.SetLastAddress(HexText16(group_.lastAddress));
    }
    WarnOfDeviceMismatch();
    StoreSelection();
    relay_.ShowConfiguration();
}

void ProgrammerSession::StoreSelection() {
    const std::string stored = settings_.Read(kSettingsApplication, kSettingsSection, kDeviceKey);
    if (NumericValue(stored) != selectedOption_) {
        settings_.Write(kSettingsApplication, kSettingsSection, kDeviceKey,
                        StoredDeviceText(selectedOption_));
    }
}

ProgrammerSession::SwitchOutcome ProgrammerSession::OfferGroupSwitch() {
    if (CheckDevice(group_.group, deviceId_.deviceId) != DeviceVerdict::OtherGroup ||
        switchDeclinedId_ == deviceId_.deviceId) {
        return SwitchOutcome::NotSwitched;
    }
    const DeviceGroup other = *GroupServing(deviceId_.deviceId);
    std::string question = DeviceMismatchText(group_.group, deviceId_.deviceId) + ", which the " +
                           GroupName(other) + " family serves. Switch to the " + GroupName(other) +
                           " family?";
    if (KeepsFile()) {
        const std::string typed = fileReload_->TypedChanges();
        question += " " + fileReload_->LoadedFile() + " is loaded again under its defaults" +
                    (typed.empty() ? "." : "; " + typed + " is lost.");
    }
    if (!Confirm(Question::SwitchFamily, question)) {
        switchDeclinedId_ = deviceId_.deviceId;
        return SwitchOutcome::NotSwitched;
    }
    return SwitchGroupKeepingFile(other) ? SwitchOutcome::Switched : SwitchOutcome::ReloadFailed;
}

bool ProgrammerSession::SwitchGroupKeepingFile(DeviceGroup group) {
    const bool keepFile = KeepsFile();
    const DeviceGroupValues previousGroup = group_;
    const int previousOption = selectedOption_;
    const Images previousImages = images_;
    TakeGroupValues(group);
    images_.haveData = 0;
    if (keepFile && !fileReload_->Reload()) {
        group_ = previousGroup;
        selectedOption_ = previousOption;
        images_ = previousImages;
        return false;
    }
    relay_.DeviceGroupSelected(selectedOption_);
    if (keepFile) fileReload_->ShowReloaded();
    StoreSelection();
    relay_.ShowConfiguration();
    relay_.SetNotesColour(kNotesWhite);
    relay_.SetNotesCaption(GroupSwitchText(group, deviceId_.deviceId));
    relay_.TargetDeviceFound(deviceId_.deviceName, selectedOption_);
    return true;
}

OperationResult ProgrammerSession::MatchTargetGroup() {
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    deviceId_ = ReadDeviceIdPowered(true);
    if (!deviceId_.linkOk) return OperationResult::LinkFailed;
    WarnOfDeviceMismatch();
    if (OfferGroupSwitch() == SwitchOutcome::ReloadFailed ||
        (CheckDevice(group_.group, deviceId_.deviceId) == DeviceVerdict::Served &&
         FollowTargetDevice() == FollowOutcome::ReloadFailed)) {
        refusal_ =
            ChipChangeRefusal{ChipChangeRefusal::Reason::ReloadFailed, fileReload_->LoadedFile()};
        return OperationResult::DeviceRefused;
    }
    return OperationResult::Completed;
}

std::string ProgrammerSession::OtherDeviceText() const {
    const devices::Device* found = devices::Table().ForId(deviceId_.deviceId);
    return group_.device.name + " selected, the target reports " +
           (found ? found->name : std::string("an unknown device")) + " (" +
           HexText(deviceId_.deviceId) + ")";
}

ProgrammerSession::FollowOutcome ProgrammerSession::FollowTargetDevice() {
    // Another device of the group may have another write buffer or memories:
    // the selected device's sequences are not its own. The session follows
    // the chip (the file loaded again under its memories) unless the device
    // was named or typed-in changes would be lost.
    const devices::Device* found = devices::Table().ForId(deviceId_.deviceId);
    if (!found || found->name == group_.device.name) return FollowOutcome::SameDevice;
    if (deviceNamed_ || (KeepsFile() && !fileReload_->TypedChanges().empty())) {
        return FollowOutcome::Held;
    }
    const std::string text = OtherDeviceText();
    if (!SwitchGroupKeepingFile(group_.group)) {
        relay_.SetNotesColour(kNotesRed);
        relay_.SetNotesCaption(fileReload_->LoadedFile() + " did not load for the " + found->name);
        return FollowOutcome::ReloadFailed;
    }
    relay_.SetNotesCaption(text + ": the " + found->name + " is selected");
    return FollowOutcome::Followed;
}

OperationResult ProgrammerSession::ReadDeviceId() {
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    deviceId_ = ReadDeviceIdPowered(false);
    WarnOfDeviceMismatch();
    return OperationResult::Completed;
}

DeviceIdReading ProgrammerSession::ReadDeviceIdPowered(bool stopAtFailure) {
    const bool poweredAlready = relay_.supplyOn;
    if (!poweredAlready) {
        const ExchangeResult on = link_.Exchange(Command::TargetSupply, 1);
        if (on.packetDelivered()) relay_.SetVccCaption("VCC on");
        if (!on.ok() && stopAtFailure) {
            DeviceIdReading failed;
            failed.linkOk = false;
            return failed;
        }
    }
    DeviceIdReading reading = tamro::ReadDeviceId(link_, relay_, stopAtFailure);
    if (switchDeclinedId_ != reading.deviceId) switchDeclinedId_.reset();
    const std::optional<DeviceGroup> serving = GroupServing(reading.deviceId);
    relay_.TargetDeviceFound(DeviceTableName(reading.deviceId) || IsNoTargetId(reading.deviceId)
                                 ? reading.deviceName
                                 : "unknown",
                             serving ? OptionOfGroup(*serving) : 0);
    if (!poweredAlready && (reading.linkOk || !stopAtFailure)) {
        const ExchangeResult off = link_.Exchange(Command::TargetSupply, 0);
        if (off.packetDelivered()) relay_.SetVccCaption("VCC off");
        if (!off.ok()) reading.linkOk = false;
    }
    return reading;
}

void ProgrammerSession::WarnOfDeviceMismatch() {
    if (CheckDevice(group_.group, deviceId_.deviceId) != DeviceVerdict::OtherGroup) return;
    relay_.SetNotesColour(kNotesRed);
    relay_.SetNotesCaption(DeviceMismatchText(group_.group, deviceId_.deviceId));
}

bool ProgrammerSession::Confirm(Question question, const std::string& text) {
    if (confirmation_) return confirmation_(question, text);
    return messages_.AskYesNo(
        question == Question::TurnOnProtection ? "CODE PROTECTION" : "DEVICE CHECK", text);
}

OperationResult ProgrammerSession::CheckChipChange(ChipChange change) {
    refusal_.reset();
    const auto refuse = [this](ChipChangeRefusal::Reason reason, std::string found,
                               OperationResult result) {
        refusal_ = ChipChangeRefusal{reason, std::move(found)};
        return result;
    };
    // The protection question, asked once for each set of bits the
    // configuration turns on (a group switch may name them anew).
    std::vector<std::string> allowedBits;
    const auto protectionDeclined = [&]() -> std::optional<std::string> {
        if (change == ChipChange::Erase) return std::nullopt;
        const std::vector<std::string> bits =
            ProtectionBitsOn(group_.device, images_.config.data());
        if (bits.empty() || bits == allowedBits) return std::nullopt;
        std::string names;
        for (const std::string& bit : bits) names += (names.empty() ? "" : ", ") + bit;
        if (!Confirm(Question::TurnOnProtection,
                     "This configuration turns on code or data protection (" + names +
                         "). A protected chip reads back as zeros and can only be "
                         "changed after an erase. Write it?")) {
            return names;
        }
        allowedBits = bits;
        return std::nullopt;
    };
    if (const auto declined = protectionDeclined()) {
        return refuse(ChipChangeRefusal::Reason::Protection, *declined, OperationResult::Declined);
    }
    deviceId_ = ReadDeviceIdPowered(true);
    if (!deviceId_.linkOk) return OperationResult::LinkFailed;
    switch (OfferGroupSwitch()) {
        case SwitchOutcome::Switched:
            // A WRITE whose image held no file to load again has nothing left to write.
            if (change == ChipChange::Write && images_.haveData == 0) {
                messages_.Show(MessageIcon::Critical, "WRITE ERROR", "I have no data");
                return OperationResult::NoData;
            }
            if (const auto declined = protectionDeclined()) {
                return refuse(ChipChangeRefusal::Reason::Protection, *declined,
                              OperationResult::Declined);
            }
            break;
        case SwitchOutcome::ReloadFailed: {
            const std::string file = fileReload_->LoadedFile();
            relay_.SetNotesColour(kNotesRed);
            relay_.SetNotesCaption(file + " did not load under the target's family");
            return refuse(ChipChangeRefusal::Reason::ReloadFailed, file,
                          OperationResult::DeviceRefused);
        }
        case SwitchOutcome::NotSwitched:
            break;
    }
    switch (CheckDevice(group_.group, deviceId_.deviceId)) {
        case DeviceVerdict::Served:
            switch (FollowTargetDevice()) {
                case FollowOutcome::SameDevice:
                    return OperationResult::Completed;
                case FollowOutcome::Followed:
                    if (const auto declined = protectionDeclined()) {
                        return refuse(ChipChangeRefusal::Reason::Protection, *declined,
                                      OperationResult::Declined);
                    }
                    return OperationResult::Completed;
                case FollowOutcome::ReloadFailed:
                    return refuse(ChipChangeRefusal::Reason::ReloadFailed,
                                  fileReload_->LoadedFile(), OperationResult::DeviceRefused);
                case FollowOutcome::Held: {
                    const std::string text = OtherDeviceText();
                    relay_.SetNotesColour(kNotesRed);
                    relay_.SetNotesCaption(text);
                    messages_.Show(MessageIcon::Critical, "DEVICE ERROR", text);
                    return refuse(ChipChangeRefusal::Reason::OtherDevice, text,
                                  OperationResult::DeviceRefused);
                }
            }
            return OperationResult::Completed;
        case DeviceVerdict::Unknown: {
            const std::string found = DeviceMismatchText(group_.group, deviceId_.deviceId);
            if (Confirm(Question::UnknownDevice,
                        found + ", which the selected sequences are not known to serve. Go on?")) {
                return OperationResult::Completed;
            }
            return refuse(ChipChangeRefusal::Reason::UnknownDevice, found,
                          OperationResult::DeviceRefused);
        }
        case DeviceVerdict::NoTarget:
        case DeviceVerdict::OtherGroup: {
            const bool noTarget = IsNoTargetId(deviceId_.deviceId);
            const std::string text = noTarget
                                         ? std::string("No target found")
                                         : DeviceMismatchText(group_.group, deviceId_.deviceId);
            relay_.SetNotesColour(kNotesRed);
            relay_.SetNotesCaption(text);
            messages_.Show(MessageIcon::Critical, "DEVICE ERROR", text);
            return refuse(noTarget ? ChipChangeRefusal::Reason::NoTarget
                                   : ChipChangeRefusal::Reason::OtherGroup,
                          text, OperationResult::DeviceRefused);
        }
    }
    return OperationResult::DeviceRefused;
}

// ---------------------------------------------------------------- test panel

void ProgrammerSession::SwitchSupply(bool on) {
    link_.Exchange(Command::TargetSupply, on ? 1 : 0);
    relay_.SetVccCaption(on ? "VCC on" : "VCC off");
}

void ProgrammerSession::SwitchLed(bool on) {
    link_.Exchange(Command::Led, on ? 1 : 0);
    relay_.SetLedCaption(on ? "LED on" : "LED off");
}

OperationResult ProgrammerSession::ToggleSupply() {
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    SwitchSupply(!relay_.supplyOn);
    return OperationResult::Completed;
}

OperationResult ProgrammerSession::ToggleLed() {
    OperationGuard::Scope scope(guard_);
    if (!scope) return OperationResult::Refused;
    SwitchLed(!relay_.ledOn);
    return OperationResult::Completed;
}

unsigned ProgrammerSession::VppMonitorCount() {
    link_.Exchange(Command::AnalogRead, Code(protocol::AnalogChannel::Vpp));
    // The two reply bytes form an unsigned count; a failed read leaves its
    // zeroed or partly read bytes there.
    const auto& reply = link_.ReceiveBuffer();
    return reply[0] * 256u + reply[1];
}

ProgrammerSession::AnalogReading ProgrammerSession::SetVppLevel(protocol::VppLevel level) {
    OperationGuard::Scope scope(guard_);
    if (!scope) return {OperationResult::Refused, 0};
    link_.Exchange(Command::VppLevel, Code(level));
    return {OperationResult::Completed, VppMonitorCount()};
}

ProgrammerSession::AnalogReading ProgrammerSession::ResetTarget() {
    OperationGuard::Scope scope(guard_);
    if (!scope) return {OperationResult::Refused, 0};
    link_.Exchange(Command::VppLevel, Code(protocol::VppLevel::ZeroVolts));
    link_.Exchange(Command::VppLevel, Code(protocol::VppLevel::FiveVolts));
    return {OperationResult::Completed, VppMonitorCount()};
}

// ---------------------------------------------------------------- target operations

OperationResult ProgrammerSession::RunOperation(const std::function<OperationResult()>& operation,
                                                SafeEnd safeEnd) {
    if (guard_.Busy()) return OperationResult::Refused;
    const OperationResult result = operation();
    if (result == OperationResult::LinkFailed && !guard_.StopRequested()) {
        LeaveAfterFailure(safeEnd);
    }
    return StoppedOr(result);
}

void ProgrammerSession::LeaveAfterFailure(SafeEnd safeEnd) {
    OperationGuard::Scope scope(guard_);
    if (!link_.ExchangeQuietly(Command::VppLevel, Code(protocol::VppLevel::ZeroVolts)).ok()) return;
    if (!link_.ExchangeQuietly(Command::LineMode, Code(safeEnd.lineMode)).ok()) return;
    const ExchangeResult supply = link_.ExchangeQuietly(Command::TargetSupply, 0);
    if (supply.packetDelivered()) relay_.SetVccCaption("VCC off");
    if (!supply.ok() || !safeEnd.ledOff) return;
    const ExchangeResult led = link_.ExchangeQuietly(Command::Led, 0);
    if (led.packetDelivered()) relay_.SetLedCaption("LED off");
}

OperationResult ProgrammerSession::StoppedOr(OperationResult result) {
    if (!guard_.StopRequested()) return result;
    guard_.ClearStop();
    LeaveTargetSafe();
    return OperationResult::Stopped;
}

// Each operation's leaving packets, as its normal end sends them.
constexpr ProgrammerSession::SafeEnd kEraseEnd{protocol::LineMode::Mode2, false};
constexpr ProgrammerSession::SafeEnd kWriteEnd{protocol::LineMode::Mode1, true};
constexpr ProgrammerSession::SafeEnd kVerifyEnd{protocol::LineMode::Mode1, true};
constexpr ProgrammerSession::SafeEnd kConfigurationEnd{protocol::LineMode::Mode1, false};
constexpr ProgrammerSession::SafeEnd kReadEnd{protocol::LineMode::Mode2, true};

OperationResult ProgrammerSession::Erase() {
    return ChipChanged(RunOperation([this] { return operations_.Erase(); }, kEraseEnd));
}

OperationResult ProgrammerSession::Write(std::int16_t lastAddress) {
    return ChipChanged(
        RunOperation([this, lastAddress] { return operations_.Write(lastAddress); }, kWriteEnd));
}

OperationResult ProgrammerSession::ChipChanged(OperationResult result) {
    switch (result) {
        case OperationResult::Refused:
        case OperationResult::NoData:
        case OperationResult::DeviceRefused:
        case OperationResult::Declined:
            break;  // the chip is as it was
        default:
            chipConfig_.reset();
    }
    return result;
}

OperationResult ProgrammerSession::Verify() {
    return RunOperation([this] { return operations_.Verify(); }, kVerifyEnd);
}

OperationResult ProgrammerSession::WriteConfiguration() {
    return ChipChanged(
        RunOperation([this] { return operations_.WriteConfiguration(); }, kConfigurationEnd));
}

OperationResult ProgrammerSession::ReadProgram(std::int16_t lastAddress) {
    const OperationResult result = RunOperation(
        [this, lastAddress] { return operations_.ReadProgram(lastAddress); }, kReadEnd);
    if (result == OperationResult::Completed) {
        ConfigBytes read{};
        std::copy_n(images_.config.begin(), read.size(), read.begin());
        chipConfig_ = read;
    }
    return result;
}

OperationResult ProgrammerSession::ReadEeprom() {
    return RunOperation([this] { return operations_.ReadEeprom(); }, kReadEnd);
}

OperationResult ProgrammerSession::BlankCheck() {
    return RunOperation([this] { return operations_.BlankCheck(); }, kReadEnd);
}

// ---------------------------------------------------------------- instruments

ProgrammerSession::InstrumentReply ProgrammerSession::InstrumentExchange(Command command,
                                                                         std::uint8_t d1,
                                                                         std::uint8_t d2) {
    OperationGuard::Scope scope(guard_);
    if (!scope) return {OperationResult::Refused, {}};
    const ExchangeResult result = link_.Exchange(command, d1, d2);
    return {result.ok() ? OperationResult::Completed : OperationResult::LinkFailed, result.reply};
}

ProgrammerSession::InstrumentReply ProgrammerSession::ReadAnalog(protocol::AnalogChannel channel) {
    return InstrumentExchange(Command::AnalogRead, Code(channel));
}

ProgrammerSession::InstrumentReply ProgrammerSession::CountFrequency(protocol::FrequencyGate gate) {
    return InstrumentExchange(Command::FrequencyCount, Code(gate));
}

ProgrammerSession::InstrumentReply ProgrammerSession::EventCounter(
    protocol::EventCounterAction action) {
    return InstrumentExchange(Command::EventCounter, Code(action));
}

ProgrammerSession::CaptureReply ProgrammerSession::CaptureLogic(std::uint8_t sampleTime,
                                                                bool positiveEdge) {
    OperationGuard::Scope scope(guard_);
    if (!scope) return {OperationResult::Refused, {}};
    CaptureReply capture;
    // The arming packet's outcome is not looked at: a lost arm shows as a
    // failed block read.
    link_.Exchange(Command::CaptureStart, sampleTime, positiveEdge ? 1 : 0);
    for (int block = 0; block < kCaptureBytes / 8; ++block) {
        const ExchangeResult result =
            link_.Exchange(Command::CaptureRead, static_cast<std::uint8_t>(block));
        if (!result.ok()) {
            capture.outcome = OperationResult::LinkFailed;
            return capture;
        }
        std::copy(result.reply.begin(), result.reply.end(), capture.bytes.begin() + 8 * block);
        capture.blocksRead = block + 1;
    }
    return capture;
}

}  // namespace tamro
