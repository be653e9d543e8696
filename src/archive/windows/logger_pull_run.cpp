#include "archive/windows/logger_pull_run.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "archive/archive_keeper.h"
#include "texts/user_settings.h"

namespace zv318 {

namespace {

constexpr int kMenuEntry = 1770;
constexpr int kProgressEntry = 1773;
constexpr int kKeptEntry = 1774, kKeptOneEntry = 1775;
constexpr int kLostEntry = 1776, kStoppedEntry = 1777;
constexpr int kShowEntry = 1778, kStopEntry = 1779, kCloseEntry = 1780;
constexpr int kReadingEntry = 1781;
// Between two steps the window takes what the person did; a command running then goes first.
constexpr int kStepGapMs = 30;
constexpr int kBusyRetryMs = 200;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

PullNotice::PullNotice(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("PullNotice");
    setModal(false);
    Text = new QLabel(this);
    Text->setObjectName("PullText");
    Text->setWordWrap(true);
    Text->setTextFormat(Qt::PlainText);  // logger names come from the instrument
    Text->setMinimumWidth(380);
    Bar = new QProgressBar(this);
    Bar->setObjectName("PullBar");
    StopButton = new QPushButton(this);
    StopButton->setObjectName("PullStop");
    ShowButton = new QPushButton(this);
    ShowButton->setObjectName("PullShow");
    CloseButton = new QPushButton(this);
    CloseButton->setObjectName("PullClose");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ShowButton);
    buttons->addWidget(StopButton);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Text);
    layout->addWidget(Bar);
    layout->addLayout(buttons);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::hide);
}

void PullNotice::say(const QString& message) {
    Text->setText(message);
    layout()->activate();
    const int width = std::max(this->width(), sizeHint().width());
    const int height = layout()->totalHeightForWidth(width);
    if (!isVisible())
        resize(width, height);
    else if (height > this->height())
        resize(this->width(), height);
}

LoggerPullRun::LoggerPullRun(PageHost& host, ArchiveKeeper& keeper,
                             const std::filesystem::path& userFolder, QWidget* window)
    : QObject(window),
      host_(host),
      keeper_(keeper),
      settingsFile_(UserSettings::FileIn(userFolder)) {
    action_ = new QAction(this);
    action_->setObjectName("PullOnPlugIn");
    action_->setCheckable(true);
    action_->setChecked(UserSettings::Load(settingsFile_).flag(kPullSettingKey, false));
    connect(action_, &QAction::toggled, this, [this](bool on) {
        (void)UpdateUserSettings(settingsFile_,
                                 [on](UserSettings& s) { s.setFlag(kPullSettingKey, on); });
    });
    notice_ = new PullNotice(window);
    connect(notice_->StopButton, &QPushButton::clicked, this, &LoggerPullRun::Stop);
    connect(notice_->ShowButton, &QPushButton::clicked, this, [this] {
        notice_->hide();
        emit showKept(Q(serial_), kept_);
    });
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &LoggerPullRun::Step);
}

LoggerPullRun::~LoggerPullRun() = default;

QString LoggerPullRun::text(int entry) const {
    return table_ ? Q(table_->entry(entry)) : QString();
}

void LoggerPullRun::applyTranslation(const LanguageTable& table) {
    table_ = &table;
    action_->setText(text(kMenuEntry));
    notice_->setWindowTitle(text(kPullCaptionEntry));
    notice_->StopButton->setText(text(kStopEntry));
    notice_->ShowButton->setText(text(kShowEntry));
    notice_->CloseButton->setText(text(kCloseEntry));
}

void LoggerPullRun::InstrumentAppeared() {
    if (running() || !keeper_.enabled()) return;
    const UserSettings settings = UserSettings::Load(settingsFile_);
    if (!settings.value(kPullSettingKey)) {
        // Asked once; No (the default) is kept as well, so the question does not come back.
        Feedback* feedback = host_.feedback();
        if (!feedback) return;
        const bool allowed = feedback->askYesNo(kPullQuestionEntry, kPullCaptionEntry);
        action_->setChecked(allowed);
        (void)UpdateUserSettings(
            settingsFile_, [allowed](UserSettings& s) { s.setFlag(kPullSettingKey, allowed); });
        if (!allowed) return;
    } else if (!settings.flag(kPullSettingKey, false)) {
        return;
    }
    Start();
}

