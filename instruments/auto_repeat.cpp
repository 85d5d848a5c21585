#include "instruments/auto_repeat.h"

#include "common/number_text.h"

namespace tamro {

bool AutoRepeat::IsOn() const {
    return NumericValue(tag_) == 1;
}

void AutoRepeat::Press() {
    if (NumericValue(tag_) == 0) {
        lamp_ = kLampOrange;
        tag_ = "1";
    } else {
        lamp_ = kLampGrey;
        tag_ = "0";
    }
    timerEnabled_ = true;
}

void AutoRepeat::Reset() {
    lamp_ = kLampGrey;
    tag_ = "0";
}

}  // namespace tamro
