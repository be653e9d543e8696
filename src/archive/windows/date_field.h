#pragma once
// A date typed or picked: a line that takes "2025-06-01" (and the other forms ParseDateBound
// reads), empty for no bound, with a calendar button that opens at the date shown, else today.
// A text that is no date is shown red and leaves the bound as it was.

#include <QLineEdit>
#include <optional>
#include <string>

class QCalendarWidget;
class QDate;

namespace zv318 {

class DateField : public QLineEdit {
    Q_OBJECT
public:
    explicit DateField(QWidget* parent = nullptr);

    // The bound: "YYYY-MM-DD", or nothing for no bound.
    [[nodiscard]] const std::optional<std::string>& bound() const { return bound_; }
    // Shows and takes a day (nothing: empty).
    void setBound(const std::optional<std::string>& day);
    // The language's way of writing a day: its placeholder ("TT.MM.JJJJ") and its Qt date
    // format ("dd.MM.yyyy"), in which a picked or set day is shown. Empty: "YYYY-MM-DD".
    void setDateWriting(const QString& placeholder, const QString& format);
    // The calendar, made on its first opening (the tests look at it).
    [[nodiscard]] QCalendarWidget* calendar() const { return calendar_; }

public slots:
    void openCalendar();

signals:
    // The bound changed (typed, picked or cleared).
    void boundChanged();

private:
    void takeText();

    // A day as this field writes it.
    [[nodiscard]] QString written(const QDate& day) const;

    std::optional<std::string> bound_;
    QString format_;
    QCalendarWidget* calendar_ = nullptr;
};

}  // namespace zv318