void LoggerPullRun::Start() {
    // An archive that cannot take loggers ends the run at its first step (its opening told
    // why); whether it can is known on the keeper's thread only.
    if (running() || !host_.feedback() || !keeper_.enabled()) return;
    pull_ = std::make_shared<LoggerPull>(host_.link(), *host_.feedback(), host_.languageTable());
    stop_ = settling_ = false;
    last_ = LoggerPull::Step::Read;
    serial_.clear();
    kept_.clear();
    timer_->start(0);
}

void LoggerPullRun::Stop() {
    stop_ = true;
    if (running() && !settling_ && !timer_->isActive()) timer_->start(0);
}

void LoggerPullRun::Step() {
    if (!pull_ || settling_) return;
    if (stop_) {
        Finish(pull_->prepared() ? kStoppedEntry : 0);
        return;
    }
    if (host_.busy()) {
        // The person's command runs; the run goes on after it.
        timer_->start(kBusyRetryMs);
        return;
    }
    bool ran = false;
    if (!host_.runCommand([this, &ran] {
            last_ = pull_->Next();
            ran = true;
        }) ||
        !ran) {
        // Another program holds the instrument (the window said so): the next plug-in tries.
        Finish(0);
        return;
    }
    if (!pull_->unsettled()) {
        Advance();
        return;
    }
    settling_ = true;
    keeper_.run<LoggerPull::Step>(
        [pull = pull_](Archive* archive) { return pull->Settle(archive); }, this,
        [this](LoggerPull::Step step) {
            settling_ = false;
            last_ = step;
            Advance();
        });
}

void LoggerPullRun::Advance() {
    if (!pull_) return;
    serial_ = pull_->serial();
    const int added = static_cast<int>(pull_->keptIds().size() - kept_.size());
    kept_ = pull_->keptIds();
    keeper_.noteAdded(added);
    if (last_ == LoggerPull::Step::NotKept)
        if (Feedback* feedback = host_.feedback()) {
            const NoticeParts parts =
                ArchiveNoticeParts(host_.languageTable(), kMessageArchiveNotKept, pull_->refusal());
            feedback->showNoticeWithDetails(parts.text, parts.details);
        }
    if (pull_->prepared() && !pull_->missing().empty()) {
        const int total = static_cast<int>(pull_->missing().size());
        notice_->say(text(kProgressEntry)
                         .arg(Q(serial_))
                         .arg(std::min(pull_->done() + 1, total))
                         .arg(total));
        notice_->Bar->setRange(0, total);
        notice_->Bar->setValue(pull_->done());
        notice_->Bar->show();
        notice_->StopButton->show();
        notice_->ShowButton->hide();
        notice_->CloseButton->hide();
        if (!notice_->isVisible()) notice_->show();
    }
    if (!pull_->finished()) {
        timer_->start(stop_ ? 0 : kStepGapMs);
        return;
    }
    if (last_ == LoggerPull::Step::Lost && pull_->prepared())
        Finish(kLostEntry);
    else if (last_ == LoggerPull::Step::NotKept)
        Finish(kStoppedEntry);
    else if (!pull_->prepared() || pull_->missing().empty())
        Finish(0);
    else
        Finish(kept_.size() == 1 ? kKeptOneEntry : kKeptEntry);
}

void LoggerPullRun::Finish(int textEntry) {
    timer_->stop();
    const int total = pull_ ? static_cast<int>(pull_->missing().size()) : 0;
    const int kept = static_cast<int>(kept_.size());
    const std::vector<PullSkip> skipped = pull_ ? pull_->skipped() : std::vector<PullSkip>();
    pull_.reset();
    if (textEntry == 0) {
        // Nothing new, no instrument to read: nothing to tell.
        notice_->hide();
        emit finished();
        return;
    }
    QString message = text(textEntry);
    if (textEntry == kLostEntry)
        message = message.arg(Q(serial_)).arg(kept).arg(total);
    else if (textEntry == kStoppedEntry)
        message = message.arg(kept).arg(total).arg(Q(serial_));
    else
        message = message.arg(kept).arg(Q(serial_));
    // The loggers left out are named: kept some day only when the person knows of them.
    if (!skipped.empty()) message += "\n\n" + Q(SkippedNotice(host_.languageTable(), skipped));
    notice_->Bar->hide();
    notice_->StopButton->hide();
    notice_->ShowButton->setVisible(kept > 0);
    notice_->CloseButton->show();
    notice_->say(message);
    notice_->show();
    emit finished();
}

}  // namespace zv318
