#pragma once
// The words NotesLabel ends a target operation with where they say more than
// the operation's own report: whether the chip is blank, that a WRITE was
// verified, that a stopped operation left the target safe.

#include <optional>
#include <string>

#include "common/platform.h"
#include "programming/chip_regions.h"
#include "programming/target_operations.h"

namespace tamro {

enum class FinishedOperation { Erase, Write, Verify, Read, ReadEeprom, BlankCheck };

struct FinalWords {
    Rgb colour;
    std::string text;
    bool operator==(const FinalWords&) const = default;
};

// Nothing where the operation's own report stands as it is.
std::optional<FinalWords> FinalWordsFor(FinishedOperation operation, OperationResult result,
                                        const BlankCheckReport& blankReport);

}  // namespace tamro
