// Capture files: a capture of the emulated programmer's logic input, read back
// from its VCD by sigrok-cli and from its CSV, is what was captured.

#include "instruments/capture_export.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "emulator/programmer.h"

namespace tamro {
namespace {

namespace fs = std::filesystem;

TEST(CaptureExport, UnwritablePathIsReportedNotWritten) {
    const CaptureFileResult result =
        WriteCaptureFile(LogicCapture{{true, false}, 1, true}, CaptureFileFormat::Csv,
                         "/nonexistent-folder/capture.csv");
    EXPECT_FALSE(result.written);
    EXPECT_NE(result.error.find("/nonexistent-folder/capture.csv"), std::string::npos);
}

std::string Run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    pclose(pipe);
    return output;
}

struct SigrokReading {
    long long samplerate = 0;
    std::string samples;
};

// sigrok-cli's CSV output: a "META samplerate" line, comments, a label line
// and one level per line.
SigrokReading ReadWithSigrok(const fs::path& vcd, int downsample) {
    const std::string command = "sigrok-cli -I vcd:downsample=" + std::to_string(downsample) +
                                " -i '" + vcd.string() +
                                "' -O csv:dedup=false:label=off 2>/dev/null";
    SigrokReading reading;
    std::istringstream lines(Run(command));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("META samplerate: ", 0) == 0)
            reading.samplerate = std::stoll(line.substr(17));
        if (line == "0" || line == "1") reading.samples += line;
    }
    return reading;
}

class CaptureFromEmulator : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::system("command -v sigrok-cli >/dev/null 2>&1") != 0) {
            FAIL() << "sigrok-cli is missing (scripts/setup.sh installs it)";
        }
        folder = fs::temp_directory_path() / ("tamro-capture-" + std::to_string(getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // Arms and reads a capture from an emulated programmer whose logic input
    // runs at 1 kHz, high for the first quarter of each period.
    static LogicCapture Capture(std::uint8_t sampleTime, bool risingEdge) {
        emu::Options options;
        options.signal = {1000.0, 0.25};
        emu::Programmer programmer(options);
        programmer.Exchange({protocol::Code(protocol::Command::CaptureStart), sampleTime,
                             std::uint8_t(risingEdge ? 1 : 0)});
        CaptureBuffer bytes{};
        for (int block = 0; block < kCaptureBlocks; ++block) {
            const emu::Block reply = programmer.Exchange(
                {protocol::Code(protocol::Command::CaptureRead), static_cast<std::uint8_t>(block)});
            for (int k = 0; k < 8; ++k) bytes[8 * block + k] = reply[k];
        }
        LogicSampleArray samples;
        UnpackSamples(bytes, samples);
        return CaptureFromSamples(samples, sampleTime, risingEdge);
    }

    fs::path folder;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), {}};
}

TEST_F(CaptureFromEmulator, SigrokReadsTheVcdAndTheCsvHoldsTheSameSamples) {
    struct Case {
        int sampleTime;
        bool risingEdge;
        const char* period;   // as the headers name it
        std::string pattern;  // what the quarter-high 1 kHz input repeats as
    };
    const Case cases[] = {
        {1, true, "0.1 ms", "1110000000"},
        {0, true, "0.1 ms", "1110000000"},  // 0 samples as 1
        {2, false, "0.2 ms", "00001"},
        {3, true, "0.3 ms", "1000100100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sampleTime);
        const LogicCapture capture = Capture(static_cast<std::uint8_t>(c.sampleTime), c.risingEdge);
        const int period = SamplePeriodTenthsMs(capture.sampleTime);
        std::string captured;
        for (const bool level : capture.levels) captured += level ? '1' : '0';
        std::string expected;
        while (expected.size() < captured.size()) expected += c.pattern;
        expected.resize(captured.size());
        ASSERT_EQ(captured, expected);

        const fs::path vcd = folder / "capture.vcd";
        const fs::path csv = folder / "capture.csv";
        ASSERT_TRUE(WriteCaptureFile(capture, CaptureFileFormat::Vcd, vcd.string()).written);
        ASSERT_TRUE(WriteCaptureFile(capture, CaptureFileFormat::Csv, csv.string()).written);
        const std::string edge = c.risingEdge ? "rising edge" : "falling edge";

        // One sigrok sample per capture sample at the capture's own rate, and
        // at the file's time scale of 0.1 ms each sample held for its period.
        const SigrokReading own = ReadWithSigrok(vcd, period);
        EXPECT_EQ(own.samplerate, 10000 / period);
        EXPECT_EQ(own.samples, captured);
        const SigrokReading fine = ReadWithSigrok(vcd, 1);
        EXPECT_EQ(fine.samplerate, 10000);
        std::string held;
        for (const char level : captured) held += std::string(period, level);
        EXPECT_EQ(fine.samples, held);
        const std::string vcdText = ReadFile(vcd);
        EXPECT_NE(vcdText.find(std::string("sample time ") + c.period), std::string::npos);
        EXPECT_NE(vcdText.find(edge), std::string::npos);

        std::istringstream csvLines(ReadFile(csv));
        std::string line;
        std::string header;
        while (std::getline(csvLines, line) && line.rfind('#', 0) == 0) header += line + "\n";
        EXPECT_NE(header.find(std::string("# sample time: ") + c.period), std::string::npos);
        EXPECT_NE(header.find("# trigger: " + edge), std::string::npos);
        EXPECT_EQ(line, "time_s,level");
        std::string csvSamples;
        for (int n = 0; std::getline(csvLines, line); ++n) {
            EXPECT_NEAR(std::stod(line), n * period * 1e-4, 1e-9);
            csvSamples += line.back();
        }
        EXPECT_EQ(csvSamples, captured);
    }
}

}  // namespace
}  // namespace tamro
