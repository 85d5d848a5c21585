#include "panel/file_follow.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTimer>

#include "common/twips.h"

namespace tamro {
namespace {

const std::string kApplication = "TAMRO18";
const std::string kSection = "DATA";
const std::string kWriteOnChangeKey = "WRITE_ON_CHANGE";
constexpr int kPollMs = 500;

// The local file a drag carries when the panel can open it: a HEX file or an
// assembler or C source.
QString DroppableFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1) return {};
    const QUrl url = mime->urls().front();
    if (!url.isLocalFile()) return {};
    const QString suffix = QFileInfo(url.toLocalFile()).suffix().toLower();
    return suffix == "hex" || suffix == "asm" || suffix == "c" ? url.toLocalFile() : QString();
}

}  // namespace

FileFollow::FileFollow(QMainWindow& window, SettingsStore& settings, Window host)
    : QObject(&window), settings_(settings), host_(std::move(host)), recent_(settings) {
    functionMenu_ = window.menuBar()->findChild<QMenu*>("Function");
    writeOnChange_ = functionMenu_->addAction("Write on file change");
    writeOnChange_->setObjectName("WRITE_ON_CHANGE");
    writeOnChange_->setCheckable(true);
    writeOnChange_->setChecked(settings_.Read(kApplication, kSection, kWriteOnChangeKey) == "1");
    connect(writeOnChange_, &QAction::toggled, this, [this](bool on) {
        settings_.Write(kApplication, kSection, kWriteOnChangeKey, on ? "1" : "0");
    });
    connect(functionMenu_, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
    FillRecentMenu();

    note_ = new QLabel(window.centralWidget());
    note_->setObjectName("FileNoteLabel");
    note_->setGeometry(Px(570), Px(3990), Px(3840), Px(255));

    window.setAcceptDrops(true);
    window.installEventFilter(this);
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, [this] { Poll(); });
    timer_->start(kPollMs);
}

void FileFollow::Loaded(const std::string& path) {
    watch_.Loaded(path);
    note_->clear();
}

bool FileFollow::ReloadIfChanged() {
    if (!host_.haveData() || !watch_.Changed()) return true;
    const std::string file = watch_.File();
    host_.loadHex(file);
    if (watch_.Changed()) return false;
    note_->setText("Reloaded " + QFileInfo(QString::fromStdString(file)).fileName());
    return true;
}

void FileFollow::Poll() {
    // A tool run loads the file it writes itself; a running request must end
    // before the image changes.
    if (!writeOnChange_->isChecked() || !host_.haveData() || host_.busy()) return;
    if (watch_.PollSettledChange() && ReloadIfChanged()) host_.write();
}

void FileFollow::FillRecentMenu() {
    for (QAction* action : recentActions_) {
        functionMenu_->removeAction(action);
        action->deleteLater();
    }
    recentActions_.clear();
    const std::vector<std::string>& files = recent_.Files();
    if (files.empty()) return;
    recentActions_.push_back(functionMenu_->addSeparator());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const QString path = QString::fromStdString(files[i]);
        QAction* action = functionMenu_->addAction(QString("&%1 %2").arg(i + 1).arg(path));
        action->setObjectName(QString("RecentFile_%1").arg(i + 1));
        connect(action, &QAction::triggered, this, [this, path] {
            if (!host_.refuseWhileBusy()) host_.open(path.toStdString());
        });
        recentActions_.push_back(action);
    }
}

bool FileFollow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::DragEnter) {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        if (!DroppableFile(drag->mimeData()).isEmpty()) drag->acceptProposedAction();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString file = DroppableFile(drop->mimeData());
        if (!file.isEmpty() && !host_.refuseWhileBusy()) {
            drop->acceptProposedAction();
            host_.open(file.toStdString());
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tamro
