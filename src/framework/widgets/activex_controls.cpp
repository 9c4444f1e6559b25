// ActiveX control hosting: the table of control classes by class id, the control objects
// that live with their widgets, events to the dialog, the dispatch calls on CWnd and the
// variant conversions they use.
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>

#include <cfenv>
#include <cmath>
#include <cstdarg>
#include <limits>
#include <map>
#include <mutex>
#include <vector>

#include <tessaly/activex.h>
#include <tessaly/oledatetime.h>

#include "framework/widgets/activex_internal.h"
#include "framework/widgets/wnd_internal.h"
#include "platform/dialog_template.h"

using namespace tessaly::framework;

namespace {

// The table of control classes, with the library's own two from the start.
struct ClassTable {
    std::mutex mutex;
    std::map<QString, CActiveXControl::Factory> factories;
    ClassTable() {
        factories[QStringLiteral(CLSID_TESSALY_DTPICKER)] = &NewDatePickerControl;
        factories[QStringLiteral(CLSID_TESSALY_FOLDERVIEW)] = &NewFolderViewControl;
    }
};

ClassTable& classTable() {
    static ClassTable table;
    return table;
}

// The class id in capitals, empty when the text is no class id in braces.
QString normalClassId(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$"));
    const QString upper = text.trimmed().toUpper();
    return form.match(upper).hasMatch() ? upper : QString();
}

constexpr const char* kHolderName = "tessalyActiveXControl";

// A child of the control's widget that deletes the control object with the widget.
class ControlHolder : public QObject {
  public:
    ControlHolder(QWidget* widget, CActiveXControl* control) : QObject(widget), control(control) {
        setObjectName(QLatin1String(kHolderName));
    }
    ~ControlHolder() override {
        CActiveXControl* owned = control;
        control = nullptr;
        delete owned;
    }
    CActiveXControl* control;
};

ControlHolder* holderOf(const QWidget* widget) {
    if (!widget) return nullptr;
    for (QObject* child : widget->children())
        if (auto* holder = dynamic_cast<ControlHolder*>(child)) return holder;
    return nullptr;
}

} // namespace

// ---- the table and the control objects ----

BOOL CActiveXControl::RegisterControlClass(const char* classId, Factory factory) {
    const QString id = normalClassId(QString::fromLatin1(classId ? classId : ""));
    if (id.isEmpty() || !factory) return FALSE;
    ClassTable& table = classTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.factories[id] = factory;
    return TRUE;
}

BOOL CActiveXControl::IsControlClass(const char* classId) {
    const QString id = normalClassId(QString::fromLatin1(classId ? classId : ""));
    if (id.isEmpty()) return FALSE;
    ClassTable& table = classTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    return table.factories.count(id) ? TRUE : FALSE;
}

CActiveXControl* CActiveXControl::CreateControl(const char* classId, QWidget* parent) {
    const QString id = normalClassId(QString::fromLatin1(classId ? classId : ""));
    if (id.isEmpty()) return nullptr;
    Factory factory = nullptr;
    {
        ClassTable& table = classTable();
        std::lock_guard<std::mutex> lock(table.mutex);
        auto found = table.factories.find(id);
        if (found != table.factories.end()) factory = found->second;
    }
    CActiveXControl* control = factory ? factory(parent) : nullptr;
    if (control) control->classId_ = id.toLatin1().constData();
    return control;
}

CActiveXControl* CActiveXControl::FromWidget(const QWidget* widget) {
    ControlHolder* holder = holderOf(widget);
    return holder ? holder->control : nullptr;
}

CActiveXControl::CActiveXControl(QWidget* widget) : widget_(widget) {
    if (widget) new ControlHolder(widget, this);
}

CActiveXControl::~CActiveXControl() {
    // Deleted by its owner rather than with the widget: the widget forgets it.
    if (ControlHolder* holder = holderOf(widget_); holder && holder->control == this)
        holder->control = nullptr;
}

QWidget* CActiveXControl::GetWidget() const {
    return widget_;
}

CString CActiveXControl::GetClassId() const {
    return classId_;
}

void CActiveXControl::FireEvent(DISPID event, const VARIANT* params, UINT count) {
    // QObject's parent: Qt's inline parentWidget() would be exported from the library.
    auto* parent = widget_ ? qobject_cast<QWidget*>(widget_->parent()) : nullptr;
    CWnd* owner = parent ? CWnd::FromHandle(CWnd::HandleOf(parent)) : nullptr;
    if (!owner) return;
    const UINT id = widget_->property(kPropId).toUInt();
    NMAXEVENT notification;
    notification.hdr.hwndFrom = CWnd::HandleOf(widget_);
    notification.hdr.idFrom = id;
    notification.hdr.code = AXN_EVENT;
    notification.dispid = event;
    notification.params = count ? params : nullptr;
    notification.count = params ? count : 0;
    LRESULT result = 0;
    owner->OnNotify(id, reinterpret_cast<LPARAM>(&notification), &result);
}

