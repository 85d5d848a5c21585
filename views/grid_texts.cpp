#include "views/grid_texts.h"

#include <algorithm>
#include <cstdio>

#include "common/number_text.h"
#include "images/images.h"

namespace tamro {

int ProgramGridRows(int programSizeWords) {
    return std::clamp(programSizeWords / kGridColumns, 0, kMaxProgramBytes / 2 / kGridColumns);
}

std::string GridHeaderText(int column) {
    return "+" + HexText(static_cast<std::uint32_t>(column & 0xF));
}

std::string GridRowLabel(int row, int labelWidth) {
    const std::string text = std::string(static_cast<std::size_t>(labelWidth - 1), ' ') +
                             HexText(static_cast<std::uint32_t>(row) * kGridColumns);
    return text.substr(text.size() - static_cast<std::size_t>(labelWidth));
}

std::string ProgramRowLabel(int row) {
    char bytes[8];
    std::snprintf(bytes, sizeof bytes, "%05X", static_cast<unsigned>(row) * kGridColumns * 2);
    return GridRowLabel(row, kProgramGridShape.labelWidth) + "  " + bytes;
}

std::string AsciiText(std::span<const std::uint8_t> bytes, int row, int bytesPerRow) {
    if (row < 0 || bytesPerRow <= 0) return {};
    std::string text;
    const std::size_t first = static_cast<std::size_t>(row) * bytesPerRow;
    for (std::size_t i = first; i < first + bytesPerRow && i < bytes.size(); ++i) {
        text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
    }
    return text;
}

std::string ProgramCellText(std::span<const std::uint8_t> program, int row, int column) {
    const std::size_t low = (static_cast<std::size_t>(row) * kGridColumns + column) * 2;
    if (row < 0 || column < 0 || column >= kGridColumns || low + 1 >= program.size()) return {};
    return HexByte2(program[low + 1]) + HexByte2(program[low]) + " ";
}

std::string EepromCellText(std::span<const std::uint8_t> eeprom, int row, int column) {
    const std::size_t index = static_cast<std::size_t>(row) * kGridColumns + column;
    if (row < 0 || column < 0 || column >= kGridColumns || index >= eeprom.size()) return {};
    return HexByte2(eeprom[index]) + " ";
}

DataviewPlacement PlaceDataview(int clientWidthPx, int clientHeightPx) {
    const TwipSize outer = OuterForClient(Twips(clientWidthPx), Twips(clientHeightPx));
    DataviewPlacement placement;
    if (outer.height - 500 > 0) placement.gridHeightPx = Px(outer.height - 500);
    if (outer.height - 1000 >= 0) placement.exitTopPx = Px(outer.height - 1000);
    if (outer.width - 1500 >= 0) placement.exitLeftPx = Px(outer.width - 1500);
    return placement;
}

std::optional<int> PlaceEeviewGridHeight(int clientHeightPx) {
    const int outerHeight = OuterForClient(0, Twips(clientHeightPx)).height;
    if (outerHeight - 400 <= 0) return std::nullopt;
    return Px(outerHeight - 400);
}

}  // namespace tamro
