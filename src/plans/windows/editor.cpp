#include "plans/windows/editor.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "plans/windows/dialog.h"
#include "texts/version.h"

namespace {

constexpr int kColumns = 5;
constexpr int kHeaderHeight = 30;
constexpr int kRowHeight = 24;
// The narrowest each column may be: row number, name, frequency, bandwidth, state.
constexpr int kMinimumWidths[kColumns] = {25, 40, 200, 200, 80};
// Language entries of the five column titles.
constexpr int kTitleEntries[kColumns] = {80, 81, 82, 83, 86};

QString Text(const zv318::LanguageTable& table, int entry) {
    return QString::fromStdString(table.entry(entry));
}

QAction* Item(QMenu* menu, const char* name, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
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
    Exit1 = Item(File1, "Exit1", "Exit");
    Edit1 = MainMenu1->addMenu("Edit");
    Edit1->setObjectName("Edit1");
    Sortchannels1 = Item(Edit1, "Sortchannels1", "Sort channels");
    Activeall1 = Item(Edit1, "Activeall1", "Active all");
    Unactiveall1 = Item(Edit1, "Unactiveall1", "Unactive all");
    Help1 = MainMenu1->addMenu("Help");
    Help1->setObjectName("Help1");
    Help1->setEnabled(false);
    Help1->menuAction()->setEnabled(false);

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

    TaulaCanals = new QTableWidget(0, kColumns, this);
    TaulaCanals->setObjectName("TaulaCanals");
    TaulaCanals->verticalHeader()->hide();
    TaulaCanals->setHorizontalHeaderLabels(QStringList(kColumns, QString()));  // titles come with the language
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
}

void TEditor::applyTranslation(const zv318::LanguageTable& table) {
    VersioControllerLabel->setText(zv318::kSoftwareVersionText);
    File1->setTitle(Text(table, 1));
    Exit1->setText(Text(table, 2));
    Help1->setTitle(Text(table, 7));
    setWindowTitle(Text(table, 100));
    NewRADIOchannelplan1->setText(Text(table, 94));
    Newchannelplan1->setText(Text(table, 91));
    Savechannelplan1->setText(Text(table, 96));
    Savechannelplanas1->setText(Text(table, 107));
    Loadchannelplan1->setText(Text(table, 95));
    Edit1->setTitle(Text(table, 27));
    Sortchannels1->setText(Text(table, 99));
    Activeall1->setText(Text(table, 90));
    Unactiveall1->setText(Text(table, 108));
    INSERTACANAL->setText(Text(table, 97));
    ESBORRACANAL->setText(Text(table, 98));
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
}
