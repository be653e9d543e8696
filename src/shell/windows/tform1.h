#pragma once
// The main window: header with logo and flag, the connection status box, the "ChannelPlan" and
// "Loggers" tab pages, the menu bar, and the connection monitor (Timer2). It owns the language
// table and works through the one Link it is given.
//
// Commands that talk to the instrument run through runCommand(): while one runs, every other
// command of the window (buttons, menus, the lists) is disabled, and at its end each control
// gets back the state it should have then (setCommandEnabled() keeps that state). A refresh of
// the status box that falls due meanwhile runs after the command.

#include <QMainWindow>
#include <QString>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "link/feedback.h"
#include "link/link.h"
#include "texts/program_folders.h"
#include "texts/language_table.h"

class QAction;
class QActionGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTimer;
class QWidget;

class TUpdatingFORM;
class TConfUpgr;
class TAboutKORVEL52;
class TAboutController;
class TOculta;
class TEditor;
class TDialog;
class TZVLoggerWindow;

namespace zv318 {
class DeviceWatcher;
class FirmwareUpdate;
class Sleeper;
struct UpdateQuestion;
class LlistaPlanList;
class PlanFiles;
class PlanListView;
class PlanProcedures;
class LoggerProcedures;
class LoggerPrinter;
}  // namespace zv318

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // The other windows of the program, created after the main window; any may be missing.
    struct Windows {
        TUpdatingFORM* updating = nullptr;
        TConfUpgr* confUpgr = nullptr;
        TAboutKORVEL52* aboutKorvel = nullptr;
        TAboutController* aboutController = nullptr;
        TOculta* oculta = nullptr;
        TEditor* editor = nullptr;
        TDialog* dialog = nullptr;
        TZVLoggerWindow* loggerWindow = nullptr;
    };

    // `folders`: where "Images" and "Languages" are read, and "config.txt", the plan copies and
    // "Loggers" written (one folder for both, but for an installed program).
    TForm1(zv318::Link& link, zv318::ProgramFolders folders, QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- wiring (before AlExecutar) ----------------------------------------------------
    // Connects the about window's hidden functions and includes the windows in translation.
    void setWindows(const Windows& windows);
    [[nodiscard]] const Windows& windows() const { return windows_; }
    // How the window's procedures talk to the person; the Link reports through it too.
    void setFeedback(zv318::Feedback* feedback);
    [[nodiscard]] zv318::Feedback* feedback() const { return feedback_; }
    // The IO Interface image given on the command line; empty when none.
    void setStartupArgument(const std::string& argument) { startupArgument_ = argument; }
    [[nodiscard]] const std::string& startupArgument() const { return startupArgument_; }
    // The source of device-change notices, started by AlExecutar (not owned).
    void setDeviceWatcher(zv318::DeviceWatcher* watcher) { watcher_ = watcher; }

    // Hooks of the later subsystems. Each runs as a command (see runCommand).
    // The IO Interface update with the start-up argument as its image (AlExecutar).
    std::function<void(const std::string&)> startIoUpdate;
    // "Actualizar" › "IO Interface" and › "ZV-318".
    std::function<void()> firmwareIoUpdate;
    std::function<void()> instrumentUpdate;

    // ---- firmware updates (run by the hooks above unless a caller replaces them) --------
    // The IO Interface update: the start-up argument is its image when set, and the update
    // empties or keeps it.
    void Actualitzar();
    // The instrument update.
    void ActualitzarZV318();
    // What the updates' waits sleep on (not owned); the thread sleeps when none is set.
    void setFirmwareSleeper(zv318::Sleeper* sleeper) { firmwareSleeper_ = sleeper; }

    // ---- what the other parts use ------------------------------------------------------
    [[nodiscard]] zv318::Link& link() { return link_; }
    [[nodiscard]] zv318::LanguageTable& languageTable() { return table_; }
    [[nodiscard]] const zv318::LanguageTable& languageTable() const { return table_; }
    [[nodiscard]] const std::filesystem::path& programFolder() const { return folders_.user; }
    [[nodiscard]] const zv318::ProgramFolders& folders() const { return folders_; }
    // `Llista` with DelSelBut / LoadBut as the plan procedures see them.
    [[nodiscard]] zv318::PlanListView& planList();
    [[nodiscard]] const std::string& currentLanguage() const { return currentLanguage_; }
    void setCurrentLanguage(const std::string& name) { currentLanguage_ = name; }
    // Whether the last refresh of the status box found the instrument.
    [[nodiscard]] bool connected() const { return connected_; }

    // Runs `command` with the window's other commands disabled; false (and nothing run) when
    // a command is already running.
    bool runCommand(const std::function<void()>& command);
    [[nodiscard]] bool busy() const { return busy_; }
    // Sets the state a command control should have; applied at once unless a command runs,
    // else at its end.
    void setCommandEnabled(QWidget* control, bool enabled);
    [[nodiscard]] bool commandEnabled(QWidget* control) const;

    // ---- controls ----------------------------------------------------------------------
    QFrame* Panel1;
    QLabel* Logo;
    QLabel* Bandera;

    QGroupBox* CStatus;
    QLabel* Connexio;
    QLabel* PermissionHint;  // how to let this user open the instrument
    QLabel* Usb;
    QLabel* Model;
    QLabel* Mod;
    QLabel* SNumber;
    QLabel* SN;
    QLabel* IOVersion;
    QLabel* IOV;
    QLabel* ZVVersion;
    QLabel* ZVV;
    QLabel* InstrumentPicture;

    QTabWidget* PageControl;
    QWidget* ChannelPlan;
    QLabel* ListLabel;
    QListWidget* Llista;
    QPushButton* ReceiveBut;
    QPushButton* EditBut;
    QPushButton* NewRBut;
    QPushButton* NewPBut;
    QPushButton* DelSelBut;
    QPushButton* LoadBut;
    QLabel* VersioControllerLabel;

    QWidget* Loggers;
    QLabel* Label3;
    QFrame* Panel3;
    QTableWidget* LoggerIndex;
    QPushButton* ReceiveRLogBut;
    QPushButton* ReceivePLogBut;
    QPushButton* PrintSelBut;
    QPushButton* OpenLogBut;
    QPushButton* SaveLogAsBut;
    QPushButton* SaveLogBut;
    QLabel* VersioControllerLabel2;

    QMenuBar* MainMenu1;
    QMenu* Archivo1;
    QAction* Copiadeseguridad1;  // "Back up instrument…"
    QAction* Restaurarplanes1;   // "Restore plans…"
    QAction* Salir1;
    QMenu* Idioma1;
    QMenu* Actualizar1;
    QAction* Firmware1;
    QAction* KORVEL521;
    QAction* Puestaenhora1;
    QMenu* Ayuda1;
    QAction* Contenidos1;
    QAction* SobreKORVEL52;
    QAction* SobreControlador;

    QTimer* Timer2;

public slots:
    // Start-up, once all windows exist: languages, "." as decimal separator, status box,
    // device monitor, and the IO Interface update when a start-up argument was given.
    void AlExecutar();
    // Refreshes the status box (and the plan controls) from a fresh search.
    void ConnectionStatus();
    // A device-change notice: starts Timer2 unless it already runs.
    void deviceChangeNotice();
    void Timer2Timer();
    // Closes the device handle.
    void FormClose();

    void BuildLanguageMenu();
    void LoadConfiguredLanguage();
    void LoadLanguage();
    void ApplyTranslation();
    void LanguageItemClick(QAction* item);

    void Salir1Click();
    void Firmware1Click();
    void KORVEL521Click();
    void Puestaenhora1Click();
    void SobreKORVEL52Click();
    void SobreControladorClick();
    void HiddenCommandClick();
    void HiddenEraseClick();
    // "Back up instrument…": every plan and logger into a new folder inside the chosen one.
    void Copiadeseguridad1Click();
    // "Restore plans…": the plans of the chosen backup folder back into the instrument.
    void Restaurarplanes1Click();

    void ReceiveButClick();
    void LoadButClick();
    void DelSelButClick();
    // The editor's entry points: a ".c318" file, a new RADIO or PLC plan, the instrument
    // plan selected in Llista (its ".temp" copy).
    void EditButClick();
    void NewRButClick();
    void NewPButClick();
    void LlistaDblClick();
    // Opens a ".c318" file in the editor, shown modally (zv318 --edit FILE).
    void EditPlanFile(const std::filesystem::path& file);

    // ---- the "Loggers" tab ------------------------------------------------------------
    void ReceiveRLogButClick();
    void ReceivePLogButClick();
    void OpenLogButClick();
    void SaveLogButClick();
    void SaveLogAsButClick();
    void PrintSelButClick();
    void LoggerIndexMouseUp(int column, int row, bool leftButton);
    void LoggerIndexDblClick();
    // Empties the logger rows (and forgets what they showed); shows the table as listed.
    void ClearLoggerList();
    void ListLoggers();

public:
    // The logger procedures behind the tab (the index, the open logger); null before a
    // feedback is set.
    [[nodiscard]] zv318::LoggerProcedures* loggerProcedures();
    // What "Print selected loggers" prints on; the system printer when none is set.
    zv318::LoggerPrinter* loggerPrinter = nullptr;

signals:
    // The status box was refreshed (at start-up, after a device change, after a language).
    void connectionStatusRefreshed(bool found);
    // The texts of the window were set from the language table (menus added later follow).
    void translationApplied();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Keeps the state other code gives a command control with setEnabled() while a command
    // runs, to restore it at the command's end.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildHeader(QWidget* client);
    void buildStatusBox(QWidget* client);
    void buildChannelPlanPage();
    void buildLoggersPage();
    void buildMenus();
    void setTabOrder();

    void showFoundState(const QString& model);
    void showNotFoundState(bool permissionDenied);
    void setConnexio(bool found);
    void placeValueLabels();
    void loadPicture(QLabel* target, const std::filesystem::path& file);
    void repaintNow();
    void applyCommandStates();
    [[nodiscard]] zv318::PlanProcedures* planProcedures();
    void runFirmwareUpdate(bool ioInterface);
    [[nodiscard]] bool confirmUpdate(const zv318::UpdateQuestion& question,
                                     const zv318::FirmwareUpdate& update);
    // The editor with its plan session attached; null without an editor or a feedback.
    [[nodiscard]] TEditor* planEditor();
    void setUpLoggerTab();
    void receiveLoggers(int type);
    // Shows the open logger in the viewer, modally.
    void showLoggerViewer();

    zv318::Link& link_;
    zv318::ProgramFolders folders_;
    zv318::LanguageTable table_;
    zv318::Feedback* feedback_ = nullptr;
    std::unique_ptr<zv318::LlistaPlanList> planList_;
    std::unique_ptr<zv318::PlanProcedures> planProcedures_;
    std::unique_ptr<zv318::PlanFiles> planFiles_;  // the editor's open dialog and copies
    std::unique_ptr<zv318::LoggerProcedures> loggerProcedures_;
    Windows windows_;
    zv318::DeviceWatcher* watcher_ = nullptr;
    std::string startupArgument_;
    std::string currentLanguage_;
    bool connected_ = false;
    bool refreshing_ = false;
    bool busy_ = false;
    bool refreshPending_ = false;
    bool refreshAgain_ = false;  // a device notice came during a refresh
    bool applying_ = false;            // the window itself changes an enabled state
    std::map<QWidget*, bool> wanted_;  // the state each command control should have
    QActionGroup* languageGroup_ = nullptr;
    std::string serial_;  // the serial number shown in SN, as the instrument sent it
    zv318::Sleeper* firmwareSleeper_ = nullptr;
    std::string firmwareDialogFile_;  // the image file the dialog holds: the last one chosen
};
