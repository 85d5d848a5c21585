#pragma once
// Stand-ins for the platform and the driver library, shared by all tests.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "common/platform.h"
#include "link/driver_library.h"
#include "link/link.h"

namespace tamro::testing {

struct ShownMessage {
    MessageIcon icon;
    std::string title;
    std::string text;
};

// Records message boxes instead of showing them, so tests never block.
class RecordingMessageBoxes final : public MessageBoxes {
  public:
    void Show(MessageIcon icon, const std::string& title, const std::string& text) override {
        shown.push_back({icon, title, text});
        if (onShow) onShow();
    }
    bool AskYesNo(const std::string& title, const std::string& text) override {
        asked.push_back({MessageIcon::Exclamation, title, text});
        if (onAsk) onAsk();
        return answer;
    }
    void Beep() override { ++beeps; }
    SaveChoice AskSaveDiscardCancel(const std::string& title, const std::string& text) override {
        saveQuestions.push_back({MessageIcon::Exclamation, title, text});
        return saveAnswer;
    }

    std::vector<ShownMessage> shown;
    std::vector<ShownMessage> asked;
    bool answer = true;  // what every question is answered
    std::function<void()> onAsk;
    int beeps = 0;
    std::vector<ShownMessage> saveQuestions;
    SaveChoice saveAnswer = SaveChoice::Cancel;
    std::function<void()> onShow;
};

class MemorySettingsStore final : public SettingsStore {
  public:
    std::string Read(const std::string& application, const std::string& section,
                     const std::string& key) override {
        auto it = values.find({application, section, key});
        return it == values.end() ? "" : it->second;
    }
    void Write(const std::string& application, const std::string& section, const std::string& key,
               const std::string& value) override {
        values[{application, section, key}] = value;
        writes.push_back(key + "=" + value);
    }

    std::map<std::tuple<std::string, std::string, std::string>, std::string> values;
    std::vector<std::string> writes;
};

class CountingEventPump final : public EventPump {
  public:
    void ProcessPendingEvents() override {
        ++calls;
        if (onPump) onPump();
    }
    int calls = 0;
    std::function<void()> onPump;
};

// A clock that moves only when slept on.
class ManualClock final : public Clock {
  public:
    std::chrono::steady_clock::time_point Now() override { return now; }
    void SleepFor(std::chrono::microseconds duration) override { now += duration; }
    std::chrono::steady_clock::time_point now{std::chrono::seconds(1000)};
};

// A driver library that records every packet and answers from a responder
// (all-zero replies by default). Writes and reads can be made to fail by their
// 1-based position among all writes or reads. Replies queue in order, so
// several packets may be written before their replies are read.
class RecordingDriver final : public DriverLibrary {
  public:
    using Responder = std::function<Packet(const Packet&)>;

    std::int32_t Open() override {
        ++opens;
        return openResult;
    }
    void Close() override { ++closes; }
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override;
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override;
    int Window() const override { return window; }
    void DiscardReplies() override {
        ++discards;
        pendingReplies_.clear();
    }

    // Packets written successfully, in order (none when `keepPackets` is off,
    // for long runs).
    std::vector<Packet> packets;
    bool keepPackets = true;
    Responder responder;
    std::int32_t openResult = 0;
    std::set<int> failWrites;  // 1-based write numbers that fail
    std::set<int> failReads;   // 1-based read numbers that fail
    int partialReadBytes = 0;  // bytes a failed read leaves in the buffer
    int writes = 0;
    int reads = 0;
    int opens = 0;
    int closes = 0;
    int window = 1;  // packets the link may keep in flight
    int discards = 0;

  private:
    std::deque<Packet> pendingReplies_;
};

// An emulated programmer as responder.
RecordingDriver::Responder EmulatorResponder();

// Packets as text lines "33 3F FF FE 00 00 00 00" for readable comparisons.
std::string PacketText(const Packet& packet);
std::vector<std::string> PacketTexts(const std::vector<Packet>& packets);

}  // namespace tamro::testing
