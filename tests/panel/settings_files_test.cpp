// Both readers of the panel's settings file, the panel's own and
// tamro18-cli's, take only a regular file of a sane size: a FIFO or a huge
// file in its place gives the defaults at once with one warning, and is never
// written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/cli/cli_session.h"
#include "common/file_io.h"
#include "panel/qt_platform.h"
#include "tests/testing/fakes.h"
#include "tests/testing/file_system.h"

namespace tamro {
namespace {

TEST(SettingsFilesTest, AFifoOrAHugeFileGivesTheDefaultsAndStaysAsItWas) {
    for (const bool panel : {true, false}) {
        const testing::ScratchFolder scratch;
        for (const std::string name : {"good", "fifo", "huge"}) {
            const std::filesystem::path file = scratch.path / name / (name + ".conf");
            std::filesystem::create_directories(file.parent_path());
            if (name == "fifo") ::mkfifo(file.c_str(), 0600);
            if (name != "fifo") {
                std::ofstream(file) << "[s]\nk=1\n"
                                    << std::string(name == "huge" ? kMaxSettingsFileBytes : 0, '#');
            }
            const std::string before = testing::FileContents(file);
            testing::RecordingMessageBoxes messages;
            std::ostringstream warnings;
            IniSettingsStore panelStore(scratch.path, messages);
            cli::StoredPanelSettings cliStore(scratch.path, warnings);
            SettingsStore& store = panel ? static_cast<SettingsStore&>(panelStore) : cliStore;
            store.Read(name, "s", "k");
            EXPECT_EQ(store.Read(name, "s", "k"), name == "good" ? "1" : "") << name << panel;
            store.Write(name, "s", "k", "2");
            const std::string text = warnings.str();
            EXPECT_EQ(messages.shown.size() + std::ranges::count(text, '\n'),
                      std::size_t(name != "good"))
                << name << panel;
            EXPECT_TRUE(name == "good" || testing::FileContents(file) == before) << name << panel;
        }
    }
}

}  // namespace
}  // namespace tamro
