#include "firmware/sim/board_sim.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <deque>
#include <filesystem>
#include <vector>

extern "C" {
#include <avr_adc.h>
#include <avr_ioport.h>
#include <avr_uart.h>
#include <sim_avr.h>
#include <sim_elf.h>
#include <sim_io.h>
#include <sim_irq.h>
}

#include "common/arguments.h"
#include "emulator/device_facts.h"
#include "emulator/pic18_target.h"
#include "emulator/state_file.h"
#include "firmware/sim/firmware_protocol.h"
#include "firmware/sim/pin_target.h"

namespace tamro::sim {
namespace {

constexpr std::uint32_t kClockHz = 16'000'000;
constexpr Picoseconds kCycle = 1'000'000'000'000 / kClockHz;
// ATmega328P data-space addresses of port B's registers.
constexpr avr_io_addr_t kDdrB = 0x24;
constexpr avr_io_addr_t kPortB = 0x25;
// The analog inputs reach the ADC through a 34k / 10k divider.
constexpr double kDivider = 4.4;
constexpr double kVppVolts[3] = {0.0, 5.0, 12.0};
// Instructions run between looks at the host and the signals.
constexpr int kSlice = 2048;
// The longest the AVR sleeps in one go (25 us): simavr ends a sleep only at a
// timer, so a byte from the host waits at most this long to wake the board,
// as the receive interrupt would wake it at once.
constexpr avr_cycle_count_t kLongestSleep = 400;

using SteadyClock = std::chrono::steady_clock;

class Board {
  public:
    Board(const BoardOptions& options, std::FILE* out, int signalFd)
        : options_(options),
          out_(out),
          signalFd_(signalFd),
          target_(options.device, options.revision),
          pins_(target_, [this](bool level) { DrivePgd(level); }) {}

    ~Board() {
        if (avr_) avr_terminate(avr_);
        if (terminal_ >= 0) close(terminal_);
        if (master_ >= 0) close(master_);
    }

    int Run();

  private:
    bool Load(std::string& error);
    bool OpenPty(std::string& path);
    void Attach();
    Picoseconds Now() const { return static_cast<Picoseconds>(avr_->cycle) * kCycle; }
    void Report();

    // Port B as the firmware leaves it.
    void PortChanged();
    void DrivePgd(bool level);
    void SetAnalog(int channel, double volts);
    void PowerChanged(int vpp, bool supply, bool led);

    // Host link.
    void Pump(Picoseconds timeout);
    void Feed();
    void Idle(avr_cycle_count_t howLong);

    static void OnPort(avr_irq_t*, std::uint32_t, void* self) {
        static_cast<Board*>(self)->PortChanged();
    }
    static void OnUartOutput(avr_irq_t*, std::uint32_t value, void* self) {
        static_cast<Board*>(self)->toHost_.push_back(static_cast<std::uint8_t>(value));
    }
    static void OnXon(avr_irq_t*, std::uint32_t, void* self) {
        auto* board = static_cast<Board*>(self);
        board->xon_ = true;
        board->Feed();
    }
    static void OnXoff(avr_irq_t*, std::uint32_t, void* self) {
        static_cast<Board*>(self)->xon_ = false;
    }
    static avr_cycle_count_t OnSignal(avr_t* avr, avr_cycle_count_t when, void* self);
    static avr_cycle_count_t OnWake(avr_t*, avr_cycle_count_t when, void*) {
        return when + kLongestSleep;
    }
    static void OnSleep(avr_t* avr, avr_cycle_count_t howLong);

    BoardOptions options_;
    std::FILE* out_;
    int signalFd_;
    avr_t* avr_ = nullptr;
    emu::Pic18Target target_;
    PinLevelTarget pins_;

    int master_ = -1;
    int terminal_ = -1;
    std::deque<std::uint8_t> fromHost_;
    std::vector<std::uint8_t> toHost_;
    bool xon_ = true;
    avr_irq_t* uartInput_ = nullptr;
    avr_irq_t* pgdInput_ = nullptr;
    avr_irq_t* signalInput_ = nullptr;
    avr_irq_t* adc_ = nullptr;
    bool stop_ = false;
    Picoseconds lastHostByte_ = -1;

