// Each window's applyTranslation against a table whose entry n reads "E<n>": every target
// gets its own entry, and the tables get their columns.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>

#include "firmware/windows/conf_upgr.h"
#include "firmware/windows/updating_form.h"
#include "link/link.h"
#include "loggers/windows/logger_window.h"
#include "plans/windows/dialog.h"
#include "plans/windows/editor.h"
#include "shell/windows/about_windows.h"
#include "shell/windows/oculta.h"
#include "sim/bus.h"
#include "sim/instrument.h"
#include "texts/menu_caption.h"

namespace {

using zv318::WithoutMnemonic;

zv318::LanguageTable NumberedTable() {
    zv318::LanguageTable table;
    for (int n = 0; n < zv318::kLanguageEntries; ++n) table.set(n, "E" + std::to_string(n));
    return table;
}

QString E(int n) {
    return QString("E%1").arg(n);
}

QStringList Headers(const QTableWidget* table) {
    QStringList headers;
    for (int c = 0; c < table->columnCount(); ++c) {
        const QTableWidgetItem* item = table->horizontalHeaderItem(c);
        headers << (item ? item->text() : QString());
    }
    return headers;
}

TEST(windows_Translation, UpdateWindows) {
    const auto table = NumberedTable();
    TUpdatingFORM form;
    form.setNoteWidth(120);
    form.applyTranslation(table);
    EXPECT_EQ(form.windowTitle(), E(56));
    EXPECT_EQ(form.DoNotDisconnect->text(), E(57));
    EXPECT_EQ(form.DoNotDisconnect->width(), 295);

    TConfUpgr confirm;
    confirm.applyTranslation(table);
    EXPECT_EQ(confirm.windowTitle(), E(33));
    EXPECT_EQ(WithoutMnemonic(confirm.SI->text()), E(51));
    EXPECT_EQ(WithoutMnemonic(confirm.NO->text()), E(52));
}

TEST(windows_Translation, ServiceWindows) {
    const auto table = NumberedTable();
    TAboutKORVEL52 about("/nonexistent");
    about.applyTranslation(table);
    EXPECT_EQ(about.windowTitle(), E(9));

    TAboutController controller("/nonexistent");
    controller.VersioControllerLabel->setText("old");
    controller.applyTranslation(table);
    EXPECT_EQ(controller.windowTitle(), E(10));
    EXPECT_EQ(controller.VersioControllerLabel->text(), "ZV-318 Software v1.2");

    zv318::sim::Instrument instrument;
    zv318::sim::SimBus bus(instrument);
    zv318::Link link(bus);
    TOculta oculta(link);
    oculta.applyTranslation(table);
    EXPECT_EQ(oculta.windowTitle(), E(34));
    EXPECT_EQ(WithoutMnemonic(oculta.EnvPregBut->text()), E(35));
    EXPECT_EQ(oculta.Label1->text(), E(36));
    EXPECT_EQ(oculta.Edit1->text(), "Edit1");  // not a translated text
}

TEST(windows_Translation, Editor) {
    const auto table = NumberedTable();
    TEditor editor;
    editor.VersioControllerLabel->setText("old");
    editor.applyTranslation(table);
    EXPECT_EQ(editor.windowTitle(), E(100));
    EXPECT_EQ(WithoutMnemonic(editor.File1->title()), E(1));
    EXPECT_EQ(WithoutMnemonic(editor.Exit1->text()), E(2));
    EXPECT_EQ(WithoutMnemonic(editor.Help1->title()), E(7));
    EXPECT_EQ(WithoutMnemonic(editor.NewRADIOchannelplan1->text()), E(94));
    EXPECT_EQ(WithoutMnemonic(editor.Newchannelplan1->text()), E(91));
    EXPECT_EQ(WithoutMnemonic(editor.Savechannelplan1->text()), E(96));
    EXPECT_EQ(WithoutMnemonic(editor.Savechannelplanas1->text()), E(107));
    EXPECT_EQ(WithoutMnemonic(editor.Loadchannelplan1->text()), E(95));
    EXPECT_EQ(WithoutMnemonic(editor.Edit1->title()), E(27));
    EXPECT_EQ(WithoutMnemonic(editor.Sortchannels1->text()), E(99));
    EXPECT_EQ(WithoutMnemonic(editor.Activeall1->text()), E(90));
    EXPECT_EQ(WithoutMnemonic(editor.Unactiveall1->text()), E(108));
    EXPECT_EQ(WithoutMnemonic(editor.INSERTACANAL->text()), E(97));
    EXPECT_EQ(WithoutMnemonic(editor.ESBORRACANAL->text()), E(98));
    EXPECT_EQ(editor.GroupBox1->title(), E(132));
    EXPECT_EQ(editor.ChPlanNameLabel->toolTip(), E(133));
    EXPECT_EQ(editor.VersioControllerLabel->text(), "ZV-318 Software v1.2");

    EXPECT_EQ(editor.columnTitles(), (QStringList{E(80), E(81), E(82), E(83), E(86)}));
    EXPECT_EQ(editor.TaulaCanals->columnCount(), 5);
    EXPECT_EQ(editor.TaulaCanals->horizontalHeader()->height(), 30);
    EXPECT_EQ(Headers(editor.TaulaCanals), (QStringList{"", E(81), E(82), E(83), E(86)}));
    // The menu bar holds File, Edit and Help, in that order; Help's Contents is the program's
    // F1 (the guide at the editor's page), sent as the key the whole program shares.
    const QList<QAction*> menus = editor.MainMenu1->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->menu(), editor.File1);
    EXPECT_EQ(menus[1]->menu(), editor.Edit1);
    EXPECT_EQ(menus[2]->menu(), editor.Help1);
    EXPECT_TRUE(menus[2]->isEnabled());
    EXPECT_EQ(WithoutMnemonic(editor.Contents1->text()), E(8));
    struct F1Seen : QObject {
        QObject* at = nullptr;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::KeyPress &&
                static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1)
                at = watched;
            return false;
        }
    } seen;
    qApp->installEventFilter(&seen);
    editor.Contents1->trigger();
    qApp->removeEventFilter(&seen);
    EXPECT_EQ(seen.at, &editor);
}

