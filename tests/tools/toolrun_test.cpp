#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/tools/toolrun_fakes.h"
#include "tools/help_file.h"

namespace tamro {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::ToolRunRig;
using testing::WriteBytes;
using testing::WriteScript;

const char* const kGoodSource =
    "\tlist p=18f452\n"
    "\t#include <p18f452.inc>\n"
    "\tCONFIG OSC = HS, WDT = OFF, LVP = OFF\n"
    "\torg 0\n"
    "start:\n"
    "\tmovlw 5\n"
    "\tmovwf PORTB\n"
    "\tgoto start\n"
    "\tend\n";

const char* const kBadSource =
    "\tlist p=18f452\n"
    "\torg 0\n"
    "\tbogus 3\n"
    "\tend\n";

std::string GpasmFolder() {
    return fs::path("/usr/bin/gpasm").parent_path().string();
}

// ---------------------------------------------------------------- File open

TEST(ToolRunFileOpenTest, SourcesAreRememberedAndNotLoaded) {
    ToolRunRig rig;
    ToolRuns runs = rig.MakeRuns();
    rig.files.HexFileName = "/old/prog.hex";
    for (const char* name :
         {"/w/blink.asm", "/w/BLINK.ASM", "/w/main.c", "/w/MAIN.C", "/w/notes.doc"}) {
        rig.dialogs.openAnswer = name;
        runs.FileOpen();
        EXPECT_EQ(rig.host.filenameText, name);
        EXPECT_EQ(rig.files.SourceFileName, name);
    }
    EXPECT_TRUE(rig.host.hexLoads.empty());
    EXPECT_EQ(rig.files.HexFileName, "/old/prog.hex");
    EXPECT_EQ(rig.dialogs.filters.front(), "Source Files|*.asm;*.c|HEX FILES|*.hex|ALL FILES|*.*|");
}

TEST(ToolRunFileOpenTest, HexFilesAreLoadedOtherFilesReloadThePreviousHex) {
    ToolRunRig rig;
    ToolRuns runs = rig.MakeRuns();
    rig.host.notesText = "Assembler";

    rig.dialogs.openAnswer = "/w/a.hex";
    runs.FileOpen();
    rig.dialogs.openAnswer = "/w/b.HEX";
    runs.FileOpen();
    // Neither "asm" nor "ASM", nor "hex" nor "HEX": the previous HEX file again.
    rig.dialogs.openAnswer = "/w/x.Asm";
    runs.FileOpen();
    rig.dialogs.openAnswer = "/w/readme.txt";
    runs.FileOpen();
    rig.dialogs.openAnswer = "ab";
    runs.FileOpen();

    ASSERT_EQ(rig.host.hexLoads.size(), 5u);
    EXPECT_EQ(rig.host.hexLoads[0].hexFileName, "/w/a.hex");
    EXPECT_EQ(rig.host.hexLoads[1].hexFileName, "/w/b.HEX");
    EXPECT_EQ(rig.host.hexLoads[2].hexFileName, "/w/b.HEX");
    EXPECT_EQ(rig.host.hexLoads[3].hexFileName, "/w/b.HEX");
    EXPECT_EQ(rig.host.hexLoads[4].hexFileName, "/w/b.HEX");
    EXPECT_EQ(rig.host.filenameText, "ab");
    EXPECT_EQ(rig.files.SourceFileName, "");
    EXPECT_EQ(rig.host.notesText, "");
    EXPECT_EQ(rig.host.notesColour, kNotesNormal);
}

TEST(ToolRunFileOpenTest, TxtWithNoEarlierHexLoadsTheEmptyNameAndCancelChangesNothing) {
    ToolRunRig rig;
    ToolRuns runs = rig.MakeRuns();
    rig.dialogs.openAnswer = "/w/readme.txt";
    runs.FileOpen();
    ASSERT_EQ(rig.host.hexLoads.size(), 1u);
    EXPECT_EQ(rig.host.hexLoads[0].hexFileName, "");

    rig.host.filenameText = "/w/keep.asm";
    rig.dialogs.openAnswer = "";
    runs.FileOpen();
    EXPECT_EQ(rig.host.filenameText, "/w/keep.asm");
    EXPECT_EQ(rig.host.hexLoads.size(), 1u);
}

// ---------------------------------------------------------------- HEX set

TEST(ToolRunHexSetTest, DerivesTheHexNameFromTheSource) {
    ToolRunRig rig;
    ToolRuns runs = rig.MakeRuns();
    runs.HexSet();  // no source: nothing at all
    EXPECT_TRUE(rig.host.hexLoads.empty());
    EXPECT_EQ(rig.host.notesText, "");

    rig.files.SourceFileName = "/w/blink.asm";
    runs.HexSet();
    EXPECT_EQ(rig.files.HexFileName, "/w/blink.HEX");
    EXPECT_EQ(rig.host.notesText, "Set HEX file");
    EXPECT_EQ(rig.host.testTexts.back(), "/w/blink.HEX");

    rig.files.SourceFileName = "/w/main.C";
    runs.HexSet();
    EXPECT_EQ(rig.files.HexFileName, "/w/main.HEX");

    rig.files.SourceFileName = "/w/x.Asm";  // no source extension: keeps the name
    runs.HexSet();
    EXPECT_EQ(rig.files.HexFileName, "/w/main.HEX");
    EXPECT_EQ(rig.host.hexLoads.size(), 3u);
}

TEST(ToolRunHexSetTest, FindsTheHexFileInAnyLetterCase) {
    ScratchFolder folder;
    WriteBytes(folder / "blink.hex", ":00000001FF\n");
    ToolRunRig rig;
    ToolRuns runs = rig.MakeRuns();
    rig.files.SourceFileName = folder / "blink.asm";
    runs.HexSet();
    EXPECT_EQ(rig.files.HexFileName, folder / "blink.hex");
    ASSERT_EQ(rig.host.hexLoads.size(), 1u);
    EXPECT_EQ(rig.host.hexLoads[0].content, ":00000001FF\n");
}

TEST(ToolRunFilesTest, WrittenFilesIgnoresWhatWasThereBeforeTheRun) {
    ScratchFolder folder;
    WriteBytes(folder / "old.HEX", "old");
    WriteBytes(folder / "same.err", "x");
    WrittenFiles written({folder / "old.HEX", folder / "same.ERR", folder / "new.HEX"});
    EXPECT_FALSE(written.Find(folder / "old.HEX"));
    EXPECT_FALSE(written.Find(folder / "same.ERR"));
    EXPECT_FALSE(written.Find(folder / "new.HEX"));

    WriteBytes(folder / "new.hex", "new");
    WriteBytes(folder / "same.err", "changed");
    EXPECT_EQ(written.Find(folder / "new.HEX"), folder / "new.hex");
    EXPECT_EQ(written.Find(folder / "same.ERR"), folder / "same.err");
    EXPECT_FALSE(written.Find(folder / "old.HEX"));
}

// ---------------------------------------------------------------- assembler with gpasm

struct AssemblerCase {
    ScratchFolder folder;
    ToolRunRig rig;
    AssemblerCase() {
        rig.settings.F_ASM = GpasmFolder();
        rig.settings.CMD_ASM = kGpasmCommand;
    }
};

TEST(ToolRunAssemblerTest, GoodSourceWithGpasmLoadsWhatGpasmMade) {
    AssemblerCase test;
    ToolRunRig& rig = test.rig;
    const std::string source = test.folder / "blink.asm";
    WriteBytes(source, kGoodSource);
    // What gpasm makes of the same source on its own, for comparison.
    fs::create_directory(test.folder.path() / "reference");
    const std::string reference = test.folder / "reference/blink.asm";
    WriteBytes(reference, kGoodSource);
    ASSERT_EQ(std::system(("cd '" + test.folder.path().string() + "/reference' && " +
                           kGpasmCommand + " blink.asm >/dev/null 2>&1")
                              .c_str()),
              0);

    rig.host.filenameText = source;
    ToolRuns runs = rig.MakeRuns();
    runs.AssemblerRun();

    EXPECT_EQ(rig.host.notesText, "Assembler complete");
    EXPECT_EQ(rig.host.notesColour, kNotesNormal);
    EXPECT_TRUE(rig.messages.shown.empty());
    EXPECT_TRUE(rig.host.errorViews.empty());
    ASSERT_EQ(rig.host.hexLoads.size(), 1u);
    EXPECT_EQ(rig.host.hexLoads[0].hexFileName, test.folder / "blink.hex");
    EXPECT_EQ(rig.host.hexLoads[0].content, ReadBytes(test.folder / "reference/blink.hex"));
    EXPECT_EQ(rig.files.SourceFileName, source);
    EXPECT_EQ(rig.files.ErrorFileName, test.folder / "blink.err");
    ASSERT_GE(rig.host.testTexts.size(), 3u);
    EXPECT_EQ(rig.host.testTexts[0], test.folder / "blink.ERR");
    EXPECT_EQ(rig.host.testTexts[1], GpasmFolder() + "\\" + kGpasmCommand + " " + source);
    EXPECT_EQ(rig.host.testTexts.back(), test.folder / "blink.hex");
    // Held up for at least the 11 ticks, then back to 0.
    EXPECT_GE(rig.host.ticks, 11);
    EXPECT_EQ(rig.host.tickCountdown, 0);
}

TEST(ToolRunAssemblerTest, SourceWithErrorsOpensTheErrorViewAndLoadsNothing) {
    AssemblerCase test;
    ToolRunRig& rig = test.rig;
    const std::string source = test.folder / "bad.asm";
    WriteBytes(source, kBadSource);
    WriteBytes(test.folder / "bad.hex", ":00000001FF\n");  // an earlier, stale result
    rig.host.filenameText = source;
    ToolRuns runs = rig.MakeRuns();
    runs.AssemblerRun();

    EXPECT_EQ(rig.host.notesText, "Assembler ERROR");
    EXPECT_EQ(rig.host.notesColour, kNotesError);
    ASSERT_EQ(rig.host.errorViews.size(), 1u);
    EXPECT_EQ(rig.host.errorViews[0], test.folder / "bad.err");
    EXPECT_NE(rig.host.errorViewTexts[0].find("Unknown opcode"), std::string::npos);
    EXPECT_TRUE(rig.host.hexLoads.empty());
    EXPECT_TRUE(rig.messages.shown.empty());
}

// The gputils command line the help text gives reports errors as the run
// needs them: in the error file.
TEST(ToolRunAssemblerTest, HelpTextsGputilsCommandLineReportsErrors) {
    const HelpReading help = ReadHelpFile("", {DefaultHelpFallbacks().back()});
    ASSERT_TRUE(help.ok);
    std::string command;
    for (const std::string& line : help.lines) {
        const std::size_t gpasm = line.find("gpasm -");
        if (line.find("Assembler Command line") != std::string::npos &&
            gpasm != std::string::npos) {
            command = line.substr(gpasm);
        }
    }
    EXPECT_EQ(command, kGpasmCommand);

    AssemblerCase test;
    ToolRunRig& rig = test.rig;
    rig.settings.CMD_ASM = command;
    rig.host.filenameText = test.folder / "bad.asm";
    WriteBytes(rig.host.filenameText, kBadSource);
    ToolRuns runs = rig.MakeRuns();
    runs.AssemblerRun();
    EXPECT_EQ(rig.host.notesText, "Assembler ERROR");
    ASSERT_EQ(rig.host.errorViewTexts.size(), 1u);
    EXPECT_NE(rig.host.errorViewTexts[0].find("Unknown opcode"), std::string::npos);
}

TEST(ToolRunAssemblerTest, MissingAssemblerIsOpenErrorAndNothingElse) {
    AssemblerCase test;
    ToolRunRig& rig = test.rig;
    rig.settings.F_ASM = test.folder / "no such folder";
    rig.host.filenameText = test.folder / "blink.asm";
    WriteBytes(rig.host.filenameText, kGoodSource);
    ToolRuns runs = rig.MakeRuns();
    runs.AssemblerRun();

    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0].icon, MessageIcon::Critical);
    EXPECT_EQ(rig.messages.shown[0].title, "OPEN ERROR");
    EXPECT_EQ(rig.messages.shown[0].text,
              "File not found: " + test.folder / "no such folder/gpasm");
    EXPECT_EQ(rig.host.notesText, "Assembler");
    EXPECT_TRUE(rig.host.hexLoads.empty());
    EXPECT_EQ(rig.host.testTexts.back(),
              rig.settings.F_ASM + "\\" + kGpasmCommand + " " + rig.host.filenameText);
}