    std::uint8_t ddr_ = 0;
    std::uint8_t port_ = 0;
    int vpp_ = -1;
    bool supply_ = false;
    bool led_ = false;

    // The square wave: level and the time of its next edge, in cycles.
    bool signalHigh_ = false;
    double signalEdge_ = 0;

    // Pacing while the firmware waits for the host, and the simulated time
    // spent so: what a faster host would have saved.
    bool idle_ = false;
    Picoseconds hostWait_ = 0;
    // When the UART will have delivered the last byte fed to it.
    Picoseconds uartDrainedAt_ = 0;
    Picoseconds idleSimStart_ = 0;
    SteadyClock::time_point idleWallStart_;
};

Board* sleeping = nullptr;  // the board whose AVR calls OnSleep

bool Board::Load(std::string& error) {
    std::string path = options_.firmware;
    if (path.empty()) {
        // Beside the program in the build tree, or where it is installed.
        std::error_code ignored;
        const auto root =
            std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path().parent_path();
        for (const auto& candidate :
             {root / "firmware" / "tamro18-firmware.elf",
              root / "share" / "tamro18" / "firmware" / "tamro18-firmware.elf"}) {
            path = candidate.string();
            if (std::filesystem::exists(candidate, ignored)) break;
        }
    }
    elf_firmware_t firmware{};
    // simavr's loader talks on standard output, where the first line must be the pty.
    std::fflush(stdout);
    const int savedStdout = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) dup2(null, STDOUT_FILENO);
    const bool read = elf_read_firmware(path.c_str(), &firmware) == 0;
    avr_ = read ? avr_make_mcu_by_name("atmega328p") : nullptr;
    if (avr_ && avr_init(avr_) == 0) {
        avr_->log = LOG_NONE;
        avr_load_firmware(avr_, &firmware);
    }
    std::fflush(stdout);
    if (savedStdout >= 0) {
        dup2(savedStdout, STDOUT_FILENO);
        close(savedStdout);
    }
    if (null >= 0) close(null);
    if (!read) {
        error = "cannot read the firmware " + path;
        return false;
    }
    if (!avr_) {
        error = "simavr has no ATmega328P";
        return false;
    }
    avr_->frequency = kClockHz;
    avr_->vcc = avr_->avcc = avr_->aref = 5000;
    return true;
}

bool Board::OpenPty(std::string& path) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return false;
    const char* name = ptsname(master_);
    path = name ? name : "";
    // Holding the terminal side open keeps the pty alive between clients, and
    // raw mode keeps the bytes as they are.
    terminal_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (terminal_ < 0 || tcgetattr(terminal_, &settings) != 0) return false;
    cfmakeraw(&settings);
    tcsetattr(terminal_, TCSANOW, &settings);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    return true;
}

void Board::Attach() {
    avr_irq_register_notify(avr_iomem_getirq(avr_, kPortB, nullptr, AVR_IOMEM_IRQ_ALL), OnPort,
                            this);
    avr_irq_register_notify(avr_iomem_getirq(avr_, kDdrB, nullptr, AVR_IOMEM_IRQ_ALL), OnPort,
                            this);
    pgdInput_ = avr_io_getirq(avr_, AVR_IOCTL_IOPORT_GETIRQ('B'), kPinPgd);
    signalInput_ = avr_io_getirq(avr_, AVR_IOCTL_IOPORT_GETIRQ('D'), kPinSignal);

    uartInput_ = avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT),
                            OnUartOutput, this);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XON),
                            OnXon, this);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XOFF),
                            OnXoff, this);

    adc_ = avr_io_getirq(avr_, AVR_IOCTL_ADC_GETIRQ, 0);
    SetAnalog(kAdcVpp, 0);
    SetAnalog(kAdcSab, options_.sabVolts);
    SetAnalog(kAdcVin, options_.vinVolts);

    const double hz = options_.signal.frequencyHz;
    avr_raise_irq(signalInput_, 0);
    if (hz > 0 && std::isfinite(hz)) {
        signalEdge_ = 1000;  // the first rising edge, just after reset
        avr_cycle_timer_register(avr_, static_cast<avr_cycle_count_t>(signalEdge_), OnSignal, this);
    }
    avr_cycle_timer_register(avr_, kLongestSleep, OnWake, this);
    sleeping = this;
    avr_->sleep = OnSleep;
    PortChanged();
}

