#include "programming/hex_file_load.h"

#include <algorithm>

namespace tamro {

HexFileLoadResult HexFileLoad::Load(std::string& hexFileName, const std::string& fileBoxText,
                                    Images& images) {
    HexFileLoadResult result;
    if (session_.Busy()) return result;
    result.file = hexFileName;
    result.outcome = HEX_LOAD(result.file, images);
    if (!result.outcome.ok) {
        result.kind = HexFileLoadResult::Kind::Failed;
        hexFileName = loadedFile_;
        if (fileBoxText == result.file) result.fileBoxText = fileBoxBeforeRename_;
        return result;
    }
    result.kind = HexFileLoadResult::Kind::Loaded;
    loadedFile_ = result.file;
    ConfigBytes defaults{};
    const auto& groupDefaults = session_.groupValues().defaultConfig;
    std::copy_n(groupDefaults.begin(), defaults.size(), defaults.begin());
    ApplyConfigurationDefaults(images, defaults);
    return result;
}

}  // namespace tamro
