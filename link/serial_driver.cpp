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
class SerialDriver final : public StreamDriver {
  public:
    SerialDriver(std::string path, std::chrono::milliseconds timeout)
        : StreamDriver(timeout), path_(std::move(path)) {}
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
            cfsetispeed(&settings, B115200);
            cfsetospeed(&settings, B115200);
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
};

}  // namespace

std::unique_ptr<DriverLibrary> MakeSerialDriver(const std::string& path,
                                                std::chrono::milliseconds timeout) {
    return std::make_unique<SerialDriver>(path, timeout);
}

}  // namespace tamro
