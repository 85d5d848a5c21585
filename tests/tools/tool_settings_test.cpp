#include "tools/tool_settings.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/testing/fakes.h"
#include "tests/tools/toolrun_fakes.h"

namespace tamro {
namespace {

using testing::MemorySettingsStore;

const std::vector<std::string> kKeyOrder{"F_ASM",   "CMD_ASM", "F_C",     "CMD_C",
                                         "CMD_Lkr", "F_EDIT",  "CMD_EDIT"};

std::vector<std::string> WrittenKeys(const MemorySettingsStore& store) {
    std::vector<std::string> keys;
    for (const std::string& write : store.writes) keys.push_back(write.substr(0, write.find('=')));
    return keys;
}

std::string Stored(MemorySettingsStore& store, const std::string& key) {
    return store.Read("TAMRO18", "DATA", key);
}

// A search path holding the given programs, each at the given full path.
ProgramFinder Finding(std::map<std::string, std::string> programs) {
    return [programs](const std::string& name) {
        const auto it = programs.find(name);
        return it == programs.end() ? std::string() : it->second;
    };
}

TEST(ToolSettingsTest, DefaultsNameWhatIsInstalledHere) {
    testing::ScratchFolder wrappers;
    testing::WriteScript(wrappers / "tamro-sdcc-cc", "exit 0\n");
    testing::WriteScript(wrappers / "tamro-sdcc-link", "exit 0\n");
    const std::string gputils = "gpasm -k -w 2 -r dec -a inhx32";
    struct Case {
        const char* what;
        std::map<std::string, std::string> installed;
        std::vector<std::string> wrapperFolders;
        ToolSettings expected;
    };
    const std::vector<Case> cases = {
        {"gputils only",
         {{"gpasm", "/opt/gputils/bin/gpasm"}},
         {},
         {"/opt/gputils/bin", gputils, "", "", "", "", ""}},
        {"nothing: gpasm where Debian's gputils would put it",
         {},
         {},
         {"/usr/bin", gputils, "", "", "", "", ""}},
        {"sdcc and the wrappers on the search path",
         {{"gpasm", "/usr/bin/gpasm"},
          {"sdcc", "/usr/local/bin/sdcc"},
          {"tamro-sdcc-cc", "/usr/bin/tamro-sdcc-cc"},
          {"tamro-sdcc-link", "/usr/bin/tamro-sdcc-link"}},
         {},
         {"/usr/bin", gputils, "/usr/local/bin", "tamro-sdcc-cc -mpic16 -p18f452",
          "tamro-sdcc-link -mpic16 -p18f452", "", ""}},
        {"sdcc, wrappers only in a folder off the search path",
         {{"gpasm", "/usr/bin/gpasm"}, {"sdcc", "/usr/bin/sdcc"}},
         {wrappers / "missing", wrappers.path().string()},
         {"/usr/bin", gputils, "/usr/bin", wrappers / "tamro-sdcc-cc" + " -mpic16 -p18f452",
          wrappers / "tamro-sdcc-link" + " -mpic16 -p18f452", "", ""}},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(InstalledToolSettings(Finding(test.installed), test.wrapperFolders),
                  test.expected)
            << test.what;
    }
}

TEST(ToolSettingsTest, FirstStartStoresAndUsesTheDefaults) {
    const ToolSettings defaults = InstalledToolSettings(Finding({{"gpasm", "/usr/bin/gpasm"}}));
    MemorySettingsStore store;
    EXPECT_EQ(LoadToolSettings(store, defaults), defaults);
    EXPECT_EQ(WrittenKeys(store), kKeyOrder);
    EXPECT_EQ(Stored(store, "F_ASM"), "/usr/bin");
    EXPECT_EQ(Stored(store, "CMD_ASM"), "gpasm -k -w 2 -r dec -a inhx32");
    // The keys live under application "TAMRO18", section "DATA".
    EXPECT_EQ(store.values.count({"TAMRO18", "DATA", "CMD_EDIT"}), 1u);
}

TEST(ToolSettingsTest, PartialStoreIsReadAsItIsAndNotRepaired) {
    MemorySettingsStore store;
    store.Write("TAMRO18", "DATA", "F_ASM", "/usr/bin");
    store.Write("TAMRO18", "DATA", "CMD_EDIT", "mousepad");
    store.writes.clear();
    const ToolSettings loaded =
        LoadToolSettings(store, ToolSettings{"/opt", "x", "", "", "", "", ""});
    EXPECT_EQ(loaded.F_ASM, "/usr/bin");
    EXPECT_EQ(loaded.CMD_ASM, "");
    EXPECT_EQ(loaded.CMD_Lkr, "");
    EXPECT_EQ(loaded.CMD_EDIT, "mousepad");
    EXPECT_TRUE(store.writes.empty());
    EXPECT_EQ(store.values.count({"TAMRO18", "DATA", "CMD_ASM"}), 0u);
}

TEST(ToolSettingsTest, EmptyAssemblerFolderCountsAsFirstStart) {
    MemorySettingsStore store;
    store.Write("TAMRO18", "DATA", "F_ASM", "");
    store.Write("TAMRO18", "DATA", "CMD_ASM", "gpasm -a inhx32");
    store.Write("TAMRO18", "DATA", "CMD_EDIT", "mousepad");
    const ToolSettings defaults = InstalledToolSettings(Finding({}));
    const ToolSettings loaded = LoadToolSettings(store, defaults);
    EXPECT_EQ(loaded, defaults);
    EXPECT_EQ(Stored(store, "CMD_ASM"), defaults.CMD_ASM);
    EXPECT_EQ(Stored(store, "CMD_EDIT"), "");
}

TEST(ToolSettingsTest, StoreWritesAllSevenKeysInOrder) {
    MemorySettingsStore store;
    ToolSettings settings;
    settings.F_ASM = "/usr/bin";
    settings.CMD_ASM = "gpasm -a inhx32";
    StoreToolSettings(store, settings);
    EXPECT_EQ(WrittenKeys(store), kKeyOrder);
    EXPECT_EQ(LoadToolSettings(store, ToolSettings{}), settings);
}

}  // namespace
}  // namespace tamro
