#pragma once
// What the command-line tool puts around a programming session: a terminal
// instead of message boxes, the panel's stored settings read but never
// written, an optional trace of every exchange, and the opening of the
// programmer a driver setting names.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>

#include "app/cli/cli_failure.h"
#include "common/platform.h"
#include "link/driver_library.h"
#include "link/driver_table.h"
#include "link/link.h"
#include "programming/programmer_session.h"

namespace tamro::cli {

// Where the tool's settings and programmer come from; app/ fills it from the
// environment.
struct CliEnvironment {
    // The driver setting used when the command line names none.
    std::string driverSetting;
    // The folder that holds the panel's settings files ("" when there is none).
    std::filesystem::path settingsFolder;
    // The backends' options (the emulated programmer, the stream time-out).
    DriverOptions driverOptions;
};

// The tool shows no boxes and asks nothing: failures come back from the
// session as values, and the tool words them.
class TerminalMessages final : public MessageBoxes {
  public:
    void Show(MessageIcon, const std::string&, const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    void Beep() override {}
};

// The panel's settings as it stored them (in `folder`/APPLICATION/APPLICATION.conf,
// the INI layout the panel writes), read only: the tool keeps no settings.
class StoredPanelSettings final : public SettingsStore {
  public:
    // A refused file is named once on `warnings`.
    explicit StoredPanelSettings(std::filesystem::path folder, std::ostream& warnings = std::cerr)
        : folder_(std::move(folder)), warnings_(warnings) {}
    std::string Read(const std::string& application, const std::string& section,
                     const std::string& key) override;
    void Write(const std::string&, const std::string&, const std::string&,
               const std::string&) override {}

  private:
    std::filesystem::path folder_;
    std::ostream& warnings_;
    std::set<std::string> refused_;  // warned about once each
};

// The value of `key` in `section` of an INI text as the panel writes it ("" when
// there is none): the first such line counts, a quoted value loses its quotes.
std::string StoredSettingValue(std::string_view text, std::string_view section,
                               std::string_view key);

// Writes one line per exchange: the packet, " -> ", then the reply or "failed".
// It keeps the link stop-and-wait, so that each line pairs a packet with its reply.
class TracingDriver final : public DriverLibrary {
  public:
    TracingDriver(DriverLibrary& inner, std::ostream& trace) : inner_(inner), trace_(trace) {}
    std::int32_t Open() override { return inner_.Open(); }
    void Close() override { inner_.Close(); }
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override;
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override;
    OpenFailureCause LastOpenFailure() const override { return inner_.LastOpenFailure(); }

  private:
    DriverLibrary& inner_;
    std::ostream& trace_;
};

// The failure of the link's last reported exchange, worded for the terminal.
CliFailure LinkFailureOf(const ProgrammerSession& session);

// One programming session over the programmer a driver setting names.
class CliSession {
  public:
    explicit CliSession(const CliEnvironment& environment)
        : settings_(environment.settingsFolder), driverOptions_(environment.driverOptions) {}
    // Makes the backend, opens the trace file when `tracePath` names one, and
    // opens the programmer; the failure when one of them failed.
    std::optional<CliFailure> Open(const std::string& setting, const std::string& tracePath);
    ProgrammerSession& session() { return *session_; }

  private:
    TerminalMessages messages_;
    StoredPanelSettings settings_;
    DriverOptions driverOptions_;
    std::unique_ptr<DriverLibrary> backend_;
    std::ofstream traceFile_;
    std::unique_ptr<TracingDriver> tracing_;
    std::unique_ptr<ProgrammerSession> session_;
};

}  // namespace tamro::cli
