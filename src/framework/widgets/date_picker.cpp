// The date-and-time picker control {20DD1B9E-87C4-11D1-8BE3-0000F8754DA1} and its wrapper
// CDTPicker: a QDateTimeEdit with a calendar pop-up in the user's short date picture.
#include <QDateTimeEdit>
#include <QLocale>

#include <cmath>

#include <tessaly/activex.h>

#include "framework/widgets/activex_internal.h"

namespace tessaly::framework {

namespace {

const QDate kEpoch(1899, 12, 30);
const QDate kFirstDay(1601, 1, 1);
const QDate kLastDay(9999, 12, 31);

// The picker: the field shows the date; the value keeps the time of day it was given, and
// exactly the value given as long as the shown date is still the one set.
class DatePickerControl : public CActiveXControl {
  public:
    explicit DatePickerControl(QDateTimeEdit* edit) : CActiveXControl(edit), edit_(edit) {
        // The user's short date picture, as the framework's own date-time pickers show it.
        edit->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
        edit->setCalendarPopup(true);
        edit->setDateRange(kFirstDay, kLastDay);
        const QDateTime now = QDateTime::currentDateTime();
        setValue(OleFromDateTime(QDateTime(
            now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()))));
        QObject::connect(edit, &QDateTimeEdit::dateChanged, edit, [this] {
            if (!setting_) FireEvent(CDTPicker::dispidChange);
        });
    }

    double value() const {
        if (edit_->date() == setDate_) return value_;
        return OleFromDateTime(QDateTime(edit_->date(), setTime_));
    }

    void setValue(double date) {
        const QDateTime at = DateTimeFromOle(date);
        value_ = date;
        setDate_ = at.date();
        setTime_ = at.time();
        setting_ = true;
        edit_->setDate(setDate_);
        setting_ = false;
    }

    HRESULT Invoke(DISPID id, WORD flags, const VARIANT* params, UINT count,
                   VARIANT* result) override {
        if (id != CDTPicker::dispidValue) return DISP_E_MEMBERNOTFOUND;
        if (flags & DISPATCH_PROPERTYPUT) {
            if (count != 1 || !params) return DISP_E_BADPARAMCOUNT;
            CComVariant date;
            const HRESULT hr = VariantChangeType(&date, &params[0], 0, VT_DATE);
            if (FAILED(hr)) return hr;
            const QDate day = DateTimeFromOle(date.date).date();
            if (!day.isValid() || day < kFirstDay || day > kLastDay) return E_INVALIDARG;
            setValue(date.date);
            return S_OK;
        }
        if (count != 0) return DISP_E_BADPARAMCOUNT;
        if (result) {
            VariantClear(result);
            result->vt = VT_DATE;
            result->date = value();
        }
        return S_OK;
    }

  private:
    QDateTimeEdit* edit_;
    double value_ = 0;
    QDate setDate_;
    QTime setTime_;
    bool setting_ = false;
};

} // namespace

// Dates before the epoch count their time of day forward from the start of their day.
QDateTime DateTimeFromOle(double date) {
    if (!std::isfinite(date) || std::fabs(date) > 3e6) return QDateTime();
    const double whole = std::trunc(date);
    double fraction = std::fabs(date - whole);
    qint64 days = static_cast<qint64>(whole);
    qint64 seconds = std::llround(fraction * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += 1; // the next calendar day, before the epoch too
    }
    return QDateTime(kEpoch.addDays(days), QTime(0, 0).addSecs(static_cast<int>(seconds)));
}

double OleFromDateTime(const QDateTime& dateTime) {
    const qint64 days = kEpoch.daysTo(dateTime.date());
    const double fraction = QTime(0, 0).msecsTo(dateTime.time()) / 86400000.0;
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

CActiveXControl* NewDatePickerControl(QWidget* parent) {
    return new DatePickerControl(new QDateTimeEdit(parent));
}

} // namespace tessaly::framework

CDTPicker::CDTPicker() = default;

CDTPicker::CDTPicker(QWidget* widget) : CWnd(widget) {}

VARIANT CDTPicker::GetValue() {
    VARIANT value;
    VariantInit(&value);
    DATE date = 0;
    if (SUCCEEDED(GetProperty(dispidValue, VT_DATE, &date))) {
        value.vt = VT_DATE;
        value.date = date;
    }
    return value;
}

void CDTPicker::SetValue(const VARIANT& value) {
    SetProperty(dispidValue, VT_VARIANT, &value);
}
