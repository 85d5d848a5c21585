#pragma once
// A loaded file as the session sees it when it switches the device group:
// each reload puts `marker` into the first program byte, or fails.

#include <string>

#include "programming/programmer_session.h"

namespace tamro::testing {

class FakeFileReload final : public FileReload {
  public:
    explicit FakeFileReload(ProgrammerSession& session) : session_(session) {}
    std::string LoadedFile() const override { return file; }
    std::string TypedChanges() const override { return typed; }
    bool Reload() override {
        ++reloads;
        if (!loads) return false;
        session_.images().program[0] = marker;
        session_.images().haveData = 1;
        return true;
    }
    void ShowReloaded() override { ++shown; }

    std::string file = "blink.hex", typed;
    bool loads = true;
    std::uint8_t marker = 0xA5;
    int reloads = 0, shown = 0;

  private:
    ProgrammerSession& session_;
};

}  // namespace tamro::testing