TEST(ToolRunAssemblerTest, EmptyNameBeepsWrongExtensionDoesNothing) {
    ToolRunRig rig;
    ToolRuns runs = rig.MakeRuns();
    runs.AssemblerRun();
    EXPECT_EQ(rig.messages.beeps, 1);
    for (const char* name : {"/w/x.Asm", "/w/main.c", "sm"}) {
        rig.host.filenameText = name;
        runs.AssemblerRun();
        runs.AssemblerRun();
    }
    rig.host.filenameText = "/w/x.asm";
    runs.CRun();
    EXPECT_EQ(rig.messages.beeps, 1);
    EXPECT_TRUE(rig.messages.shown.empty());
    EXPECT_TRUE(rig.host.testTexts.empty());
    EXPECT_EQ(rig.host.notesText, "");
    EXPECT_TRUE(rig.runner.started.empty());
}

// The default folder has a blank in it; an assembler placed in such a folder
// starts, and gets its options and the source as separate arguments.
TEST(ToolRunAssemblerTest, DefaultStyleFolderWithBlankStartsTheAssemblerThere) {
    ScratchFolder folder;
    const fs::path tools = folder.path() / "Program Files" / "ZEK_TOOLs" / "TAMRO18";
    fs::create_directories(tools);
    WriteScript(tools / "mpasmwin.exe",
                "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$(dirname \"$0\")/args\"\n"
                "src=\"$5\"; base=\"${src%asm}\"\n"
                ": > \"${base}ERR\"\n"
                "printf ':00000001FF\\n' > \"${base}HEX\"\n");
    ToolRunRig rig;
    rig.settings.F_ASM = tools.string();
    rig.settings.CMD_ASM = "mpasmwin.exe /q /w2 /rdec /aINHX32";
    rig.host.filenameText = folder / "blink.asm";
    ToolRuns runs = rig.MakeRuns();
    runs.AssemblerRun();

    EXPECT_EQ(ReadBytes(tools / "args"),
              "/q\n/w2\n/rdec\n/aINHX32\n" + rig.host.filenameText + "\n");
    EXPECT_EQ(rig.host.notesText, "Assembler complete");
    ASSERT_EQ(rig.host.hexLoads.size(), 1u);
    EXPECT_EQ(rig.host.hexLoads[0].hexFileName, folder / "blink.HEX");
}

