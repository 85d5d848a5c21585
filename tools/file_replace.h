#pragma once
// Writing a whole file so that a failed write never leaves half of it.

#include <string>
#include <string_view>

namespace tamro {

// Replaces the file's contents with `bytes` (creating the file when there is
// none) the way WriteFileAtomically (common/file_io.h) does: a failure leaves
// the old file whole, a symbolic link keeps pointing where it did. False on
// failure.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

}  // namespace tamro
