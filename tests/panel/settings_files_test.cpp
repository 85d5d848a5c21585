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

struct Use {
    std::string value;  // read before the write
    int warnings;
};

struct Reader {
    const char* name;
    // Reads key k of section s twice, then writes it.
    std::function<Use(const fs::path& folder, const std::string& application)> use;
};

template <typename Store>
std::string ReadTwiceThenWrite(Store& store, const std::string& application) {
    store.Read(application, "s", "k");
    const std::string value = store.Read(application, "s", "k");
    store.Write(application, "s", "k", "2");
    return value;
}

const Reader kReaders[] = {
    {"panel",
     [](const fs::path& folder, const std::string& application) {
         testing::RecordingMessageBoxes messages;
         IniSettingsStore store(folder.string(), messages);
         const std::string value = ReadTwiceThenWrite(store, application);
         return Use{value, static_cast<int>(messages.shown.size())};
     }},
    {"tamro18-cli",
     [](const fs::path& folder, const std::string& application) {
         std::ostringstream warnings;
         cli::StoredPanelSettings store(folder, warnings);
         const std::string value = ReadTwiceThenWrite(store, application);
         const std::string text = warnings.str();
         return Use{value, static_cast<int>(std::count(text.begin(), text.end(), '\n'))};
     }},
};

TEST(SettingsFilesTest, OnlyARegularFileOfASaneSizeIsReadOrWritten) {
    struct Case {
        const char* application;
        std::function<void(const fs::path& file)> make;
        const char* value;
        bool refused;
    };
    const Case cases[] = {
        {"good", [](const fs::path& file) { testing::WriteFileBytes(file, "[s]\nk=1\n"); }, "1",
         false},
        {"fifo", [](const fs::path& file) { ::mkfifo(file.c_str(), 0600); }, "", true},
        {"folder", [](const fs::path& file) { fs::create_directory(file); }, "", true},
        {"huge",
         [](const fs::path& file) {
             testing::WriteFileBytes(file, "[s]\nk=1\n" + std::string(kMaxSettingsFileBytes, '#'));
         },
         "", true},
        {"missing", [](const fs::path&) {}, "", false},
    };
    for (const Reader& reader : kReaders) {
        const testing::ScratchFolder scratch;
        for (const Case& c : cases) {
            const fs::path file =
                scratch.path / c.application / (std::string(c.application) + ".conf");
            fs::create_directories(file.parent_path());
            c.make(file);
            const std::string before = testing::FileSnapshot(file);
            const Use use = reader.use(scratch.path, c.application);
            EXPECT_EQ(use.value, c.value) << reader.name << ", " << c.application;
            EXPECT_EQ(use.warnings, c.refused ? 1 : 0) << reader.name << ", " << c.application;
            if (c.refused) {
                EXPECT_EQ(testing::FileSnapshot(file), before) << reader.name;
            }
        }
    }
}

}  // namespace
}  // namespace tamro
