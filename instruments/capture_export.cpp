#include "instruments/capture_export.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace tamro {

namespace {

constexpr const char* kWireName = "LA-TP";
constexpr const char* kWireCode = "!";

// Whole tenths of a millisecond as seconds, exactly: 5 -> "0.0005".
std::string TenthsMsAsSeconds(long long tenths) {
    std::string fraction = std::to_string(tenths % 10000);
    fraction.insert(0, 4 - fraction.size(), '0');
    return std::to_string(tenths / 10000) + "." + fraction;
}

}  // namespace

int SamplePeriodTenthsMs(std::uint8_t sampleTime) {
    return sampleTime == 0 ? 1 : sampleTime;
}

double SamplePeriodSeconds(std::uint8_t sampleTime) {
    return SamplePeriodTenthsMs(sampleTime) * 1e-4;
}

LogicCapture CaptureFromSamples(const LogicSampleArray& samples, std::uint8_t sampleTime,
                                bool risingEdge) {
    LogicCapture capture;
    capture.sampleTime = sampleTime;
    capture.risingEdge = risingEdge;
    capture.levels.reserve(kTraceSamples);
    for (int n = 0; n < kTraceSamples; ++n) capture.levels.push_back(samples[n] == "1");
    return capture;
}

std::string SamplePeriodText(std::uint8_t sampleTime) {
    const int tenths = SamplePeriodTenthsMs(sampleTime);
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) text += "." + std::to_string(tenths % 10);
    return text + " ms";
}

std::string TriggerEdgeText(bool risingEdge) {
    return risingEdge ? "rising edge" : "falling edge";
}

void WriteVcd(const LogicCapture& capture, std::ostream& out) {
    const long long period = SamplePeriodTenthsMs(capture.sampleTime);
    out << "$version tamro18 logic capture $end\n"
        << "$comment sample time " << SamplePeriodText(capture.sampleTime) << ", trigger on "
        << TriggerEdgeText(capture.risingEdge) << ", " << capture.levels.size() << " samples $end\n"
        << "$timescale 100 us $end\n"
        << "$scope module tamro18 $end\n"
        << "$var wire 1 " << kWireCode << " " << kWireName << " $end\n"
        << "$upscope $end\n"
        << "$enddefinitions $end\n";
    if (capture.levels.empty()) return;
    for (std::size_t n = 0; n < capture.levels.size(); ++n) {
        if (n > 0 && capture.levels[n] == capture.levels[n - 1]) continue;
        out << "#" << static_cast<long long>(n) * period << "\n"
            << (capture.levels[n] ? '1' : '0') << kWireCode << "\n";
    }
    // The last sample lasts one period: a reader needs the time it ends.
    out << "#" << static_cast<long long>(capture.levels.size()) * period << "\n";
}

void WriteCsv(const LogicCapture& capture, std::ostream& out) {
    const long long period = SamplePeriodTenthsMs(capture.sampleTime);
    out << "# tamro18 logic capture, input " << kWireName << "\n"
        << "# sample time: " << SamplePeriodText(capture.sampleTime) << "\n"
        << "# trigger: " << TriggerEdgeText(capture.risingEdge) << "\n"
        << "# samples: " << capture.levels.size() << "\n"
        << "time_s,level\n";
    for (std::size_t n = 0; n < capture.levels.size(); ++n) {
        out << TenthsMsAsSeconds(static_cast<long long>(n) * period) << ","
            << (capture.levels[n] ? '1' : '0') << "\n";
    }
}

CaptureFileResult WriteCaptureFile(const LogicCapture& capture, CaptureFileFormat format,
                                   const std::string& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return {false, "cannot write " + path + ": " + std::strerror(errno)};
    if (format == CaptureFileFormat::Vcd) {
        WriteVcd(capture, file);
    } else {
        WriteCsv(capture, file);
    }
    file.close();
    if (!file) return {false, "cannot write " + path + ": " + std::strerror(errno)};
    return {true, {}};
}

}  // namespace tamro
