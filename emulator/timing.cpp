#include "emulator/timing.h"

#include <algorithm>
#include <cstdio>

#include "common/protocol.h"
#include "emulator/device_facts.h"

namespace tamro::emu {
namespace {

using std::chrono::nanoseconds;

// 4 command bits and 16 operand bits; a table read's 4 + 8 + 8 is the same count.
constexpr std::int64_t kClocksPerIcspCommand = 20;
// The firmware loads TBLPTR with three MOVLW/MOVWF pairs.
constexpr std::int64_t kIcspCommandsPerTablePointer = 6;

// P10: the high-voltage discharge after a programming NOP's hold.
nanoseconds DischargeTime(Device device) {
    return FactsFor(device).family == Family::Fxx2 ? std::chrono::microseconds(5)
                                                   : std::chrono::microseconds(100);
}

double Seconds(nanoseconds time) {
    return std::chrono::duration<double>(time).count();
}

}  // namespace

nanoseconds TargetTime(const Block& packet, Device device, int icspKhz) {
    const auto commands = [icspKhz](std::int64_t count) {
        if (icspKhz <= 0) return nanoseconds(0);
        return nanoseconds(count * kClocksPerIcspCommand * 1'000'000 / icspKhz);
    };
    using protocol::Command;
    switch (static_cast<Command>(packet[0])) {
        case Command::Icsp:
            return commands(1);
        case Command::SetTablePointer:
            return commands(kIcspCommandsPerTablePointer);
        case Command::TableRead:  // repeated d2 times
            return commands(std::min<int>(packet[2], 8));
        case Command::ProgrammingNop:  // its hold is the programming wait that follows
            return commands(1) + DischargeTime(device);
        case Command::ProgrammingWait:  // d1 milliseconds
            return std::chrono::milliseconds(packet[1]);
        default:
            return nanoseconds(0);
    }
}

std::string OperationTimingText(const OperationTiming& timing) {
    char text[128];
    std::snprintf(text, sizeof text, "operation: %llu packets, target busy %.3f s, wall %.3f s",
                  static_cast<unsigned long long>(timing.packets), Seconds(timing.targetBusy),
                  Seconds(timing.wall));
    return text;
}

Timeline::Timeline(TimingOptions options, Device device) : options_(options), device_(device) {}

Timeline::TimePoint Timeline::Accept(const Block& packet, TimePoint arrival) {
    if (current_.packets > 0 && arrival - lastDeparture_ >= kOperationGap) {
        finished_ = Finish();
    }
    if (current_.packets == 0) operationStart_ = arrival;
    const nanoseconds busy = TargetTime(packet, device_, options_.icspKhz);
    const TimePoint served =
        std::max(arrival, firmwareFree_) + (options_.realTime ? busy : nanoseconds(0));
    firmwareFree_ = served;
    lastDeparture_ = served + options_.linkLatency;
    ++current_.packets;
    current_.targetBusy += busy;
    current_.wall = lastDeparture_ - operationStart_;
    return lastDeparture_;
}

std::optional<OperationTiming> Timeline::FinishIfIdle(TimePoint now) {
    if (current_.packets == 0 || now - lastDeparture_ < kOperationGap) return std::nullopt;
    return Finish();
}

std::optional<OperationTiming> Timeline::Finish() {
    if (current_.packets == 0) return std::nullopt;
    const OperationTiming done = current_;
    current_ = {};
    return done;
}

std::optional<OperationTiming> Timeline::TakeFinished() {
    std::optional<OperationTiming> done;
    done.swap(finished_);
    return done;
}

}  // namespace tamro::emu
