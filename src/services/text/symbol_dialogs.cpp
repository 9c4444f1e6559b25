// The Keystroke Shortcuts reference dialog and the Insert Symbol grid.
#include <tessaly/foundation.h>
#include <tessaly/notify.h>
#include <tessaly/text.h>

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include <cstring>
#include <memory>
#include <string>

#include "dialogs/text_ids.h"
#include "framework/core/module_state.h"
#include "framework/widgets/message_box.h"
#include "framework/widgets/print_setup.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/process.h"
#include "resource.h"
#include "text/symbol_grid.h"

namespace p = tessaly::platform;
namespace fw = tessaly::framework;

namespace tessaly::text {

GridGeometry GridGeometry::For(int clientWidth, int clientHeight, int listBottom) {
    GridGeometry g;
    g.cellWidth = (clientWidth - 20) / kColumns;
    g.cellHeight = (clientHeight - listBottom - 30) / kRows;
    g.left = (clientWidth - kColumns * g.cellWidth) / 2;
    g.top = clientHeight - 10 - kRows * g.cellHeight;
    return g;
}

int GridGeometry::CodeAt(int x, int y) const {
    if (cellWidth <= 0 || cellHeight <= 0 || x < left || y < top) return -1;
    const int column = (x - left) / cellWidth, row = (y - top) / cellHeight;
    if (column >= kColumns || row >= kRows) return -1;
    return 32 + kColumns * row + column;
}

} // namespace tessaly::text

namespace {

using tessaly::text::GridGeometry;

// ---- Keystroke Shortcuts ----

// The characters of each line of the dialog, as Windows-1252 codes, in the shortcut
// table's order.
const std::initializer_list<int> kLineCodes[KS_LINES] = {
    {224, 232, 236, 242, 249, 192, 200, 204, 210, 217},
    {225, 233, 237, 243, 250, 253, 240, 193, 201, 205, 211, 218, 221, 208},
    {226, 234, 238, 244, 251, 194, 202, 206, 212, 219},
    {228, 235, 239, 246, 252, 255, 196, 203, 207, 214, 220, 159},
    {227, 241, 245, 195, 209, 213},
    {229, 197},
    {230, 156, 223, 198, 140},
    {231, 199},
    {248, 216},
    {191},
    {161},
    {128},
    {147},
    {148},
};

// Windows-1252 characters as a text of the ANSI code page, blank-separated.
CString charactersOf(std::initializer_list<int> codes) {
    std::u16string wide;
    for (int code : codes) {
        const char byte = static_cast<char>(code);
        WCHAR ch = 0;
        if (p::MultiByteToWideChar(1252, 0, &byte, 1, &ch, 1) != 1) continue;
        if (!wide.empty()) wide += u' ';
        wide += static_cast<char16_t>(ch);
    }
    return CString(p::Utf16ToAnsi(wide));
}

CString textOf(const CDialog& dialog, int id) {
    CWnd* control = dialog.GetDlgItem(id);
    return control ? control->GetWindowText() : CString();
}

class CKeyStrokeDlg : public CDialog {
  public:
    CKeyStrokeDlg() : CDialog(IDD_KEYSTROKES) {}

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        for (int line = 0; line < KS_LINES; ++line)
            if (CWnd* field = GetDlgItem(IDC_KS_CHARS + line))
                field->SetWindowText(charactersOf(kLineCodes[line]));
        return TRUE;
    }

    BOOL OnCommand(UINT id) override {
        if (id == IDC_KS_PRINT) {
            print();
            return TRUE;
        }
        return CDialog::OnCommand(id);
    }

  private:
    // One page: the explanation, then each line's characters and shortcut.
    void print() {
        CString page = textOf(*this, IDC_KS_EXPLANATION) + "\n\n";
        for (int line = 0; line < KS_LINES; ++line) {
            CString keys = textOf(*this, IDC_KS_KEYS + line);
            keys.Replace("&&", "&");
            page += textOf(*this, IDC_KS_CHARS + line) + "    " + keys + "\n";
        }
        CString documentName;
        documentName.LoadString(IDS_LABEL_PRINTING);
        fw::PrintOnePage(documentName, page, IDS_NO_DEFAULT_PRINTER);
    }
};

// ---- Insert Symbol ----

class CSymbolDlg;

