#include "tools/ui/process_runner.h"

#include <signal.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace tamro {
namespace {

QStringList ToQt(const std::vector<std::string>& arguments) {
    QStringList list;
    for (const std::string& argument : arguments) list << QString::fromStdString(argument);
    return list;
}

// Enough for any tool's messages; a tool that prints on and on is cut here.
constexpr qsizetype kOutputLimit = 1 << 20;

class QtRunningProcess final : public RunningProcess {
  public:
    explicit QtRunningProcess(std::unique_ptr<QProcess> process)
        : process_(std::move(process)), group_(static_cast<pid_t>(process_->processId())) {}
    ~QtRunningProcess() override {
        if (process_->state() != QProcess::NotRunning) Kill();
    }

    bool WaitFinished(std::chrono::milliseconds wait) override {
        if (process_->state() != QProcess::NotRunning) {
            process_->waitForFinished(static_cast<int>(wait.count()));
        }
        Collect();
        return process_->state() == QProcess::NotRunning;
    }

    void Kill() override {
        // The tool leads its own process group: a shell script's children go
        // with it instead of running on.
        if (group_ > 0) ::kill(-group_, SIGKILL);
        process_->kill();
        process_->waitForFinished(2000);
        Collect();
    }

    bool Succeeded() override {
        return process_->state() == QProcess::NotRunning &&
               process_->exitStatus() == QProcess::NormalExit && process_->exitCode() == 0;
    }

    std::string Output() override {
        Collect();
        return output_.toStdString();
    }

  private:
    void Collect() {
        const QByteArray fresh = process_->readAll();
        output_.append(fresh.left(std::max<qsizetype>(0, kOutputLimit - output_.size())));
    }

    std::unique_ptr<QProcess> process_;
    pid_t group_;
    QByteArray output_;
};

}  // namespace

std::unique_ptr<RunningProcess> QtProcessRunner::Start(const CommandLine& command,
                                                       const std::string& workingFolder) {
    if (command.program.empty()) return nullptr;
    auto process = std::make_unique<QProcess>();
    process->setProgram(QString::fromStdString(command.program));
    process->setArguments(ToQt(command.arguments));
    if (!workingFolder.empty()) process->setWorkingDirectory(QString::fromStdString(workingFolder));
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setChildProcessModifier([] { ::setpgid(0, 0); });
    process->start();
    if (!process->waitForStarted(10000)) return nullptr;
    return std::make_unique<QtRunningProcess>(std::move(process));
}

std::string QtProcessRunner::FindProgram(const std::string& name) {
    return QStandardPaths::findExecutable(QString::fromStdString(name)).toStdString();
}

bool QtProcessRunner::StartDetached(const CommandLine& command) {
    if (command.program.empty()) return false;
    return QProcess::startDetached(QString::fromStdString(command.program),
                                   ToQt(command.arguments));
}

}  // namespace tamro