// ---- variant conversion ----

namespace {

constexpr double kMinDate = -657434.0;     // 1 January 100
constexpr double kMaxDate = 2958465.99999; // 31 December 9999, end of day

QString textOf(const VARIANT& v) {
    if (!v.bstrVal) return QString();
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(v.bstrVal),
                              static_cast<qsizetype>(SysStringLen(v.bstrVal)));
}

BSTR newText(const QString& text) {
    return SysAllocStringLen(reinterpret_cast<const WCHAR*>(text.utf16()),
                             static_cast<UINT>(text.size()));
}

// A number on its way between types: whole numbers keep their exact value.
struct Number {
    enum Kind { Signed, Unsigned, Real } kind = Signed;
    long long s = 0;
    unsigned long long u = 0;
    double d = 0;
    double real() const {
        return kind == Signed     ? static_cast<double>(s)
               : kind == Unsigned ? static_cast<double>(u)
                                  : d;
    }
};

bool isNumberType(VARTYPE vt) {
    switch (vt) {
    case VT_EMPTY:
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_DATE:
    case VT_BOOL:
        return true;
    default:
        return false;
    }
}

Number numberOf(const VARIANT& v) {
    Number n;
    switch (v.vt) {
    case VT_I1:
        n.s = v.cVal;
        break;
    case VT_UI1:
        n.s = v.bVal;
        break;
    case VT_I2:
        n.s = v.iVal;
        break;
    case VT_UI2:
        n.s = v.uiVal;
        break;
    case VT_I4:
        n.s = v.lVal;
        break;
    case VT_UI4:
        n.s = v.ulVal;
        break;
    case VT_INT:
        n.s = v.intVal;
        break;
    case VT_UINT:
        n.s = v.uintVal;
        break;
    case VT_I8:
        n.s = v.llVal;
        break;
    case VT_BOOL:
        n.s = v.boolVal ? -1 : 0;
        break;
    case VT_UI8:
        n.kind = Number::Unsigned;
        n.u = v.ullVal;
        break;
    case VT_R4:
        n.kind = Number::Real;
        n.d = v.fltVal;
        break;
    case VT_R8:
    case VT_DATE:
        n.kind = Number::Real;
        n.d = v.dblVal;
        break;
    default:
        break; // VT_EMPTY: 0
    }
    return n;
}

// A whole number within [low, high]: reals round half to even, as the system's conversions do.
HRESULT wholeOf(const Number& n, long double low, long double high, long long& outSigned,
                unsigned long long& outUnsigned) {
    long double value = 0;
    if (n.kind == Number::Real) {
        if (!std::isfinite(n.d)) return DISP_E_OVERFLOW;
        const int mode = std::fegetround();
        std::fesetround(FE_TONEAREST);
        value = std::nearbyint(static_cast<long double>(n.d));
        std::fesetround(mode);
    } else {
        value = n.kind == Number::Signed ? static_cast<long double>(n.s)
                                         : static_cast<long double>(n.u);
    }
    if (value < low || value > high) return DISP_E_OVERFLOW;
    if (n.kind == Number::Unsigned) {
        outUnsigned = n.u;
        outSigned = static_cast<long long>(n.u);
    } else if (n.kind == Number::Signed) {
        outSigned = n.s;
        outUnsigned = static_cast<unsigned long long>(n.s);
    } else if (value < 0) {
        outSigned = static_cast<long long>(value);
        outUnsigned = 0;
    } else {
        outUnsigned = static_cast<unsigned long long>(value);
        outSigned = static_cast<long long>(outUnsigned);
    }
    return S_OK;
}

