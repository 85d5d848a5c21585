#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "link/backends.h"
#include "link/link.h"
#include "tests/testing/fakes.h"

namespace tamro {
namespace {

class ScopedVariable {
  public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value, 1);
    }
    ~ScopedVariable() {
        if (old_.empty())
            unsetenv(name_);
        else
            setenv(name_, old_.c_str(), 1);
    }

  private:
    const char* name_;
    std::string old_;
};

TEST(EmulatorDriverTest, FailsTheChosenWritesAndReadsAndGoesOn) {
    ScopedVariable state("TAMRO18_EMULATOR_STATE", "none");
    ScopedVariable failWrite("TAMRO18_EMULATOR_FAIL_WRITE", "2");
    ScopedVariable failRead("TAMRO18_EMULATOR_FAIL_READ", "3,5");
    auto driver = MakeEmulatorDriver();
    ASSERT_EQ(driver->Open(), 0);
    EXPECT_EQ(driver->Open(), -1);  // already open
    testing::RecordingMessageBoxes messages;
    Link link(*driver, messages);
    std::vector<bool> results;
    for (int i = 0; i < 6; ++i) results.push_back(link.Exchange(protocol::Command::Identify).ok());
    // Write 2 fails (no read follows it); reads 3 and 5 are those of exchanges 4 and 6.
    EXPECT_EQ(results, (std::vector<bool>{true, false, true, false, true, false}));
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0].text, "USB Write Error");
    EXPECT_EQ(messages.shown[1].text, "USB Read Error");
    EXPECT_EQ(link.ReplyText(), "EMUL1830");
    driver->Close();
    std::uint8_t packet[8] = {63};
    EXPECT_EQ(driver->DataWrite(packet, 8), 0);
}

}  // namespace
}  // namespace tamro
