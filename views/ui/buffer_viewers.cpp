#include "views/ui/buffer_viewers.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>

namespace tamro {
namespace {

// Read-only text cells drawn directly: a grid of 16384 cells repaints in a
// fraction of what the full item style costs.
class GridCellDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        if (selected) painter->fillRect(option.rect, option.palette.color(QPalette::Highlight));
        const QString text = index.data(Qt::DisplayRole).toString();
        if (text.isEmpty()) return;
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
};

// Both grids: fixed header row and column, fixed row heights and column widths
// from the twips table, read-only cells.
QTableView* MakeGrid(QWidget* parent, BufferGridModel* model, const GridShape& shape) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(QStringLiteral("DataGrid1"));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(Px(kGridRowHeightTwips) - 3);
    grid->setFont(font);
    grid->setModel(model);
    grid->setItemDelegate(new GridCellDelegate(grid));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A selection copies as text (Ctrl+C or the grid's menu).
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    auto* copy = new QAction(QStringLiteral("Copy"), grid);
    copy->setObjectName(QStringLiteral("CopyAction"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(copy, &QAction::triggered, grid, [grid, model] {
        QGuiApplication::clipboard()->setText(
            model->SelectionText(grid->selectionModel()->selectedIndexes()));
    });
    grid->addAction(copy);
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    grid->setWordWrap(false);
    grid->setTextElideMode(Qt::ElideNone);
    grid->setCornerButtonEnabled(false);

    QHeaderView* columns = grid->horizontalHeader();
    columns->setFont(font);
    columns->setMinimumSectionSize(0);
    columns->setSectionResizeMode(QHeaderView::Fixed);
    columns->setDefaultSectionSize(Px(shape.dataColumnWidthTwips));
    columns->resizeSection(kAsciiColumn, Px(shape.asciiColumnWidthTwips));
    columns->setFixedHeight(Px(kGridRowHeightTwips));
    columns->setHighlightSections(false);

    QHeaderView* rows = grid->verticalHeader();
    rows->setFont(font);
    rows->setMinimumSectionSize(0);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(Px(kGridRowHeightTwips));
    rows->setFixedWidth(Px(shape.labelColumnWidthTwips));
    rows->setHighlightSections(false);
    return grid;
}

// Esc closes the viewer, as its close button does (the grid passes the key on).
bool ClosesOnEscape(QWidget& window, QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape || event->modifiers() != Qt::NoModifier) return false;
    window.close();
    return true;
}

}  // namespace

DATAVIEW::DATAVIEW(int programSizeWords, QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(new BufferGridModel(BufferGridModel::Kind::Program, ProgramGridRows(programSizeWords),
                                 this)) {
    setObjectName(QStringLiteral("DATAVIEW"));
    setWindowTitle(kDataviewCaption);
    DataGrid1 = MakeGrid(this, model_, kProgramGridShape);
    DataGrid1->move(0, 0);
    DataGrid1->resize(Px(GridWidthTwips(kProgramGridShape, true)), Px(kDataviewHeightTwips - 500));
    EXITButton = new QPushButton(QStringLiteral("EXIT"), this);
    EXITButton->setObjectName(QStringLiteral("EXITButton"));
    EXITButton->setToolTip(QStringLiteral("Exit Program"));
    EXITButton->resize(Px(kExitButtonWidthTwips), Px(kExitButtonHeightTwips));
    connect(EXITButton, &QPushButton::clicked, this, &DATAVIEW::EXITButton_Click);
    const TwipSize client = ClientForOuter(kDataviewWidthTwips, kDataviewHeightTwips);
    resize(Px(client.width), Px(client.height));
}

void DATAVIEW::EXITButton_Click() {
    close();
}

void DATAVIEW::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isMinimized()) return;
    const DataviewPlacement placement = PlaceDataview(width(), height());
    if (placement.gridHeightPx) DataGrid1->resize(DataGrid1->width(), *placement.gridHeightPx);
    if (placement.exitTopPx && placement.exitLeftPx) {
        EXITButton->move(*placement.exitLeftPx, *placement.exitTopPx);
    }
}

