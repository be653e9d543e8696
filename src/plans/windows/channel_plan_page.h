#pragma once
// The main window's "ChannelPlan" page: the instrument's plan list `Llista` and the buttons
// that read, send and delete the instrument's plans and open the editor. Its commands run
// through the PageHost of the window that shows it.

#include <QSize>
#include <QWidget>
#include <filesystem>
#include <memory>

#include "link/page_host.h"
#include "texts/language_table.h"

class QLabel;
class QListWidget;
class QPushButton;
class TDialog;
class TEditor;

namespace zv318 {
class LlistaPlanList;
class PlanFiles;
class PlanListView;
class PlanProcedures;
}  // namespace zv318

class TChannelPlanPage : public QWidget {
    Q_OBJECT

public:
    explicit TChannelPlanPage(zv318::PageHost& host, QWidget* parent = nullptr);
    ~TChannelPlanPage() override;

    // The editor (and the dialog it asks names with) the page's entry points open; may be null.
    void setWindows(TEditor* editor, TDialog* dialog);
    // The procedures are made again for the host's next Feedback.
    void resetProcedures();
    // `Llista` with DelSelBut / LoadBut as the plan procedures see them.
    [[nodiscard]] zv318::PlanListView& planList();
    // The plan procedures behind the page; null before the host has a Feedback.
    [[nodiscard]] zv318::PlanProcedures* planProcedures();

    // The page's controls follow what `reference` (the main window's client area) grows
    // beyond `design`, its designed size: the list or grid takes the room.
    void growWith(QWidget* reference, QSize design);
    void applyTranslation(const zv318::LanguageTable& table);
    // The page's controls in the order the Tab key visits them.
    [[nodiscard]] QWidgetList tabChain() const;
    // The status box found the instrument and its serial number: plans may be read.
    void instrumentFound();
    // No instrument: the list empties and only the commands without it stay enabled.
    void instrumentLost();

    QLabel* ListLabel;
    QListWidget* Llista;
    QPushButton* ReceiveBut;
    QPushButton* EditBut;
    QPushButton* NewRBut;
    QPushButton* NewPBut;
    QPushButton* DelSelBut;
    QPushButton* LoadBut;
    QLabel* VersioControllerLabel;

public slots:
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

protected:
    // Enter on the plan list opens the selected plan, as a double click does.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The editor with its plan session attached; null without an editor or a feedback.
    [[nodiscard]] TEditor* planEditor();

    zv318::PageHost& host_;
    TEditor* editor_ = nullptr;
    TDialog* dialog_ = nullptr;
    std::unique_ptr<zv318::LlistaPlanList> planList_;
    std::unique_ptr<zv318::PlanProcedures> planProcedures_;
    std::unique_ptr<zv318::PlanFiles> planFiles_;  // the editor's open dialog and copies
};