// The grid below the font list, drawn by the dialog's geometry; the widget covers the whole
// client area below the list and works in the dialog's client coordinates.
class SymbolGrid : public QWidget {
  public:
    SymbolGrid(QWidget* dialog, int listBottom, std::function<void(int)> chosen,
               std::function<void(int)> hovered)
        : QWidget(dialog), dialog_(dialog), listBottom_(listBottom), chosen_(std::move(chosen)),
          hovered_(std::move(hovered)) {
        setAttribute(Qt::WA_MouseTracking, true);
        setGeometry(QRect(0, listBottom_, dialog->width(), dialog->height() - listBottom_));
    }

    void SetFace(const QString& face) {
        face_ = face;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.translate(0, -listBottom_);
        const GridGeometry g = geometry();
        const int width = GridGeometry::kColumns * g.cellWidth;
        const int height = GridGeometry::kRows * g.cellHeight;
        const QColor shadow = palette().color(QPalette::Dark);
        const QColor light = palette().color(QPalette::Light);
        // Sunken frame, then the grid lines.
        painter.setPen(shadow);
        painter.drawLine(g.left - 1, g.top - 1, g.left + width, g.top - 1);
        painter.drawLine(g.left - 1, g.top - 1, g.left - 1, g.top + height);
        painter.setPen(light);
        painter.drawLine(g.left - 1, g.top + height + 1, g.left + width + 1, g.top + height + 1);
        painter.drawLine(g.left + width + 1, g.top - 1, g.left + width + 1, g.top + height + 1);
        painter.setPen(palette().color(QPalette::WindowText));
        for (int c = 0; c <= GridGeometry::kColumns; ++c)
            painter.drawLine(g.left + c * g.cellWidth, g.top, g.left + c * g.cellWidth,
                             g.top + height);
        for (int r = 0; r <= GridGeometry::kRows; ++r)
            painter.drawLine(g.left, g.top + r * g.cellHeight, g.left + width,
                             g.top + r * g.cellHeight);
        QFont font(face_);
        font.setPixelSize(20);
        font.setWeight(QFont::Normal);
        painter.setFont(font);
        for (int r = 0; r < GridGeometry::kRows; ++r)
            for (int c = 0; c < GridGeometry::kColumns; ++c) {
                const int code = 32 + GridGeometry::kColumns * r + c;
                const QRect cell(g.left + c * g.cellWidth, g.top + r * g.cellHeight, g.cellWidth,
                                 g.cellHeight);
                if (code == hover_) {
                    painter.setPen(light);
                    painter.drawLine(cell.left() + 1, cell.top() + 1, cell.right(), cell.top() + 1);
                    painter.drawLine(cell.left() + 1, cell.top() + 1, cell.left() + 1,
                                     cell.bottom());
                    painter.setPen(shadow);
                    painter.drawLine(cell.left() + 1, cell.bottom(), cell.right(), cell.bottom());
                    painter.drawLine(cell.right(), cell.top() + 1, cell.right(), cell.bottom());
                    painter.setPen(palette().color(QPalette::WindowText));
                }
                if (code < 256) painter.drawText(cell, Qt::AlignCenter, CharacterText(code));
            }
    }

    void mouseMoveEvent(QMouseEvent* event) override { setHover(codeAt(event)); }

    void leaveEvent(QEvent*) override { setHover(-1); }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        const int code = codeAt(event);
        if (code >= 0 && code < 256) chosen_(code);
    }

  public:
    // The character of a code of the ANSI code page.
    static QString CharacterText(int code) {
        const std::string byte(1, static_cast<char>(code));
        return QString::fromStdU16String(p::AnsiToUtf16(byte));
    }

  private:
    GridGeometry geometry() const {
        return GridGeometry::For(dialog_->width(), dialog_->height(), listBottom_);
    }

    int codeAt(QMouseEvent* event) const {
        const QPoint at = event->position().toPoint();
        const int code = geometry().CodeAt(at.x(), at.y() + listBottom_);
        return code < 256 ? code : -1;
    }

    void setHover(int code) {
        if (code == hover_) return;
        hover_ = code;
        hovered_(code);
        update();
    }

    QWidget* dialog_;
    int listBottom_;
    QString face_;
    int hover_ = -1;
    std::function<void(int)> chosen_;
    std::function<void(int)> hovered_;
};

class CSymbolDlg : public CDialog {
  public:
    CSymbolDlg(const CString& face, bool compact)
        : CDialog(IDD_INSERT_SYMBOL), face_(face), compact_(compact) {}