void Board::SetAnalog(int channel, double volts) {
    const double pinVolts = std::clamp(volts / kDivider, 0.0, 5.0);
    avr_raise_irq(adc_ + channel, static_cast<std::uint32_t>(std::lround(pinVolts * 1000)));
}

avr_cycle_count_t Board::OnSignal(avr_t*, avr_cycle_count_t, void* self) {
    auto* board = static_cast<Board*>(self);
    const double period = kClockHz / board->options_.signal.frequencyHz;
    const double duty = std::clamp(board->options_.signal.duty, 0.01, 0.99);
    board->signalHigh_ = !board->signalHigh_;
    avr_raise_irq(board->signalInput_, board->signalHigh_ ? 1 : 0);
    board->signalEdge_ += board->signalHigh_ ? period * duty : period * (1 - duty);
    return static_cast<avr_cycle_count_t>(std::max(board->signalEdge_, 1.0));
}

void Board::PortChanged() {
    const std::uint8_t ddr = avr_->data[kDdrB];
    const std::uint8_t port = avr_->data[kPortB];
    const auto out = [&](int pin) { return (ddr >> pin & 1) && (port >> pin & 1); };
    const Picoseconds now = Now();
    const bool supply = out(kPinSupply) && options_.targetAttached;
    // Two transistors: VPP_ON puts about 12 V on MCLR/Vpp, MCLR_LOW pulls it to
    // 0 V, neither leaves it at the target's VDD through the pull-up.
    const int vpp = out(kPinVppOn) ? 2 : out(kPinMclrLow) ? 0 : 1;
    const bool led = out(kPinLed);
    if (supply != supply_ && supply) pins_.Supply(true, now);
    if (vpp != vpp_) pins_.Vpp(vpp, now);
    if (supply != supply_ && !supply) pins_.Supply(false, now);
    pins_.HostPgd(out(kPinPgd), ddr >> kPinPgd & 1, now);
    pins_.Pgc(out(kPinPgc), now);
    ddr_ = ddr;
    port_ = port;
    if (vpp != vpp_ || supply != supply_ || led != led_) {
        PowerChanged(vpp, supply, led);
        if (vpp != vpp_) SetAnalog(kAdcVpp, supply || vpp == 2 ? kVppVolts[vpp] : 0.0);
        vpp_ = vpp;
        supply_ = supply;
        led_ = led;
    }
}

void Board::PowerChanged(int vpp, bool supply, bool led) {
    if (!options_.powerLog) return;
    std::fprintf(out_,
                 "%.6f s: Vpp %s, supply %s, LED %s; last host byte at %.6f s; waited for the "
                 "host %.6f s\n",
                 static_cast<double>(Now()) / 1e12,
                 vpp == 2   ? "12 V"
                 : vpp == 1 ? "5 V"
                            : "0 V",
                 supply ? "on" : "off", led ? "on" : "off",
                 static_cast<double>(std::max<Picoseconds>(lastHostByte_, 0)) / 1e12,
                 static_cast<double>(hostWait_) / 1e12);
    std::fflush(out_);
}

void Board::DrivePgd(bool level) {
    avr_raise_irq(pgdInput_, level ? 1 : 0);
}

void Board::Feed() {
    // A byte is 10 bits on the line: UBRR0 and U2X0 of the ATmega328P's UART 0.
    const unsigned ubrr = avr_->data[0xC4] | (avr_->data[0xC5] & 0x0F) << 8;
    const bool doubleSpeed = avr_->data[0xC0] & 0x02;
    const Picoseconds byteTime = 10 * (ubrr + 1) * (doubleSpeed ? 8 : 16) * kCycle;
    // Bytes wait until the firmware has switched its receiver on (RXEN0).
    const bool receiving = avr_->data[0xC1] & 0x10;
    while (receiving && xon_ && !fromHost_.empty()) {
        const std::uint8_t byte = fromHost_.front();
        fromHost_.pop_front();
        uartDrainedAt_ = std::max(uartDrainedAt_, Now()) + byteTime;
        avr_raise_irq(uartInput_, byte);
    }
}

