// Start-up of the main window: the status box with and without the instrument, the pictures,
// the start-up argument, the permission hint, and the window as designed.

#include <QGroupBox>
#include <QHeaderView>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <clocale>
#include <cstring>

#include "main_window_fixture.h"
#include "shell/startup.h"
#include "texts/qt_path.h"
#include "texts/windows/window_growth.h"

namespace zv318::testing {
namespace {

using mainwindowStartUp = MainWindowTest;

void ExpectValuesBesideCaptions(const TForm1& f) {
    const std::pair<QLabel*, QLabel*> pairs[] = {
        {f.CStatus->Model, f.CStatus->Mod}, {f.CStatus->SNumber, f.CStatus->SN}, {f.CStatus->IOVersion, f.CStatus->IOV}, {f.CStatus->ZVVersion, f.CStatus->ZVV}};
    for (auto [caption, value] : pairs) {
        SCOPED_TRACE(caption->objectName().toStdString());
        EXPECT_EQ(value->x(), caption->x() + caption->width() + 3);
        EXPECT_EQ(value->y(), caption->y());
        // The caption is as wide as its text: the value is right beside the words.
        EXPECT_EQ(caption->width(), caption->sizeHint().width());
    }
}

TEST_F(mainwindowStartUp, WithTheInstrumentTheBoxShowsItsFactsInBlue) {
    instrument.serial = "00098765";
    instrument.ioVersion = "IO-3.01";
    instrument.zvVersion = "V2.05";
    Start();

    EXPECT_EQ(form->CStatus->Connexio->text(), Entry(14));
    EXPECT_EQ(form->CStatus->Connexio->text(), QStringLiteral("ZV-318 connected"));  // English.lng
    EXPECT_EQ(form->CStatus->Connexio->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_TRUE(SamePicture(form->CStatus->Usb, folder / "Images" / "usb.bmp"));
    EXPECT_EQ(form->CStatus->Mod->text(), QStringLiteral("ZV-318"));
    EXPECT_EQ(form->CStatus->SN->text(), QStringLiteral("00098765"));
    EXPECT_EQ(form->CStatus->IOV->text(), QStringLiteral("IO-3.01"));
    EXPECT_EQ(form->CStatus->ZVV->text(), QStringLiteral("V2.05"));
    for (QLabel* caption : {form->CStatus->Model, form->CStatus->SNumber, form->CStatus->IOVersion, form->CStatus->ZVVersion})
        EXPECT_TRUE(caption->isEnabled()) << caption->objectName().toStdString();
    for (QLabel* value : {form->CStatus->Mod, form->CStatus->SN, form->CStatus->IOV, form->CStatus->ZVV}) {
        EXPECT_TRUE(value->font().bold());
        EXPECT_EQ(value->palette().color(QPalette::WindowText), QColor(0, 0, 0x80));
    }
    ExpectValuesBesideCaptions(*form);
    // Found enables only ReceiveBut; the list and its buttons wait for a reading.
    EXPECT_TRUE(form->ChannelPlan->ReceiveBut->isEnabled());
    EXPECT_FALSE(form->ChannelPlan->Llista->isEnabled());
    EXPECT_FALSE(form->ChannelPlan->DelSelBut->isEnabled());
    EXPECT_FALSE(form->ChannelPlan->LoadBut->isEnabled());
    EXPECT_TRUE(form->connected());
    EXPECT_FALSE(form->CStatus->PermissionHint->isVisible());
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_TRUE(feedback.notices.empty());
}

TEST_F(mainwindowStartUp, WithoutTheInstrumentTheBoxIsEmptyAndRed) {
    bus.setPlugged(false);
    Start();

    EXPECT_EQ(form->CStatus->Connexio->text(), Entry(15));
    EXPECT_EQ(form->CStatus->Connexio->text(), QStringLiteral("ZV-318 not connected"));
    EXPECT_EQ(form->CStatus->Connexio->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_TRUE(SamePicture(form->CStatus->Usb, folder / "Images" / "Nousb.bmp"));
    for (QLabel* value : {form->CStatus->Mod, form->CStatus->SN, form->CStatus->IOV, form->CStatus->ZVV})
        EXPECT_TRUE(value->text().isEmpty()) << value->objectName().toStdString();
    for (QLabel* caption : {form->CStatus->Model, form->CStatus->SNumber, form->CStatus->IOVersion, form->CStatus->ZVVersion})
        EXPECT_FALSE(caption->isEnabled()) << caption->objectName().toStdString();
    for (QWidget* w : {static_cast<QWidget*>(form->ChannelPlan->ReceiveBut),
                       static_cast<QWidget*>(form->ChannelPlan->DelSelBut),
                       static_cast<QWidget*>(form->ChannelPlan->LoadBut), static_cast<QWidget*>(form->ChannelPlan->Llista)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(form->connected());
    EXPECT_FALSE(form->CStatus->PermissionHint->isVisible());
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(mainwindowStartUp, MissingPicturesLeaveTheirPlacesEmpty) {
    std::filesystem::remove(folder / "Images" / "usb.bmp");
    std::filesystem::remove(folder / "Images" / "logo.bmp");
    Start();
    EXPECT_TRUE(form->CStatus->Usb->pixmap().isNull());
    EXPECT_TRUE(form->Logo->pixmap().isNull());
    EXPECT_EQ(form->CStatus->Connexio->text(), Entry(14));
    EXPECT_EQ(form->CStatus->SN->text(), QStringLiteral("00012345"));

    // The other picture is still there after an unplug.
    bus.setPlugged(false);
    form->ConnectionStatus();
    EXPECT_TRUE(SamePicture(form->CStatus->Usb, folder / "Images" / "Nousb.bmp"));
}

TEST_F(mainwindowStartUp, AnArgumentStartsTheIoInterfaceUpdateOnceAfterTheFirstRefresh) {
    Create();
    std::vector<std::string> calls;
    QString connexioAtCall;
    bool receiveEnabledDuringCall = true;
    form->startIoUpdate = [&](const std::string& image) {
        calls.push_back(image);
        connexioAtCall = form->CStatus->Connexio->text();
        receiveEnabledDuringCall = form->ChannelPlan->ReceiveBut->isEnabled();
    };
    form->setStartupArgument("/media/usb/io interface 2.3.hex");
    form->AlExecutar();

    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], "/media/usb/io interface 2.3.hex");
    EXPECT_EQ(connexioAtCall, Entry(14));
    // It runs as a command: the other commands wait, and come back at its end.
    EXPECT_FALSE(receiveEnabledDuringCall);
    EXPECT_TRUE(form->ChannelPlan->ReceiveBut->isEnabled());
}

TEST_F(mainwindowStartUp, WithoutAnArgumentNoUpdateStarts) {
    Create();
    int calls = 0;
    form->startIoUpdate = [&](const std::string&) { ++calls; };
    form->AlExecutar();
    QTest::qWait(50);
    EXPECT_EQ(calls, 0);
}

TEST_F(mainwindowStartUp, NumbersUseAPointWhateverTheRegionalSettings) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Start();
    EXPECT_EQ(QLocale().toString(1.5, 'f', 1), QStringLiteral("1.5"));
    EXPECT_STREQ(std::localeconv()->decimal_point, ".");
}

TEST_F(mainwindowStartUp, AListedButForbiddenInterfaceExplainsTheUdevRule) {
    bus.clearInterfaces();
    bus.addInterface("ZV-318", /*openable=*/false, nullptr, /*permission=*/true);
    Start();
    EXPECT_EQ(form->CStatus->Connexio->text(), Entry(15));
    EXPECT_TRUE(form->CStatus->PermissionHint->isVisible());
    const QString hint = form->CStatus->PermissionHint->text();
#if defined(__linux__)
    EXPECT_TRUE(hint.contains(QStringLiteral("70-zv318.rules")));
    EXPECT_TRUE(hint.contains(QStringLiteral("udevadm")));
#endif
    EXPECT_EQ(hint, QString::fromStdString(PermissionHint()));

    // Another interface that cannot be opened is no reason for the hint.
    bus.clearInterfaces();
    bus.addInterface("Keyboard", false, nullptr, true);
    form->ConnectionStatus();
    EXPECT_FALSE(form->CStatus->PermissionHint->isVisible());

    // Once the rule is in place the instrument opens and the hint goes.
    bus.clearInterfaces();
    bus.addInterface("ZV-318", false, nullptr, true);
    form->ConnectionStatus();
    ASSERT_TRUE(form->CStatus->PermissionHint->isVisible());
    bus.clearInterfaces();
    bus.addInterface("ZV-318", true, &instrument);
    form->ConnectionStatus();
    EXPECT_FALSE(form->CStatus->PermissionHint->isVisible());
    EXPECT_EQ(form->CStatus->Connexio->text(), Entry(14));
}

TEST_F(mainwindowStartUp, ConnectionFactsAreReadInTheirOrder) {
    std::vector<ConnectionStage> stages;
    ConnectionInfo info = ReadConnectionInfo(
        link, [&](ConnectionStage s, const ConnectionInfo&) { stages.push_back(s); });
    EXPECT_TRUE(info.found);
    EXPECT_EQ(stages, (std::vector<ConnectionStage>{ConnectionStage::Searched,
                                                    ConnectionStage::Serial,
                                                    ConnectionStage::Versions}));
    EXPECT_EQ(instrument.commands(), (std::vector<std::string>{"*?NS", "<IOV>", "*?VE"}));

    bus.setPlugged(false);
    stages.clear();
    info = ReadConnectionInfo(link, [&](ConnectionStage s, const ConnectionInfo&) {
        stages.push_back(s);
    });
    EXPECT_FALSE(info.found);
    EXPECT_EQ(stages, std::vector<ConnectionStage>{ConnectionStage::Searched});
}

// Enlarged, the pages and their tables take the room; the window opens again as it was left.
TEST_F(mainwindowStartUp, TheWindowGrowsAndKeepsItsSizeAndPlace) {
    SetWindowPlacesFile(folder / "settings.txt");
    Start();
    const QSize client = form->centralWidget()->size();
    EXPECT_EQ(client, QSize(800, 546));
    const QRect list = form->ChannelPlan->Llista->geometry();
    const QRect grid = form->Loggers->LoggerIndex->geometry();
    const QRect receive = form->ChannelPlan->ReceiveBut->geometry();

    form->resize(form->width() + 400, form->height() + 200);
    QCoreApplication::processEvents();
    ASSERT_EQ(form->centralWidget()->size(), client + QSize(400, 200));
    EXPECT_EQ(form->Panel1->width(), 1200);
    EXPECT_EQ(form->Bandera->x() + form->Bandera->width() + 8, 1200);  // the flag at the right
    EXPECT_EQ(form->CStatus->height(), 492 + 200);
    EXPECT_EQ(form->PageControl->size(), QSize(526 + 400, 492 + 200));
    form->PageControl->setCurrentWidget(form->ChannelPlan);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->ChannelPlan->Llista->size(), list.size() + QSize(400, 200));
    EXPECT_EQ(form->ChannelPlan->ReceiveBut->geometry(), receive.translated(400, 0));
    form->PageControl->setCurrentWidget(form->Loggers);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->Loggers->LoggerIndex->size(), grid.size() + QSize(400, 200));
    // The columns fill the wider grid, in their designed proportions.
    QTableWidget* table = form->Loggers->LoggerIndex;
    int widths = 0;
    for (int c = 0; c < 5; ++c) widths += table->columnWidth(c);
    EXPECT_EQ(widths, table->viewport()->width());
    EXPECT_GT(table->columnWidth(1), 99);
    // Never smaller than designed.
    form->resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_GE(form->centralWidget()->width(), 800);
    EXPECT_GE(form->centralWidget()->height(), 546);

    form->resize(1000, 700);
    form->move(40, 30);
    QCoreApplication::processEvents();
    const QSize left = form->size();
    form->close();
    EXPECT_NE(ReadFile("settings.txt").find("window.main="), std::string::npos);
    form.reset();
    Start();
    EXPECT_EQ(form->size(), left);
    // A place the settings cannot hold is no place: the designed size.
    form->hide();
    WriteFile("settings.txt", "window.main=12,34,-5,abc\r\n");
    form.reset();
    Start();
    EXPECT_EQ(form->centralWidget()->size(), QSize(800, 546));
    SetWindowPlacesFile({});
}

TEST_F(mainwindowStartUp, TheWindowIsLaidOutAsDesigned) {
    Create();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ZV-318 Software (BETA)"));
    EXPECT_EQ(form->CStatus->Connexio->text(), QStringLiteral("Connection ??"));
    EXPECT_EQ(form->centralWidget()->size(), QSize(800, 546));
    EXPECT_EQ(form->Panel1->geometry(), QRect(0, 0, 800, 40));
    EXPECT_EQ(form->CStatus->Usb->size(), QSize(64, 40));
    EXPECT_FALSE(form->CStatus->geometry().intersects(form->PageControl->geometry()));
    EXPECT_EQ(form->ChannelPlan->Llista->selectionMode(), QAbstractItemView::ExtendedSelection);

    // The logger table: 50 logger rows of 20 pixels under headings that stay in view, as
    // wide as the button block below it, without a horizontal scroll bar.
    QTableWidget* grid = form->Loggers->LoggerIndex;
    ASSERT_EQ(grid->columnCount(), 5);
    ASSERT_EQ(grid->rowCount(), 50);
    EXPECT_FALSE(grid->horizontalHeader()->isHidden());
    int widths = 0;
    for (int c = 0; c < 5; ++c) widths += grid->columnWidth(c);
    EXPECT_LE(widths, grid->width());
    EXPECT_GE(widths, grid->width() - 30);
    for (int r = 0; r < 50; ++r) {
        EXPECT_EQ(grid->rowHeight(r), 20);
        for (int c = 0; c < 5; ++c) ASSERT_NE(grid->item(r, c), nullptr);
    }
    EXPECT_EQ(form->Loggers->Panel3->geometry().left(), form->Loggers->ReceiveRLogBut->geometry().left());
    EXPECT_EQ(form->Loggers->Panel3->geometry().right(), form->Loggers->PrintSelBut->geometry().right());

    // Controls of later commands exist with their first state.
    for (QWidget* w : {static_cast<QWidget*>(form->Loggers->PrintSelBut),
                       static_cast<QWidget*>(form->Loggers->SaveLogAsBut),
                       static_cast<QWidget*>(form->Loggers->SaveLogBut), static_cast<QWidget*>(form->ChannelPlan->Llista),
                       static_cast<QWidget*>(form->ChannelPlan->DelSelBut), static_cast<QWidget*>(form->ChannelPlan->LoadBut)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(form->Contenidos1->isEnabled());  // opens the user guide
    EXPECT_EQ(form->Timer2->interval(), 1200);
    EXPECT_TRUE(form->Timer2->isSingleShot());
    EXPECT_FALSE(form->Timer2->isActive());

    // Other code finds the controls by these names.
    for (const char* name :
         {"Panel1", "Logo", "Bandera", "CStatus", "Connexio", "Usb", "Model", "Mod", "SNumber",
          "SN", "IOVersion", "IOV", "ZVVersion", "PageControl", "ChannelPlan", "Loggers", "Llista",
          "ListLabel", "ReceiveBut", "EditBut", "NewRBut", "NewPBut", "DelSelBut", "LoadBut",
          "VersioControllerLabel", "LoggerIndex", "Panel3", "ReceiveRLogBut", "ReceivePLogBut",
          "PrintSelBut", "OpenLogBut", "SaveLogAsBut", "SaveLogBut", "Label3",
          "VersioControllerLabel2", "MainMenu1", "Idioma1", "Timer2", "Salir1", "Firmware1",
          "KORVEL521", "Puestaenhora1", "Contenidos1", "SobreKORVEL52", "SobreControlador"})
        EXPECT_NE(form->findChild<QObject*>(QLatin1String(name)), nullptr) << name;
    EXPECT_EQ(form->objectName(), QStringLiteral("Form1"));
}

// A program folder under an accented user name: every path crosses between Qt and the
// procedures whole (on Windows through UTF-16; here through the file name encoding).
TEST_F(mainwindowStartUp, AProgramFolderWithAccentsIsFoundWhole) {
    const QString accented =
        QString::fromStdString(folder.string()) + QStringLiteral("/N\u00faria/Canalitzacions");
    const std::filesystem::path program = PathFromQString(accented);
    std::filesystem::create_directories(program);
    for (const char* sub : {"Images", "Languages"})
        std::filesystem::copy(folder / sub, program / sub,
                              std::filesystem::copy_options::recursive);
    WriteFile(program / "config.txt", "Catalan");
    folder = program;
    Start();
    EXPECT_TRUE(SamePicture(form->Logo, program / "Images" / "logo.bmp"));
    EXPECT_TRUE(SamePicture(form->Bandera, program / "Languages" / "Catalan.bmp"));
    EXPECT_EQ(form->currentLanguage(), "Catalan");
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(QStringFromPath(form->programFolder()), accented);
}

}  // namespace
}  // namespace zv318::testing
