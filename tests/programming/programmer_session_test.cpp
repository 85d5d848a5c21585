#include "programming/programmer_session.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/programming/operations_support.h"
#include "tests/testing/fakes.h"
#include "tests/testing/file_reload_fake.h"

namespace tamro {
namespace {

using protocol::Command;
using testing::PacketTexts;
using testing::RecordingDriver;
using testing::RecordingMessageBoxes;
using testing::RecordingView;
using Texts = std::vector<std::string>;

struct SessionTest : ::testing::Test {
    SessionTest() {
        driver.responder = testing::EmulatedTarget(emu::Device::Pic18F452);
        session.SetView(&view);
        session.UseDeviceGroup(DeviceGroup::Pic18F452);
        for (int i = 0; i < 64; ++i) session.images().program[i] = static_cast<std::uint8_t>(i);
        session.images().haveData = 1;
    }
    Texts Sent() const { return PacketTexts(driver.packets); }

    RecordingDriver driver;
    RecordingMessageBoxes messages;
    testing::MemorySettingsStore settings;
    ProgrammerSession session{driver, messages, settings};
    RecordingView view;
};

// Every request of the session, as something a window or the command-line
// tool might ask for while another one lets events run.
struct Request {
    const char* name;
    std::function<OperationResult(ProgrammerSession&)> run;
};

const std::vector<Request>& AllRequests() {
    static const std::vector<Request> requests = {
        {"Erase", [](ProgrammerSession& s) { return s.Erase(); }},
        {"Write", [](ProgrammerSession& s) { return s.Write(0x1F); }},
        {"Verify", [](ProgrammerSession& s) { return s.Verify(); }},
        {"WriteConfiguration", [](ProgrammerSession& s) { return s.WriteConfiguration(); }},
        {"ReadProgram", [](ProgrammerSession& s) { return s.ReadProgram(0x1F); }},
        {"ReadEeprom", [](ProgrammerSession& s) { return s.ReadEeprom(); }},
        {"SelectDevice",
         [](ProgrammerSession& s) { return s.SelectDevice(DeviceGroup::Pic18F4520); }},
        {"ReadDeviceId", [](ProgrammerSession& s) { return s.ReadDeviceId(); }},
        {"ToggleSupply", [](ProgrammerSession& s) { return s.ToggleSupply(); }},
        {"ToggleLed", [](ProgrammerSession& s) { return s.ToggleLed(); }},
        {"SetVppLevel",
         [](ProgrammerSession& s) {
             return s.SetVppLevel(protocol::VppLevel::Programming).outcome;
         }},
        {"ResetTarget", [](ProgrammerSession& s) { return s.ResetTarget().outcome; }},
        {"ReadAnalog",
         [](ProgrammerSession& s) { return s.ReadAnalog(protocol::AnalogChannel::Vin).outcome; }},
        {"CountFrequency",
         [](ProgrammerSession& s) {
             return s.CountFrequency(protocol::FrequencyGate::Gate100ms).outcome;
         }},
        {"EventCounter",
         [](ProgrammerSession& s) {
             return s.EventCounter(protocol::EventCounterAction::Read).outcome;
         }},
        {"CaptureLogic", [](ProgrammerSession& s) { return s.CaptureLogic(10, true).outcome; }},
        {"LeaveTargetSafe", [](ProgrammerSession& s) { return s.LeaveTargetSafe(); }},
    };
    return requests;
}

TEST_F(SessionTest, EveryRequestIsRefusedWhileAnOperationRuns) {
    for (const auto& running : {AllRequests()[1], AllRequests()[4], AllRequests()[6]}) {
        SCOPED_TRACE(running.name);
        std::vector<OperationResult> nested;
        std::size_t sentBefore = 0;
        view.onPump = [&] {
            if (!nested.empty()) return;
            sentBefore = driver.packets.size();
            for (const Request& request : AllRequests()) nested.push_back(request.run(session));
            EXPECT_EQ(driver.packets.size(), sentBefore) << "a refused request sent a packet";
        };
        EXPECT_NE(running.run(session), OperationResult::Refused);
        view.onPump = nullptr;
        EXPECT_EQ(nested,
                  std::vector<OperationResult>(AllRequests().size(), OperationResult::Refused));
        EXPECT_FALSE(session.Busy());
    }
    // Once the operation has ended, the others run again.
    for (const Request& request : AllRequests()) {
        EXPECT_NE(request.run(session), OperationResult::Refused) << request.name;
    }
}

TEST_F(SessionTest, StopEndsTheOperationAtTheNextExchangeAndLeavesTheTargetSafeQuietly) {
    // The operations that let events run, where a close can ask for the stop.
    for (const auto& running :
         {AllRequests()[1], AllRequests()[2], AllRequests()[4], AllRequests()[5]}) {
        SCOPED_TRACE(running.name);
        driver.packets.clear();
        std::optional<std::size_t> sentAtStop;
        view.onPump = [&] {
            // Not inside the device check that comes before a WRITE.
            if (sentAtStop || view.Last().text.starts_with("Device=")) return;
            sentAtStop = driver.packets.size();
            session.RequestStop();
        };
        const OperationResult result = running.run(session);
        view.onPump = nullptr;
        ASSERT_TRUE(sentAtStop);
        EXPECT_EQ(result, OperationResult::Stopped);
        const Texts sent = Sent();
        EXPECT_EQ(Texts(sent.begin() + static_cast<std::ptrdiff_t>(*sentAtStop), sent.end()),
                  (Texts{"32 00 00 00 00 00 00 00", "3A 00 00 00 00 00 00 00",
                         "3B 00 00 00 00 00 00 00"}));
        EXPECT_EQ(view.vcc, "VCC off");
        EXPECT_EQ(view.led, "LED off");
        EXPECT_FALSE(session.SupplyOn());
        EXPECT_FALSE(session.Busy());
        EXPECT_FALSE(session.LedOn());
    }
    EXPECT_TRUE(messages.shown.empty());
    // A stop asks nothing of the next operation.
    EXPECT_EQ(session.ReadEeprom(), OperationResult::Completed);
}

TEST_F(SessionTest, TheWayToTheSafeStateShowsNoBoxWhenTheLinkFails) {
    view.onPump = [&] {
        session.RequestStop();
        driver.failWrites = {driver.writes + 1, driver.writes + 2, driver.writes + 3};
    };
    EXPECT_EQ(session.ReadProgram(0x3F), OperationResult::Stopped);
    EXPECT_TRUE(messages.shown.empty());
    // The supply packet never left: its caption is not changed.
    EXPECT_EQ(view.vcc, "VCC on");
    EXPECT_EQ(session.LeaveTargetSafe(), OperationResult::Completed);
    EXPECT_EQ(view.vcc, "VCC off");
}

TEST_F(SessionTest, AFailedExchangeEndsWithTheOperationsOwnLeavingPacketsQuietly) {
    struct Case {
        Request request;
        Texts leaving;
        int failing = 12;  // past the device check, inside the sequence
    };
    const std::vector<Case> cases = {
        {AllRequests()[0],
         {"32 00 00 00 00 00 00 00", "31 02 00 00 00 00 00 00", "3A 00 00 00 00 00 00 00"}},
        {AllRequests()[1],
         {"32 00 00 00 00 00 00 00", "31 01 00 00 00 00 00 00", "3A 00 00 00 00 00 00 00",
          "3B 00 00 00 00 00 00 00"}},
        {AllRequests()[2],
         {"32 00 00 00 00 00 00 00", "31 01 00 00 00 00 00 00", "3A 00 00 00 00 00 00 00",
          "3B 00 00 00 00 00 00 00"},
         6},
        {AllRequests()[3],
         {"32 00 00 00 00 00 00 00", "31 01 00 00 00 00 00 00", "3A 00 00 00 00 00 00 00"}},
        {AllRequests()[4],
         {"32 00 00 00 00 00 00 00", "31 02 00 00 00 00 00 00", "3A 00 00 00 00 00 00 00",
          "3B 00 00 00 00 00 00 00"}},
        {AllRequests()[5],
         {"32 00 00 00 00 00 00 00", "31 02 00 00 00 00 00 00", "3A 00 00 00 00 00 00 00",
          "3B 00 00 00 00 00 00 00"}},
    };
    for (const Case& c : cases) {
        for (bool leavingFails : {false, true}) {
            SCOPED_TRACE(std::string(c.request.name) + (leavingFails ? ", leaving fails" : ""));
            driver.packets.clear();
            messages.shown.clear();
            driver.failReads = {driver.reads + c.failing};
            if (leavingFails) driver.failWrites = {driver.writes + c.failing + 1};
            EXPECT_EQ(c.request.run(session), OperationResult::LinkFailed);
            EXPECT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(view.Last().colour, kNotesRed);
            const Texts sent = Sent();
            // The failed write of the first leaving packet (never sent) ends the way out.
            const Texts expected = leavingFails ? Texts{} : c.leaving;
            const std::size_t failing = static_cast<std::size_t>(c.failing);
            ASSERT_GE(sent.size(), failing + expected.size());
            EXPECT_EQ(sent.size(), failing + expected.size());
            EXPECT_EQ(Texts(sent.end() - static_cast<std::ptrdiff_t>(expected.size()), sent.end()),
                      expected);
            EXPECT_EQ(session.SupplyOn(),
                      leavingFails && c.request.name != std::string("WriteConfiguration"));
            driver.failReads.clear();
            driver.failWrites.clear();
        }
    }
}

TEST_F(SessionTest, DeviceCheckRefusesAsksAndPowersTheTargetForTheRead) {
    struct Case {
        emu::Device chip;
        bool attached;
        std::optional<bool> answer;  // the answer to "unknown device", if asked
        OperationResult result;
        std::string box;
    };
    const std::vector<Case> cases = {
        {emu::Device::Pic18F452, true, {}, OperationResult::Completed, ""},
        {emu::Device::Pic18F4520,
         true,
         {},
         OperationResult::DeviceRefused,
         "18F452 selected, the target reports 18F4520 (1087)"},
        {emu::Device::Pic18F452, false, {}, OperationResult::DeviceRefused, "No target found"},
    };
    // The switch to the other device's group is declined: refused as before.
    messages.answer = false;
    for (const Case& c : cases) {
        for (const auto& erase : {true, false}) {
            SCOPED_TRACE(c.box + (erase ? " ERASE" : " WRITE"));
            emu::Options options;
            options.device = c.chip;
            options.revision = 7;
            options.targetAttached = c.attached;
            auto programmer = std::make_shared<emu::Programmer>(options);
            driver.responder = [programmer](const Packet& p) { return programmer->Exchange(p); };
            if (session.SupplyOn()) session.ToggleSupply();
            driver.packets.clear();
            messages.shown.clear();
            EXPECT_EQ(erase ? session.Erase() : session.Write(0x1F), c.result);
            const Texts sent = Sent();
            // The target is powered for the ID read, and switched off again.
            ASSERT_GE(sent.size(), 9u);
            EXPECT_EQ(sent[0], "3A 01 00 00 00 00 00 00");
            EXPECT_EQ(sent[5], "22 09 02 00 00 00 00 00");
            EXPECT_EQ(sent[8], "3A 00 00 00 00 00 00 00");
            if (c.result == OperationResult::DeviceRefused) {
                EXPECT_EQ(sent.size(), 9u);  // nothing of the operation itself
                ASSERT_EQ(messages.shown.size(), 1u);
                EXPECT_EQ(messages.shown[0].title, "DEVICE ERROR");
                EXPECT_EQ(messages.shown[0].text, c.box);
                EXPECT_EQ(view.Last().text, c.box);
            }
        }
    }
    // A device no group is known to serve: the answer decides.
    for (const bool yes : {false, true}) {
        emu::Options options;
        options.revision = 7;
        auto programmer = std::make_shared<emu::Programmer>(options);
        driver.responder = [programmer](const Packet& p) {
            auto reply = programmer->Exchange(p);
            // 0525h: an 18F4320
            if (p[0] == protocol::Code(Command::TableRead) && p[2] == 2) reply = {0x25, 0x05};
            return reply;
        };
        session.UseDeviceGroup(DeviceGroup::Pic18F452);
        std::vector<Question> asked;
        session.SetConfirmation([&](Question question, const std::string&) {
            asked.push_back(question);
            return yes;
        });
        driver.packets.clear();
        EXPECT_EQ(session.Erase(),
                  yes ? OperationResult::Completed : OperationResult::DeviceRefused);
        EXPECT_EQ(asked, std::vector<Question>{Question::UnknownDevice});
        EXPECT_EQ(Sent().size(), yes ? 9u + 12u : 9u);
    }
}

// The group changes because the chip on the programmer is of the other one
// (an 18F4520 while the 18F452 group is selected: asked once per ID) or
// because a group is chosen (asked only when typed-in changes would be lost).
// A change loads the file again; a "no", or a file that no longer loads,
// leaves group and images as they were.
TEST_F(SessionTest, AGroupChangeLoadsTheFileAgainOnceAsked) {
    using R = OperationResult;
    using G = DeviceGroup;
    const auto erase = [](ProgrammerSession& s) { return s.Erase(); };
    const auto write = [](ProgrammerSession& s) { return s.Write(0x1F); };
    const auto choose = [](G group) {
        return [group](ProgrammerSession& s) { return s.SelectDevice(group); };
    };
    const std::string typed = "the configuration typed in";
    struct Case {
        const char* name;
        std::function<R(ProgrammerSession&)> act;
        int runs;
        bool fileLoaded, answer, fileLoads;
        R result;            // of each run
        G group;             // afterwards
        int asked, reloads;  // over all runs
        std::string typed = "";
        const char* file = "blink.hex";  // the file the image came from
    };
    const Case cases[] = {
        {"chip, yes", erase, 2, true, true, true, R::Completed, G::Pic18F4520, 1, 1},
        {"chip, yes, no longer loads", erase, 2, true, true, false, R::DeviceRefused, G::Pic18F452,
         2, 2},
        {"chip, no: not asked again", erase, 2, true, false, true, R::DeviceRefused, G::Pic18F452,
         1, 0},
        {"chip, yes, no file loaded", erase, 2, false, true, true, R::Completed, G::Pic18F4520, 1,
         0},
        {"chip, WRITE of an image from no file", write, 2, true, true, true, R::NoData,
         G::Pic18F4520, 1, 0, "", ""},
        {"chosen", choose(G::Pic18F4520), 1, true, false, true, R::Completed, G::Pic18F4520, 0, 1},
        {"chosen, typed, no", choose(G::Pic18F4520), 1, true, false, true, R::Declined,
         G::Pic18F452, 1, 0, typed},
        {"same chosen, typed, no", choose(G::Pic18F452), 1, true, false, true, R::Declined,
         G::Pic18F452, 1, 0, typed},
        {"same chosen, typed, yes", choose(G::Pic18F452), 1, true, true, true, R::Completed,
         G::Pic18F452, 1, 1, typed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingMessageBoxes boxes;
        testing::MemorySettingsStore store;
        ProgrammerSession chipSession(driver, boxes, store);
        driver.responder = testing::EmulatedTarget(emu::Device::Pic18F4520);
        chipSession.UseDeviceGroup(G::Pic18F452);
        chipSession.images().haveData = c.fileLoaded ? 1 : 0;
        chipSession.images().program[0] = 0x11;
        chipSession.images().config[0] = 0x3C;
        const Images before = chipSession.images();
        testing::FakeFileReload file(chipSession);
        file.loads = c.fileLoads;
        file.file = c.file;
        file.typed = c.typed;
        chipSession.SetFileReload(&file);
        boxes.answer = c.answer;
        for (int run = 0; run < c.runs; ++run) EXPECT_EQ(c.act(chipSession), c.result);
        EXPECT_EQ(static_cast<int>(boxes.asked.size()), c.asked);
        EXPECT_EQ(file.reloads, c.reloads);
        EXPECT_EQ(chipSession.group(), c.group);
        const bool changed = c.result == R::Completed || c.result == R::NoData;
        EXPECT_EQ(file.shown, changed && c.reloads > 0 ? 1 : 0);
        const int option = c.group == G::Pic18F4520 ? kOption4520 : kOption452;
        EXPECT_EQ(store.Read("TAMRO18", "DATA", "DEVICE"), changed ? StoredDeviceText(option) : "");
        if (changed) {
            EXPECT_EQ(chipSession.images().program[0], c.reloads > 0 ? 0xA5 : 0x11);
            EXPECT_EQ(chipSession.images().haveData, c.reloads > 0 ? 1 : 0);
            EXPECT_EQ(chipSession.images().config[1], GroupForOption(option).defaultConfig[1]);
        } else {
            EXPECT_TRUE(chipSession.images() == before);
        }
    }
}

TEST_F(SessionTest, TestPanelTogglesFollowTheCaptions) {
    EXPECT_FALSE(session.SupplyOn());
    session.ToggleSupply();
    session.ToggleSupply();
    session.ToggleLed();
    EXPECT_EQ(Sent(), (Texts{"3A 01 00 00 00 00 00 00", "3A 00 00 00 00 00 00 00",
                             "3B 01 00 00 00 00 00 00"}));
    EXPECT_EQ(view.vcc, "VCC off");
    EXPECT_EQ(view.led, "LED on");
    // A WRITE switches both back off at its end; the next toggle switches on.
    session.Write(0x3);
    driver.packets.clear();
    session.ToggleLed();
    EXPECT_EQ(Sent(), Texts{"3B 01 00 00 00 00 00 00"});
}

TEST_F(SessionTest, StartOpensIdentifiesSelectsTheStoredGroupAndSwitchesSupplyOn) {
    settings.Write("TAMRO18", "DATA", "DEVICE", " 10");
    driver.responder = testing::EmulatedTarget(emu::Device::Pic18F4520);
    ASSERT_TRUE(session.Start());
    EXPECT_EQ(session.firmwareText(), "EMUL1830");
    EXPECT_EQ(session.group(), DeviceGroup::Pic18F4520);
    EXPECT_EQ(session.images().haveData, 0);
    EXPECT_EQ(session.deviceIdReading().deviceName, "18F4520");
    const Texts sent = Sent();
    ASSERT_EQ(sent.size(), 10u);
    // The supply goes on before the selection's ID read, which needs the target powered.
    EXPECT_EQ(Texts(sent.begin(), sent.begin() + 2),
              (Texts{"3F 00 00 00 00 00 00 00", "3A 01 00 00 00 00 00 00"}));
    EXPECT_EQ(sent.back(), "3B 00 00 00 00 00 00 00");
    EXPECT_TRUE(session.SupplyOn());

    session.Shutdown();
    EXPECT_EQ(driver.closes, 1);
    EXPECT_EQ(session.ToggleLed(), OperationResult::Completed);
    EXPECT_EQ(driver.packets.size(), sent.size()) << "nothing goes out after the shutdown";
}

TEST_F(SessionTest, StartWithoutTheProgrammerSendsNothing) {
    driver.openResult = -2;
    EXPECT_FALSE(session.Start());
    EXPECT_TRUE(driver.packets.empty());
}

TEST_F(SessionTest, CaptureReadsEightBlocksAndStopsAtAFailedOne) {
    ProgrammerSession::CaptureReply capture = session.CaptureLogic(7, false);
    EXPECT_EQ(capture.outcome, OperationResult::Completed);
    EXPECT_EQ(capture.blocksRead, 8);
    Texts sent = Sent();
    ASSERT_EQ(sent.size(), 9u);
    EXPECT_EQ(sent[0], "36 07 00 00 00 00 00 00");
    EXPECT_EQ(sent[8], "37 07 00 00 00 00 00 00");

    driver.packets.clear();
    driver.failReads = {driver.reads + 4};
    capture = session.CaptureLogic(7, true);
    EXPECT_EQ(capture.outcome, OperationResult::LinkFailed);
    EXPECT_EQ(capture.blocksRead, 2);
    EXPECT_EQ(driver.packets.size(), 4u);
}

}  // namespace
}  // namespace tamro
