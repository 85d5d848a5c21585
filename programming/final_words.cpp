#include "programming/final_words.h"

#include "programming/operation_view.h"

namespace tamro {

std::optional<FinalWords> FinalWordsFor(FinishedOperation operation, OperationResult result,
                                        const BlankCheckReport& blankReport) {
    if (result == OperationResult::Stopped) {
        return FinalWords{kNotesRed, "Stopped: Vpp 0 V, supply off"};
    }
    if (operation == FinishedOperation::Write && result == OperationResult::Completed) {
        return FinalWords{kNotesViolet, "Write Complete, verified"};
    }
    if (operation != FinishedOperation::BlankCheck) return std::nullopt;
    if (result == OperationResult::Completed) return FinalWords{kNotesWhite, "Chip is blank"};
    if (result != OperationResult::NotBlank) return std::nullopt;
    for (ChipRegion region : kAllChipRegions) {
        if (const auto& address = blankReport.FirstNonBlank(region)) {
            return FinalWords{kNotesRed, std::string("Not blank: ") + RegionName(region) + " " +
                                             ChipAddressText(*address)};
        }
    }
    return std::nullopt;
}

}  // namespace tamro