HRESULT numberTo(const Number& n, VARTYPE type, VARIANT& out) {
    long long s = 0;
    unsigned long long u = 0;
    HRESULT hr = S_OK;
    auto whole = [&](long double low, long double high) {
        hr = wholeOf(n, low, high, s, u);
        return SUCCEEDED(hr);
    };
    out.llVal = 0;
    switch (type) {
    case VT_I1:
        if (whole(-128, 127)) out.cVal = static_cast<char>(s);
        break;
    case VT_UI1:
        if (whole(0, 255)) out.bVal = static_cast<BYTE>(u);
        break;
    case VT_I2:
        if (whole(-32768, 32767)) out.iVal = static_cast<short>(s);
        break;
    case VT_UI2:
        if (whole(0, 65535)) out.uiVal = static_cast<unsigned short>(u);
        break;
    case VT_I4:
    case VT_INT:
        if (whole(-2147483648.0L, 2147483647.0L)) out.lVal = static_cast<LONG>(s);
        break;
    case VT_UI4:
    case VT_UINT:
        if (whole(0, 4294967295.0L)) out.ulVal = static_cast<ULONG>(u);
        break;
    case VT_I8:
        if (whole(-9223372036854775808.0L, 9223372036854775807.0L)) out.llVal = s;
        break;
    case VT_UI8:
        if (whole(0, 18446744073709551615.0L)) out.ullVal = u;
        break;
    case VT_R4: {
        const double d = n.real();
        if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
            return DISP_E_OVERFLOW;
        out.fltVal = static_cast<float>(d);
        break;
    }
    case VT_R8:
        out.dblVal = n.real();
        break;
    case VT_DATE: {
        const double d = n.real();
        if (!(d >= kMinDate && d <= kMaxDate)) return DISP_E_OVERFLOW;
        out.date = d;
        break;
    }
    case VT_BOOL:
        out.boolVal = n.real() != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    default:
        return DISP_E_BADVARTYPE;
    }
    if (FAILED(hr)) return hr;
    out.vt = type;
    return S_OK;
}

// A date in a text: ISO forms, or the user's short date picture with or without the time.
bool dateOfText(const QString& text, double& date) {
    const QLocale locale;
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QStringList dateTimeForms = {
        QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-ddTHH:mm:ss"),
        QStringLiteral("yyyy-MM-dd HH:mm"),
        shortDate + QLatin1Char(' ') + locale.timeFormat(QLocale::LongFormat),
        shortDate + QLatin1Char(' ') + locale.timeFormat(QLocale::ShortFormat)};
    for (const QString& form : dateTimeForms) {
        const QDateTime at = locale.toDateTime(text, form);
        if (at.isValid()) {
            date = OleFromDateTime(at);
            return true;
        }
    }
    for (const QString& form :
         {QStringLiteral("yyyy-MM-dd"), shortDate, locale.dateFormat(QLocale::LongFormat)}) {
        const QDate day = locale.toDate(text, form);
        if (day.isValid()) {
            date = OleFromDateTime(QDateTime(day, QTime(0, 0)));
            return true;
        }
    }
    return false;
}

HRESULT textTo(const QString& raw, VARTYPE type, VARIANT& out) {
    const QString text = raw.trimmed();
    if (type == VT_DATE) {
        double date = 0;
        if (!dateOfText(text, date)) return DISP_E_TYPEMISMATCH;
        Number n;
        n.kind = Number::Real;
        n.d = date;
        return numberTo(n, VT_DATE, out);
    }
    if (type == VT_BOOL) {
        if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
            out.vt = VT_BOOL;
            out.llVal = 0;
            out.boolVal = VARIANT_TRUE;
            return S_OK;
        }
        if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
            out.vt = VT_BOOL;
            out.llVal = 0;
            out.boolVal = VARIANT_FALSE;
            return S_OK;
        }
    }
    if (!isNumberType(type) || type == VT_EMPTY) return DISP_E_BADVARTYPE;
    Number n;
    bool ok = false;
    n.s = text.toLongLong(&ok);
    if (!ok) {
        n.kind = Number::Unsigned;
        n.u = text.toULongLong(&ok);
    }
    if (!ok) {
        n.kind = Number::Real;
        n.d = QLocale::c().toDouble(text, &ok);
        if (!ok) n.d = QLocale().toDouble(text, &ok);
    }
    if (!ok) return DISP_E_TYPEMISMATCH;
    return numberTo(n, type, out);
}

QString textOfNumber(const VARIANT& v) {
    switch (v.vt) {
    case VT_EMPTY:
        return QString();
    case VT_BOOL:
        return v.boolVal ? QStringLiteral("True") : QStringLiteral("False");
    case VT_R4:
        return QString::number(static_cast<double>(v.fltVal), 'g', 7);
    case VT_R8:
        return QString::number(v.dblVal, 'g', 15);
    case VT_DATE:
        return tessaly::framework::FromAnsi(COleDateTime(v.date).Format().GetString());
    case VT_UI8:
        return QString::number(v.ullVal);
    default:
        return QString::number(numberOf(v).s);
    }
}

} // namespace

