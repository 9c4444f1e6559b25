// CDialog: a QDialog built from a dialog template, run modally.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <cmath>
#include <vector>

#include <tessaly/window_styles.h>

#include "framework/core/module_state.h"
#include "framework/widgets/activex_internal.h"
#include "framework/widgets/application.h"
#include "framework/widgets/controls_internal.h"
#include "framework/widgets/message_box.h"
#include "framework/widgets/notify_internal.h"
#include "framework/widgets/owner_draw.h"
#include "framework/widgets/wnd_internal.h"
#include "platform/dialog_template.h"
#include "platform/module.h"

namespace p = tessaly::platform;
using namespace tessaly::framework;

namespace {

// The dialog widget: Escape and the close box are the cancel command, Enter the default
// button's (or OK's) command, as in any dialog of the framework.
class DialogWidget : public QDialog {
  public:
    DialogWidget(CDialog& owner, QWidget* parent) : QDialog(parent), owner_(owner) {}

    void reject() override { DialogAccess::command(owner_, IDCANCEL); }

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (enter && event->modifiers() == Qt::NoModifier) {
            if (qobject_cast<QPlainTextEdit*>(focusWidget()) ||
                qobject_cast<QTextEdit*>(focusWidget()))
                return QDialog::keyPressEvent(event);
            for (QPushButton* button : findChildren<QPushButton*>())
                if (button->isDefault() && IsShown(button) && IsUsable(button)) {
                    button->click();
                    return;
                }
            DialogAccess::command(owner_, IDOK);
            return;
        }
        QDialog::keyPressEvent(event);
    }

  private:
    CDialog& owner_;
};

QString fromUtf16(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The template's font at the screen's logical resolution; the shell's dialog font names
// stand for the desktop's default font.
QFont templateFont(const p::DialogTemplate& t) {
    QFont font = QApplication::font();
    if (!t.hasFont) return font;
    const QString face = fromUtf16(t.typeface);
    if (!face.isEmpty() && !face.startsWith(QLatin1String("MS Shell Dlg"), Qt::CaseInsensitive) &&
        face.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) != 0)
        font.setFamily(face);
    QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(t.pointSize * dpi / 72.0))));
    if (t.weight > 0)
        font.setWeight(static_cast<QFont::Weight>(std::clamp<int>(t.weight, 1, 1000)));
    font.setItalic(t.italic);
    return font;
}

// The system icons a template or the framework names by number.
QIcon systemIcon(int number) {
    QStyle* style = QApplication::style();
    switch (number) {
    case 32513:
        return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case 32514:
        return style->standardIcon(QStyle::SP_MessageBoxQuestion);
    case 32515:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case 32516:
        return style->standardIcon(QStyle::SP_MessageBoxInformation);
    default:
        return style->standardIcon(QStyle::SP_DesktopIcon);
    }
}

// The link control takes the mouse press itself, as the system's link control does: a press
// the label leaves unaccepted would reach the dialog, which may take the mouse (a skin dialog
// starts dragging), and the release would then never follow the link.
class LinkLabel : public QLabel {
  public:
    using QLabel::QLabel;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        QLabel::mousePressEvent(event);
        if (event->button() == Qt::LeftButton) event->accept();
    }
};

} // namespace

struct __attribute__((visibility("hidden"))) CDialog::Impl {
    p::DialogTemplate tmpl;
    QPointer<DialogWidget> widget;
    std::vector<std::unique_ptr<CWnd>> controls;
    QButtonGroup* radioGroup = nullptr;
    int baseX = 8, baseY = 16;
    bool ended = false;
    bool running = false;
    int result = 0;

    QRect toPixels(short x, short y, short cx, short cy) const {
        auto mul = [](int value, int base, int div) {
            return static_cast<int>(std::lround(static_cast<double>(value) * base / div));
        };
        return QRect(mul(x, baseX, 4), mul(y, baseY, 8), mul(cx, baseX, 4), mul(cy, baseY, 8));
    }

    QWidget* lastControl = nullptr; // the control made before, an up-down's buddy

    QWidget* makeControl(CDialog& owner, const p::DialogItemTemplate& item);
    QWidget* makeCommonControl(CDialog& owner, const p::DialogItemTemplate& item,
                               const QString& className, const QString& text);
    void attachBuddy(UpDownWidget* upDown, DWORD style);
};

