#include "archive/windows/date_field.h"

#include <QAction>
#include <QCalendarWidget>
#include <QDate>
#include <QStyle>
#include <QVBoxLayout>

#include "archive/page_rules.h"

namespace zv318 {

DateField::DateField(QWidget* parent) : QLineEdit(parent) {
    setClearButtonEnabled(true);
    setMaxLength(16);
    QAction* pick = addAction(style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                              QLineEdit::TrailingPosition);
    pick->setObjectName(QStringLiteral("PickDate"));
    connect(pick, &QAction::triggered, this, &DateField::openCalendar);
    connect(this, &QLineEdit::textChanged, this, &DateField::takeText);
    setDateWriting({}, {});
}

void DateField::setDateWriting(const QString& placeholder, const QString& format) {
    setPlaceholderText(placeholder.isEmpty() ? QStringLiteral("YYYY-MM-DD") : placeholder);
    // Only a format the field reads back: day first or year first, as ParseDateBound takes.
    const QString probe = QDate(2031, 12, 30).toString(format);
    format_ = !format.isEmpty() && ParseDateBound(probe.toStdString()).day == "2031-12-30"
                  ? format
                  : QString();
    if (bound_) setText(written(QDate::fromString(QString::fromStdString(*bound_), Qt::ISODate)));
    // A whole day and the two buttons (clear, calendar) stay visible however narrow the page.
    const int icon = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    setMinimumWidth(fontMetrics().horizontalAdvance(placeholderText()) + 2 * (icon + 8) + 12);
}

QString DateField::written(const QDate& day) const {
    return format_.isEmpty() ? day.toString(Qt::ISODate) : day.toString(format_);
}

void DateField::takeText() {
    const DateBound typed = ParseDateBound(text().toStdString());
    QPalette colours = palette();
    colours.setColor(QPalette::Text, typed.valid ? QPalette().color(QPalette::Text) : Qt::red);
    setPalette(colours);
    if (!typed.valid || typed.day == bound_) return;
    bound_ = typed.day;
    emit boundChanged();
}

void DateField::setBound(const std::optional<std::string>& day) {
    // Taken at once, even while the field's signals are blocked (a "Clear filters").
    bound_ = day;
    setText(day ? written(QDate::fromString(QString::fromStdString(*day), Qt::ISODate))
                : QString());
    takeText();
}

void DateField::openCalendar() {
    if (!calendar_) {
        calendar_ = new QCalendarWidget(this);
        calendar_->setWindowFlags(Qt::Popup);
        calendar_->setObjectName(QStringLiteral("DateCalendar"));
        connect(calendar_, &QCalendarWidget::clicked, this, [this](QDate day) {
            setText(written(day));
            calendar_->hide();
        });
    }
    // At the date shown, else at today.
    const QDate shown = bound_ ? QDate::fromString(QString::fromStdString(*bound_), Qt::ISODate)
                               : QDate::currentDate();
    calendar_->setSelectedDate(shown);
    calendar_->setCurrentPage(shown.year(), shown.month());
    calendar_->adjustSize();
    calendar_->move(mapToGlobal(QPoint(0, height())));
    calendar_->show();
}

}  // namespace zv318
