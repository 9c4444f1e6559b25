// The two readers of the mail composer's recipient field: a rich-edit control in which the
// mail client shows resolved recipients underlined and distribution lists in bold. Both read
// the field only through its text, the caret and the selection's character format.
#include <tessaly/mail.h>

#include <algorithm>
#include <vector>

#include "platform/codepage.h"

namespace {

enum EntryCode : UINT { kResolved = 0, kList = 1, kTyped = 2 };

struct Effects {
    bool bold = false;
    bool underline = false;
};

// The bold and underline effects of the current selection (of the character before an
// empty selection).
Effects selectionEffects(CRichEditCtrl* field) {
    CHARFORMAT format;
    format.cbSize = sizeof(CHARFORMAT);
    format.dwMask = CFM_BOLD | CFM_UNDERLINE;
    field->GetSelectionCharFormat(format);
    return {(format.dwEffects & CFE_BOLD) != 0, (format.dwEffects & CFE_UNDERLINE) != 0};
}

// Bold wins over underline.
UINT classify(Effects effects) {
    if (effects.bold) return kList;
    if (effects.underline) return kResolved;
    return kTyped;
}

// The window text indexed by the control's caret positions. The control counts one position
// per character and per line end, while its window text holds code-page bytes (two for a
// double-byte character) and CR LF for a line end; indexing the bytes would let the caret and
// the text drift apart and cut double-byte characters. For single-byte text on one line a
// position is a byte index.
class FieldText {
  public:
    explicit FieldText(CString text) : text_(std::move(text)) {
        const std::string& s = text_.str();
        size_t i = 0;
        while (i < s.size()) {
            offsets_.push_back(static_cast<int>(i));
            const auto ch = static_cast<BYTE>(s[i]);
            const bool pair = i + 1 < s.size() && ((ch == '\r' && s[i + 1] == '\n') ||
                                                   tessaly::platform::IsDBCSLeadByte(ch));
            i += pair ? 2 : 1;
        }
        offsets_.push_back(static_cast<int>(s.size()));
    }

    int Length() const { return static_cast<int>(offsets_.size()) - 1; }
    // Whether the character at a position is ";" (never a trail byte: they start at 0x40).
    bool IsSeparator(int pos) const { return text_.GetAt(offsets_[pos]) == ';'; }
    // The characters from a position on, count of them.
    CString Mid(int first, int count) const {
        return text_.Mid(offsets_[first], offsets_[first + count] - offsets_[first]);
    }

  private:
    CString text_;
    std::vector<int> offsets_; // byte offset of each position, and the end
};

} // namespace

void ParseAddressFromEdit(CRichEditCtrl* field, CStringArray& entries, CUIntArray& codes) {
    if (!field) return;
    CString window;
    field->GetWindowText(window);
    const FieldText text(std::move(window));
    const int length = text.Length();
    field->SetFocus();
    field->SetSel(0, 0);
    UINT code = classify(selectionEffects(field));
    if (length < 1) return;

    int start = 0, index = 0, pos = 1; // index is the character just before the caret pos
    while (pos <= length) {
        field->SetSel(pos, pos);
        const Effects effects = selectionEffects(field);
        bool ends = false;
        switch (code) {
        case kResolved:
            ends = !effects.underline || pos == length;
            break;
        case kList:
            ends = !effects.bold || pos == length;
            break;
        default: {
            const bool separator = text.IsSeparator(index);
            ends = separator || effects.underline || pos == length;
            // The character after the ";" starts the next entry.
            if (separator && pos != length) {
                ++index;
                ++pos;
            }
            break;
        }
        }
        if (ends) {
            CString entry = text.Mid(start, pos == length ? pos - start : pos - start - 1);
            entry.Remove(';');
            entry.Trim();
            if (!entry.IsEmpty()) {
                entries.Add(entry);
                codes.Add(code);
            }
            start = index;
            code = classify(effects);
        }
        ++pos;
        ++index;
    }
    // A ";" skipped at the last step leaves the caret one short of the end.
    field->SetSel(length, length);
}

CString GetCurrentFullAddress(CRichEditCtrl* field) {
    if (!field) return CString();
    CString window;
    field->GetWindowText(window);
    const FieldText text(std::move(window));
    const long length = text.Length();
    long selStart = 0, caret = 0;
    field->GetSel(selStart, caret);
    caret = std::clamp(caret, 0L, length);
    field->SetSel(caret, caret);

    long first = caret;
    while (first > 0 && !text.IsSeparator(static_cast<int>(first - 1)))
        --first;
    long last = caret + 1;
    while (last <= length && !text.IsSeparator(static_cast<int>(last - 1)))
        ++last;

    field->SetSel(first, std::min(last, length));
    CString entry = field->GetSelText();
    field->SetSel(caret, caret);
    return entry;
}
