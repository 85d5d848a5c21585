#pragma once
// The logic analyzer without its window: the capture packets, the sample
// array, DATA SET and SAMPLE DISPLAY, and the drawing of grid, labels and
// trace as lines and texts in twips inside the picture box.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/platform.h"
#include "common/twips.h"
#include "link/link.h"
#include "programming/programmer_session.h"

namespace tamro {

inline constexpr int kCaptureBlocks = 8;
inline constexpr int kTraceSamples = 480;
inline constexpr int kSampleTimeLimit = 100;
inline constexpr TwipSize kLogicViewSize{6800, 3100};
inline constexpr const char* kDemoPattern =
    "01010101110011001100101010101011000101011010110011100010100011101010101";

// LogicSamples: entries 0 to 520, each normally "0" or "1"; the trace uses 0 to 479.
using LogicSampleArray = std::array<std::string, 521>;
// CaptureBytes: a capture fills 0 to 63 and uses 0 to 59.
using CaptureBuffer = std::array<std::uint8_t, 66>;

// Display constants.
inline constexpr int kLeftOrigin = 100;
inline constexpr int kGridPitch = 100;
inline constexpr int kHighY = 800 - 100;
inline constexpr int kLowY = 1300 - 100;
inline constexpr Rgb kTraceColour{0, 0, 128};
inline constexpr Rgb kMinorGridColour{224, 224, 224};
inline constexpr Rgb kMajorGridColour{0, 255, 0};
inline constexpr Rgb kBusyIdle{255, 255, 255};
inline constexpr Rgb kBusyRunning{255, 128, 0};
inline constexpr Rgb kBusyDone{0, 0, 0};

struct SampleTime {
    std::uint8_t value = 0;
    bool limited = false;  // above 100: sent as 100 and the box shows "100"
};

// STIME's text: rounded to whole (halves to even), low 8 bits, at most 100.
SampleTime SampleTimeFromText(std::string_view text);

// Entries 0 to 512 to "0".
void ClearSamples(LogicSampleArray& samples);
// Sample n is bit (n mod 8) of byte 59 - (n div 8); entries 0 to 511 are rewritten.
void UnpackSamples(const CaptureBuffer& capture, LogicSampleArray& samples);
// DATA SET: characters 2 to length - 5 of the pattern go to entries i, i + 64,
// ..., i + 256. Writes that would fall beyond entry 520 are dropped. Returns the
// pattern count (length - 6).
int DataSet(std::string_view utf8Pattern, LogicSampleArray& samples);
// SAMPLE DISPLAY: entries 0 to 400 joined.
std::string SampleDisplayText(const LogicSampleArray& samples);

struct TwipLine {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    Rgb colour;
    friend bool operator==(const TwipLine&, const TwipLine&) = default;
};

struct TwipText {
    int left = 0;
    int top = 0;
    std::string text;
    Rgb colour;
};

// SAMPLEDSP's grid lines (51 verticals) and the division labels.
std::vector<TwipLine> GridLines();
std::vector<TwipText> GridLabels();
// DRAWPIC: runs of equal samples as one horizontal line, each change as a
// vertical edge on the boundary between the two samples.
std::vector<TwipLine> DRAWPIC(const LogicSampleArray& samples);

// What the window does for the logic: show the busy lamp, redraw the picture
// from the samples, show a new sample time text.
class LogicAnalyzerDisplay {
  public:
    virtual ~LogicAnalyzerDisplay() = default;
    virtual void ShowBusyLamp(Rgb colour) = 0;
    virtual void SAMPLEDSP() = 0;
    virtual void ShowSampleTimeText(const std::string& text) = 0;
};

class LogicAnalyzerLogic {
  public:
    LogicAnalyzerLogic(ProgrammerSession& session, MessageBoxes& messages, EventPump& pump);
    void SetDisplay(LogicAnalyzerDisplay* display) { display_ = display; }

    // Form_Load: demo pattern, entries 0 to 512 "0", pattern count 64, "POS",
    // then the empty trace.
    void Load();
    // TRIG: arm the capture, read its eight blocks, unpack and draw. A TRIG
    // pressed while a capture or any other request of the session runs is
    // refused with a beep.
    void Trigger(std::string_view sampleTimeText, bool positiveEdge);
    // CLEAR.
    void Clear();
    // DATA SET with the maintenance pattern box's text.
    void SetPattern(std::string_view utf8Pattern);

    const LogicSampleArray& Samples() const { return samples_; }
    const CaptureBuffer& Capture() const { return capture_; }
    int PatternCount() const { return patternCount_; }
    Rgb BusyLamp() const { return busyLamp_; }

  private:
    void SetBusyLamp(Rgb colour);
    void Redraw();

    ProgrammerSession& session_;
    MessageBoxes& messages_;
    EventPump& pump_;
    LogicAnalyzerDisplay* display_ = nullptr;
    LogicSampleArray samples_{};
    CaptureBuffer capture_{};
    int patternCount_ = 64;
    Rgb busyLamp_ = kBusyIdle;
    bool capturing_ = false;
};

}  // namespace tamro
