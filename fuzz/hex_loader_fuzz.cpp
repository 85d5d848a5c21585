// Any bytes as a HEX file: the loader never crashes, never stores outside the
// images, a failed load changes nothing and a successful one always leaves
// data marked loaded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "images/hex_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream text(std::string(reinterpret_cast<const char*>(data), size));
    tamro::Images images;
    images.program.fill(0x5A);
    const tamro::Images before = images;
    const tamro::HexLoadOutcome outcome = tamro::HEX_LOAD(text, images);
    if (outcome.ok && images.haveData != 1) std::abort();
    if (!outcome.ok && (outcome.errorText.empty() || !(images == before))) std::abort();
    if (images.lastAddress < 0 || 2 * images.lastAddress > tamro::kProgramBytes) std::abort();
    return 0;
}