TEST(ToolRunAssemblerTest, FileNameWithBlanksAndShellCharactersIsOneArgument) {
    ScratchFolder folder;
    WriteScript(folder / "asm",
                "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$(dirname \"$0\")/args\"\n"
                "src=\"$1\"; base=\"${src%asm}\"\n"
                ": > \"${base}ERR\"\n"
                "printf ':00000001FF\\n' > \"${base}HEX\"\n");
    const std::string name =
        folder / "my prog; touch PWNED $(touch PWNED2) `touch PWNED3` 'q\".asm";
    ToolRunRig rig;
    rig.settings.F_ASM = folder.path().string();
    rig.settings.CMD_ASM = "asm";
    rig.host.filenameText = name;
    ToolRuns runs = rig.MakeRuns();
    runs.AssemblerRun();

    EXPECT_EQ(ReadBytes(folder.path() / "args"), "[" + name + "]\n");
    for (const char* planted : {"PWNED", "PWNED2", "PWNED3"}) {
        EXPECT_FALSE(fs::exists(folder.path() / planted)) << planted;
        EXPECT_FALSE(fs::exists(fs::current_path() / planted)) << planted;
    }
    ASSERT_EQ(rig.host.hexLoads.size(), 1u);
    EXPECT_EQ(rig.host.hexLoads[0].content, ":00000001FF\n");
}

