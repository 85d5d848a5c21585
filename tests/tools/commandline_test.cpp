#include <gtest/gtest.h>

#include "tools/command_line.h"

namespace tamro {
namespace {

using Words = std::vector<std::string>;

TEST(CommandLineTest, SplitsAtBlanksAndKeepsQuotedPartsWhole) {
    EXPECT_EQ(SplitWords("  gpasm  -k\t-w 2  "), (Words{"gpasm", "-k", "-w", "2"}));
    EXPECT_EQ(SplitWords("cc \"my file.c\" 'a b' x\"y z\"w"),
              (Words{"cc", "my file.c", "a b", "xy zw"}));
    EXPECT_EQ(SplitWords("cc \"it's\" ''"), (Words{"cc", "it's", ""}));
    EXPECT_EQ(SplitWords("cc \"unclosed part"), (Words{"cc", "unclosed part"}));
    EXPECT_TRUE(SplitWords("   ").empty());
}

TEST(CommandLineTest, BackslashIsAPathCharacterNotAnEscape) {
    const CommandLine command =
        SplitCommandLine("c:\\mcc18\\bin\\mcc18.exe -p=18f452 -I=c:\\mcc18\\h");
    EXPECT_EQ(command.program, "c:\\mcc18\\bin\\mcc18.exe");
    EXPECT_EQ(command.arguments, (Words{"-p=18f452", "-I=c:\\mcc18\\h"}));
    EXPECT_EQ(SplitCommandLine("").program, "");
}

TEST(CommandLineTest, FolderWithBlanksStaysWholeInFrontOfTheProgram) {
    const CommandLine command = CommandInFolder("C:\\Program Files\\ZEK_TOOLs\\TAMRO18",
                                                "mpasmwin.exe /q /w2 /rdec /aINHX32");
    EXPECT_EQ(command.program, "C:\\Program Files\\ZEK_TOOLs\\TAMRO18/mpasmwin.exe");
    EXPECT_EQ(command.arguments, (Words{"/q", "/w2", "/rdec", "/aINHX32"}));

    EXPECT_EQ(CommandInFolder("/opt/my tools/", "gpasm -k").program, "/opt/my tools/gpasm");
    EXPECT_EQ(CommandInFolder("/", "gpasm").program, "/gpasm");
    // No folder: the program is looked up on the search path.
    EXPECT_EQ(CommandInFolder("", "gedit --new-window").program, "gedit");
    EXPECT_EQ(CommandInFolder("/usr/bin", "").program, "");
}

}  // namespace
}  // namespace tamro