HRESULT VariantChangeType(VARIANT* target, const VARIANT* source, WORD, VARTYPE type) {
    if (!target || !source) return E_POINTER;
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = S_OK;
    const VARTYPE from = source->vt;
    if (from == type || type == VT_VARIANT) {
        hr = VariantCopy(&result, source);
    } else if ((from & (VT_ARRAY | VT_BYREF)) || (type & (VT_ARRAY | VT_BYREF))) {
        hr = DISP_E_TYPEMISMATCH;
    } else if (type == VT_EMPTY || type == VT_NULL) {
        hr = DISP_E_TYPEMISMATCH;
    } else if (from == VT_NULL) {
        hr = DISP_E_TYPEMISMATCH;
    } else if (type == VT_BSTR) {
        if (!isNumberType(from)) {
            hr = DISP_E_TYPEMISMATCH;
        } else {
            result.vt = VT_BSTR;
            result.bstrVal = newText(textOfNumber(*source));
        }
    } else if (from == VT_BSTR) {
        hr = textTo(textOf(*source), type, result);
    } else if (isNumberType(from)) {
        hr = numberTo(numberOf(*source), type, result);
    } else {
        hr = DISP_E_TYPEMISMATCH;
    }
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    VariantClear(target); // source, when it is the target, was copied or read already
    *target = result;
    return S_OK;
}

// ---- the dispatch calls of CWnd ----