// ---------------------------------------------------------------- waiting and stale output

TEST(ToolRunWaitTest, SlowToolIsAwaitedAndWriteStaysRefusedMeanwhile) {
    ScratchFolder folder;
    WriteScript(folder / "slowasm",
                "sleep 2\n"
                "src=\"$1\"; base=\"${src%asm}\"\n"
                ": > \"${base}err\"\n"
                "printf ':0100000042BD\\n:00000001FF\\n' > \"${base}hex\"\n");
    WriteBytes(folder / "blink.hex", ":00000001FF\n");  // left over from an earlier run
    ToolRunRig rig;
    rig.settings.F_ASM = folder.path().string();
    rig.settings.CMD_ASM = "slowasm";
    rig.host.filenameText = folder / "blink.asm";
    std::vector<std::int16_t> countdownAtTicks;
    rig.pump.onPump = [&] {
        rig.host.Tick();
        countdownAtTicks.push_back(rig.host.tickCountdown);
    };
    ToolRuns runs = rig.MakeRuns();
    const auto start = std::chrono::steady_clock::now();
    runs.AssemblerRun();

    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_GT(countdownAtTicks.size(), 11u);
    for (std::int16_t countdown : countdownAtTicks) EXPECT_GT(countdown, 0);
    EXPECT_EQ(rig.host.tickCountdown, 0);
    EXPECT_FALSE(runs.Running());
    ASSERT_EQ(rig.host.hexLoads.size(), 1u);
    EXPECT_EQ(rig.host.hexLoads[0].content, ":0100000042BD\n:00000001FF\n");
}

