#include "common/platform.h"

#include <thread>

namespace tamro {
namespace {

class SteadyClock final : public Clock {
  public:
    std::chrono::steady_clock::time_point Now() override {
        return std::chrono::steady_clock::now();
    }
    void SleepFor(std::chrono::microseconds duration) override {
        std::this_thread::sleep_for(duration);
    }
};

}  // namespace

Clock& SystemClock() {
    static SteadyClock clock;
    return clock;
}

}  // namespace tamro
