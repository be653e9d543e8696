#include "shell/windows/archive_tab.h"

#include <QAction>
#include <QMenu>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>

#include "archive/archive_keeper.h"
#include "archive/windows/archive_page.h"
#include "archive/windows/logger_pull_run.h"
#include "shell/windows/status_box.h"
#include "loggers/logger_procedures.h"
#include "loggers/windows/logger_window.h"
#include "loggers/windows/loggers_page.h"
#include "shell/windows/tform1.h"

namespace zv318 {

namespace {
constexpr int kArchiveTabEntry = 1472;

// The line above Exit in the main window's File menu.
QAction* ExitSeparator(TForm1& form) {
    const QList<QAction*> items = form.Archivo1->actions();
    const qsizetype exit = items.indexOf(form.Salir1);
    return exit > 0 ? items[exit - 1] : form.Salir1;
}
}  // namespace

ArchivePage* AddArchivePage(TForm1& form, ArchiveKeeper& keeper) {
    auto* page = new ArchivePage(keeper, form.folders().user, form.PageControl);
    const int tab = form.PageControl->addTab(page, QString());
    page->reportFeedback = [&form] { return form.feedback(); };
    // The archive's items between the plans' and Exit, which stays last.
    form.Archivo1->insertSeparator(ExitSeparator(form));
    form.Archivo1->insertAction(ExitSeparator(form), page->keepAction());
    auto captions = [&form, page, tab] {
        form.PageControl->setTabText(tab,
                                     QString::fromStdString(form.languageTable().entry(kArchiveTabEntry)));
        page->applyTranslation(form.languageTable());
    };
    captions();
    QObject::connect(&form, &TForm1::translationApplied, page, captions);
    QObject::connect(form.PageControl, &QTabWidget::currentChanged, page, [page, tab](int shown) {
        if (shown == tab) page->Refresh();
    });
    // The viewer shows an archived logger as it shows an opened file: the open logger.
    QObject::connect(page, &ArchivePage::openLogger, &form, [&form](const OpenLogger& logger) {
        LoggerProcedures* loggers = form.Loggers->loggerProcedures();
        TZVLoggerWindow* viewer = form.windows().loggerWindow;
        if (!loggers || !viewer) return;
        loggers->logger() = logger;
        viewer->setProcedures(loggers, form.windows().dialog, &form.languageTable());
        viewer->ShowLogger(loggers->logger());
        viewer->exec();
    });
    return page;
}

LoggerPullRun* AddLoggerPull(TForm1& form, ArchiveKeeper& keeper, ArchivePage& page) {
    auto* run = new LoggerPullRun(form, keeper, form.folders().user, &form);
    form.Archivo1->insertAction(ExitSeparator(form), run->pullAction());
    auto captions = [&form, run] { run->applyTranslation(form.languageTable()); };
    captions();
    QObject::connect(&form, &TForm1::translationApplied, run, captions);
    // An instrument appears: found now and not before, or another serial number than before.
    auto shown = std::make_shared<QString>();
    QObject::connect(&form, &TForm1::connectionStatusRefreshed, run, [&form, run, shown](bool found) {
        const QString serial = found ? form.CStatus->SN->text() : QString();
        const bool appeared = found && serial != *shown;
        *shown = serial;
        // After the refresh has ended (it may run at the end of a command).
        if (appeared) QTimer::singleShot(0, run, &LoggerPullRun::InstrumentAppeared);
    });
    QObject::connect(run, &LoggerPullRun::showKept, &page,
                     [&form, &page](const QString& serial, const std::vector<std::int64_t>& ids) {
                         form.PageControl->setCurrentWidget(&page);
                         page.ShowLoggers(serial, ids);
                     });
    return run;
}

}  // namespace zv318
