#include "plans/windows/channel_plan_page.h"
#include "texts/menu_caption.h"

#include <QLabel>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>

#include "link/feedback.h"
#include "link/link.h"
#include "plans/plan_editor.h"
#include "plans/plan_model.h"
#include "plans/plan_procedures.h"
#include "plans/windows/editor.h"
#include "plans/windows/plan_list_widget.h"
#include "texts/version.h"
#include "texts/windows/window_growth.h"

TChannelPlanPage::TChannelPlanPage(zv318::PageHost& host, QWidget* parent)
    : QWidget(parent), host_(host) {
    setObjectName(QStringLiteral("ChannelPlan"));

    ListLabel = new QLabel(QStringLiteral("Equipment's channel plans"), this);
    ListLabel->setObjectName(QStringLiteral("ListLabel"));
    ListLabel->setGeometry(10, 6, 250, 18);

    Llista = new QListWidget(this);
    Llista->setObjectName(QStringLiteral("Llista"));
    Llista->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Llista->setGeometry(10, 26, 250, 422);
    ListLabel->setBuddy(Llista);

    const int x = 272, w = 238, h = 30;
    struct Button {
        QPushButton*& button;
        const char* name;
        const char* text;
        int y;
    } buttons[] = {
        {ReceiveBut, "ReceiveBut", "Read equipment's channel plans", 26},
        {LoadBut, "LoadBut", "Load channel plan", 62},
        {DelSelBut, "DelSelBut", "Delete selected channel plans", 98},
        {EditBut, "EditBut", "Edit channel plan", 154},
        {NewRBut, "NewRBut", "New RADIO channel plan", 190},
        {NewPBut, "NewPBut", "New PLC channel plan", 226},
    };
    for (Button& b : buttons) {
        b.button = new QPushButton(QLatin1String(b.text), this);
        b.button->setObjectName(QLatin1String(b.name));
        b.button->setGeometry(x, b.y, w, h);
    }

    VersioControllerLabel = new QLabel(this);
    VersioControllerLabel->setObjectName(QStringLiteral("VersioControllerLabel"));
    VersioControllerLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    VersioControllerLabel->setGeometry(x, 430, w, 18);

    connect(ReceiveBut, &QPushButton::clicked, this, &TChannelPlanPage::ReceiveButClick);
    connect(LoadBut, &QPushButton::clicked, this, &TChannelPlanPage::LoadButClick);
    connect(DelSelBut, &QPushButton::clicked, this, &TChannelPlanPage::DelSelButClick);
    connect(EditBut, &QPushButton::clicked, this, &TChannelPlanPage::EditButClick);
    connect(NewRBut, &QPushButton::clicked, this, &TChannelPlanPage::NewRButClick);
    connect(NewPBut, &QPushButton::clicked, this, &TChannelPlanPage::NewPButClick);
    connect(Llista, &QListWidget::itemDoubleClicked, this, &TChannelPlanPage::LlistaDblClick);
    Llista->installEventFilter(this);

    for (QWidget* control : {static_cast<QWidget*>(ReceiveBut), static_cast<QWidget*>(EditBut),
                             static_cast<QWidget*>(NewRBut), static_cast<QWidget*>(NewPBut)})
        host_.setCommandEnabled(control, true);
    for (QWidget* control : {static_cast<QWidget*>(Llista), static_cast<QWidget*>(DelSelBut),
                             static_cast<QWidget*>(LoadBut)})
        host_.setCommandEnabled(control, false);

    planList_ = std::make_unique<zv318::LlistaPlanList>(*Llista, [this] {
        host_.setCommandEnabled(Llista, true);
        host_.setCommandEnabled(DelSelBut, true);
        host_.setCommandEnabled(LoadBut, true);
    });
}

TChannelPlanPage::~TChannelPlanPage() = default;

void TChannelPlanPage::setWindows(TEditor* editor, TDialog* dialog) {
    editor_ = editor;
    dialog_ = dialog;
}

void TChannelPlanPage::resetProcedures() {
    planProcedures_.reset();
}

zv318::PlanListView& TChannelPlanPage::planList() {
    return *planList_;
}

zv318::PlanProcedures* TChannelPlanPage::planProcedures() {
    zv318::Feedback* feedback = host_.feedback();
    if (!feedback) return nullptr;
    if (!planProcedures_)
        planProcedures_ = std::make_unique<zv318::PlanProcedures>(
            host_.link(), *feedback, host_.languageTable(), *planList_, host_.programFolder());
    return planProcedures_.get();
}

QWidgetList TChannelPlanPage::tabChain() const {
    return {Llista, ReceiveBut, LoadBut, DelSelBut, EditBut, NewRBut, NewPBut};
}

