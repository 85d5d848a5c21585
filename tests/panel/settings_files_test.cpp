// Both readers of the panel's settings file, the panel's own and
// tamro18-cli's, take only a regular file of a sane size: a FIFO, a folder or
// a huge file in its place gives the defaults at once with one warning, and
// is never written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "app/cli/cli_session.h"
#include "common/file_io.h"
#include "panel/qt_platform.h"
#include "tests/testing/fakes.h"
#include "tests/testing/file_system.h"

namespace tamro {
namespace {

namespace fs = std::filesystem;

// Reads key k of section s twice, then writes it; the value read and the
// number of warnings given.
std::pair<std::string, std::size_t> Use(const fs::path& folder, const std::string& application,
                                        bool panel) {
    testing::RecordingMessageBoxes messages;
    std::ostringstream warnings;
    IniSettingsStore panelStore(folder.string(), messages);
    cli::StoredPanelSettings cliStore(folder, warnings);
    SettingsStore& store = panel ? static_cast<SettingsStore&>(panelStore) : cliStore;
    store.Read(application, "s", "k");
    const std::string value = store.Read(application, "s", "k");
    store.Write(application, "s", "k", "2");
    const std::string text = warnings.str();
    return {value, messages.shown.size() + std::count(text.begin(), text.end(), '\n')};
}

TEST(SettingsFilesTest, OnlyARegularFileOfASaneSizeIsReadOrWritten) {
    struct Case {
        const char* application;
        std::function<void(const fs::path& file)> make;
        const char* value;
        std::size_t warnings;
    };
    const Case cases[] = {
        {"good", [](const fs::path& f) { testing::WriteFileBytes(f, "[s]\nk=1\n"); }, "1", 0},
        {"fifo", [](const fs::path& f) { ::mkfifo(f.c_str(), 0600); }, "", 1},
        {"folder", [](const fs::path& f) { fs::create_directory(f); }, "", 1},
        {"huge",
         [](const fs::path& f) {
             testing::WriteFileBytes(f, "[s]\nk=1\n" + std::string(kMaxSettingsFileBytes, '#'));
         },
         "", 1},
        {"missing", [](const fs::path&) {}, "", 0},
    };
    for (const bool panel : {true, false}) {
        const testing::ScratchFolder scratch;
        for (const Case& c : cases) {
            const std::string name = c.application + std::string(panel ? " (panel)" : " (cli)");
            const fs::path file =
                scratch.path / c.application / (c.application + std::string(".conf"));
            fs::create_directories(file.parent_path());
            c.make(file);
            const std::string before = testing::FileSnapshot(file);
            EXPECT_EQ(Use(scratch.path, c.application, panel),
                      std::make_pair(std::string(c.value), c.warnings))
                << name;
            if (c.warnings) {
                EXPECT_EQ(testing::FileSnapshot(file), before) << name;
            }
        }
    }
}

}  // namespace
}  // namespace tamro