// Whether a process of that id still runs (a zombie has ended).
bool ProcessRuns(const std::string& pid) {
    const std::string stat = ReadBytes("/proc/" + pid + "/stat");
    const std::size_t state = stat.rfind(')');
    return state != std::string::npos && state + 2 < stat.size() && stat[state + 2] != 'Z';
}

TEST(ToolRunWaitTest, ToolOverTheTimeLimitIsEndedWithWhatItStarted) {
    ScratchFolder folder;
    // A shell script that leaves a child of its own behind, as make or a
    // compiler driver would.
    WriteScript(folder / "hangs",
                "sleep 30 &\n"
                "echo $! > \"$(dirname \"$0\")/child\"\n"
                "wait\n");
    ToolRunRig rig;
    rig.settings.F_ASM = folder.path().string();
    rig.settings.CMD_ASM = "hangs";
    rig.host.filenameText = folder / "blink.asm";
    ToolRuns runs = rig.MakeRuns();
    runs.SetTimeLimit(std::chrono::seconds(1));
    const auto start = std::chrono::steady_clock::now();
    runs.AssemblerRun();

    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0].title, "TOOL ERROR");
    EXPECT_NE(rig.messages.shown[0].text.find("hangs timed out after 1 s"), std::string::npos);
    EXPECT_EQ(rig.host.notesText, "Assembler ERROR");
    EXPECT_EQ(rig.host.tickCountdown, 0);
    EXPECT_TRUE(rig.host.hexLoads.empty());
    std::string child = ReadBytes(folder / "child");
    ASSERT_FALSE(child.empty());
    child.pop_back();
    for (int wait = 0; wait < 50 && ProcessRuns(child); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_FALSE(ProcessRuns(child)) << "the tool's child " << child << " still runs";
}

// A tool that fails without writing its errors into the error file has
// printed them: the error view shows that, whichever stream it used.
TEST(ToolRunFailureTest, FailedToolWithoutErrorFileShowsWhatItPrinted) {
    struct Case {
        const char* what;
        const char* script;
        const char* shown;
    };
    const std::vector<Case> cases = {
        {"no error file", "echo 'line 3: bad' ; echo 'gave up' >&2 ; exit 2\n",
         "line 3: bad\ngave up\n"},
        {"empty error file",
         "src=\"$1\"; : > \"${src%asm}ERR\"\n"
         "echo 'cannot read include file' >&2 ; exit 1\n",
         "cannot read include file\n"},
        {"nothing printed", "exit 3\n", "asm failed and printed nothing.\n"},
    };
    for (const Case& test : cases) {
        ScratchFolder folder;
        WriteScript(folder / "asm", test.script);
        WriteBytes(folder / "blink.HEX", ":00000001FF\n");  // stale
        ToolRunRig rig;
        rig.settings.F_ASM = folder.path().string();
        rig.settings.CMD_ASM = "asm";
        rig.host.filenameText = folder / "blink.asm";
        ToolRuns runs = rig.MakeRuns();
        runs.AssemblerRun();
        EXPECT_EQ(rig.host.toolOutputs, std::vector<std::string>{test.shown}) << test.what;
        EXPECT_EQ(rig.host.notesText, "Assembler ERROR") << test.what;
        EXPECT_EQ(rig.host.notesColour, kNotesError) << test.what;
        EXPECT_TRUE(rig.messages.shown.empty()) << test.what;
        EXPECT_TRUE(rig.host.hexLoads.empty()) << test.what;
    }
}

