#include "tools/recent_files.h"

#include <gtest/gtest.h>

#include "tests/testing/fakes.h"

namespace tamro {
namespace {

using Paths = std::vector<std::string>;

struct RecentCase {
    const char* name;
    Paths added;
    Paths expected;
};

TEST(RecentFilesTest, ListsTheLastSixMostRecentFirstAndKeepsThemInTheSettings) {
    const RecentCase cases[] = {
        {"none", {}, {}},
        {"most recent first", {"a.hex", "b.asm"}, {"b.asm", "a.hex"}},
        {"opened again moves up", {"a.hex", "b.asm", "c.c", "a.hex"}, {"a.hex", "c.c", "b.asm"}},
        {"an empty name is no file", {"a.hex", ""}, {"a.hex"}},
        {"six at most", {"1", "2", "3", "4", "5", "6", "7"}, {"7", "6", "5", "4", "3", "2"}},
    };
    for (const RecentCase& c : cases) {
        testing::MemorySettingsStore store;
        {
            RecentFiles recent(store);
            for (const std::string& path : c.added) recent.Add(path);
            EXPECT_EQ(recent.Files(), c.expected) << c.name;
        }
        EXPECT_EQ(RecentFiles(store).Files(), c.expected) << c.name << " (read back)";
    }
}

}  // namespace
}  // namespace tamro
