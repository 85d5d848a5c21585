#include "programming/programmer_choice.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/programming/operations_support.h"
#include "tests/testing/fakes.h"

namespace tamro {
namespace {

using testing::PacketTexts;
using testing::RecordingDriver;
using Texts = std::vector<std::string>;

// Answers the dialog with a fixed choice and keeps what it was shown.
class ScriptedChooser final : public ProgrammerChooser {
  public:
    std::optional<std::string> Choose(const std::vector<ProgrammerChoice>& choices,
                                      const std::string& current) override {
        ++asked;
        shown = choices;
        shownCurrent = current;
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<ProgrammerChoice> shown;
    std::string shownCurrent;
    int asked = 0;
};

// A backend the switch may own and destroy while the test keeps its record.
class Borrowed final : public DriverLibrary {
  public:
    explicit Borrowed(RecordingDriver& driver) : driver_(driver) {}
    std::int32_t Open() override { return driver_.Open(); }
    void Close() override { driver_.Close(); }
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override {
        return driver_.DataWrite(buffer, count);
    }
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override {
        return driver_.DataRead(buffer, count);
    }

  private:
    RecordingDriver& driver_;
};

TEST(ProgrammerChoiceTest, TheEmulatorComesFirstThenTheDevicesAsListed) {
    const std::vector<ProgrammerCandidate> detected = {
        {"hid:04d8:003f", "/dev/hidraw3", "Microchip HID", true},
        {"serial:/dev/ttyACM0", "/dev/ttyACM0", "USB serial", false},
    };
    const auto choices = ProgrammerChoices(detected);
    ASSERT_EQ(choices.size(), 3u);
    EXPECT_EQ(choices[0].setting, "emulator");
    for (std::size_t i = 0; i < detected.size(); ++i) {
        EXPECT_EQ(choices[i + 1].setting, detected[i].setting);
        EXPECT_EQ(choices[i + 1].text + "\n", ProgrammerListText({detected[i]}));
    }
}

TEST(ProgrammerChoiceTest, TheEnvironmentOverridesTheStoredChoice) {
    struct Case {
        std::optional<std::string> environment;
        std::string stored;
        std::string expected;
    };
    for (const Case& c : std::vector<Case>{{"tcp:host:5000", "hid:04d8:003f", "tcp:host:5000"},
                                           {"", "hid:04d8:003f", ""},
                                           {std::nullopt, "hid:04d8:003f", "hid:04d8:003f"},
                                           {std::nullopt, "", ""}}) {
        testing::MemorySettingsStore settings;
        if (!c.stored.empty()) StoreDriverSetting(settings, c.stored);
        EXPECT_EQ(StartingDriverSetting(c.environment, settings), c.expected) << c.stored;
    }
}

// The dialog's outcome: a choice is kept in the settings and the session
// talks to the new programmer after the start-up exchanges, with the loaded
// image untouched; a cancelled dialog or a running request changes nothing.
TEST(ProgrammerChoiceTest, AChoiceReconnectsAndKeepsTheImage) {
    struct Case {
        const char* name;
        std::optional<std::string> answer;
        bool busy;
        std::int32_t newOpenResult;
        ProgrammerSwitch::Outcome outcome;
    };
    using Outcome = ProgrammerSwitch::Outcome;
    const std::vector<Case> cases = {
        {"chosen", "tcp:bench:5000", false, 0, Outcome::Connected},
        {"chosen, does not open", "tcp:bench:5000", false, -2, Outcome::NotFound},
        {"cancelled", std::nullopt, false, 0, Outcome::Cancelled},
        {"busy", "tcp:bench:5000", true, 0, Outcome::Refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingDriver old;
        old.responder = testing::EmulatedTarget(emu::Device::Pic18F452);
        SwitchableDriver driver(std::make_unique<Borrowed>(old));
        testing::RecordingMessageBoxes messages;
        testing::MemorySettingsStore settings;
        ScriptedChooser chooser;
        chooser.answer = c.answer;
        RecordingDriver* replacement = nullptr;
        std::string made;
        ProgrammerSwitch programmers(
            driver, settings, chooser,
            [&](const std::string& setting) {
                made = setting;
                auto next = std::make_unique<RecordingDriver>();
                next->responder = testing::EmulatedTarget(emu::Device::Pic18F452);
                next->openResult = c.newOpenResult;
                replacement = next.get();
                return next;
            },
            [] { return std::vector<ProgrammerCandidate>{}; }, "emulator");

        ProgrammerSession session(driver, messages, settings);
        ASSERT_TRUE(session.Start());
        session.images().program[0] = 0x5A;
        session.images().config[1] = 0x27;
        session.images().haveData = 1;
        const Images loaded = session.images();
        const std::size_t oldPackets = old.packets.size();

        OperationResult during = OperationResult::Completed;
        if (c.busy) {
            // A request that lets events run asks for the dialog meanwhile.
            testing::RecordingView view;
            view.onPump = [&] {
                if (chooser.asked == 0 && programmers.Choose(session) == Outcome::Refused) {
                    during = OperationResult::Refused;
                }
            };
            session.SetView(&view);
            session.ReadProgram(0x0F);
            session.SetView(nullptr);
            EXPECT_EQ(during, OperationResult::Refused);
            EXPECT_EQ(chooser.asked, 0);
            continue;
        }
        EXPECT_EQ(programmers.Choose(session), c.outcome);
        EXPECT_EQ(chooser.shown.front().setting, "emulator");
        EXPECT_EQ(chooser.shownCurrent, "emulator");
        EXPECT_EQ(session.images().program, loaded.program);
        EXPECT_EQ(session.images().config, loaded.config);
        EXPECT_EQ(session.images().haveData, loaded.haveData);
        EXPECT_EQ(old.packets.size(), oldPackets) << "nothing more goes to the old programmer";
        if (!c.answer) {
            EXPECT_EQ(made, "");
            EXPECT_EQ(StoredDriverSetting(settings), "");
            EXPECT_EQ(old.closes, 0);
            continue;
        }
        EXPECT_EQ(old.closes, 1);
        EXPECT_EQ(made, *c.answer);
        EXPECT_EQ(StoredDriverSetting(settings), *c.answer);
        EXPECT_EQ(programmers.Current(), *c.answer);
        ASSERT_NE(replacement, nullptr);
        const Texts sent = PacketTexts(replacement->packets);
        if (c.outcome == Outcome::NotFound) {
            EXPECT_TRUE(sent.empty());
            session.ReadDeviceId();
            EXPECT_TRUE(replacement->packets.empty()) << "the closed link sends nothing";
            continue;
        }
        // Identify, supply on, the device-ID read, LED off.
        ASSERT_GE(sent.size(), 4u);
        EXPECT_EQ(sent.front(), "3F 00 00 00 00 00 00 00");
        EXPECT_EQ(sent[1], "3A 01 00 00 00 00 00 00");
        EXPECT_EQ(sent.back(), "3B 00 00 00 00 00 00 00");
        EXPECT_EQ(session.firmwareText().size(), 8u);
        EXPECT_EQ(session.ReadDeviceId(), OperationResult::Completed);
    }
}

}  // namespace
}  // namespace tamro
