// The daemon's stream cut into packets: pieces of any length make whole
// packets in order, and a partial packet older than the stale limit is
// dropped so that what follows is read in step.
#include "emulator/packet_framing.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace tamro::emu {
namespace {

using namespace std::chrono_literals;

TEST(PacketFramingTest, PiecesMakeWholePacketsAndAStalePartOneIsDropped) {
    struct Piece {
        std::size_t bytes;
        std::chrono::milliseconds at;
    };
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
        std::vector<std::uint8_t> firstBytes;  // of each packet made; bytes count from 0
        std::size_t held;
    };
    const Case cases[] = {
        {"one by one", {{3, 0ms}, {4, 1ms}, {1, 2ms}}, {0}, 0},
        {"three and a half at once", {{28, 0ms}}, {0, 8, 16}, 4},
        {"a pause at the limit", {{5, 0ms}, {3, 1000ms}}, {0}, 0},
        {"a pause beyond it", {{5, 0ms}, {11, 1001ms}}, {5}, 3},
        {"a pause with nothing held", {{8, 0ms}, {8, 5000ms}}, {0, 8}, 0},
    };
    for (const Case& c : cases) {
        PacketFramer framer(1000ms);
        std::vector<std::uint8_t> made;
        std::uint8_t next = 0;
        for (const Piece& piece : c.pieces) {
            std::vector<std::uint8_t> bytes(piece.bytes);
            std::iota(bytes.begin(), bytes.end(), next);
            next = static_cast<std::uint8_t>(next + piece.bytes);
            for (const Block& packet :
                 framer.Take(bytes, PacketFramer::Clock::time_point(piece.at))) {
                EXPECT_EQ(packet[7], packet[0] + 7) << c.name;
                made.push_back(packet[0]);
            }
        }
        EXPECT_EQ(made, c.firstBytes) << c.name;
        EXPECT_EQ(framer.Held(), c.held) << c.name;
    }
}

}  // namespace
}  // namespace tamro::emu
