#pragma once
// A logic capture with its time base, and its export as a VCD file (read by
// waveform viewers: PulseView, sigrok-cli, GTKWave) or as a CSV file of time
// and level. Both files name the sample time and the trigger edge in their
// header, so a file says on its own how it was taken.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "instruments/logic_analyzer_logic.h"

namespace tamro {

struct LogicCapture {
    // Level of sample n, taken n sample periods after the trigger edge.
    std::vector<bool> levels;
    // The sample time as sent to the programmer, in 0.1 ms.
    std::uint8_t sampleTime = 1;
    bool risingEdge = true;
};

// The programmer samples a sample time of 0 as it does 1: every 0.1 ms.
int SamplePeriodTenthsMs(std::uint8_t sampleTime);
double SamplePeriodSeconds(std::uint8_t sampleTime);

// Samples 0 to 479 of the analyzer's sample array; an entry other than "1"
// counts as low.
LogicCapture CaptureFromSamples(const LogicSampleArray& samples, std::uint8_t sampleTime,
                                bool risingEdge);

// "0.5 ms", "10 ms": the sample period as the files' headers name it.
std::string SamplePeriodText(std::uint8_t sampleTime);
std::string TriggerEdgeText(bool risingEdge);

// One wire "LA-TP" with a time scale of 0.1 ms: sample n changes at
// n x sample time, and the dump ends one sample period after the last sample.
void WriteVcd(const LogicCapture& capture, std::ostream& out);
// "#" comment lines, then "time_s,level" and one row per sample.
void WriteCsv(const LogicCapture& capture, std::ostream& out);

enum class CaptureFileFormat { Vcd, Csv };

struct CaptureFileResult {
    bool written = false;
    std::string error;  // what failed, when not written
};

CaptureFileResult WriteCaptureFile(const LogicCapture& capture, CaptureFileFormat format,
                                   const std::string& path);

}  // namespace tamro
