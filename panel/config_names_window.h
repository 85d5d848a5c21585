#pragma once
// The configuration by name, read-only: for each configuration field of the
// device, the setting the configuration boxes hold and the one the chip held
// at the last READ, with what the boxes' setting does. A protection field
// that is on says so.

#include <QAbstractTableModel>
#include <QDialog>
#include <vector>

#include "programming/config_names.h"

class QLabel;
class QTableView;

namespace tamro {

class ConfigNamesModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit ConfigNamesModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    void SetRows(std::vector<ConfigNameRow> rows);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    std::vector<ConfigNameRow> rows_;
};

class ConfigNamesWindow : public QDialog {
    Q_OBJECT

  public:
    explicit ConfigNamesWindow(const ProgrammerSession& session, QWidget* parent = nullptr);
    // Fills the list from the session's images, chip and device.
    void Refresh();
    const ConfigNamesModel& model() const { return *model_; }

  private:
    const ProgrammerSession& session_;
    ConfigNamesModel* model_;
    QLabel* device_;
    QTableView* table_;
};

}  // namespace tamro
