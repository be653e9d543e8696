#pragma once
// The main window: the frame around the pages the subsystems own. It holds the header with logo
// and flag, the connection status box, the menu bar, the language and the connection monitor
// (Timer2), and places the "ChannelPlan" page (src/plans/windows) and the "Loggers" page
// (src/loggers/windows) in its tabs; the firmware menu runs the updates of src/firmware/windows
// and the file menu the backup commands of src/backup/windows. It owns the language table and
// works through the one Link it is given.
//
// The pages and commands reach the window as its PageHost. Commands that talk to the
// instrument run through runCommand(): while one runs, every other command of the window
// (buttons, menus, the lists) is disabled, and at its end each control gets back the state it
// should have then (setCommandEnabled() keeps that state). A refresh of the status box that
// falls due meanwhile runs after the command.

#include <QMainWindow>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "firmware/windows/firmware_commands.h"
#include "link/feedback.h"
#include "link/link.h"
#include "link/page_host.h"
#include "shell/windows/command_runner.h"
#include "texts/language_table.h"
#include "texts/program_folders.h"

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QTabWidget;
class QTimer;
class QTranslator;
class QWidget;

class TUpdatingFORM;
class TConfUpgr;
class TAboutKORVEL52;
class TAboutController;
class TOculta;
class TEditor;
class TDialog;
class TZVLoggerWindow;
class TChannelPlanPage;
class TStatusBox;
class TLoggersPage;
class TGuideWindow;

namespace zv318 {
class BackupCommands;
class DeviceWatcher;
class Sleeper;
class PlanListView;
}  // namespace zv318

class TForm1 : public QMainWindow, public zv318::PageHost {
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
    [[nodiscard]] zv318::Feedback* feedback() const override { return feedback_; }
    // The IO Interface image given on the command line; empty when none.
    void setStartupArgument(const std::string& argument) {
        firmware_->setStartupArgument(argument);
    }
    [[nodiscard]] const std::string& startupArgument() const {
        return firmware_->startupArgument();
    }
    // The source of device-change notices, started by AlExecutar (not owned).
    void setDeviceWatcher(zv318::DeviceWatcher* watcher) { watcher_ = watcher; }

    // Hooks of the later subsystems. Each runs as a command (see runCommand).
    // The IO Interface update with the start-up argument as its image (AlExecutar).
    std::function<void(const std::string&)> startIoUpdate;
    // "Actualizar" › "IO Interface" and › "ZV-318".
    std::function<void()> firmwareIoUpdate;
    std::function<void()> instrumentUpdate;

    // The updates those hooks run unless a caller replaces them (src/firmware/windows).
    [[nodiscard]] zv318::FirmwareCommands& firmware() { return *firmware_; }
    // What the updates' waits sleep on (not owned); the thread sleeps when none is set.
    void setFirmwareSleeper(zv318::Sleeper* sleeper) { firmware_->setSleeper(sleeper); }

    // ---- what the pages and the other parts use (PageHost) -----------------------------
    [[nodiscard]] zv318::Link& link() override { return link_; }
    [[nodiscard]] zv318::LanguageTable& languageTable() override { return table_; }
    [[nodiscard]] const zv318::LanguageTable& languageTable() const { return table_; }
    [[nodiscard]] const std::filesystem::path& programFolder() const override {
        return folders_.user;
    }
    [[nodiscard]] const std::filesystem::path& dataFolder() const override { return folders_.data; }
    [[nodiscard]] const zv318::ProgramFolders& folders() const { return folders_; }
    // `Llista` with DelSelBut / LoadBut as the plan procedures see them.
    [[nodiscard]] zv318::PlanListView& planList();
    [[nodiscard]] const std::string& currentLanguage() const { return currentLanguage_; }
    void setCurrentLanguage(const std::string& name) { currentLanguage_ = name; }
    // Whether the last refresh of the status box found the instrument.
    [[nodiscard]] bool connected() const { return connected_; }

    // Runs `command` with the window's other commands disabled; false (and nothing run) when
    // a command is already running.
    bool runCommand(const std::function<void()>& command) override;
    [[nodiscard]] bool busy() const override { return runner_->busy(); }
    // Sets the state a command control should have; applied at once unless a command runs,
    // else at its end.
    void setCommandEnabled(QWidget* control, bool enabled) override {
        runner_->setEnabled(control, enabled);
    }
    void repaintNow() override;
    [[nodiscard]] bool commandEnabled(QWidget* control) const { return runner_->enabled(control); }

    // ---- controls ----------------------------------------------------------------------
    QFrame* Panel1;
    QLabel* Logo;
    QLabel* Bandera;

    TStatusBox* CStatus;

    QTabWidget* PageControl;
    TChannelPlanPage* ChannelPlan;
    TLoggersPage* Loggers;

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
    // The user guide: "Contents" and F1 in any window open it.
    TGuideWindow* Guide;

public slots:
    // Start-up, once all windows exist: languages, "." as decimal separator, status box,
    // device monitor, and the IO Interface update when a start-up argument was given.
    void AlExecutar();
    // Refreshes the status box (and the plan controls) from a fresh search.
    void ConnectionStatus() override;
    // Shows "not connected" in the status box at once (message 7 follows); the whole box is
    // refreshed after the running command.
    void showNotConnected();
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
    // "Contents": the user guide at its first page.
    void Contenidos1Click();
    void SobreKORVEL52Click();
    void SobreControladorClick();
    void HiddenCommandClick();
    void HiddenEraseClick();
    // "Back up instrument…" and "Restore plans…" (src/backup/windows).
    void Copiadeseguridad1Click();
    void Restaurarplanes1Click();

signals:
    // The status box was refreshed (at start-up, after a device change, after a language).
    void connectionStatusRefreshed(bool found);
    // The texts of the window were set from the language table (menus added later follow).
    void translationApplied();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildHeader(QWidget* client);
    void buildMenus();
    void setTabOrder();
    // Qt's own texts (the buttons of the boxes, the file dialogs) in the chosen language.
    void LoadQtTexts();

    zv318::Link& link_;
    zv318::ProgramFolders folders_;
    zv318::LanguageTable table_;
    zv318::Feedback* feedback_ = nullptr;
    std::unique_ptr<zv318::FirmwareCommands> firmware_;
    std::unique_ptr<zv318::BackupCommands> backup_;
    Windows windows_;
    zv318::DeviceWatcher* watcher_ = nullptr;
    std::string currentLanguage_;
    bool connected_ = false;
    bool refreshing_ = false;
    bool refreshPending_ = false;
    bool refreshAgain_ = false;  // a device notice came during a refresh
    TCommandRunner* runner_ = nullptr;
    QActionGroup* languageGroup_ = nullptr;
    std::string serial_;  // the serial number shown in SN, as the instrument sent it
    std::unique_ptr<QTranslator> qtTexts_;
};
