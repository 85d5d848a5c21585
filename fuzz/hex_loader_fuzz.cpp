// Any bytes as a HEX file: the loader never crashes, never stores outside the
// images, and a successful load always leaves data marked present.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "images/hex_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream text(std::string(reinterpret_cast<const char*>(data), size));
    tamro::Images images;
    const tamro::HexLoadOutcome outcome = tamro::HEX_LOAD(text, images);
    if (outcome.ok && images.haveData != 1) std::abort();
    if (images.lastAddress < 0 || 2 * images.lastAddress > tamro::kProgramBytes) std::abort();
    return 0;
}