TEST(ToolRunWaitTest, StaleErrorAndHexFilesCountAsAbsent) {
    ScratchFolder folder;
    WriteScript(folder / "silent", "exit 0\n");
    WriteScript(folder / "noHex",
                "src=\"$1\"; base=\"${src%asm}\"\n"
                ": > \"${base}ERR\"\n");
    WriteBytes(folder / "blink.ERR", "");
    WriteBytes(folder / "blink.HEX", ":00000001FF\n");
    ToolRunRig rig;
    rig.settings.F_ASM = folder.path().string();
    rig.host.filenameText = folder / "blink.asm";
    ToolRuns runs = rig.MakeRuns();

    // An error file from before the run is no answer of this run.
    rig.settings.CMD_ASM = "silent";
    runs.AssemblerRun();
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0].title, "OPEN ERROR");
    EXPECT_EQ(rig.messages.shown[0].text, "File not found: " + folder / "blink.ERR");
    EXPECT_TRUE(rig.host.hexLoads.empty());

    // A clean error file but no new HEX file: the old one is not loaded.
    rig.settings.CMD_ASM = "noHex";
    runs.AssemblerRun();
    ASSERT_EQ(rig.messages.shown.size(), 2u);
    EXPECT_EQ(rig.messages.shown[1].title, "FILE ERROR");
    EXPECT_EQ(rig.messages.shown[1].text, "Can't Open or Read the FILE");
    EXPECT_EQ(rig.host.notesColour, kNotesError);
    EXPECT_TRUE(rig.host.hexLoads.empty());
}

TEST(ToolRunWaitTest, AnotherRunDuringTheWaitIsRefused) {
    ScratchFolder folder;
    WriteScript(folder / "asm",
                "sleep 1\n"
                "src=\"$1\"; base=\"${src%asm}\"\n"
                ": > \"${base}ERR\"\n"
                "printf ':00000001FF\\n' > \"${base}HEX\"\n");
    ToolRunRig rig;
    rig.settings.F_ASM = folder.path().string();
    rig.settings.CMD_ASM = "asm";
    rig.host.filenameText = folder / "blink.asm";
    ToolRuns runs = rig.MakeRuns();
    bool triedAgain = false;
    rig.pump.onPump = [&] {
        rig.host.Tick();
        if (!triedAgain) {
            triedAgain = true;
            EXPECT_TRUE(runs.Running());
            runs.AssemblerRun();
            runs.CRun();
        }
    };
    runs.AssemblerRun();
    EXPECT_EQ(rig.messages.beeps, 2);
    EXPECT_EQ(rig.runner.started.size(), 1u);
    EXPECT_EQ(rig.host.hexLoads.size(), 1u);
}

// ---------------------------------------------------------------- C run

// A compiler that writes `errorText` to its error file (or none when told so)
// and an object file, and a linker that turns the object into base.hex.
struct CRunCase {
    ScratchFolder folder;
    ToolRunRig rig;
    std::string source;

    explicit CRunCase(const std::string& errorAction) {
        WriteScript(
            folder.path() / "cc",
            "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$(dirname \"$0\")/cc.args\"\n"
            "src=\"$2\"; err=\"${3#-fe=}\"\n" +
                errorAction +
                "\n"
                "printf 'object' > \"${src%c}o\"\n");
        WriteScript(
            folder.path() / "ld",
            "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$(dirname \"$0\")/ld.args\"\n"
            "obj=\"$2\"; out=\"${3#/o}\"\n"
            "[ -f \"$obj\" ] || exit 1\n"
            "printf ':020000000102FB\\n:00000001FF\\n' > \"${out%out}hex\"\n");
        rig.settings.CMD_C = folder / "cc" + " -p=18f452";
        rig.settings.CMD_Lkr = folder / "ld" + " /l";
        source = folder / "main.c";
        WriteBytes(source, "void main(void) {}\n");
        rig.host.filenameText = source;
    }
};

TEST(ToolRunCTest, CleanCompileAndLinkLoadTheHexFile) {
    CRunCase test(": > \"$err\"");
    ToolRuns runs = test.rig.MakeRuns();
    runs.CRun();
    ToolRunRig& rig = test.rig;
    const std::string base = test.folder / "main.";
    EXPECT_EQ(ReadBytes(test.folder.path() / "cc.args"),
              "[-p=18f452]\n[" + test.source + "]\n[-fe=" + base + "err]\n");
    EXPECT_EQ(ReadBytes(test.folder.path() / "ld.args"),
              "[/l]\n[" + base + "o]\n[/o" + base + "out]\n");
    EXPECT_EQ(rig.host.testTexts.front(),
              rig.settings.CMD_C + " " + test.source + " -fe=" + base + "err");
    EXPECT_EQ(rig.host.notesText, "Compile complete");
    EXPECT_EQ(rig.files.ObjectFileName, base + "o");
    ASSERT_EQ(rig.host.hexLoads.size(), 1u);
    EXPECT_EQ(rig.host.hexLoads[0].hexFileName, base + "hex");
    EXPECT_EQ(rig.host.hexLoads[0].content, ":020000000102FB\n:00000001FF\n");
    EXPECT_EQ(rig.host.testTexts.back(), base + "hex");
    EXPECT_GE(rig.host.ticks, 22);  // two waits of at least 11 ticks
    EXPECT_EQ(rig.host.tickCountdown, 0);
}

