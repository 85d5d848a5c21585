#include "views/grid_texts.h"

#include <gtest/gtest.h>

#include "images/images.h"
#include "views/ui/buffer_grid_model.h"

namespace tamro {
namespace {

TEST(GridTextsTest, HeadersAndRowLabels) {
    EXPECT_EQ(GridHeaderText(0), "+0");
    EXPECT_EQ(GridHeaderText(9), "+9");
    EXPECT_EQ(GridHeaderText(10), "+A");
    EXPECT_EQ(GridHeaderText(15), "+F");

    EXPECT_EQ(ProgramGridRows(16384), 1024);
    EXPECT_EQ(ProgramGridRows(32768), 2048);
    EXPECT_EQ(ProgramGridRows(65536), 2048);  // never past ProgramImage
    EXPECT_EQ(GridRowLabel(0, 5), "    0");
    EXPECT_EQ(GridRowLabel(1, 5), "   10");
    EXPECT_EQ(GridRowLabel(1023, 5), " 3FF0");
    EXPECT_EQ(GridRowLabel(0, 3), "  0");
    EXPECT_EQ(GridRowLabel(15, 3), " F0");
}

TEST(GridTextsTest, ProgramCellsShowWordsHighByteFirst) {
    Images images;
    images.program.fill(0xFF);
    const auto flash = std::span<const std::uint8_t>(images.program).first(kProgramBytes);
    EXPECT_EQ(ProgramCellText(flash, 0, 0), "FFFF ");
    EXPECT_EQ(ProgramCellText(flash, 1023, 15), "FFFF ");

    images.program[0] = 0x34;
    images.program[1] = 0x12;
    images.program[32] = 0x05;
    images.program[33] = 0x00;
    images.program[32766] = 0xBC;
    images.program[32767] = 0x0A;
    EXPECT_EQ(ProgramCellText(flash, 0, 0), "1234 ");
    EXPECT_EQ(ProgramCellText(flash, 1, 0), "0005 ");
    EXPECT_EQ(ProgramCellText(flash, 1023, 15), "0ABC ");
    EXPECT_EQ(ProgramCellText(flash, 1024, 0), "");
    EXPECT_EQ(ProgramCellText(flash, 0, 16), "");
    EXPECT_EQ(ProgramCellText(flash, -1, 0), "");
}

TEST(GridTextsTest, EepromCellsShowBytes) {
    Images images;
    images.eeprom[0] = 0x0A;
    images.eeprom[255] = 0xF3;
    images.eeprom[256] = 0x77;
    const std::span<const std::uint8_t> shown = std::span(images.eeprom).first(256);
    EXPECT_EQ(EepromCellText(shown, 0, 0), "0A ");
    EXPECT_EQ(EepromCellText(shown, 0, 1), "00 ");
    EXPECT_EQ(EepromCellText(shown, 15, 15), "F3 ");
    EXPECT_EQ(EepromCellText(shown, 16, 0), "");
}

TEST(GridTextsTest, PlacementFollowsTheWindowAndSkipsWhatDoesNotFit) {
    // Client 740 x 413 px is the outer size 11220 x 6600 twips.
    const DataviewPlacement placement = PlaceDataview(740, 413);
    EXPECT_EQ(placement.gridHeightPx, Px(6600 - 500));
    EXPECT_EQ(placement.exitTopPx, Px(6600 - 1000));
    EXPECT_EQ(placement.exitLeftPx, Px(11220 - 1500));

    const DataviewPlacement tiny = PlaceDataview(0, 0);
    EXPECT_FALSE(tiny.gridHeightPx);
    EXPECT_FALSE(tiny.exitTopPx);
    EXPECT_FALSE(tiny.exitLeftPx);
    EXPECT_FALSE(PlaceDataview(-50, -50).gridHeightPx);

    EXPECT_EQ(PlaceEeviewGridHeight(300), Px(Twips(300) + 405 - 400));
    EXPECT_FALSE(PlaceEeviewGridHeight(-1));
}

TEST(BufferGridModelTest, CellsStayEmptyUntilAFill) {
    Images images;
    images.program.fill(0xFF);
    BufferGridModel model(BufferGridModel::Kind::Program, ProgramGridRows(16384));
    EXPECT_EQ(model.rowCount(), 1024);
    EXPECT_EQ(model.columnCount(), 17);
    EXPECT_FALSE(model.data(model.index(0, 0)).isValid());
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "+0");
    EXPECT_EQ(model.headerData(1023, Qt::Vertical).toString(), " 3FF0  07FE0");

    const auto flash = std::span<const std::uint8_t>(images.program).first(kProgramBytes);
    int changes = 0;
    QObject::connect(&model, &BufferGridModel::dataChanged, [&] { ++changes; });
    model.Fill(flash);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(model.data(model.index(1023, 15)).toString(), "FFFF ");

    // The grid shows the image as it was at the fill.
    images.program[0] = 0;
    EXPECT_EQ(model.CellText(0, 0), "FFFF ");
    model.Fill(flash);
    EXPECT_EQ(model.CellText(0, 0), "FF00 ");

    model.Clear();
    EXPECT_FALSE(model.Filled());
    EXPECT_EQ(model.CellText(0, 0), "");
}

TEST(BufferGridModelTest, EepromModel) {
    Images images;
    for (int i = 0; i < 256; ++i) images.eeprom[i] = static_cast<std::uint8_t>(i);
    BufferGridModel model(BufferGridModel::Kind::Eeprom, kEepromGridRows);
    model.Fill(std::span<const std::uint8_t>(images.eeprom).first(256));
    EXPECT_EQ(model.rowCount(), 16);
    EXPECT_EQ(model.CellText(1, 2), "12 ");
    EXPECT_EQ(model.CellText(15, 15), "FF ");
    EXPECT_EQ(model.headerData(15, Qt::Vertical).toString(), " F0");
    // A 1 KB EEPROM fills 64 rows.
    model.Fill(images.eeprom);
    EXPECT_EQ(model.rowCount(), 64);
    EXPECT_EQ(model.headerData(63, Qt::Vertical).toString(), "3F0");
}

}  // namespace
}  // namespace tamro
