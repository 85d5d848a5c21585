#include "emulator/signal_source.h"

#include <algorithm>
#include <cmath>

#include "common/protocol.h"

namespace tamro::emu {

using protocol::Code;
namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
    return -FloorDiv(-a, b);
}

}  // namespace

SignalSource::SignalSource(PeriodicSignal signal, Clock& clock)
    : signal_(signal), clock_(clock), origin_(clock.Now()) {
    if (signal_.frequencyHz > 0 && std::isfinite(signal_.frequencyHz)) {
        periodNs_ = std::max<std::int64_t>(2, std::llround(1e9 / signal_.frequencyHz));
        const double duty = std::clamp(std::isfinite(signal_.duty) ? signal_.duty : 0.5, 0.0, 1.0);
        highNs_ = std::clamp<std::int64_t>(std::llround(static_cast<double>(periodNs_) * duty), 1,
                                           periodNs_ - 1);
    }
}

SignalSource::Nanoseconds SignalSource::Now() const {
    return std::chrono::duration_cast<Nanoseconds>(clock_.Now() - origin_);
}

bool SignalSource::LevelAt(Nanoseconds time) const {
    if (periodNs_ == 0) return false;
    const std::int64_t t = time.count();
    const std::int64_t phase = t - FloorDiv(t, periodNs_) * periodNs_;
    return phase < highNs_;
}

std::uint64_t SignalSource::RisingEdges(Nanoseconds from, Nanoseconds to) const {
    if (periodNs_ == 0 || to <= from) return 0;
    // Rising edges lie at whole multiples of the period.
    return static_cast<std::uint64_t>(CeilDiv(to.count(), periodNs_) -
                                      CeilDiv(from.count(), periodNs_));
}

SignalSource::Nanoseconds SignalSource::NextEdge(Nanoseconds time, bool rising) const {
    if (periodNs_ == 0) return time;
    const std::int64_t offset = rising ? 0 : highNs_;
    const std::int64_t k = CeilDiv(time.count() - offset, periodNs_);
    return Nanoseconds(k * periodNs_ + offset);
}

std::array<std::uint8_t, 8> SignalSource::CountReply(std::uint64_t count) {
    std::array<std::uint8_t, 8> reply{};
    reply[0] = static_cast<std::uint8_t>(count >> 8);
    reply[1] = static_cast<std::uint8_t>(count);
    reply[2] = static_cast<std::uint8_t>(std::min<std::uint64_t>(count >> 16, 255));
    return reply;
}

std::array<std::uint8_t, 8> SignalSource::FrequencyCount(std::uint8_t gate) {
    const Nanoseconds gateTime = gate == Code(protocol::FrequencyGate::Gate1s)
                                     ? Nanoseconds(std::chrono::seconds(1))
                                     : Nanoseconds(std::chrono::milliseconds(100));
    const Nanoseconds start = Now();
    return CountReply(RisingEdges(start, start + gateTime));
}

std::array<std::uint8_t, 8> SignalSource::EventCounter(std::uint8_t action) {
    const Nanoseconds now = Now();
    if (eventCounting_) {
        eventCount_ += RisingEdges(eventSince_, now);
        eventSince_ = now;
    }
    using protocol::EventCounterAction;
    switch (static_cast<EventCounterAction>(action)) {
        case EventCounterAction::Reset:
            eventCount_ = 0;
            break;
        case EventCounterAction::Read:
            return CountReply(eventCount_);
        case EventCounterAction::Start:
            if (!eventCounting_) {
                eventCounting_ = true;
                eventSince_ = now;
            }
            break;
        case EventCounterAction::Stop:
            eventCounting_ = false;
            break;
        default:
            break;
    }
    return {};
}

void SignalSource::ArmCapture(std::uint8_t sampleTime, std::uint8_t risingEdge) {
    const std::int64_t step =
        static_cast<std::int64_t>(std::max<std::uint8_t>(sampleTime, 1)) * 100'000;  // 0.1 ms
    const Nanoseconds start = NextEdge(Now(), risingEdge != 0);
    capture_.fill(0);
    for (int n = 0; n < kCaptureSamples; ++n) {
        if (!LevelAt(start + Nanoseconds(n * step))) continue;
        // Sample n is bit (n mod 8) of capture byte 59 - (n div 8).
        capture_[static_cast<std::size_t>(59 - n / 8)] |= static_cast<std::uint8_t>(1u << (n % 8));
    }
}

std::array<std::uint8_t, 8> SignalSource::CaptureBlock(std::uint8_t block) const {
    std::array<std::uint8_t, 8> reply{};
    if (block > 7) return reply;
    std::copy_n(capture_.begin() + block * 8, 8, reply.begin());
    return reply;
}

}  // namespace tamro::emu
