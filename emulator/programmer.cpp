#include "emulator/programmer.h"

#include <cstdlib>
#include <string_view>

namespace tamro::emu {

struct Programmer::State {
    Options options;
};

Options Options::FromEnvironment() {
    Options options;
    if (const char* device = std::getenv("TAMRO18_EMULATOR_DEVICE")) {
        if (std::string_view(device) == "18F4520") options.device = Device::Pic18F4520;
    }
    return options;
}

Programmer::Programmer(Options options) : state_(std::make_unique<State>()) {
    state_->options = std::move(options);
}

Programmer::~Programmer() = default;

Block Programmer::Exchange(const Block& packet) {
    Block reply{};
    if (packet[0] == 63) reply = {'T', 'A', 'M', 'R', 'O', 'E', '1', '0'};
    return reply;
}

}  // namespace tamro::emu
