#include "tools/ui/editor.h"

#include <gtest/gtest.h>

#include "tools/file_dialogs.h"
#include "tools/source_text.h"
#include "tools/ui/error_view.h"
#include "tools/ui/file_dialogs.h"

namespace tamro {
namespace {

TEST(EditorTextTest, SplitAndJoinGiveTheSameBytesBack) {
    for (const std::string bytes : {"", "a", "a\n", "a\r\nb\r\n", "a\r\nb", "a\nb\n", "\n", "\r\n",
                                    "\n\n\n", "x\r\n\r\n", "tab\tand\xA0latin1\r\n"}) {
        EXPECT_EQ(JoinSourceText(SplitSourceText(bytes)), bytes) << bytes;
    }
}

TEST(EditorTextTest, KeepsTheFilesLineEndAndItsFinalLineEnd) {
    EXPECT_EQ(SplitSourceText("a\r\nb\r\n"), (SourceText{"a\nb", LineEnd::CrLf, true}));
    EXPECT_EQ(SplitSourceText("a\nb"), (SourceText{"a\nb", LineEnd::Lf, false}));
    // Edited text is written with the file's line end throughout.
    EXPECT_EQ(JoinSourceText({"a\nnew\nb", LineEnd::CrLf, true}), "a\r\nnew\r\nb\r\n");
    // A new file gets LF and a final line end.
    EXPECT_EQ(JoinSourceText({"org 0\nend", SourceText{}.lineEnd, SourceText{}.finalLineEnd}),
              "org 0\nend\n");
}

TEST(EditorLayoutTest, FollowsTheWindowAboveFiveHundredTwips) {
    EXPECT_EQ(EditorLayoutFor(9000, 6000), (EditorLayout{8860, 5500, 6500, 4800, 7500, 4800}));
    EXPECT_FALSE(EditorLayoutFor(9000, 500));
    const std::optional<EditorLayout> tiny = EditorLayoutFor(100, 600);
    ASSERT_TRUE(tiny);
    EXPECT_EQ(*tiny, (EditorLayout{0, 100, 0, 0, 0, 0}));
}

TEST(ErrorViewLayoutTest, FollowsTheWindowAndClampsOnTinyWindows) {
    EXPECT_EQ(ErrorViewLayoutFor(8000, 4800), (ErrorViewLayout{7860, 4300, 6500, 3800}));
    EXPECT_EQ(ErrorViewLayoutFor(100, 100), (ErrorViewLayout{0, 0, 0, 0}));
}

TEST(EditorSaveTest, AsksForANameUnlessTheFileBoxNamesTheEditorsOwnSource) {
    struct Case {
        const char* fileBox;
        const char* held;
        bool asks;
    };
    for (const Case& test :
         {Case{"", "", true}, Case{"/w/a.asm", "/w/a.asm", false},
          Case{"/w/main.c", "/w/main.c", false}, Case{"/w/b.asm", "/w/a.asm", true},
          Case{"/w/a.asm", "", true}, Case{"/w/a.hex", "/w/a.hex", true},
          Case{"/w/A.HEX", "/w/A.HEX", true}, Case{"/w/hex", "/w/hex", false}}) {
        EXPECT_EQ(SaveAsksForName(test.fileBox, test.held), test.asks)
            << test.fileBox << " / " << test.held;
    }
}

TEST(FileDialogFilterTest, NameWithoutExtensionGetsTheChosenFiltersOne) {
    const std::string editor = "ASM FILES|*.asm|C FILES|*.c|ALL FILES|*.*|";
    const std::string hex = "HEX FILES|*.hex|ALL FILES|*.*|";
    EXPECT_EQ(SaveExtensionFor(editor, 0), "asm");
    EXPECT_EQ(SaveExtensionFor(editor, 1), "c");
    EXPECT_EQ(SaveExtensionFor(editor, 2), "asm");  // all files: the first filter's
    EXPECT_EQ(SaveExtensionFor(hex, 1), "hex");
    EXPECT_EQ(SaveExtensionFor("ALL FILES|*.*|", 0), "");

    struct Case {
        const char* typed;
        const char* saved;
    };
    for (const Case& test :
         {Case{"/w/blink", "/w/blink.hex"}, Case{"/w/blink.", "/w/blink.hex"},
          Case{"/w/blink.hex", "/w/blink.hex"}, Case{"/w/blink.HEX", "/w/blink.HEX"},
          Case{"/w/blink.v2", "/w/blink.v2"}, Case{"/w.d/blink", "/w.d/blink.hex"},
          Case{"/w/.hidden", "/w/.hidden.hex"}, Case{"", ""}}) {
        EXPECT_EQ(WithExtension(test.typed, "hex"), test.saved) << test.typed;
    }
}

TEST(FileDialogFilterTest, TranslatesTheFilterForQt) {
    EXPECT_EQ(QtFilterFor("Source Files|*.asm;*.c|HEX FILES|*.hex|ALL FILES|*.*|"),
              "Source Files (*.asm *.ASM *.c *.C);;HEX FILES (*.hex *.HEX);;ALL FILES (*)");
    EXPECT_EQ(QtFilterFor("ASM FILES|*.asm|ALL FILES|*.*|"),
              "ASM FILES (*.asm *.ASM);;ALL FILES (*)");
}

}  // namespace
}  // namespace tamro