QDialog* DialogAccess::widget(const CDialog& dialog) {
    return dialog.impl_ ? dialog.impl_->widget.data() : nullptr;
}

// The common controls by class name: list view, tree view, up-down, date-time picker and
// link. Any other class is an empty widget that keeps its id and place.
QWidget* CDialog::Impl::makeCommonControl(CDialog& owner, const p::DialogItemTemplate& item,
                                          const QString& className, const QString& text) {
    QWidget* parent = widget;
    const DWORD style = item.style;
    const UINT id = static_cast<UINT>(item.id & 0xFFFF);
    auto is = [&className](const char* name) {
        return className.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    // Common controls have no border unless the template asks for one.
    auto border = [&item](QFrame* frame) {
        if (!(item.exStyle & WS_EX_CLIENTEDGE) && !(item.style & WS_BORDER))
            frame->setFrameShape(QFrame::NoFrame);
    };

    if (is("SysListView32")) {
        QAbstractItemView* view = nullptr;
        if ((style & LVS_TYPEMASK) == LVS_REPORT) {
            auto* report = new QTreeWidget(parent);
            report->setRootIsDecorated(false);
            report->setUniformRowHeights(true);
            report->setHeaderHidden(style & LVS_NOCOLUMNHEADER);
            view = report;
        } else {
            auto* list = new QListWidget(parent);
            const DWORD type = style & LVS_TYPEMASK;
            if (type == LVS_ICON) {
                list->setViewMode(QListView::IconMode);
                list->setMovement(QListView::Static);
            } else {
                list->setViewMode(QListView::ListMode);
                list->setFlow(type == LVS_LIST ? QListView::TopToBottom : QListView::LeftToRight);
                list->setWrapping(true);
            }
            list->setResizeMode(QListView::Adjust);
            list->setSortingEnabled(style & (LVS_SORTASCENDING | LVS_SORTDESCENDING));
            if (style & LVS_SORTDESCENDING) list->sortItems(Qt::DescendingOrder);
            view = list;
        }
        view->setSelectionMode((style & LVS_SINGLESEL) ? QAbstractItemView::SingleSelection
                                                       : QAbstractItemView::ExtendedSelection);
        view->setEditTriggers((style & LVS_EDITLABELS) ? QAbstractItemView::EditKeyPressed |
                                                             QAbstractItemView::SelectedClicked
                                                       : QAbstractItemView::NoEditTriggers);
        view->setProperty(kPropListView, true);
        border(view);
        return view;
    }
    if (is("SysTreeView32")) {
        auto* tree = new QTreeWidget(parent);
        tree->setHeaderHidden(true);
        tree->setColumnCount(1);
        tree->setRootIsDecorated(style & (TVS_HASBUTTONS | TVS_LINESATROOT));
        tree->setEditTriggers((style & TVS_EDITLABELS) ? QAbstractItemView::EditKeyPressed |
                                                             QAbstractItemView::SelectedClicked
                                                       : QAbstractItemView::NoEditTriggers);
        border(tree);
        return tree;
    }
    if (is("msctls_updown32")) {
        auto* upDown = new UpDownWidget(parent);
        return upDown;
    }
    if (is("SysDateTimePick32")) {
        auto* picker = new QDateTimeEdit(QDateTime::currentDateTime(), parent);
        const QLocale locale;
        if ((style & DTS_TIMEFORMAT) == DTS_TIMEFORMAT) {
            picker->setDisplayFormat(locale.timeFormat(QLocale::LongFormat));
        } else {
            picker->setDisplayFormat((style & DTS_DATEMASK) == DTS_LONGDATEFORMAT
                                         ? locale.dateFormat(QLocale::LongFormat)
                                         : locale.dateFormat(QLocale::ShortFormat));
            picker->setCalendarPopup(!(style & DTS_UPDOWN));
        }
        return picker;
    }
    if (is("SysLink")) {
        // The link's text is markup: <a href="...">shown text</a>. A click on a link is the
        // control's command.
        auto* link = new LinkLabel(parent);
        link->setTextFormat(Qt::RichText);
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        link->setOpenExternalLinks(false);
        link->setWordWrap(true);
        link->setProperty(kPropText, text);
        link->setText(text);
        QObject::connect(link, &QLabel::linkActivated,
                         [&owner, id] { DialogAccess::command(owner, id); });
        return link;
    }
    // ActiveX controls by class id ("{...}"); DoModal refused a template naming an unknown one.
    if (QWidget* control = CreateActiveXControl(className, parent)) return control;
    return new QWidget(parent);
}

// An up-down with UDS_AUTOBUDDY takes the control before it as its buddy; with
// UDS_ALIGNRIGHT or UDS_ALIGNLEFT it sits inside the buddy's edge, which gives up room.
void CDialog::Impl::attachBuddy(UpDownWidget* upDown, DWORD style) {
    if (!(style & UDS_AUTOBUDDY) || !lastControl) return;
    QWidget* buddy = lastControl;
    upDown->setBuddy(buddy, style & UDS_SETBUDDYINT);
    if (style & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT)) {
        const QRect b(buddy->x(), buddy->y(), buddy->width(), buddy->height());
        const int w = std::min(upDown->width(), b.width());
        if (style & UDS_ALIGNRIGHT) {
            upDown->setGeometry(b.right() + 1 - w, b.top(), w, b.height());
            buddy->setGeometry(b.left(), b.top(), b.width() - w, b.height());
        } else {
            upDown->setGeometry(b.left(), b.top(), w, b.height());
            buddy->setGeometry(b.left() + w, b.top(), b.width() - w, b.height());
        }
    }
    if (style & UDS_SETBUDDYINT) upDown->setValue(upDown->value());
}

