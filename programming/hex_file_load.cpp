#include "programming/hex_file_load.h"

#include <algorithm>

namespace tamro {

HexFileLoadResult HexFileLoad::Load(std::string& hexFileName, const std::string& fileBoxText,
                                    Images& images) {
    if (session_.Busy()) return {};
    HexFileLoadResult result = LoadFile(hexFileName, images);
    if (result.kind == HexFileLoadResult::Kind::Failed) {
        hexFileName = loadedFile_;
        if (fileBoxText == result.file) result.fileBoxText = fileBoxBeforeRename_;
    }
    return result;
}

HexFileLoadResult HexFileLoad::Reload(Images& images) {
    return LoadFile(loadedFile_, images);
}

HexFileLoadResult HexFileLoad::LoadFile(const std::string& file, Images& images) {
    HexFileLoadResult result;
    result.file = file;
    result.outcome = HEX_LOAD(result.file, images);
    if (!result.outcome.ok) {
        result.kind = HexFileLoadResult::Kind::Failed;
        return result;
    }
    result.kind = HexFileLoadResult::Kind::Loaded;
    loadedFile_ = result.file;
    ConfigBytes defaults{};
    const auto& groupDefaults = session_.groupValues().defaultConfig;
    std::copy_n(groupDefaults.begin(), defaults.size(), defaults.begin());
    ApplyConfigurationDefaults(images, defaults);
    std::copy_n(images.config.begin(), loadedConfig_.size(), loadedConfig_.begin());
    loadedLastAddress_ = result.outcome.lastAddressText;
    return result;
}

bool HexFileLoad::ConfigurationChanged(const Images& images) const {
    return !std::equal(loadedConfig_.begin(), loadedConfig_.end(), images.config.begin());
}

}  // namespace tamro
