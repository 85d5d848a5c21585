#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "link/device_text.h"
#include "link/stream_driver.h"
#include "link/stream_drivers.h"

namespace tamro {
namespace {

// A programmer that appears as a serial device, in raw mode. It is held
// exclusively: a lock on the device node (which holds even for root) and
// TIOCEXCL, so a second panel fails to open instead of stealing replies.
struct BaudRate {
    int baud;
    speed_t speed;
};

constexpr BaudRate kBaudRates[] = {
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {921600, B921600},   {1000000, B1000000}, {1500000, B1500000}, {2000000, B2000000},
    {3000000, B3000000},
};

speed_t SpeedFor(int baud) {
    for (const BaudRate& rate : kBaudRates) {
        if (rate.baud == baud) return rate.speed;
    }
    return B115200;
}

class SerialDriver final : public StreamDriver {
  public:
    SerialDriver(std::string path, std::chrono::milliseconds timeout, int baud)
        : StreamDriver(timeout), path_(std::move(path)), speed_(SpeedFor(baud)) {}
    ~SerialDriver() override { Close(); }

  protected:
    int Connect(OpenFailureCause& cause) override {
        const int fd = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            cause = OpenFailureFromErrno(path_, errno);
            return -1;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            cause = OpenFailureFromErrno(path_, errno);
            close(fd);
            return -1;
        }
        if (isatty(fd)) {
            ioctl(fd, TIOCEXCL);
            termios settings{};
            if (tcgetattr(fd, &settings) != 0) {
                cause = OpenFailureFromErrno(path_, errno);
                close(fd);
                return -1;
            }
            cfmakeraw(&settings);
            settings.c_cflag |= CLOCAL | CREAD;
            // With VMIN 0 an empty non-blocking read returns 0, which reads as a hang-up.
            settings.c_cc[VMIN] = 1;
            settings.c_cc[VTIME] = 0;
            cfsetispeed(&settings, speed_);
            cfsetospeed(&settings, speed_);
            if (tcsetattr(fd, TCSANOW, &settings) != 0) {
                cause = OpenFailureFromErrno(path_, errno);
                close(fd);
                return -1;
            }
            tcflush(fd, TCIOFLUSH);
        }
        return fd;
    }
    ssize_t WriteSome(int fd, const std::uint8_t* buffer, std::size_t count) override {
        return write(fd, buffer, count);
    }
    void FlushQueue(int fd, int queue) override {
        if (isatty(fd)) tcflush(fd, queue);
    }
    // The exclusive flag outlives this descriptor while another one (the emulator
    // daemon's) holds the terminal open.
    void Release(int fd) override {
        if (isatty(fd)) ioctl(fd, TIOCNXCL);
    }

  private:
    std::string path_;
    speed_t speed_;
};

}  // namespace

std::unique_ptr<DriverLibrary> MakeSerialDriver(const std::string& path,
                                                std::chrono::milliseconds timeout, int baud) {
    return std::make_unique<SerialDriver>(path, timeout, baud);
}

const std::vector<int>& SerialBaudRates() {
    static const std::vector<int> rates = [] {
        std::vector<int> all;
        for (const BaudRate& rate : kBaudRates) all.push_back(rate.baud);
        return all;
    }();
    return rates;
}

}  // namespace tamro