    CString face_;
    int character_ = 0;

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (compact_)
            if (CWnd* note = GetDlgItem(IDC_SYM_NOTE)) note->ShowWindow(SW_HIDE);
        auto* list = static_cast<CComboBox*>(GetDlgItem(IDC_SYM_FONTS));
        if (!list) return TRUE;
        QStringList faces;
        for (const QString& family : QFontDatabase::families())
            if (!faces.contains(family)) faces.append(family);
        for (const QString& family : faces)
            list->AddString(p::Utf8ToAnsi(family.toStdString()).c_str());
        if (list->FindStringExact(-1, face_) < 0 || list->SelectString(-1, face_) < 0)
            list->SetCurSel(0);
        RECT box;
        list->GetWindowRect(&box);
        ScreenToClient(&box);
        grid_ = new SymbolGrid(
            GetWidget(), box.bottom, [this](int code) { choose(code); },
            [this](int code) { preview(code); });
        grid_->show();
        applyFace();
        return TRUE;
    }

    BOOL OnCommand(UINT id) override {
        if (id == IDC_SYM_WINGDINGS) {
            auto* list = static_cast<CComboBox*>(GetDlgItem(IDC_SYM_FONTS));
            if (list) {
                const int at = list->FindStringExact(-1, "Wingdings");
                if (at >= 0) list->SetCurSel(at);
            }
            face_ = "Wingdings";
            if (grid_) grid_->SetFace(QStringLiteral("Wingdings"));
            return TRUE;
        }
        if (id == IDC_SYM_SHORTCUTS) {
            ShowKeyStrokeDlg();
            return TRUE;
        }
        return CDialog::OnCommand(id);
    }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == IDC_SYM_FONTS && HIWORD(wParam) == CBN_SELCHANGE) {
            applyFace();
            return TRUE;
        }
        return CDialog::OnCommand(wParam, lParam);
    }

  private:
    void applyFace() {
        if (CWnd* list = GetDlgItem(IDC_SYM_FONTS)) {
            const CString chosen = list->GetWindowText();
            if (!chosen.IsEmpty()) face_ = chosen;
        }
        if (grid_) grid_->SetFace(QString::fromStdString(p::AnsiToUtf8(face_.str())));
    }

    void preview(int code) {
        CWnd* box = GetDlgItem(IDC_SYM_PREVIEW);
        if (!box) return;
        if (QWidget* widget = box->GetWidget()) {
            QFont font(QString::fromStdString(p::AnsiToUtf8(face_.str())));
            font.setPixelSize(40);
            widget->setFont(font);
        }
        box->SetWindowText(code >= 0 ? std::string(1, static_cast<char>(code)).c_str() : "");
    }

    void choose(int code) {
        character_ = code;
        static const bool chinese = GetCurrentLanguage() == 2052;
        if (chinese && code > 127) {
            EndDialog(IDCANCEL);
            showCharacterMap();
            return;
        }
        EndDialog(IDOK);
    }

    // The system's character map: an open one brought forward, else started.
    static void showCharacterMap() {
        // "字符映射表" in GB2312, the Chinese title of the character map.
        const char* title = "\xD7\xD6\xB7\xFB\xD3\xB3\xC9\xE4\xB1\xED";
        if (HWND open = CWnd::FindWindow("MyDlgClass", title)) {
            if (CWnd* window = CWnd::FromHandle(open)) window->ShowWindow(SW_SHOW);
            return;
        }
        char commandLine[] = "CHARMAP.EXE";
        p::STARTUPINFOA startup{};
        p::PROCESS_INFORMATION process{};
        if (p::CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process)) {
            p::CloseHandle(process.hProcess);
            p::CloseHandle(process.hThread);
        }
    }

    bool compact_;
    SymbolGrid* grid_ = nullptr;
};

} // namespace

void ShowKeyStrokeDlg() {
    fw::ManageModuleState state;
    CKeyStrokeDlg dialog;
    dialog.DoModal();
}

int ShowSymbolDlg(CString& font, int* character, int compact) {
    fw::ManageModuleState state;
    if (character) *character = 0;
    CSymbolDlg dialog(font, compact != 0);
    const int result = dialog.DoModal();
    font = dialog.face_;
    if (character) *character = dialog.character_;
    return result;
}

int ShowSymbolDlgEx(char* font, int& character, int compact) {
    CString face(font ? font : "");
    const int result = ShowSymbolDlg(face, &character, compact);
    // The caller's buffer holds a face name (LF_FACESIZE, 32 bytes).
    if (result == IDOK && font) {
        std::strncpy(font, face, 31);
        font[31] = 0;
    }
    return result;
}