void TChannelPlanPage::growWith(QWidget* reference, QSize design) {
    // The list takes the room the window gains; the buttons stay beside it.
    auto* growth = new zv318::GrowthLayout(this, design, reference);
    growth->add(Llista, zv318::GrowsWide | zv318::GrowsTall);
    for (QPushButton* b : {ReceiveBut, LoadBut, DelSelBut, EditBut, NewRBut, NewPBut})
        growth->add(b, zv318::MovesRight);
    growth->add(VersioControllerLabel, zv318::MovesRight | zv318::MovesDown);
}

void TChannelPlanPage::applyTranslation(const zv318::LanguageTable& table) {
    auto e = [&table](int n) { return QString::fromStdString(table.entry(n)); };
    VersioControllerLabel->setText(QString::fromLatin1(zv318::kSoftwareVersionText));
    // Each button a key of its own, clear of the main window's menus.
    QString taken = zv318::MainMenuKeys(table);
    zv318::SetButtonCaptions<QPushButton>(taken, {{ReceiveBut, e(41)},
                                                  {LoadBut, e(44)},
                                                  {DelSelBut, e(42)},
                                                  {EditBut, e(93)},
                                                  {NewRBut, e(94)},
                                                  {NewPBut, e(91)}});
    // The list's caption takes the person to the list.
    zv318::SetButtonCaptions<QLabel>(taken, {{ListLabel, e(77)}});
    ReceiveBut->setToolTip(e(1820));
    LoadBut->setToolTip(e(1821));
    DelSelBut->setToolTip(e(1822));
}

void TChannelPlanPage::instrumentFound() {
    host_.setCommandEnabled(ReceiveBut, true);
}

void TChannelPlanPage::instrumentLost() {
    for (QWidget* control : {static_cast<QWidget*>(ReceiveBut), static_cast<QWidget*>(DelSelBut),
                             static_cast<QWidget*>(LoadBut), static_cast<QWidget*>(Llista)})
        host_.setCommandEnabled(control, false);
    Llista->clear();
}

// ---- the instrument's plans -------------------------------------------------------------------

void TChannelPlanPage::ReceiveButClick() {
    if (zv318::PlanProcedures* plans = planProcedures())
        host_.runCommand([plans] { plans->ReceiveButClick(); });
}

void TChannelPlanPage::LoadButClick() {
    if (zv318::PlanProcedures* plans = planProcedures())
        host_.runCommand([plans] { plans->LoadButClick(); });
}

void TChannelPlanPage::DelSelButClick() {
    if (zv318::PlanProcedures* plans = planProcedures())
        host_.runCommand([plans] { plans->DelSelButClick(); });
}

// ---- the channel plan editor ------------------------------------------------------------------

TEditor* TChannelPlanPage::planEditor() {
    zv318::Feedback* feedback = host_.feedback();
    if (!editor_ || !feedback) return nullptr;
    if (!planFiles_) {
        planFiles_ =
            std::make_unique<zv318::PlanFiles>(*feedback, *planList_, host_.programFolder());
        editor_->attach(*feedback, *planFiles_, dialog_);
    }
    return editor_;
}

void TChannelPlanPage::EditButClick() {
    if (TEditor* editor = planEditor())
        if (editor->OpenChannelPlanFile(-1) == zv318::kPlanRead) editor->ShowModally();
}

void TChannelPlanPage::NewRButClick() {
    if (TEditor* editor = planEditor()) editor->NewChannelPlan(false, true);
}

void TChannelPlanPage::NewPButClick() {
    if (TEditor* editor = planEditor()) editor->NewChannelPlan(false, false);
}

bool TChannelPlanPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Llista && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && Llista->currentItem()) {
            LlistaDblClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TChannelPlanPage::LlistaDblClick() {
    TEditor* editor = planEditor();
    if (!editor) return;
    zv318::Feedback& feedback = *host_.feedback();
    std::optional<int> position;
    host_.runCommand([this, &feedback, &position] {
        position = zv318::PlanToEdit(host_.link(), feedback, *planList_);
    });
    if (!position) return;
    // Only a copy the latest reading wrote whole stands for the plan in the instrument; an
    // older or cut-short copy is never opened as if it did.
    zv318::PlanProcedures* plans = planProcedures();
    if (!plans || !plans->LatestReadingCopy(*position)) {
        feedback.showMessage(zv318::kOutdatedCopyMessage);
        return;
    }
    if (editor->OpenChannelPlanFile(*position) == zv318::kPlanRead) editor->ShowModally();
}

void TChannelPlanPage::EditPlanFile(const std::filesystem::path& file) {
    if (TEditor* editor = planEditor())
        if (editor->OpenPlanFile(file) == zv318::kPlanRead) editor->ShowModally();
}
