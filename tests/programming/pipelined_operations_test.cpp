// The operations with several packets in flight: the packets sent, the outcome
// and what the window shows are those of stop-and-wait, and a failed exchange
// ends the same way.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "emulator/programmer.h"
#include "programming/programmer_session.h"
#include "tests/programming/operations_support.h"
#include "tests/testing/fakes.h"

namespace tamro {
namespace {

using testing::PacketTexts;
using Texts = std::vector<std::string>;

// A WRITE that touches every kind of memory: program words, ID locations,
// data EEPROM bytes and configuration bytes (erased values, no protection).
Images FullImage() {
    Images image;
    for (int i = 0; i < kProgramBytes; ++i) image.program[i] = static_cast<std::uint8_t>(i * 5 + 3);
    for (int i = 0; i < kIdBytes; ++i) {
        image.id[i] = static_cast<std::uint8_t>(0x40 + i);
        image.idPresent[i] = true;
    }
    for (int a : {0, 1, 0x7F}) {
        image.eeprom[a] = static_cast<std::uint8_t>(a + 0x11);
        image.eepromPresent[a] = true;
    }
    image.config.fill(0xFF);
    image.haveData = 1;
    return image;
}

// One session over an emulated target of the group, with the given window.
struct SessionRun {
    SessionRun(DeviceGroup group, int window, const Images& image) {
        emu::Options options;
        options.device =
            group == DeviceGroup::Pic18F4520 ? emu::Device::Pic18F4520 : emu::Device::Pic18F452;
        programmer = std::make_shared<emu::Programmer>(options);
        driver.responder = [target = programmer](const Packet& packet) {
            return target->Exchange(packet);
        };
        driver.window = window;
        session.SetView(&view);
        session.UseDeviceGroup(group);
        session.images() = image;
    }

    Texts Captions() const {
        Texts texts;
        for (const auto& caption : view.captions) {
            texts.push_back(caption.text + (caption.colour == kNotesRed ? " (red)" : ""));
        }
        return texts;
    }
    Texts Boxes() const {
        Texts texts;
        for (const auto& box : messages.shown) texts.push_back(box.title + ": " + box.text);
        return texts;
    }

