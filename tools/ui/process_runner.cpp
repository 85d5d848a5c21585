#include "tools/ui/process_runner.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace tamro {
namespace {

QStringList ToQt(const std::vector<std::string>& arguments) {
    QStringList list;
    for (const std::string& argument : arguments) list << QString::fromStdString(argument);
    return list;
}

class QtRunningProcess final : public RunningProcess {
  public:
    explicit QtRunningProcess(std::unique_ptr<QProcess> process) : process_(std::move(process)) {}
    ~QtRunningProcess() override {
        if (process_->state() != QProcess::NotRunning) Kill();
    }

    bool WaitFinished(std::chrono::milliseconds wait) override {
        if (process_->state() == QProcess::NotRunning) return true;
        return process_->waitForFinished(static_cast<int>(wait.count())) ||
               process_->state() == QProcess::NotRunning;
    }

    void Kill() override {
        process_->kill();
        process_->waitForFinished(2000);
    }

  private:
    std::unique_ptr<QProcess> process_;
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
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(10000)) return nullptr;
    return std::make_unique<QtRunningProcess>(std::move(process));
}

bool QtProcessRunner::StartDetached(const CommandLine& command) {
    if (command.program.empty()) return false;
    return QProcess::startDetached(QString::fromStdString(command.program),
                                   ToQt(command.arguments));
}

}  // namespace tamro
