// Dialog templates read field by field, every read checked against the data's end.
#include "platform/dialog_template.h"

#include <cstring>

#include "platform/module.h"

namespace tessaly::platform {

namespace {

class Reader {
  public:
    Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }

    template <typename T> T read() {
        T value{};
        if (!ok_ || size_ - pos_ < sizeof(T)) {
            ok_ = false;
            return value;
        }
        std::memcpy(&value, data_ + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }

    std::u16string readString() {
        std::u16string text;
        while (ok_) {
            const char16_t c = read<char16_t>();
            if (!ok_ || c == 0) break;
            text.push_back(c);
        }
        return text;
    }

    // A string, or 0xFFFF and a number; 0 alone is the empty string.
    SzOrOrdinal readSzOrOrdinal() {
        SzOrOrdinal value;
        const size_t start = pos_;
        const WORD first = read<WORD>();
        if (!ok_) return value;
        if (first == 0xFFFF) {
            value.isOrdinal = true;
            value.ordinal = read<WORD>();
            return value;
        }
        pos_ = start;
        value.text = readString();
        return value;
    }

    void skip(size_t count) {
        if (!ok_ || size_ - pos_ < count) {
            ok_ = false;
            return;
        }
        pos_ += count;
    }

    // Items start on a double-word boundary of the template.
    void alignDword() {
        const size_t aligned = (pos_ + 3) & ~size_t(3);
        // The last item's padding may be missing at the very end of the data.
        pos_ = aligned <= size_ ? aligned : size_;
    }

    const BYTE* here() const { return data_ + pos_; }

  private:
    const BYTE* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

bool equalsAscii(const std::u16string& text, const char* ascii) {
    size_t i = 0;
    for (; ascii[i]; ++i) {
        if (i >= text.size()) return false;
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        char a = ascii[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (c != static_cast<char16_t>(a)) return false;
    }
    return i == text.size();
}

bool readItems(Reader& in, bool extended, int count, std::vector<DialogItemTemplate>& items) {
    for (int i = 0; i < count; ++i) {
        in.alignDword();
        DialogItemTemplate item;
        if (extended) {
            item.helpId = in.read<DWORD>();
            item.exStyle = in.read<DWORD>();
            item.style = in.read<DWORD>();
        } else {
            item.style = in.read<DWORD>();
            item.exStyle = in.read<DWORD>();
        }
        item.x = in.read<short>();
        item.y = in.read<short>();
        item.cx = in.read<short>();
        item.cy = in.read<short>();
        item.id = extended ? in.read<DWORD>() : in.read<WORD>();
        item.windowClass = in.readSzOrOrdinal();
        item.title = in.readSzOrOrdinal();
        const WORD extra = in.read<WORD>();
        if (!in.ok()) return false;
        const BYTE* start = in.here();
        in.skip(extra);
        if (!in.ok()) return false;
        item.creationData.assign(start, start + extra);
        items.push_back(std::move(item));
    }
    return in.ok();
}

} // namespace

WORD DialogItemTemplate::classAtom() const {
    if (windowClass.isOrdinal) return windowClass.ordinal;
    static const struct {
        const char* name;
        WORD atom;
    } names[] = {{"Button", CLASS_BUTTON},       {"Edit", CLASS_EDIT},
                 {"Static", CLASS_STATIC},       {"ListBox", CLASS_LISTBOX},
                 {"ScrollBar", CLASS_SCROLLBAR}, {"ComboBox", CLASS_COMBOBOX}};
    for (const auto& n : names)
        if (equalsAscii(windowClass.text, n.name)) return n.atom;
    return 0;
}

bool ParseDialogTemplate(const void* data, size_t size, DialogTemplate& out) {
    if (!data) return false;
    Reader in(static_cast<const BYTE*>(data), size);
    DialogTemplate t;
    const WORD version = in.read<WORD>();
    const WORD signature = in.read<WORD>();
    if (!in.ok()) return false;
    t.extended = version == 1 && signature == 0xFFFF;
    if (t.extended) {
        t.helpId = in.read<DWORD>();
        t.exStyle = in.read<DWORD>();
        t.style = in.read<DWORD>();
    } else {
        // The older form starts with the style double word.
        t.style = static_cast<DWORD>(version) | (static_cast<DWORD>(signature) << 16);
        t.exStyle = in.read<DWORD>();
    }
    const WORD count = in.read<WORD>();
    t.x = in.read<short>();
    t.y = in.read<short>();
    t.cx = in.read<short>();
    t.cy = in.read<short>();
    t.menu = in.readSzOrOrdinal();
    t.windowClass = in.readSzOrOrdinal();
    t.caption = in.readString();
    if (t.style & DS_SETFONT) {
        t.hasFont = true;
        t.pointSize = in.read<WORD>();
        if (t.extended) {
            t.weight = in.read<WORD>();
            t.italic = in.read<BYTE>() != 0;
            t.charset = in.read<BYTE>();
        }
        t.typeface = in.readString();
    }
    if (!in.ok()) return false;
    if (!readItems(in, t.extended, count, t.items)) return false;
    out = std::move(t);
    return true;
}

bool LoadDialogTemplate(HMODULE module, WORD id, DialogTemplate& out) {
    DWORD size = 0;
    const void* data = FindResourceData(module, RT_DIALOG, id, &size);
    return data && ParseDialogTemplate(data, size, out);
}

bool LoadDialogTemplate(HMODULE module, const char* name, DialogTemplate& out) {
    DWORD size = 0;
    const void* data = FindNamedResourceData(module, RT_DIALOG, name ? name : "", &size);
    return data && ParseDialogTemplate(data, size, out);
}

} // namespace tessaly::platform
