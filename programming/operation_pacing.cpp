#include "programming/operation_pacing.h"

#include <utility>

namespace tamro {

void OperationPacing::BeginOperation() {
    underWay_ = true;
    failureShown_ = false;
    pending_.reset();
    lastEvents_ = {};
}

std::optional<std::string> OperationPacing::EndOperation() {
    underWay_ = false;
    return TakePending();
}

std::optional<std::string> OperationPacing::Message(const std::string& text) {
    const bool good = text.ends_with("OK!:");
    if (underWay_ && good) {
        if (!failureShown_) pending_ = text;
        return std::nullopt;
    }
    if (underWay_) failureShown_ = true;
    pending_.reset();
    return text;
}

std::optional<std::string> OperationPacing::TakePending() {
    return std::exchange(pending_, std::nullopt);
}

bool OperationPacing::EventsDue() {
    const auto now = clock_.Now();
    if (underWay_ && now - lastEvents_ < kEventInterval) return false;
    lastEvents_ = now;
    return true;
}

}  // namespace tamro
