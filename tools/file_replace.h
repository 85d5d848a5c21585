#pragma once
// Writing a whole file so that a failed write never leaves half of it.

#include <string>
#include <string_view>

namespace tamro {

// Replaces the file's contents with `bytes` (creating the file when there is
// none). The bytes go to a new file beside it first, which then takes its
// place with the old file's permissions, so a failure leaves the old file
// whole. Where no file can be made beside it (a folder the user may not write
// to, holding a file they may), the file itself is rewritten. A symbolic link
// keeps pointing where it did: its target is replaced. False on failure.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

}  // namespace tamro