    std::shared_ptr<emu::Programmer> programmer;
    testing::RecordingDriver driver;
    testing::RecordingMessageBoxes messages;
    testing::MemorySettingsStore settings;
    ProgrammerSession session{driver, messages, settings};
    testing::RecordingView view;
};

struct Operation {
    const char* name;
    std::function<OperationResult(ProgrammerSession&)> run;
};

const Operation kWrite{"WRITE", [](ProgrammerSession& s) { return s.Write(kLastProgramWord); }};
const Operation kShortWrite{"short WRITE", [](ProgrammerSession& s) { return s.Write(0x1F); }};
const Operation kRead{"READ", [](ProgrammerSession& s) { return s.ReadProgram(kLastProgramWord); }};
const Operation kShortRead{"short READ", [](ProgrammerSession& s) { return s.ReadProgram(0x2B); }};
const Operation kVerify{"VERIFY", [](ProgrammerSession& s) { return s.Verify(); }};

const DeviceGroup kGroups[] = {DeviceGroup::Pic18F4520, DeviceGroup::Pic18F452};

TEST(PipelinedOperationsTest, PacketsAndOutcomesMatchStopAndWait) {
    const std::vector<Operation> operations = {
        kWrite,
        kRead,
        kVerify,
        {"EE READ", [](ProgrammerSession& s) { return s.ReadEeprom(); }},
        {"ERASE", [](ProgrammerSession& s) { return s.Erase(); }},
        {"CONFIG WRITE", [](ProgrammerSession& s) { return s.WriteConfiguration(); }},
    };
    for (const DeviceGroup group : kGroups) {
        for (const Operation& operation : operations) {
            SCOPED_TRACE(std::string(operation.name) +
                         (group == DeviceGroup::Pic18F4520 ? " 18F4520" : " 18F452"));
            // A written target first, so that reads and the verify find data.
            SessionRun stopAndWait(group, 1, FullImage());
            SessionRun pipelined(group, 16, FullImage());
            for (SessionRun* run : {&stopAndWait, &pipelined}) {
                ASSERT_EQ(kWrite.run(run->session), OperationResult::Completed);
                run->driver.packets.clear();
                run->view.captions.clear();
            }
            EXPECT_EQ(operation.run(stopAndWait.session), OperationResult::Completed);
            EXPECT_EQ(operation.run(pipelined.session), OperationResult::Completed);
            EXPECT_EQ(PacketTexts(pipelined.driver.packets),
                      PacketTexts(stopAndWait.driver.packets));
            EXPECT_EQ(pipelined.Captions(), stopAndWait.Captions());
            EXPECT_TRUE(pipelined.messages.shown.empty());
            EXPECT_EQ(pipelined.session.images().program, stopAndWait.session.images().program);
            EXPECT_EQ(pipelined.session.images().eepromRead,
                      stopAndWait.session.images().eepromRead);
            EXPECT_EQ(pipelined.session.images().config, stopAndWait.session.images().config);
            EXPECT_EQ(pipelined.session.images().id, stopAndWait.session.images().id);
        }
    }
}

// A write or a read failing at any exchange: one box, the same red error and
// captions as stop-and-wait, the images as they were, and the target left at
// Vpp 0 V with its supply off. Only the packets already in flight when the
// failure was found may follow it, and they are the operation's own.
TEST(PipelinedOperationsTest, AFailureAtAnyExchangeEndsAsWithStopAndWait) {
    constexpr int kWindow = 16;
    for (const DeviceGroup group : kGroups) {
        for (const Operation& operation : {kShortWrite, kShortRead}) {
            const SessionRun clean(group, 1, FullImage());
            SessionRun counting(group, 1, FullImage());
            ASSERT_EQ(operation.run(counting.session), OperationResult::Completed);
            const int total = static_cast<int>(counting.driver.packets.size());
            const Texts complete = PacketTexts(counting.driver.packets);
            for (int k = 1; k <= total; ++k) {
                for (const bool failWrite : {true, false}) {
                    SCOPED_TRACE(std::string(operation.name) + ", " +
                                 (failWrite ? "write " : "read ") + std::to_string(k) +
                                 (group == DeviceGroup::Pic18F4520 ? " 18F4520" : " 18F452"));
                    SessionRun stopAndWait(group, 1, FullImage());
                    SessionRun pipelined(group, kWindow, FullImage());
                    for (SessionRun* run : {&stopAndWait, &pipelined}) {
                        (failWrite ? run->driver.failWrites : run->driver.failReads).insert(k);
                        EXPECT_EQ(operation.run(run->session), OperationResult::LinkFailed);
                    }
                    EXPECT_EQ(pipelined.Boxes(), stopAndWait.Boxes());
                    EXPECT_EQ(pipelined.Boxes().size(), 1u);
                    EXPECT_EQ(pipelined.Captions(), stopAndWait.Captions());
                    EXPECT_EQ(pipelined.view.vcc, "VCC off");
                    EXPECT_EQ(pipelined.programmer->VppLevel(), 0);
                    EXPECT_FALSE(pipelined.programmer->SupplyOn());
                    EXPECT_EQ(pipelined.session.images().program, clean.session.images().program);
                    EXPECT_EQ(pipelined.session.images().config, clean.session.images().config);
                    EXPECT_EQ(pipelined.session.images().id, clean.session.images().id);

                    // The operation's packets up to the failure, at most a
                    // window's more of them, then the way to the safe state.
                    const Texts sent = PacketTexts(pipelined.driver.packets);
                    const Texts stopped = PacketTexts(stopAndWait.driver.packets);
                    const int before = failWrite ? k - 1 : k;
                    const Texts leaving(stopped.begin() + before, stopped.end());
                    ASSERT_GE(sent.size(), before + leaving.size());
                    const std::size_t extra = sent.size() - before - leaving.size();
                    EXPECT_LE(extra, failWrite ? 0u : kWindow - 1u);
                    EXPECT_TRUE(
                        std::equal(sent.begin(), sent.end() - leaving.size(), complete.begin()));
                    EXPECT_TRUE(
                        std::equal(leaving.begin(), leaving.end(), sent.end() - leaving.size()));
                }
            }
        }
    }
}

// A verify that finds a difference ends as with stop-and-wait; the packets
// sent past it while its reply was on the way are table reads only.
TEST(PipelinedOperationsTest, AVerifyMismatchEndsAsWithStopAndWait) {
    for (const DeviceGroup group : kGroups) {
        SessionRun stopAndWait(group, 1, FullImage());
        SessionRun pipelined(group, 16, FullImage());
        for (SessionRun* run : {&stopAndWait, &pipelined}) {
            ASSERT_EQ(kWrite.run(run->session), OperationResult::Completed);
            run->driver.packets.clear();
            run->view.captions.clear();
            run->session.images().program[2 * 0x105] ^= 0x01;
            EXPECT_EQ(kVerify.run(run->session), OperationResult::VerifyMismatch);
        }
        EXPECT_EQ(pipelined.Boxes(), stopAndWait.Boxes());
        EXPECT_EQ(pipelined.Captions(), stopAndWait.Captions());
        // Every group is read for the difference list: the same packets and the same list.
        EXPECT_EQ(PacketTexts(pipelined.driver.packets), PacketTexts(stopAndWait.driver.packets));
        EXPECT_EQ(pipelined.session.Differences(), stopAndWait.session.Differences());
        EXPECT_EQ(pipelined.session.Differences().size(), 1u);
    }
}

}  // namespace
}  // namespace tamro