void DATAVIEW::keyPressEvent(QKeyEvent* event) {
    if (!ClosesOnEscape(*this, event)) QWidget::keyPressEvent(event);
}

void DATAVIEW::closeEvent(QCloseEvent* event) {
    model_->Clear();
    DataGrid1->scrollToTop();
    event->accept();
}

EEVIEW::EEVIEW(QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(new BufferGridModel(BufferGridModel::Kind::Eeprom, kEepromGridRows, this)) {
    setObjectName(QStringLiteral("EEVIEW"));
    setWindowTitle(kEeviewCaption);
    DataGrid1 = MakeGrid(this, model_, kEepromGridShape);
    DataGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    DataGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int gridWidth = Px(GridWidthTwips(kEepromGridShape, false));
    DataGrid1->move(0, 0);
    DataGrid1->resize(gridWidth, Px(kEeviewHeightTwips - 400));
    // The close button beside the grid, at its top.
    EXITButton = new QPushButton(QStringLiteral("EXIT"), this);
    EXITButton->setObjectName(QStringLiteral("EXITButton"));
    EXITButton->setToolTip(QStringLiteral("Close the EEPROM viewer (Esc)"));
    EXITButton->setGeometry(gridWidth + Px(kEeviewButtonMarginTwips), Px(kEeviewButtonMarginTwips),
                            Px(kExitButtonWidthTwips), Px(kExitButtonHeightTwips));
    connect(EXITButton, &QPushButton::clicked, this, &QWidget::close);
    // The user can change only the height.
    const int width = gridWidth + Px(2 * kEeviewButtonMarginTwips + kExitButtonWidthTwips);
    setFixedWidth(width);
    resize(width, Px(ClientForOuter(0, kEeviewHeightTwips).height));
}

void EEVIEW::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isMinimized()) return;
    if (const auto gridHeight = PlaceEeviewGridHeight(height())) {
        DataGrid1->resize(DataGrid1->width(), *gridHeight);
    }
}

void EEVIEW::keyPressEvent(QKeyEvent* event) {
    if (!ClosesOnEscape(*this, event)) QWidget::keyPressEvent(event);
}

void EEVIEW::closeEvent(QCloseEvent* event) {
    model_->Clear();
    event->accept();
}

BufferViewers::BufferViewers(QWidget* mainWindow, int programSizeWords)
    : mainWindow_(mainWindow), programSizeWords_(programSizeWords) {}

BufferViewers::~BufferViewers() {
    // Windows with a parent go with it; parentless ones go with their owner.
    if (!mainWindow_) {
        delete dataview_.data();
        delete eeview_.data();
    }
}

DATAVIEW& BufferViewers::ProgramView() {
    if (!dataview_) dataview_ = new DATAVIEW(programSizeWords_, mainWindow_);
    return *dataview_;
}

bool BufferViewers::ProgramViewVisible() const {
    return dataview_ && dataview_->isVisible();
}

void BufferViewers::ShowProgramView() {
    DATAVIEW& view = ProgramView();
    view.show();
    view.raise();
    view.activateWindow();
}

void BufferViewers::FillProgramGrid(const Images& images) {
    ProgramView().Model().Fill(std::span<const std::uint8_t>(
        images.program.data(), static_cast<std::size_t>(images.flashBytes)));
}

EEVIEW& BufferViewers::EepromView() {
    if (!eeview_) eeview_ = new EEVIEW(mainWindow_);
    return *eeview_;
}

void BufferViewers::ShowEepromView() {
    EEVIEW& view = EepromView();
    view.show();
    view.raise();
    view.activateWindow();
}

void BufferViewers::FillEepromGrid(const Images& images) {
    EEVIEW& view = EepromView();
    view.Model().Fill(std::span<const std::uint8_t>(images.eepromRead.data(),
                                                    static_cast<std::size_t>(images.eepromBytes)));
    // The window is as high as the 256 bytes' 16 rows: a larger EEPROM scrolls.
    view.DataGrid1->setVerticalScrollBarPolicy(
        view.Model().rowCount() > kEepromGridRows ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

}  // namespace tamro
