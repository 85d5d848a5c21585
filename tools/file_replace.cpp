#include "tools/file_replace.h"

#include "common/file_io.h"

namespace tamro {

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
    return WriteFileAtomically(path, bytes).ok();
}

}  // namespace tamro