TEST(ToolRunCTest, CompilerErrorsOpenTheErrorView) {
    CRunCase test("printf 'main.c:1: syntax error\\n' > \"$err\"");
    ToolRuns runs = test.rig.MakeRuns();
    runs.CRun();
    ToolRunRig& rig = test.rig;
    EXPECT_EQ(rig.host.notesText, "Compile ERROR");
    EXPECT_EQ(rig.host.notesColour, kNotesError);
    ASSERT_EQ(rig.host.errorViews.size(), 1u);
    EXPECT_EQ(rig.host.errorViewTexts[0], "main.c:1: syntax error\n");
    EXPECT_TRUE(rig.host.hexLoads.empty());
}

TEST(ToolRunCTest, MissingErrorFileCountsAsSuccess) {
    CRunCase test("true");
    ToolRuns runs = test.rig.MakeRuns();
    runs.CRun();
    EXPECT_EQ(test.rig.host.notesText, "Compile complete");
    ASSERT_EQ(test.rig.host.hexLoads.size(), 1u);
    EXPECT_TRUE(test.rig.messages.shown.empty());
}

TEST(ToolRunCTest, ToolThatCannotStartEndsTheRunWithoutHarm) {
    CRunCase test(": > \"$err\"");
    ToolRunRig& rig = test.rig;
    const std::string compiler = rig.settings.CMD_C;
    rig.settings.CMD_C = test.folder / "no-such-compiler";
    ToolRuns runs = rig.MakeRuns();
    runs.CRun();
    EXPECT_EQ(rig.host.notesText, "C Compile");
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0].title, "OPEN ERROR");
    EXPECT_TRUE(rig.host.hexLoads.empty());
    EXPECT_EQ(rig.host.tickCountdown, 0);

    rig.settings.CMD_C = compiler;
    rig.settings.CMD_Lkr = test.folder / "no-such-linker";
    runs.CRun();
    EXPECT_EQ(rig.messages.shown.size(), 2u);
    EXPECT_TRUE(rig.host.hexLoads.empty());
}

TEST(ToolRunCTest, FailedLinkShowsTheLinkerMessagesAndLoadsNoStaleHex) {
    CRunCase test(": > \"$err\"");
    WriteBytes(test.folder / "main.hex", ":00000001FF\n");
    fs::remove(test.folder.path() / "ld");
    WriteScript(test.folder.path() / "ld", "echo 'ld: section overlaps' >&2; exit 1\n");
    ToolRuns runs = test.rig.MakeRuns();
    runs.CRun();
    EXPECT_TRUE(test.rig.host.hexLoads.empty());
    EXPECT_TRUE(test.rig.messages.shown.empty());
    EXPECT_EQ(test.rig.host.notesText, "Compile ERROR");
    EXPECT_EQ(test.rig.host.toolOutputs, std::vector<std::string>{"ld: section overlaps\n"});
}

TEST(ToolRunCTest, NameEndingInCIsTakenAsCSource) {
    CRunCase test(": > \"$err\"");
    ToolRunRig& rig = test.rig;
    rig.host.filenameText = test.folder / "notes.doc";
    WriteBytes(rig.host.filenameText, "not C at all");
    ToolRuns runs = rig.MakeRuns();
    runs.CRun();
    EXPECT_EQ(rig.files.SourceFileName, test.folder / "notes.doc");
    EXPECT_EQ(rig.files.ErrorFileName, test.folder / "notes.doerr");
    ASSERT_EQ(rig.host.hexLoads.size(), 1u);
    EXPECT_EQ(rig.host.hexLoads[0].hexFileName, test.folder / "notes.dohex");
}

