// tamro18-firmware-sim: the programmer board's firmware in a simulated
// ATmega328P, its UART on a pseudo-terminal, a pin-level PIC18 on its ICSP pins.
#include <cstdio>
#include <string>

#include "firmware/sim/board_sim.h"

int main(int argc, char** argv) {
    tamro::sim::BoardOptions options;
    std::string error;
    bool help = false;
    if (!tamro::sim::ParseBoardArguments(argc, argv, options, error, help)) {
        if (help) {
            std::fputs(tamro::sim::BoardUsage().c_str(), stdout);
            return 0;
        }
        std::fprintf(stderr, "tamro18-firmware-sim: %s\n%s", error.c_str(),
                     tamro::sim::BoardUsage().c_str());
        return 2;
    }
    return tamro::sim::RunBoard(options, stdout);
}