QWidget* CDialog::Impl::makeControl(CDialog& owner, const p::DialogItemTemplate& item) {
    QWidget* parent = widget;
    const DWORD style = item.style;
    const QString text = item.title.isOrdinal ? QString() : fromUtf16(item.title.text);
    const UINT id = static_cast<UINT>(item.id & 0xFFFF);
    QWidget* control = nullptr;
    if (item.style & WS_GROUP) radioGroup = nullptr;

    switch (item.classAtom()) {
    case p::CLASS_BUTTON: {
        const DWORD type = style & BS_TYPEMASK;
        QAbstractButton* button = nullptr;
        if (type == BS_GROUPBOX) {
            auto* group = new QGroupBox(text, parent);
            control = group;
            break;
        }
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
            type == BS_AUTO3STATE) {
            auto* check = new QCheckBox(text, parent);
            check->setTristate(type == BS_3STATE || type == BS_AUTO3STATE);
            button = check;
        } else if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) {
            auto* radio = new QRadioButton(text, parent);
            radio->setAutoExclusive(false);
            // Radio buttons of one group (up to the next WS_GROUP) exclude each other.
            if (!radioGroup) {
                radioGroup = new QButtonGroup(parent);
                radioGroup->setExclusive(true);
            }
            radioGroup->addButton(radio);
            button = radio;
        } else {
            auto* push = new QPushButton(text, parent);
            push->setAutoDefault(false);
            push->setDefault(type == BS_DEFPUSHBUTTON);
            if (type == BS_OWNERDRAW) MakeOwnerDrawn(push);
            button = push;
        }
        QObject::connect(button, &QAbstractButton::clicked, [button] { SendClicked(button); });
        control = button;
        break;
    }
    case p::CLASS_EDIT: {
        if (style & ES_MULTILINE) {
            auto* edit = new QPlainTextEdit(text, parent);
            edit->setReadOnly(style & ES_READONLY);
            const bool wrap = !(style & (ES_AUTOHSCROLL | WS_HSCROLL));
            edit->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
            edit->setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAsNeeded
                                                                  : Qt::ScrollBarAlwaysOff);
            edit->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAsNeeded
                                                                    : Qt::ScrollBarAlwaysOff);
            control = edit;
        } else {
            auto* edit = new QLineEdit(text, parent);
            edit->setReadOnly(style & ES_READONLY);
            if (style & ES_PASSWORD) edit->setEchoMode(QLineEdit::Password);
            if (style & ES_NUMBER)
                edit->setValidator(new QRegularExpressionValidator(
                    QRegularExpression(QStringLiteral("[0-9]*")), edit));
            edit->setAlignment((style & ES_RIGHT)    ? Qt::AlignRight
                               : (style & ES_CENTER) ? Qt::AlignHCenter
                                                     : Qt::AlignLeft);
            control = edit;
        }
        break;
    }
    case p::CLASS_STATIC: {
        const DWORD type = style & SS_TYPEMASK;
        if (type == SS_ICON) {
            auto* label = new QLabel(parent);
            const int number = item.title.isOrdinal ? item.title.ordinal : 0;
            if (number) {
                label->setPixmap(systemIcon(number).pixmap(32, 32));
                label->setProperty(kPropIcon, number);
            }
            control = label;
        } else if ((type >= SS_BLACKRECT && type <= SS_WHITEFRAME) ||
                   (type >= SS_ETCHEDHORZ && type <= SS_ETCHEDFRAME)) {
            auto* frame = new QFrame(parent);
            if (type == SS_ETCHEDHORZ)
                frame->setFrameStyle(QFrame::HLine | QFrame::Sunken);
            else if (type == SS_ETCHEDVERT)
                frame->setFrameStyle(QFrame::VLine | QFrame::Sunken);
            else if (type == SS_ETCHEDFRAME)
                frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
            else if (type >= SS_BLACKFRAME)
                frame->setFrameStyle(QFrame::Box | QFrame::Plain);
            else {
                frame->setAutoFillBackground(true);
                QPalette palette = frame->palette();
                const QColor fill = type == SS_BLACKRECT  ? Qt::black
                                    : type == SS_GRAYRECT ? Qt::gray
                                                          : Qt::white;
                palette.setColor(QPalette::Window, fill);
                frame->setPalette(palette);
            }
            control = frame;
        } else {
            auto* label = new QLabel(parent);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE);
            const Qt::Alignment horizontal = type == SS_CENTER  ? Qt::AlignHCenter
                                             : type == SS_RIGHT ? Qt::AlignRight
                                                                : Qt::AlignLeft;
            label->setAlignment(horizontal |
                                ((style & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop));
            control = label;
        }
        break;
    }
    case p::CLASS_LISTBOX: {
        auto* list = new QListWidget(parent);
        list->setSortingEnabled(style & LBS_SORT);
        if (style & LBS_EXTENDEDSEL)
            list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        else if (style & LBS_MULTIPLESEL)
            list->setSelectionMode(QAbstractItemView::MultiSelection);
        control = list;
        break;
    }
    case p::CLASS_SCROLLBAR:
        control = new QScrollBar((style & SBS_VERT) ? Qt::Vertical : Qt::Horizontal, parent);
        break;
    case p::CLASS_COMBOBOX: {
        auto* combo = (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE))
                          ? NewOwnerDrawnCombo(parent, style)
                          : new QComboBox(parent);
        combo->setEditable((style & CBS_TYPEMASK) != CBS_DROPDOWNLIST);
        if (QLineEdit* field = combo->lineEdit()) {
            // The field is a plain edit: typing neither completes from the list, nor adds
            // to it on Return, nor selects a matching item when the field is left.
            combo->setCompleter(nullptr);
            combo->setInsertPolicy(QComboBox::NoInsert);
            QObject::disconnect(field, &QLineEdit::editingFinished, combo, nullptr);
        }
        control = combo;
        break;
    }
    default: {
        const QString name = fromUtf16(item.windowClass.text);
        if (name.startsWith(QLatin1String("RichEdit"), Qt::CaseInsensitive)) {
            auto* edit = new QTextEdit(parent);
            edit->setReadOnly(style & ES_READONLY);
            control = edit;
        } else {
            control = makeCommonControl(owner, item, name, text);
        }
        break;
    }
    }

    control->setProperty(kPropId, static_cast<int>(id));
    control->setProperty(kPropStyle, static_cast<uint>(style));
    QRect rect = toPixels(item.x, item.y, item.cx, item.cy);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        // A combo box's template height includes its drop-down list.
        rect.setHeight(std::min(rect.height(), combo->sizeHint().height()));
    } else if (item.classAtom() == p::CLASS_STATIC && (style & SS_TYPEMASK) == SS_ICON) {
        rect.setSize(QSize(32, 32)); // an icon control takes its icon's size
    }
    control->setGeometry(rect);
    if (qobject_cast<QGroupBox*>(control)) control->lower();
    if (!(style & WS_TABSTOP) && control->focusPolicy() & Qt::TabFocus)
        control->setFocusPolicy(Qt::ClickFocus);
    if (style & WS_DISABLED) control->setEnabled(false);
    if (!(style & WS_VISIBLE)) control->hide();

    control->setProperty(kPropExStyle, static_cast<uint>(item.exStyle));
    if (auto* upDown = dynamic_cast<UpDownWidget*>(control)) attachBuddy(upDown, style);
    lastControl = control;
    InstallNotifications(control);

    // The object of the control's class, so callers may cast what GetDlgItem gives them.
    auto wnd = NewControlObject(control);
    if (item.classAtom() == p::CLASS_STATIC && (style & SS_TYPEMASK) != SS_ICON) {
        wnd->SetWindowText(tessaly::framework::ToAnsi(text).c_str());
    }
    controls.push_back(std::move(wnd));
    return control;
}

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_templateId(templateId), m_pParentWnd(parent), impl_(std::make_unique<Impl>()) {}