TEST(ToolRunCTest, SdccWrappersFitTheCRun) {
    const char* sourceDir = std::getenv("TAMRO_SOURCE_DIR");
    if (sourceDir == nullptr) GTEST_SKIP() << "run through ctest";
    ScratchFolder folder;
    // Stands in for sdcc: fails on a source with "bad" in its name, otherwise
    // writes the file named after -o.
    WriteScript(
        folder.path() / "sdcc",
        "for a do case $a in *bad.c) echo \"$a:1: syntax error\" >&2; exit 1;; esac; done\n"
        "while [ $# -gt 0 ]; do [ \"$1\" = -o ] && echo ':00000001FF' > \"$2\"; shift; done\n");
    setenv("SDCC", (folder / "sdcc").c_str(), 1);
    const std::string wrappers = std::string(sourceDir) + "/tools/wrappers/";
    ToolRunRig rig;
    rig.settings.CMD_C = wrappers + "tamro-sdcc-cc -mpic16 -p18f452";
    rig.settings.CMD_Lkr = wrappers + "tamro-sdcc-link -mpic16 -p18f452";
    ToolRuns runs = rig.MakeRuns();

    rig.host.filenameText = folder / "my main.c";
    WriteBytes(rig.host.filenameText, "void main(void) {}\n");
    runs.CRun();
    EXPECT_EQ(rig.host.notesText, "Compile complete");
    ASSERT_EQ(rig.host.hexLoads.size(), 1u);
    EXPECT_EQ(rig.host.hexLoads[0].hexFileName, folder / "my main.hex");

    rig.host.filenameText = folder / "bad.c";
    WriteBytes(rig.host.filenameText, "oops\n");
    runs.CRun();
    EXPECT_EQ(rig.host.notesText, "Compile ERROR");
    ASSERT_EQ(rig.host.errorViewTexts.size(), 1u);
    EXPECT_EQ(rig.host.errorViewTexts[0], folder / "bad.c" + ":1: syntax error\n");
    EXPECT_EQ(rig.host.hexLoads.size(), 1u);
    unsetenv("SDCC");
}

// ---------------------------------------------------------------- editor buttons

TEST(ToolRunEditorTest, ExternalEditorGetsTheSourceFileName) {
    ToolRunRig rig;
    rig.settings.F_EDIT = "/opt/my editor";
    rig.settings.CMD_EDIT = "edit --new";
    rig.files.SourceFileName = "/w/blink.asm";
    rig.host.filenameText = "/w/blink.hex";  // chosen by File open since
    ToolRuns runs = rig.MakeRuns();
    runs.OpenEditor();
    ASSERT_EQ(rig.runner.detached.size(), 1u);
    EXPECT_EQ(rig.runner.detached[0],
              (CommandLine{"/opt/my editor/edit", {"--new", "/w/blink.asm"}}));
    EXPECT_EQ(rig.host.testTexts.back(), "/opt/my editor\\edit --new /w/blink.asm");
    EXPECT_EQ(rig.host.notesText, "Open EDITER");
    EXPECT_EQ(rig.host.builtInEditorOpens, 0);

    rig.settings.F_EDIT = "";
    rig.runner.detachedResult = false;
    runs.NewFile();
    EXPECT_EQ(rig.host.testTexts.back(), "\\edit --new ");
    EXPECT_EQ(rig.runner.detached[1], (CommandLine{"edit", {"--new"}}));
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0].title, "OPEN ERROR");
    EXPECT_EQ(rig.messages.shown[0].text, "File not found: edit");
}

TEST(ToolRunEditorTest, BuiltInEditorWhenNoEditorIsSet) {
    ToolRunRig rig;
    rig.files.SourceFileName = "/w/blink.asm";
    rig.host.filenameText = "/w/blink.asm";
    ToolRuns runs = rig.MakeRuns();
    runs.OpenEditor();
    EXPECT_EQ(rig.host.builtInEditorOpens, 1);
    EXPECT_TRUE(rig.messages.shown.empty());

    runs.NewFile();
    EXPECT_EQ(rig.host.filenameText, "");
    EXPECT_EQ(rig.files.SourceFileName, "");
    EXPECT_EQ(rig.host.builtInEditorOpens, 2);

    rig.host.builtInEditorResult = false;
    runs.OpenEditor();
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0].title, "OPEN ERROR");
    EXPECT_TRUE(rig.runner.detached.empty());
}

}  // namespace
}  // namespace tamro
