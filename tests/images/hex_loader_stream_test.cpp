// HEX_LOAD from a stream reads exactly as it reads from a file.
#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>

#include "hex_files.h"
#include "images/hex_loader.h"

namespace tamro {
namespace {

using testing::DataRecord;
using testing::kEndRecord;
using testing::Lines;
using testing::TempFolder;
using testing::UpperAddressRecord;

void ExpectSameLoad(const std::string& content) {
    TempFolder folder;
    Images fromFile;
    Images fromStream;
    fromFile.config.fill(0x11);
    fromStream.config.fill(0x11);
    const HexLoadOutcome file = HEX_LOAD(folder.Write("file.hex", content), fromFile);
    std::istringstream stream(content);
    const HexLoadOutcome text = HEX_LOAD(stream, fromStream);
    EXPECT_EQ(file.ok, text.ok);
    EXPECT_EQ(file.error, text.error);
    EXPECT_EQ(file.errorText, text.errorText);
    EXPECT_EQ(file.startAddressText, text.startAddressText);
    EXPECT_EQ(file.lastAddressText, text.lastAddressText);
    EXPECT_EQ(file.text2, text.text2);
    EXPECT_EQ(file.textAdmon, text.textAdmon);
    EXPECT_EQ(file.configSeen, text.configSeen);
    EXPECT_TRUE(fromFile == fromStream);
}

TEST(HexLoaderStreamTest, LoadsLikeTheFile) {
    ExpectSameLoad("");
    ExpectSameLoad(Lines({DataRecord(0x10, {1, 2, 3}), UpperAddressRecord(0x30),
                          DataRecord(0, {0xAA, 0xBB}), kEndRecord}));
    ExpectSameLoad(Lines({DataRecord(0, {1}), ":0100000002FC"}));
    ExpectSameLoad("\r\n:00000001FF,junk");
    ExpectSameLoad(Lines({UpperAddressRecord(0x20), DataRecord(0, {1, 2}), UpperAddressRecord(0xF0),
                          DataRecord(3, {4}), kEndRecord}));
    // Longer than one read of the loader, with a record across the boundary.
    std::string big;
    for (int i = 0; big.size() < 70000; ++i) big += DataRecord((i * 16) % 0x8000, {1, 2}) + "\r\n";
    ExpectSameLoad(big + kEndRecord);
}

// A stream whose reads fail part-way, like a disk error under a file.
class FailingBuffer : public std::streambuf {
  protected:
    int_type underflow() override { throw std::ios_base::failure("read error"); }
};

TEST(HexLoaderStreamTest, StreamThatGoesBadFailsTheLoad) {
    FailingBuffer buffer;
    std::istream stream(&buffer);
    Images images;
    const HexLoadOutcome outcome = HEX_LOAD(stream, images);
    EXPECT_EQ(outcome.error, HexLoadError::ReadError);
    EXPECT_EQ(images.haveData, 0);
}

}  // namespace
}  // namespace tamro