TEST(windows_Translation, LoggerViewer) {
    const auto table = NumberedTable();
    TZVLoggerWindow viewer;
    viewer.TaulaRegistre->setColumnWidth(3, 17);
    viewer.applyTranslation(table);
    EXPECT_EQ(WithoutMnemonic(viewer.Archivo1->title()), E(1));
    EXPECT_EQ(WithoutMnemonic(viewer.Savelogger1->text()), E(121));
    EXPECT_EQ(WithoutMnemonic(viewer.Printlogger1->text()), E(122));
    EXPECT_EQ(WithoutMnemonic(viewer.Exit1->text()), E(2));
    EXPECT_EQ(viewer.DataLabel->text(), E(22));
    EXPECT_EQ(viewer.HoraLabel->text(), E(21));
    EXPECT_EQ(viewer.ModeLabel->text(), E(110));
    EXPECT_EQ(viewer.LlindarLabel->text(), E(111));
    EXPECT_EQ(viewer.LoggerNameLabel->toolTip(), E(134));
    EXPECT_EQ(Headers(viewer.TaulaRegistre), (QStringList{"", E(81), E(82), E(83), E(131)}));
    // The designed widths 25, 50, 180, 180, 180, grown in proportion to fill the grid.
    const int widths[] = {25, 50, 180, 180, 180};
    for (int c = 0; c < 5; ++c) EXPECT_GE(viewer.TaulaRegistre->columnWidth(c), widths[c]) << c;
    EXPECT_EQ(viewer.TaulaRegistre->columnWidth(2), viewer.TaulaRegistre->columnWidth(3));
    EXPECT_NEAR(viewer.TaulaRegistre->columnWidth(2),
                viewer.TaulaRegistre->columnWidth(0) * 180 / 25, 8);
    EXPECT_EQ(viewer.VersioControllerLabel->text(), "ZV-318 Software v1.2");
}

}  // namespace
