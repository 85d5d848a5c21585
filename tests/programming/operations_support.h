#pragma once
// Shared pieces of the programming tests: the fixtures of
// tests/testing/operations_fakes.h, a HEX loader and gpasm runs for the
// end-to-end runs.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "emulator/programmer.h"
#include "images/images.h"
#include "tests/testing/operations_fakes.h"

namespace tamro::testing {

// Loads an Intel HEX file as the panel does. False when the file cannot be read.
bool LoadHexForTest(const std::string& path, Images& images);

// Assembles `source` with gpasm into an Intel HEX file; empty when gpasm is
// missing or fails.
std::string AssembleWithGpasm(const std::string& source, const std::string& processor,
                              const std::string& stem);

}  // namespace tamro::testing