// Moves bytes between the pseudo-terminal and the UART, waiting up to
// `timeout` for the host or a stop signal.
void Board::Pump(Picoseconds timeout) {
    if (!toHost_.empty()) {
        const ssize_t n = write(master_, toHost_.data(), toHost_.size());
        if (n > 0) toHost_.erase(toHost_.begin(), toHost_.begin() + n);
    }
    pollfd fds[2] = {{master_, POLLIN, 0}, {signalFd_, POLLIN, 0}};
    const timespec wait{static_cast<time_t>(timeout / (1000 * kMillisecond)),
                        static_cast<long>(timeout % (1000 * kMillisecond) / kNanosecond)};
    if (ppoll(fds, 2, &wait, nullptr) <= 0) return;
    if (fds[1].revents & POLLIN) stop_ = true;
    if (fds[0].revents & POLLIN) {
        std::uint8_t buffer[512];
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n > 0) {
            fromHost_.insert(fromHost_.end(), buffer, buffer + n);
            lastHostByte_ = Now();
            idle_ = false;
            Feed();
        }
    }
}

// The AVR sleeps until its next timer: with nothing from the host, the sleep
// takes at least its own length in wall time.
void Board::Idle(avr_cycle_count_t howLong) {
    Pump(0);
    if (!fromHost_.empty() || !toHost_.empty() || Now() < uartDrainedAt_ || stop_) return;
    hostWait_ += static_cast<Picoseconds>(howLong) * kCycle;
    const Picoseconds simNow = Now() + static_cast<Picoseconds>(howLong) * kCycle;
    const auto wallNow = SteadyClock::now();
    if (!idle_) {
        idle_ = true;
        idleSimStart_ = Now();
        idleWallStart_ = wallNow;
    }
    const Picoseconds wall =
        std::chrono::duration_cast<std::chrono::nanoseconds>(wallNow - idleWallStart_).count() *
        kNanosecond;
    const Picoseconds ahead = (simNow - idleSimStart_) - wall;
    if (ahead > 0) Pump(std::min(ahead, 100 * kMillisecond));
}

void Board::OnSleep(avr_t*, avr_cycle_count_t howLong) {
    if (sleeping) sleeping->Idle(howLong);
}

int Board::Run() {
    std::string error;
    if (!Load(error)) {
        std::fprintf(stderr, "tamro18-firmware-sim: %s\n", error.c_str());
        return 1;
    }
    if (!options_.stateFile.empty()) {
        if (auto memory = emu::LoadStateFile(options_.stateFile, options_.device)) {
            target_.SetMemory(*memory);
        } else {
            target_.ResetMemoryToFactory();
        }
    } else {
        target_.ResetMemoryToFactory();
    }
    target_.ClearMemoryChanged();
    std::string path;
    if (!OpenPty(path)) {
        std::fprintf(stderr, "tamro18-firmware-sim: cannot create a pseudo-terminal: %s\n",
                     std::strerror(errno));
        return 1;
    }
    // The board has started (10 ms) before a host can reach it; its state
    // then is the start, not a change.
    const bool log = options_.powerLog;
    options_.powerLog = false;
    Attach();
    while (Now() < 10 * kMillisecond) avr_run(avr_);
    options_.powerLog = log;
    std::fprintf(out_, "%s\n", path.c_str());
    std::fflush(out_);
    int status = 0;
    while (!stop_) {
        for (int i = 0; i < kSlice && !stop_; ++i) {
            const int state = avr_run(avr_);
            if (state == cpu_Done || state == cpu_Crashed) {
                std::fprintf(stderr, "tamro18-firmware-sim: the firmware stopped (state %d)\n",
                             state);
                stop_ = true;
                status = 1;
                break;
            }
        }
        Pump(0);
    }
    Report();
    if (!options_.stateFile.empty() && target_.MemoryChanged() &&
        !emu::SaveStateFile(options_.stateFile, options_.device, target_.Memory())) {
        std::fprintf(stderr, "tamro18-firmware-sim: could not write the state file %s\n",
                     options_.stateFile.c_str());
        status = 1;
    }
    return status;
}