namespace {

// Reads one argument of the VTS_ type from the list.
HRESULT readArgument(BYTE type, va_list& args, CComVariant& out) {
    out.Clear();
    switch (type) {
    case VT_I1:
        out.vt = VT_I1;
        out.cVal = static_cast<char>(va_arg(args, int));
        return S_OK;
    case VT_UI1:
        out.vt = VT_UI1;
        out.bVal = static_cast<BYTE>(va_arg(args, int));
        return S_OK;
    case VT_I2:
        out.vt = VT_I2;
        out.iVal = static_cast<short>(va_arg(args, int));
        return S_OK;
    case VT_UI2:
        out.vt = VT_UI2;
        out.uiVal = static_cast<unsigned short>(va_arg(args, int));
        return S_OK;
    case VT_I4:
    case VT_INT:
        out.vt = type;
        out.lVal = va_arg(args, int);
        return S_OK;
    case VT_UI4:
    case VT_UINT:
        out.vt = type;
        out.ulVal = va_arg(args, unsigned int);
        return S_OK;
    case VT_I8:
        out.vt = VT_I8;
        out.llVal = va_arg(args, long long);
        return S_OK;
    case VT_UI8:
        out.vt = VT_UI8;
        out.ullVal = va_arg(args, unsigned long long);
        return S_OK;
    case VT_R4:
        out.vt = VT_R4;
        out.fltVal = static_cast<float>(va_arg(args, double));
        return S_OK;
    case VT_R8:
    case VT_DATE:
        out.vt = type;
        out.dblVal = va_arg(args, double);
        return S_OK;
    case VT_BOOL:
        out.vt = VT_BOOL;
        out.boolVal = va_arg(args, int) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    case VT_BSTR: {
        const char* text = va_arg(args, const char*);
        out = text ? text : "";
        return S_OK;
    }
    case VT_VARIANT: {
        const VARIANT* value = va_arg(args, const VARIANT*);
        if (!value) return E_POINTER;
        return out.Copy(value);
    }
    default:
        return DISP_E_BADVARTYPE;
    }
}

HRESULT readArguments(const BYTE* paramTypes, va_list& args, std::vector<CComVariant>& params) {
    for (const BYTE* type = paramTypes; type && *type; ++type) {
        params.emplace_back();
        const HRESULT hr = readArgument(*type, args, params.back());
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

// Stores a result, already of the type, where the caller's pointer points.
void storeResult(VARTYPE type, VARIANT& value, void* result) {
    switch (type) {
    case VT_I1:
        *static_cast<char*>(result) = value.cVal;
        break;
    case VT_UI1:
        *static_cast<BYTE*>(result) = value.bVal;
        break;
    case VT_I2:
        *static_cast<short*>(result) = value.iVal;
        break;
    case VT_UI2:
        *static_cast<unsigned short*>(result) = value.uiVal;
        break;
    case VT_I4:
        *static_cast<LONG*>(result) = value.lVal;
        break;
    case VT_INT:
        *static_cast<int*>(result) = value.intVal;
        break;
    case VT_UI4:
        *static_cast<ULONG*>(result) = value.ulVal;
        break;
    case VT_UINT:
        *static_cast<unsigned*>(result) = value.uintVal;
        break;
    case VT_I8:
        *static_cast<LONGLONG*>(result) = value.llVal;
        break;
    case VT_UI8:
        *static_cast<ULONGLONG*>(result) = value.ullVal;
        break;
    case VT_R4:
        *static_cast<float*>(result) = value.fltVal;
        break;
    case VT_R8:
    case VT_DATE:
        *static_cast<double*>(result) = value.dblVal;
        break;
    case VT_BOOL:
        *static_cast<BOOL*>(result) = value.boolVal ? TRUE : FALSE;
        break;
    case VT_BSTR:
        *static_cast<CString*>(result) = CString(ToAnsi(textOf(value)).c_str());
        break;
    case VT_VARIANT:
        // The caller's variant is overwritten, not cleared: it may hold anything.
        *static_cast<VARIANT*>(result) = value;
        VariantInit(&value);
        break;
    default:
        break;
    }
}

bool storableType(VARTYPE type) {
    return type == VT_VARIANT || type == VT_BSTR || isNumberType(type);
}

HRESULT invoke(const CWnd& window, DISPID id, WORD flags, VARTYPE returnType, void* result,
               std::vector<CComVariant>& params) {
    CActiveXControl* control = CActiveXControl::FromWidget(window.GetWidget());
    if (!control) return E_NOINTERFACE;
    if (!storableType(returnType)) return DISP_E_BADVARTYPE;
    if (returnType != VT_EMPTY && !result) return E_POINTER;
    CComVariant value;
    const bool wantsResult = !(flags & DISPATCH_PROPERTYPUT);
    const HRESULT hr =
        control->Invoke(id, flags, params.empty() ? nullptr : params.data(),
                        static_cast<UINT>(params.size()), wantsResult ? &value : nullptr);
    if (FAILED(hr) || returnType == VT_EMPTY) return hr;
    CComVariant converted;
    const HRESULT conversion = VariantChangeType(&converted, &value, 0, returnType);
    if (FAILED(conversion)) return conversion;
    storeResult(returnType, converted, result);
    return hr;
}

} // namespace

HRESULT CWnd::InvokeHelper(DISPID id, WORD flags, VARTYPE returnType, void* result,
                           const BYTE* paramTypes, ...) {
    std::vector<CComVariant> params;
    va_list args;
    va_start(args, paramTypes);
    const HRESULT read = readArguments(paramTypes, args, params);
    va_end(args);
    if (FAILED(read)) return read;
    return invoke(*this, id, flags, returnType, result, params);
}

HRESULT CWnd::GetProperty(DISPID id, VARTYPE type, void* value) const {
    std::vector<CComVariant> none;
    return invoke(*this, id, DISPATCH_PROPERTYGET, type, value, none);
}

HRESULT CWnd::SetProperty(DISPID id, VARTYPE type, ...) {
    if (type == VT_EMPTY || type > 0xFF) return DISP_E_BADVARTYPE;
    const BYTE types[2] = {static_cast<BYTE>(type), 0};
    std::vector<CComVariant> params;
    va_list args;
    va_start(args, type);
    const HRESULT read = readArguments(types, args, params);
    va_end(args);
    if (FAILED(read)) return read;
    return invoke(*this, id, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, params);
}

// ---- what the dialog builder and the control objects ask ----

namespace tessaly::framework {

bool IsClassIdName(const QString& className) {
    const QString name = className.trimmed();
    return name.startsWith(u'{') && name.endsWith(u'}');
}

QWidget* CreateActiveXControl(const QString& className, QWidget* parent) {
    if (!IsClassIdName(className)) return nullptr;
    CActiveXControl* control =
        CActiveXControl::CreateControl(className.toLatin1().constData(), parent);
    return control ? control->GetWidget() : nullptr;
}

bool TemplateClassesKnown(const platform::DialogTemplate& dialogTemplate) {
    for (const platform::DialogItemTemplate& item : dialogTemplate.items) {
        if (item.windowClass.isOrdinal) continue;
        const QString name = QString::fromUtf16(
            item.windowClass.text.data(), static_cast<qsizetype>(item.windowClass.text.size()));
        if (IsClassIdName(name) && !CActiveXControl::IsControlClass(name.toLatin1().constData()))
            return false;
    }
    return true;
}

std::unique_ptr<CWnd> NewActiveXWrapper(QWidget* widget) {
    CActiveXControl* control = CActiveXControl::FromWidget(widget);
    if (!control) return nullptr;
    const CString classId = control->GetClassId();
    if (classId == CLSID_TESSALY_DTPICKER) return std::make_unique<CDTPicker>(widget);
    if (classId == CLSID_TESSALY_FOLDERVIEW) return std::make_unique<CFolderView>(widget);
    return nullptr;
}

} // namespace tessaly::framework
