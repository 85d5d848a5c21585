#include "panel/config_names_window.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace tamro {
namespace {

enum Column { kAddress, kField, kBoxes, kChip, kMeaning, kColumns };

QString SettingText(const std::string& value, bool protectionOn) {
    return QString::fromStdString(value) + (protectionOn ? " (protection on)" : "");
}

}  // namespace

void ConfigNamesModel::SetRows(std::vector<ConfigNameRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int ConfigNamesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ConfigNamesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant ConfigNamesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const ConfigNameRow& row = rows_[static_cast<std::size_t>(index.row())];
    if (role == Qt::ForegroundRole) {
        const bool on = (index.column() == kBoxes && row.imageProtectionOn) ||
                        (index.column() == kChip && row.chipProtectionOn);
        return on ? QVariant(QBrush(QColor(255, 0, 0))) : QVariant();
    }
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case kAddress:
            return QString::fromStdString(row.address);
        case kField:
            return QString::fromStdString(row.field);
        case kBoxes:
            return SettingText(row.image, row.imageProtectionOn);
        case kChip:
            return row.chip.empty() ? QString("not read")
                                    : SettingText(row.chip, row.chipProtectionOn);
        case kMeaning:
            return QString::fromStdString(row.meaning);
        default:
            return {};
    }
}

QVariant ConfigNamesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    static const char* const kTitles[kColumns] = {"Address", "Field", "Boxes", "Chip (READ)",
                                                  "Meaning"};
    return section >= 0 && section < kColumns ? QVariant(kTitles[section]) : QVariant();
}

ConfigNamesWindow::ConfigNamesWindow(const ProgrammerSession& session, QWidget* parent)
    : QDialog(parent), session_(session), model_(new ConfigNamesModel(this)) {
    setObjectName("ConfigNamesWindow");
    setWindowTitle("Configuration by name");
    device_ = new QLabel(this);
    device_->setObjectName("ConfigNamesDevice");
    table_ = new QTableView(this);
    table_->setObjectName("ConfigNamesList");
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(device_);
    layout->addWidget(table_);
    resize(640, 420);
}

void ConfigNamesWindow::Refresh() {
    const devices::Device& device = NamingDevice(session_);
    ConfigBytes boxes{};
    std::copy_n(session_.images().config.begin(), boxes.size(), boxes.begin());
    model_->SetRows(ConfigurationByName(device, boxes, session_.ChipConfiguration()));
    device_->setText(QString::fromStdString(device.name + " configuration"));
    table_->resizeColumnsToContents();
}

}  // namespace tamro
