#include "plans/windows/editor.h"
#include "texts/windows/window_growth.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "plans/plan_csv.h"
#include "plans/windows/channel_table.h"
#include "plans/windows/dialog.h"
#include "texts/menu_caption.h"
#include "texts/qt_path.h"
#include "texts/version.h"

namespace {

constexpr int kColumns = zv318::kChannelColumns;
constexpr int kHeaderHeight = 30;
constexpr int kRowHeight = 24;
// The narrowest each column may be: row number, name, frequency, bandwidth, state.
constexpr int kMinimumWidths[kColumns] = {25, 40, 200, 200, 80};
// Language entries of the five column titles.
constexpr int kTitleEntries[kColumns] = {80, 81, 82, 83, 86};
constexpr int kColumnTipEntries[kColumns] = {1815, 1816, 1817, 1818, 1819};
// The Delete key's question and its caption.
constexpr int kDeleteQuestion = 1344;
constexpr int kDeleteCaption = 1345;
// The name column shows five of the widest letters.
const QString kWidestName = QStringLiteral("WWWWW");
// The ground of the cells of a channel that is OFF.
const QColor kInactiveColour(255, 128, 128);

QString Text(const zv318::LanguageTable& table, int entry) {
    return QString::fromStdString(table.entry(entry));
}

QAction* Item(QMenu* menu, const char* name, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

// The width a column title needs: a title with a blank is split at its first blank (the second
// part keeps the blank) and the wider part counts; 5 pixels of room; never below the minimum.
int TitleWidth(const QFontMetrics& metrics, const QString& title, int minimum) {
    const qsizetype blank = title.indexOf(QLatin1Char(' '));
    int width = metrics.horizontalAdvance(title);
    if (blank >= 0)
        width = std::max(metrics.horizontalAdvance(title.left(blank)),
                         metrics.horizontalAdvance(title.mid(blank)));
    return std::max(width + 5, minimum);
}

}  // namespace

TEditor::TEditor(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint) {
    setObjectName("Editor");
    setWindowTitle("Channel Plan Editor");
    setModal(true);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    File1 = MainMenu1->addMenu("File");
    File1->setObjectName("File1");
    NewRADIOchannelplan1 = Item(File1, "NewRADIOchannelplan1", "New RADIO channel plan");
    Newchannelplan1 = Item(File1, "Newchannelplan1", "New PLC channel plan");
    File1->addSeparator();
    Savechannelplan1 = Item(File1, "Savechannelplan1", "Save channel plan");
    Savechannelplanas1 = Item(File1, "Savechannelplanas1", "Save channel plan as");
    Loadchannelplan1 = Item(File1, "Loadchannelplan1", "Load channel plan");
    File1->addSeparator();
    ExportCSV1 = Item(File1, "ExportCSV1", "Export CSV…");
    ImportCSV1 = Item(File1, "ImportCSV1", "Import CSV…");
    File1->addSeparator();
    Exit1 = Item(File1, "Exit1", "Exit");
    Edit1 = MainMenu1->addMenu("Edit");
    Edit1->setObjectName("Edit1");
    Sortchannels1 = Item(Edit1, "Sortchannels1", "Sort channels");
    Activeall1 = Item(Edit1, "Activeall1", "Active all");
    Unactiveall1 = Item(Edit1, "Unactiveall1", "Unactive all");
    Help1 = MainMenu1->addMenu("Help");
    Help1->setObjectName("Help1");
    // The guide at the editor's page, as F1 opens it: the key the whole program shares.
    Contents1 = Item(Help1, "Contents1", "Contents");
    Contents1->setShortcut(QKeySequence(Qt::Key_F1));
    Contents1->setShortcutContext(
        Qt::WidgetShortcut);  // shown in the menu; F1 itself stays the guide key's
    connect(Contents1, &QAction::triggered, this, [this] {
        QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QCoreApplication::sendEvent(this, &f1);
    });
    zv318::OpenMenuBarWithF10(this, MainMenu1);

    popupchannel = new QMenu(this);
    popupchannel->setObjectName("popupchannel");
    INSERTACANAL = Item(popupchannel, "INSERTACANAL", "Insert channel");
    ESBORRACANAL = Item(popupchannel, "ESBORRACANAL", "Delete channel");

    ChPlanNameLabel = new zv318::ClickableLabel("NEW", this);
    ChPlanNameLabel->setObjectName("ChPlanNameLabel");
    QFont nameFont = ChPlanNameLabel->font();
    nameFont.setPixelSize(28);
    nameFont.setBold(true);
    ChPlanNameLabel->setFont(nameFont);
    ChPlanNameLabel->setCursor(Qt::PointingHandCursor);

    FileNameLabel = new QLabel(this);
    FileNameLabel->setObjectName("FileNameLabel");
    FileNameLabel->setWordWrap(true);

    GroupBox1 = new QGroupBox("Tipus de canalització", this);
    GroupBox1->setObjectName("GroupBox1");
    Tipus = new QLabel("RADIO", GroupBox1);
    Tipus->setObjectName("Tipus");
    QFont typeFont = Tipus->font();
    typeFont.setPixelSize(18);
    typeFont.setBold(true);
    Tipus->setFont(typeFont);
    Tipus->setAlignment(Qt::AlignCenter);
    auto* groupLayout = new QVBoxLayout(GroupBox1);
    groupLayout->addWidget(Tipus);

    table_ = new zv318::ChannelTable(*this, this);
    TaulaCanals = table_;
    TaulaCanals->setItemDelegate(new zv318::ChannelDelegate(*table_));
    TaulaCanals->setEditTriggers(
        QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
        QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    TaulaCanals->setTabKeyNavigation(true);
    TaulaCanals->setObjectName("TaulaCanals");
    TaulaCanals->verticalHeader()->hide();
    TaulaCanals->setHorizontalHeaderLabels(
        QStringList(kColumns, QString()));  // titles come with the language
    TaulaCanals->horizontalHeader()->setMinimumSectionSize(20);
    TaulaCanals->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    TaulaCanals->verticalHeader()->setDefaultSectionSize(kRowHeight);
    TaulaCanals->horizontalHeader()->setFixedHeight(kHeaderHeight);
    TaulaCanals->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    TaulaCanals->horizontalHeader()->setHighlightSections(false);
    TaulaCanals->setSelectionMode(QAbstractItemView::SingleSelection);
    TaulaCanals->setSelectionBehavior(QAbstractItemView::SelectItems);
    for (int column = 0; column < kColumns; ++column)
        TaulaCanals->setColumnWidth(column, kMinimumWidths[column]);
    TaulaCanals->setMinimumWidth(25 + 40 + 200 + 200 + 80 + 24);

    VersioControllerLabel = new QLabel(zv318::kSoftwareVersionText, this);
    VersioControllerLabel->setObjectName("VersioControllerLabel");
    QFont bold = VersioControllerLabel->font();
    bold.setBold(true);
    VersioControllerLabel->setFont(bold);

    auto* names = new QVBoxLayout;
    names->addWidget(ChPlanNameLabel);
    names->addWidget(FileNameLabel);
    names->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(names, 1);
    top->addWidget(GroupBox1);
    GroupBox1->setMinimumWidth(180);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(VersioControllerLabel);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(MainMenu1);
    layout->addLayout(top);
    layout->addWidget(TaulaCanals, 1);
    layout->addLayout(bottom);

    for (int i = 0; i < kColumns; ++i) columnTitles_ << QString();
    resize(640, 560);
    zv318::RememberPlace(this, "editor");

    Savechannelplan1->setShortcut(QKeySequence::Save);
    Savechannelplanas1->setShortcut(QKeySequence::SaveAs);
    Loadchannelplan1->setShortcut(QKeySequence::Open);
    connect(NewRADIOchannelplan1, &QAction::triggered, this, &TEditor::NewRADIOchannelplan1Click);
    connect(Newchannelplan1, &QAction::triggered, this, &TEditor::Newchannelplan1Click);
    connect(Savechannelplan1, &QAction::triggered, this, &TEditor::Savechannelplan1Click);
    connect(Savechannelplanas1, &QAction::triggered, this, &TEditor::Savechannelplanas1Click);
    connect(Loadchannelplan1, &QAction::triggered, this, &TEditor::Loadchannelplan1Click);
    connect(ExportCSV1, &QAction::triggered, this, &TEditor::ExportCSV1Click);
    connect(ImportCSV1, &QAction::triggered, this, &TEditor::ImportCSV1Click);
    connect(Exit1, &QAction::triggered, this, &TEditor::Exit1Click);
    connect(Sortchannels1, &QAction::triggered, this, &TEditor::Sortchannels1Click);
    connect(Activeall1, &QAction::triggered, this, &TEditor::Activeall1Click);
    connect(Unactiveall1, &QAction::triggered, this, &TEditor::Unactiveall1Click);
    connect(INSERTACANAL, &QAction::triggered, this, &TEditor::INSERTACANALClick);
    connect(ESBORRACANAL, &QAction::triggered, this, &TEditor::ESBORRACANALClick);
    connect(ChPlanNameLabel, &zv318::ClickableLabel::clicked, this, &TEditor::ChPlanNameLabelClick);
    connect(TaulaCanals, &QTableWidget::itemChanged, this,
            [this](QTableWidgetItem* item) { storeEdit(item->row(), item->column()); });
}

TEditor::~TEditor() = default;

void TEditor::applyTranslation(const zv318::LanguageTable& table) {
    language_ = &table;
    VersioControllerLabel->setText(zv318::kSoftwareVersionText);
    setWindowTitle(Text(table, 100));
    zv318::SetMenuCaptions({{File1->menuAction(), Text(table, 1)},
                            {Edit1->menuAction(), Text(table, 27)},
                            {Help1->menuAction(), Text(table, 7)},
                            {Contents1, Text(table, 8)}});
    zv318::SetMenuCaptions({{NewRADIOchannelplan1, Text(table, 94)},
                            {Newchannelplan1, Text(table, 91)},
                            {Savechannelplan1, Text(table, 96)},
                            {Savechannelplanas1, Text(table, 107)},
                            {Loadchannelplan1, Text(table, 95)},
                            {ExportCSV1, entry(1090, "Export CSV…")},
                            {ImportCSV1, entry(1091, "Import CSV…")},
                            {Exit1, Text(table, 2)}});
    zv318::SetMenuCaptions({{Sortchannels1, Text(table, 99)},
                            {Activeall1, Text(table, 90)},
                            {Unactiveall1, Text(table, 108)}});
    zv318::SetMenuCaptions({{INSERTACANAL, Text(table, 97)}, {ESBORRACANAL, Text(table, 98)}});
    GroupBox1->setTitle(Text(table, 132));
    ChPlanNameLabel->setToolTip(Text(table, 133));

    columnTitles_.clear();
    for (int entry : kTitleEntries) columnTitles_ << Text(table, entry);
    TaulaCanals->setColumnCount(kColumns);
    TaulaCanals->horizontalHeader()->setFixedHeight(kHeaderHeight);
    // Column 0 holds the row numbers and has no title.
    QStringList headers{QString()};
    for (int column = 1; column < kColumns; ++column) headers << columnTitles_[column];
    TaulaCanals->setHorizontalHeaderLabels(headers);
    // Each column's rule (range, unit, what a click does) on its heading.
    for (int column = 0; column < kColumns; ++column)
        TaulaCanals->horizontalHeaderItem(column)->setToolTip(
            Text(table, kColumnTipEntries[column]));
    if (isVisible()) FormShow();
}

// ---- the plan session -------------------------------------------------------------------------

void TEditor::attach(zv318::Feedback& feedback, zv318::PlanFiles& files, TDialog* dialog) {
    feedback_ = &feedback;
    dialog_ = dialog;
    session_ = std::make_unique<zv318::PlanEditorSession>(feedback, files);
    session_->markCell = [this](const zv318::GridFault& fault) {
        Actualitzar();
        selectCell(fault);
    };
    Actualitzar();
}

QString TEditor::entry(int n, const char* fallback) const {
    if (language_ && !language_->entry(n).empty()) return Text(*language_, n);
    return QString::fromUtf8(fallback);
}

bool TEditor::NewChannelPlan(bool askFirst, bool radio) {
    if (!session_) return false;
    table_->commitOpenEditor();
    // Named in the person's language where the instrument takes the word.
    const std::string name =
        zv318::NewPlanNameFrom(language_ ? language_->entry(zv318::kNewPlanNameEntry) : "");
    if (!session_->NewChannelPlan(askFirst, radio, name)) return false;
    Actualitzar();
    if (!askFirst) ShowModally();
    return true;
}

int TEditor::OpenChannelPlanFile(int source) {
    if (!session_) return zv318::kPlanDialogCancelled;
    const int result = session_->OpenChannelPlanFile(source);
    Actualitzar();
    return result;
}

int TEditor::OpenPlanFile(const std::filesystem::path& file) {
    if (!session_) return zv318::kPlanFileUnreadable;
    const int result = session_->OpenPlanFile(file);
    Actualitzar();
    return result;
}

void TEditor::ShowModally() {
    Actualitzar();
    exec();
}

// ---- the grid ---------------------------------------------------------------------------------

void TEditor::Actualitzar() {
    if (!session_) return;
    const zv318::PlanGrid& plan = session_->plan();
    showing_ = true;
    ChPlanNameLabel->setText(QString::fromStdString(plan.planName()));
    FileNameLabel->setText(zv318::QStringFromPath(std::filesystem::path(plan.fileLabel())));
    Tipus->setText(QString::fromStdString(plan.typeLabel()));
    const int rows = plan.rowCount();
    TaulaCanals->setRowCount(rows);
    const QBrush fixedGround = palette().brush(QPalette::Button);
    const QBrush fixedText = palette().brush(QPalette::ButtonText);
    for (int r = 1; r <= rows; ++r) {
        for (int column = 0; column < kColumns; ++column) {
            QTableWidgetItem* item = TaulaCanals->item(r - 1, column);
            if (!item) {
                item = new QTableWidgetItem;
                TaulaCanals->setItem(r - 1, column, item);
            }
            item->setText(QString::fromStdString(plan.cell(r, column)));
            if (column == zv318::PlanGrid::kRowColumn) {
                // The row numbers: fixed, never chosen.
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(fixedGround);
                item->setForeground(fixedText);
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                continue;
            }
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            // The state cell turns by a click or Space and is never edited as text.
            if (column != zv318::PlanGrid::kStateColumn) flags |= Qt::ItemIsEditable;
            item->setFlags(flags);
            item->setBackground(plan.flag(r) ? QBrush(kInactiveColour) : QBrush());
        }
    }
    showing_ = false;
    // The keyboard starts on the first name rather than on a row number (nothing is chosen,
    // so the rule has nothing to check).
    const QModelIndex current = TaulaCanals->currentIndex();
    if (rows > 0 && (!current.isValid() || current.column() == zv318::PlanGrid::kRowColumn))
        TaulaCanals->selectionModel()->setCurrentIndex(
            TaulaCanals->model()->index(0, zv318::PlanGrid::kNameColumn),
            QItemSelectionModel::NoUpdate);
    TaulaCanals->viewport()->update();
}

void TEditor::storeEdit(int tableRow, int column) {
    if (showing_ || !session_) return;
    QTableWidgetItem* item = TaulaCanals->item(tableRow, column);
    if (!item) return;
    zv318::PlanGrid& plan = session_->plan();
    zv318::TakeTypedCell(plan, tableRow + 1, column, item->text().toStdString());
    // A number shows as it is stored and sent: "476,5" becomes "476.5000".
    const QString stored = QString::fromStdString(plan.cell(tableRow + 1, column));
    if (stored == item->text()) return;
    showing_ = true;
    item->setText(stored);
    showing_ = false;
}

void TEditor::FormShow() {
    const QFontMetrics metrics(TaulaCanals->font());
    std::vector<int> widths{kMinimumWidths[0]};
    for (int column = 1; column < kColumns; ++column) {
        int minimum = kMinimumWidths[column];
        // The cell's margins and the grid line beside the text.
        if (column == 1) minimum = std::max(minimum, metrics.horizontalAdvance(kWidestName) + 12);
        widths.push_back(TitleWidth(metrics, columnTitles_.value(column), minimum));
    }
    // The grid fills the window's width as the window grows.
    zv318::StretchColumns(TaulaCanals, std::move(widths));
}

void TEditor::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TEditor::selectCell(const zv318::GridFault& fault) {
    if (fault.row < 1 || fault.row > TaulaCanals->rowCount() || fault.column < 1) return;
    clickedRow_ = fault.row;
    clickedColumn_ = fault.column;
    TaulaCanals->setCurrentCell(fault.row - 1, fault.column);
    TaulaCanals->scrollToItem(TaulaCanals->item(fault.row - 1, fault.column));
}

void TEditor::Marca(const zv318::GridFault& fault) {
    if (session_) session_->Marca(fault);
}

void TEditor::InsertChannel(int row) {
    if (!session_) return;
    table_->commitOpenEditor();
    const zv318::GridFault fault = zv318::InsertChannel(session_->plan(), row);
    Actualitzar();
    if (fault) Marca(fault);
}

bool TEditor::AskDeleteChannel() {
    return feedback_ && feedback_->askYesNo(kDeleteQuestion, kDeleteCaption);
}

void TEditor::DeleteChannel(int row) {
    if (!session_) return;
    table_->commitOpenEditor();
    zv318::DeleteChannel(session_->plan(), row);
    Actualitzar();
}

bool TEditor::TaulaCanalsSelectCell(int column, int row) {
    if (!session_) return false;
    const zv318::CellChoiceResult result =
        zv318::TaulaCanalsSelectCell(session_->plan(), clickedRow_, row, column, true);
    switch (result.choice) {
        case zv318::CellChoice::Refused:
            if (result.fault) Marca(result.fault);
            return false;
        case zv318::CellChoice::Toggled:
            Actualitzar();
            return false;
        case zv318::CellChoice::Allowed:
            return true;
    }
    return false;
}

bool TEditor::KeyboardSelectCell(int column, int row) {
    if (!session_) return false;
    const QModelIndex current = TaulaCanals->currentIndex();
    const int leftRow = current.isValid() ? current.row() + 1 : clickedRow_;
    const zv318::CellChoiceResult result =
        zv318::TaulaCanalsSelectCell(session_->plan(), leftRow, row, column, false);
    if (result.choice != zv318::CellChoice::Allowed) {
        if (result.fault) Marca(result.fault);
        return false;
    }
    clickedRow_ = row;
    clickedColumn_ = column;
    return true;
}

void TEditor::TaulaCanalsMouseUp(Qt::MouseButton button, int row, int column,
                                 const QPoint& globalPos) {
    clickedRow_ = row;
    clickedColumn_ = column;
    const bool menuButton = button == Qt::LeftButton || button == Qt::RightButton;
    if (menuButton && column == zv318::PlanGrid::kRowColumn && row >= 1)
        popupchannel->popup(globalPos);
}

void TEditor::FormClick() {
    if (!session_) return;
    table_->commitOpenEditor();
    if (clickedRow_ < 1 || clickedRow_ > session_->plan().rowCount()) return;
    if (const zv318::GridFault fault = zv318::ComprovaFila(session_->plan(), clickedRow_))
        Marca(fault);
}

void TEditor::mousePressEvent(QMouseEvent* event) {
    QDialog::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) FormClick();
}

void TEditor::ToggleStateCell(int row) {
    if (!session_) return;
    zv318::ToggleState(session_->plan(), row);
    Actualitzar();
}

void TEditor::INSERTACANALClick() {
    InsertChannel(clickedRow_);
}

void TEditor::ESBORRACANALClick() {
    DeleteChannel(clickedRow_);
}

void TEditor::Sortchannels1Click() {
    if (!session_) return;
    table_->commitOpenEditor();
    const zv318::GridFault fault = zv318::SortChannels(session_->plan());
    Actualitzar();
    if (fault) Marca(fault);
}

void TEditor::Activeall1Click() {
    if (!session_) return;
    table_->commitOpenEditor();
    zv318::SetAllStates(session_->plan(), true);
    Actualitzar();
}

void TEditor::Unactiveall1Click() {
    if (!session_) return;
    table_->commitOpenEditor();
    zv318::SetAllStates(session_->plan(), false);
    Actualitzar();
}

// ---- the File menu ----------------------------------------------------------------------------

void TEditor::NewRADIOchannelplan1Click() {
    NewChannelPlan(true, true);
}

void TEditor::Newchannelplan1Click() {
    NewChannelPlan(true, false);
}

void TEditor::Savechannelplan1Click() {
    if (!session_) return;
    table_->commitOpenEditor();
    session_->Save(false);
    Actualitzar();  // the check sorted the rows
}

void TEditor::Savechannelplanas1Click() {
    if (!session_) return;
    table_->commitOpenEditor();
    session_->Save(true);
    Actualitzar();
}

void TEditor::Loadchannelplan1Click() {
    if (!session_) return;
    table_->commitOpenEditor();
    const bool stays = session_->Loadchannelplan();
    Actualitzar();
    if (!stays) close();
}

void TEditor::ExportCSV1Click() {
    if (!session_) return;
    table_->commitOpenEditor();
    (void)zv318::ExportPlanCsv(*session_, *feedback_);
    Actualitzar();  // the check sorted the rows
}

void TEditor::ImportCSV1Click() {
    if (!session_) return;
    table_->commitOpenEditor();
    static const zv318::LanguageTable kNoLanguage;
    (void)zv318::ImportPlanCsv(*session_, language_ ? *language_ : kNoLanguage, *feedback_);
    Actualitzar();
}

void TEditor::Exit1Click() {
    close();
}

void TEditor::reject() {
    if (closeApproved_ || !session_) return QDialog::reject();
    table_->commitOpenEditor();
    const bool mayClose = session_->FormCloseQuery();
    Actualitzar();
    if (!mayClose) return;
    closeApproved_ = true;
    QDialog::reject();
    closeApproved_ = false;
}

void TEditor::ChPlanNameLabelClick() {
    if (!session_) return;
    TDialog* dialog = dialog_;
    if (!dialog) {
        if (!ownDialog_) ownDialog_ = new TDialog(this);
        dialog = ownDialog_;
    }
    TDialog::Request request;
    request.caption = entry(101, "Rename channel plan");
    request.prompt = entry(102, "Enter the new name for the channel plan (max. 5 characters)");
    request.text = QString::fromStdString(session_->plan().planName());
    request.maxLength = zv318::kMaxPlanNameLength;
    request.refusal = [](const std::string& name) { return zv318::PlanNameRefusal(name); };
    request.feedback = feedback_;
    if (std::optional<QString> name = dialog->AskText(std::move(request))) {
        session_->plan().setPlanName(name->toStdString());
        Actualitzar();
    }
}
