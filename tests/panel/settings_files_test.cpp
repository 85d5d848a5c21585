// Both readers of the panel's settings file, tamro18-cli's and the panel's
// own, take only a regular file of a sane size: a FIFO or a huge file in its
// place gives the defaults at once with one warning, and is never written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <sstream>

#include "app/cli/cli_session.h"
#include "common/file_io.h"
#include "panel/qt_platform.h"
#include "tests/testing/fakes.h"
#include "tests/testing/file_system.h"

namespace tamro {
namespace {

TEST(SettingsFilesTest, AFifoOrAHugeFileGivesTheDefaultsAndStaysAsItWas) {
    const testing::ScratchDisk scratch;
    for (const std::string name : {"good", "fifo", "huge"}) {
        const std::filesystem::path file = scratch.path / name / (name + ".conf");
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << "[s]\nk=1\n"
                            << std::string(name == "huge" ? kMaxSettingsFileBytes : 0, '#');
        if (name == "fifo") std::filesystem::remove(file), ::mkfifo(file.c_str(), 0600);
        const std::string before = testing::FileContents(file), value = name == "good" ? "1" : "";
        std::ostringstream warnings;
        testing::RecordingMessageBoxes messages;
        cli::StoredPanelSettings cli(scratch.path, warnings);
        IniSettingsStore panel(scratch.path, messages);
        for (SettingsStore* store : std::initializer_list<SettingsStore*>{&cli, &panel}) {
            store->Read(name, "s", "k");
            EXPECT_EQ(store->Read(name, "s", "k"), value) << name;
            store->Write(name, "s", "k", "2");
        }
        // One warning from each reader, however often it reads.
        EXPECT_EQ(std::ranges::count(warnings.str(), '\n'), value.empty()) << name;
        EXPECT_EQ(messages.shown.size(), std::size_t(value.empty())) << name;
        EXPECT_TRUE(!value.empty() || testing::FileContents(file) == before) << name;
    }
}

}  // namespace
}  // namespace tamro
