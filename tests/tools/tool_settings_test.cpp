#include "tools/tool_settings.h"

#include <gtest/gtest.h>

#include "tests/testing/fakes.h"

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

TEST(ToolSettingsTest, DefaultsAreTheKeyTable) {
    const ToolSettings defaults = DefaultToolSettings();
    EXPECT_EQ(defaults.F_ASM, "C:\\Program Files\\ZEK_TOOLs\\TAMRO18");
    EXPECT_EQ(defaults.CMD_ASM, "mpasmwin.exe /q /w2 /rdec /aINHX32");
    EXPECT_EQ(defaults.F_C, "c:\\mcc18");
    EXPECT_EQ(defaults.CMD_C, "c:\\mcc18\\bin\\mcc18.exe -p=18f452 -I=c:\\mcc18\\h");
    EXPECT_EQ(defaults.CMD_Lkr,
              "C:\\mcc18\\bin\\mplink.exe /l C:\\mcc18\\lib /k C:\\mcc18\\lkr 18f452.lkr");
    EXPECT_EQ(defaults.F_EDIT, "");
    EXPECT_EQ(defaults.CMD_EDIT, "");
}

TEST(ToolSettingsTest, FirstStartStoresAndUsesTheDefaults) {
    MemorySettingsStore store;
    const ToolSettings loaded = LoadToolSettings(store);
    EXPECT_EQ(loaded, DefaultToolSettings());
    EXPECT_EQ(WrittenKeys(store), kKeyOrder);
    EXPECT_EQ(Stored(store, "F_ASM"), DefaultToolSettings().F_ASM);
    EXPECT_EQ(Stored(store, "CMD_Lkr"), DefaultToolSettings().CMD_Lkr);
    // The keys live under application "TAMRO18", section "DATA".
    EXPECT_EQ(store.values.count({"TAMRO18", "DATA", "CMD_EDIT"}), 1u);
}

TEST(ToolSettingsTest, PartialStoreIsReadAsItIsAndNotRepaired) {
    MemorySettingsStore store;
    store.Write("TAMRO18", "DATA", "F_ASM", "/usr/bin");
    store.Write("TAMRO18", "DATA", "CMD_EDIT", "mousepad");
    store.writes.clear();
    const ToolSettings loaded = LoadToolSettings(store);
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
    const ToolSettings loaded = LoadToolSettings(store);
    EXPECT_EQ(loaded, DefaultToolSettings());
    EXPECT_EQ(Stored(store, "CMD_ASM"), DefaultToolSettings().CMD_ASM);
    EXPECT_EQ(Stored(store, "CMD_EDIT"), "");
}

TEST(ToolSettingsTest, StoreWritesAllSevenKeysInOrder) {
    MemorySettingsStore store;
    ToolSettings settings;
    settings.F_ASM = "/usr/bin";
    settings.CMD_ASM = "gpasm -a inhx32";
    StoreToolSettings(store, settings);
    EXPECT_EQ(WrittenKeys(store), kKeyOrder);
    EXPECT_EQ(LoadToolSettings(store), settings);
}

}  // namespace
}  // namespace tamro
