#pragma once
// The driver the panel holds: its backend can be replaced while the link is
// closed, so that a newly chosen programmer takes over without a restart.
#include <memory>
#include <utility>

#include "link/driver_library.h"

namespace tamro {

class SwitchableDriver final : public DriverLibrary {
  public:
    explicit SwitchableDriver(std::unique_ptr<DriverLibrary> backend)
        : backend_(std::move(backend)) {}

    // Takes `backend` in place of the current one, which must be closed.
    void Replace(std::unique_ptr<DriverLibrary> backend) { backend_ = std::move(backend); }

    std::int32_t Open() override { return backend_->Open(); }
    void Close() override { backend_->Close(); }
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override {
        return backend_->DataWrite(buffer, count);
    }
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override {
        return backend_->DataRead(buffer, count);
    }
    int Window() const override { return backend_->Window(); }
    void DiscardReplies() override { backend_->DiscardReplies(); }
    OpenFailureCause LastOpenFailure() const override { return backend_->LastOpenFailure(); }

  private:
    std::unique_ptr<DriverLibrary> backend_;
};

}  // namespace tamro
