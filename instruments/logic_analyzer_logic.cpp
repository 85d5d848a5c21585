#include "instruments/logic_analyzer_logic.h"

#include <algorithm>
#include <cmath>

#include "common/number_text.h"
#include "instruments/auto_repeat.h"

namespace tamro {

namespace {

// The characters of a UTF-8 text, one entry each (a malformed byte counts as
// one character of its own).
std::vector<std::string> Characters(std::string_view text) {
    std::vector<std::string> characters;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        if (lead >= 0xF0 && lead < 0xF8) {
            length = 4;
        } else if (lead >= 0xE0) {
            length = lead < 0xF0 ? 3 : 1;
        } else if (lead >= 0xC0) {
            length = 2;
        }
        if (i + length > text.size()) length = 1;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                length = 1;
                break;
            }
        }
        characters.emplace_back(text.substr(i, length));
        i += length;
    }
    return characters;
}

int Round(float value) {
    return static_cast<int>(RoundHalfEven(value));
}

}  // namespace

SampleTime SampleTimeFromText(std::string_view text) {
    double whole = RoundHalfEven(NumericValue(text));
    if (!std::isfinite(whole)) whole = 0;
    // Low 8 bits of the whole number (two's complement for negative values).
    double low = std::fmod(whole, 256.0);
    if (low < 0) low += 256.0;
    SampleTime result;
    result.value = static_cast<std::uint8_t>(low);
    if (result.value > kSampleTimeLimit) {
        result.value = kSampleTimeLimit;
        result.limited = true;
    }
    return result;
}

void ClearSamples(LogicSampleArray& samples) {
    for (int n = 0; n <= 512; ++n) samples[n] = "0";
}

void UnpackSamples(const CaptureBuffer& capture, LogicSampleArray& samples) {
    for (int n = 0; n <= 511; ++n) samples[n] = "0";
    for (int j = 0; j <= 59; ++j) {
        for (int k = 0; k <= 7; ++k) {
            if ((capture[59 - j] >> k) & 1) samples[8 * j + k] = "1";
        }
    }
}

int DataSet(std::string_view utf8Pattern, LogicSampleArray& samples) {
    const std::vector<std::string> characters = Characters(utf8Pattern);
    const int count = static_cast<int>(characters.size()) - 6;
    const int last = static_cast<int>(samples.size()) - 1;
    for (int i = 1; i <= count; ++i) {
        const std::string& c = characters[i];
        for (int offset = 0; offset <= 256; offset += 64) {
            if (i + offset <= last) samples[i + offset] = c;
        }
    }
    return count;
}

std::string SampleDisplayText(const LogicSampleArray& samples) {
    std::string text;
    for (int n = 0; n <= 400; ++n) text += samples[n];
    return text;
}

std::vector<TwipLine> GridLines() {
    std::vector<TwipLine> lines;
    int drawX = kLeftOrigin;
    for (int i = 0; i <= 50; ++i) {
        lines.push_back(
            {drawX, 1900, drawX, 50, i % 10 == 0 ? kMajorGridColour : kMinorGridColour});
        drawX += kGridPitch;
    }
    return lines;
}

std::vector<TwipText> GridLabels() {
    return {{1050, 1500, "0", kTraceColour},
            {2050, 1500, "100", kTraceColour},
            {3050, 1500, "200", kTraceColour},
            {4050, 1500, "300", kTraceColour}};
}

std::vector<TwipLine> DRAWPIC(const LogicSampleArray& samples) {
    std::vector<TwipLine> lines;
    const float sampleStep = static_cast<float>(kGridPitch) / 10.0f;
    int drawX = kLeftOrigin;
    int runStart = kLeftOrigin;
    bool inRun = false;
    std::string pair;
    auto edge = [&](int fromY, int toY) {
        const int boundary = Round(static_cast<float>(drawX) + sampleStep);
        lines.push_back({runStart, fromY, boundary, fromY, kTraceColour});
        lines.push_back({boundary, fromY, boundary, toY, kTraceColour});
        inRun = false;
        runStart = boundary;
    };
    for (int i = 0; i <= kTraceSamples - 2; ++i) {
        pair = samples[i] + samples[i + 1];
        if (pair == "00" || pair == "11") {
            if (!inRun) {
                inRun = true;
                runStart = drawX;
            }
        } else if (pair == "01") {
            edge(kLowY, kHighY);
        } else if (pair == "10") {
            edge(kHighY, kLowY);
        }
        drawX = Round(static_cast<float>(i + 1) * sampleStep + kLeftOrigin);
    }
    if (inRun) {
        const int end = Round(static_cast<float>(drawX) + sampleStep);
        if (pair == "00") lines.push_back({runStart, kLowY, end, kLowY, kTraceColour});
        if (pair == "11") lines.push_back({runStart, kHighY, end, kHighY, kTraceColour});
    }
    return lines;
}

LogicAnalyzerLogic::LogicAnalyzerLogic(ProgrammerSession& session, MessageBoxes& messages,
                                       EventPump& pump)
    : session_(session), messages_(messages), pump_(pump) {}

void LogicAnalyzerLogic::Load() {
    ClearSamples(samples_);
    patternCount_ = 64;
    Redraw();
}

void LogicAnalyzerLogic::Trigger(std::string_view sampleTimeText, bool positiveEdge) {
    const ReadingGuard guard(capturing_);
    if (!guard.Acquired()) return;
    // A programming operation owns the target until it ends.
    if (session_.Busy()) return messages_.Beep();
    SetBusyLamp(kBusyRunning);
    pump_.ProcessPendingEvents();
    const SampleTime sampleTime = SampleTimeFromText(sampleTimeText);
    if (sampleTime.limited && display_) display_->ShowSampleTimeText("100");
    const auto capture = session_.CaptureLogic(sampleTime.value, positiveEdge);
    std::copy_n(capture.bytes.begin(), 8 * capture.blocksRead, capture_.begin());
    if (capture.outcome == OperationResult::Refused) {
        // Something started while the lamp was being shown.
        messages_.Beep();
        SetBusyLamp(kBusyDone);
        return;
    }
    if (capture.outcome != OperationResult::Completed) {
        messages_.Show(MessageIcon::Critical, "ERROR", "Logic data Loading");
        Clear();
        SetBusyLamp(kBusyDone);
        return;
    }
    UnpackSamples(capture_, samples_);
    Redraw();
    SetBusyLamp(kBusyDone);
}

void LogicAnalyzerLogic::Clear() {
    ClearSamples(samples_);
    Redraw();
}

void LogicAnalyzerLogic::SetPattern(std::string_view utf8Pattern) {
    patternCount_ = DataSet(utf8Pattern, samples_);
    Redraw();
}

void LogicAnalyzerLogic::SetBusyLamp(Rgb colour) {
    busyLamp_ = colour;
    if (display_) display_->ShowBusyLamp(colour);
}

void LogicAnalyzerLogic::Redraw() {
    if (display_) display_->SAMPLEDSP();
}

}  // namespace tamro