void Board::Report() {
    std::fprintf(out_, "simulated time: %.6f s (waiting for the host %.6f s)\n",
                 static_cast<double>(Now()) / 1e12, static_cast<double>(hostWait_) / 1e12);
    std::fprintf(out_, "ICSP commands: %llu\n",
                 static_cast<unsigned long long>(pins_.CommandsDecoded()));
    for (const auto& [rule, count] : pins_.Violations()) {
        std::fprintf(out_, "  %s: %llu\n", rule.c_str(), static_cast<unsigned long long>(count));
    }
    std::fprintf(out_, "timing violations: %llu\n",
                 static_cast<unsigned long long>(pins_.ViolationCount()));
    std::fflush(out_);
}

}  // namespace

std::string BoardUsage() {
    return "usage: tamro18-firmware-sim [--firmware ELF] [--device 18F452|18F4520]\n"
           "       [--revision N] [--state PATH|none] [--no-target] [--vin VOLTS]\n"
           "       [--sab VOLTS] [--signal-hz HZ] [--signal-duty FRACTION] [--power-log]\n";
}

bool ParseBoardArguments(int argc, char** argv, BoardOptions& options, std::string& error,
                         bool& help) {
    help = false;
    // Sets `field` to the number `text` names from `minimum` to `maximum`, or refuses it.
    auto number = [](double& field, const std::string& text, double minimum, double maximum,
                     const std::string& reason) -> ArgumentRefusal {
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (end == text.c_str() || *end || !(value >= minimum) || value > maximum) return reason;
        field = value;
        return std::nullopt;
    };
    const auto showHelp = [&] { help = true; };
    const ArgumentRules rules{
        {{"--help", showHelp, {}},
         {"-h", showHelp, {}},
         {"--firmware",
          {},
          [&](const std::string& value) -> ArgumentRefusal {
              options.firmware = value;
              return std::nullopt;
          }},
         {"--device",
          {},
          [&](const std::string& value) -> ArgumentRefusal {
              const auto device = emu::DeviceFromName(value);
              if (!device) return "unknown device " + value;
              options.device = *device;
              return std::nullopt;
          }},
         {"--revision",
          {},
          [&](const std::string& value) -> ArgumentRefusal {
              const auto revision = WholeNumberArgument(value, 0, 31);
              if (!revision) return "--revision needs 0 to 31";
              options.revision = static_cast<int>(*revision);
              return std::nullopt;
          }},
         {"--state",
          {},
          [&](const std::string& value) -> ArgumentRefusal {
              options.stateFile = value == "none" ? "" : value;
              return std::nullopt;
          }},
         {"--no-target", [&] { options.targetAttached = false; }, {}},
         {"--vin",
          {},
          [&](const std::string& value) {
              return number(options.vinVolts, value, 0, 22, "--vin needs 0 to 22 volts");
          }},
         {"--sab",
          {},
          [&](const std::string& value) {
              return number(options.sabVolts, value, 0, 22, "--sab needs 0 to 22 volts");
          }},
         {"--signal-hz",
          {},
          [&](const std::string& value) {
              return number(options.signal.frequencyHz, value, 0, 1e6,
                            "--signal-hz needs 0 to 1000000");
          }},
         {"--signal-duty",
          {},
          [&](const std::string& value) {
              return number(options.signal.duty, value, 0.01, 0.99,
                            "--signal-duty needs a fraction from 0.01 to 0.99");
          }},
         {"--power-log", [&] { options.powerLog = true; }, {}}},
        [](const std::string& word) -> ArgumentRefusal { return "unexpected word " + word; }};
    const std::vector<std::string> words(argv + std::min(argc, 1), argv + argc);
    const ArgumentRefusal refused = ParseArguments(words, rules);
    // --help answers whatever else the line holds.
    if (help) return false;
    if (refused) {
        error = *refused;
        return false;
    }
    return true;
}

int RunBoard(const BoardOptions& options, std::FILE* out) {
    signal(SIGPIPE, SIG_IGN);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signalFd < 0) {
        std::fprintf(stderr, "tamro18-firmware-sim: signalfd: %s\n", std::strerror(errno));
        return 1;
    }
    int status = 0;
    {
        Board board(options, out, signalFd);
        status = board.Run();
    }
    close(signalFd);
    return status;
}

}  // namespace tamro::sim
