#pragma once
// A desktop launcher that records what it was asked to start.

#include <string>
#include <vector>

#include "tools/desktop_launch.h"

namespace tamro::testing {

class FakeDesktopLauncher final : public DesktopLauncher {
  public:
    bool OpenUrl(const std::string& url) override {
        openedUrls.push_back(url);
        return urlResult;
    }
    bool StartCalculator() override {
        ++calculatorStarts;
        return calculatorResult;
    }

    std::vector<std::string> openedUrls;
    int calculatorStarts = 0;
    bool urlResult = true;
    bool calculatorResult = true;
};

}  // namespace tamro::testing
