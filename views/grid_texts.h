#pragma once
// Texts and geometry of the two buffer viewers, as pure functions: the program
// grid (DATAVIEW, program words, 16 to a row) and the EEPROM grid (EEVIEW,
// bytes, 16 to a row). Rows and columns here count data rows and data columns
// from 0; the header row and header column are the table's headers.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/twips.h"

namespace tamro {

constexpr int kGridColumns = 16;
constexpr int kEepromGridRows = 16;
constexpr int kGridRowHeightTwips = 200;

struct GridShape {
    int labelColumnWidthTwips = 0;  // column 0
    int dataColumnWidthTwips = 0;   // columns 1 to 16
    int labelWidth = 0;             // characters of a row label
    int asciiColumnWidthTwips = 0;  // the ASCII column after column 16
};
// The program grid's row label is the word address and then the byte address.
inline constexpr GridShape kProgramGridShape{1200, 550, 5, 3450};
inline constexpr GridShape kEepromGridShape{400, 350, 3, 1500};
// The ASCII column's index, after the 16 data columns.
constexpr int kAsciiColumn = kGridColumns;

// Data rows of the program grid for a program size in words (ProgramSize / 16),
// never more rows than ProgramImage holds.
int ProgramGridRows(int programSizeWords);

// "+0" ... "+F" for columns 0 to 15.
std::string GridHeaderText(int column);

// Hexadecimal of row * 16, right-aligned with blanks to `labelWidth` characters
// (cut to its last `labelWidth` characters).
std::string GridRowLabel(int row, int labelWidth);

// The program grid's row label: the word address as GridRowLabel gives it,
// two blanks, and the row's byte address in five hexadecimal digits
// ("   10  00020").
std::string ProgramRowLabel(int row);

// The row's bytes as text, `bytesPerRow` of them from row * bytesPerRow:
// printable ASCII as it is, every other byte as ".".
std::string AsciiText(std::span<const std::uint8_t> bytes, int row, int bytesPerRow);

// Program cell: word row * 16 + column, high byte first, then a blank ("1234 ").
std::string ProgramCellText(std::span<const std::uint8_t> program, int row, int column);
// EEPROM cell: byte row * 16 + column, then a blank ("A5 ").
std::string EepromCellText(std::span<const std::uint8_t> eeprom, int row, int column);

// Designed sizes, in twips.
constexpr int kGridScrollBarTwips = 255;
constexpr int kGridBorderTwips = 60;
constexpr int GridWidthTwips(const GridShape& shape, bool withScrollBar) {
    return shape.labelColumnWidthTwips + kGridColumns * shape.dataColumnWidthTwips +
           shape.asciiColumnWidthTwips + kGridBorderTwips +
           (withScrollBar ? kGridScrollBarTwips : 0);
}
constexpr int kDataviewWidthTwips = 15450;  // outer
constexpr int kDataviewHeightTwips = 6600;  // outer
constexpr int kExitButtonWidthTwips = 1215;
constexpr int kExitButtonHeightTwips = 375;
constexpr int kEeviewButtonMarginTwips = 120;
constexpr int kEeviewHeightTwips = 17 * kGridRowHeightTwips + kGridBorderTwips + 400 + 405;

// Placement for a window's client size in pixels; each part is present only
// when it fits (a tiny or minimized window skips what would be negative).
struct DataviewPlacement {
    std::optional<int> gridHeightPx;
    std::optional<int> exitTopPx;
    std::optional<int> exitLeftPx;
};
// Grid height = window height - 500, EXITButton top = window height - 1000 and
// left = window width - 1500, on the window's outer size in twips.
DataviewPlacement PlaceDataview(int clientWidthPx, int clientHeightPx);
// Grid height = window height - 400.
std::optional<int> PlaceEeviewGridHeight(int clientHeightPx);

}  // namespace tamro