CDialog::CDialog(const char* templateName, CWnd* parent)
    : m_templateName(templateName ? templateName : ""), m_pParentWnd(parent),
      impl_(std::make_unique<Impl>()) {}

CDialog::~CDialog() {
    if (impl_->widget) delete impl_->widget.data();
}

namespace {

// The template from the current resources: the current resource handle, the library's
// through the extension registration, then the library's built-in resources.
bool findTemplate(UINT id, const CString& name, p::DialogTemplate& out) {
    HMODULE chain[3];
    const int count = ResourceChain(chain);
    for (int i = 0; i < count; ++i) {
        const bool found = name.IsEmpty()
                               ? p::LoadDialogTemplate(chain[i], static_cast<WORD>(id), out)
                               : p::LoadDialogTemplate(chain[i], name.GetString(), out);
        if (found) return true;
    }
    return false;
}

} // namespace

int CDialog::DoModal() {
    EnsureApplication();
    Impl& d = *impl_;
    if (d.running) return -1;
    if (!findTemplate(m_templateId, m_templateName, d.tmpl)) return -1;
    if (!TemplateClassesKnown(d.tmpl)) return -1; // an ActiveX class in no table

    QWidget* parent = m_pParentWnd ? m_pParentWnd->GetWidget() : nullptr;
    if (!parent) parent = QApplication::activeWindow();
    d.widget = new DialogWidget(*this, parent);
    DialogWidget* w = d.widget;
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if (d.tmpl.style & WS_CAPTION)
        flags |= Qt::WindowTitleHint;
    else
        flags |= Qt::FramelessWindowHint;
    if (d.tmpl.style & WS_SYSMENU) flags |= Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
    w->setWindowFlags(flags);
    w->setWindowTitle(fromUtf16(d.tmpl.caption));

    // Dialog units: a quarter of the font's average character width, an eighth of its height.
    const QFont font = templateFont(d.tmpl);
    w->setFont(font);
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    d.baseX = std::max(1, (alphabet / 26 + 1) / 2);
    d.baseY = std::max(1, metrics.height());
    const QRect client = d.toPixels(0, 0, d.tmpl.cx, d.tmpl.cy);
    w->setFixedSize(client.size());

    attach(w);
    d.controls.clear();
    d.radioGroup = nullptr;
    d.lastControl = nullptr;
    for (const p::DialogItemTemplate& item : d.tmpl.items)
        d.makeControl(*this, item);

    d.ended = false;
    d.result = 0;
    OnInitDialog();
    if (!d.ended) {
        if (auto handler = CurrentDialogHandler()) {
            QTimer::singleShot(0, w, [this, handler] {
                tessaly::automation::Dialog script(*this);
                handler(script);
            });
        }
        d.running = true;
        const int code = w->exec();
        d.running = false;
        if (!d.ended) d.result = code;
    }
    const int result = d.result;
    d.controls.clear();
    delete d.widget.data();
    m_hWnd = nullptr;
    return result;
}

void CDialog::EndDialog(int result) {
    Impl& d = *impl_;
    d.ended = true;
    d.result = result;
    if (d.running && d.widget) d.widget->done(result);
}

BOOL CDialog::OnInitDialog() {
    // The members go into the controls; an exchange that fails ends the dialog with -1.
    if (!UpdateData(FALSE)) {
        EndDialog(-1);
        return FALSE;
    }
    return TRUE;
}

void CDialog::OnOK() {
    // A value that fails validation has shown its prompt and keeps the dialog open.
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(UINT id) {
    if (id == IDOK) {
        OnOK();
        return TRUE;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}
