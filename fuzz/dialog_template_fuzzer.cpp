// The dialog template reader: any bytes are read within their bounds; a template read is
// written back in its own form and reads the same again, and bytes after its end change
// nothing.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/dialog_template.h"

namespace p = tessaly::platform;

namespace {

class Writer {
  public:
    template <typename T> void put(T value) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
        out.insert(out.end(), bytes, bytes + sizeof value);
    }
    void text(const std::u16string& s) {
        for (char16_t c : s)
            put<char16_t>(c);
        put<char16_t>(0);
    }
    void nameOrNumber(const p::SzOrOrdinal& v) {
        if (v.isOrdinal) {
            put<WORD>(0xFFFF);
            put<WORD>(v.ordinal);
        } else {
            text(v.text);
        }
    }
    void align() {
        while (out.size() % 4)
            out.push_back(0);
    }
    std::vector<std::uint8_t> out;
};

std::vector<std::uint8_t> write(const p::DialogTemplate& t) {
    Writer w;
    if (t.extended) {
        w.put<WORD>(1);
        w.put<WORD>(0xFFFF);
        w.put<DWORD>(t.helpId);
        w.put<DWORD>(t.exStyle);
        w.put<DWORD>(t.style);
    } else {
        w.put<DWORD>(t.style);
        w.put<DWORD>(t.exStyle);
    }
    w.put<WORD>(static_cast<WORD>(t.items.size()));
    for (short v : {t.x, t.y, t.cx, t.cy})
        w.put<short>(v);
    w.nameOrNumber(t.menu);
    w.nameOrNumber(t.windowClass);
    w.text(t.caption);
    if (t.hasFont) {
        w.put<WORD>(t.pointSize);
        if (t.extended) {
            w.put<WORD>(t.weight);
            w.put<BYTE>(t.italic ? 1 : 0);
            w.put<BYTE>(t.charset);
        }
        w.text(t.typeface);
    }
    for (const p::DialogItemTemplate& item : t.items) {
        w.align();
        if (t.extended) {
            w.put<DWORD>(item.helpId);
            w.put<DWORD>(item.exStyle);
            w.put<DWORD>(item.style);
        } else {
            w.put<DWORD>(item.style);
            w.put<DWORD>(item.exStyle);
        }
        for (short v : {item.x, item.y, item.cx, item.cy})
            w.put<short>(v);
        if (t.extended)
            w.put<DWORD>(item.id);
        else
            w.put<WORD>(static_cast<WORD>(item.id));
        w.nameOrNumber(item.windowClass);
        w.nameOrNumber(item.title);
        w.put<WORD>(static_cast<WORD>(item.creationData.size()));
        w.out.insert(w.out.end(), item.creationData.begin(), item.creationData.end());
    }
    return w.out;
}

bool same(const p::SzOrOrdinal& a, const p::SzOrOrdinal& b) {
    return a.isOrdinal == b.isOrdinal && a.ordinal == b.ordinal && a.text == b.text;
}

bool same(const p::DialogTemplate& a, const p::DialogTemplate& b) {
    if (a.extended != b.extended || a.helpId != b.helpId || a.exStyle != b.exStyle ||
        a.style != b.style || a.x != b.x || a.y != b.y || a.cx != b.cx || a.cy != b.cy ||
        !same(a.menu, b.menu) || !same(a.windowClass, b.windowClass) || a.caption != b.caption ||
        a.hasFont != b.hasFont || a.pointSize != b.pointSize || a.weight != b.weight ||
        a.italic != b.italic || a.charset != b.charset || a.typeface != b.typeface ||
        a.items.size() != b.items.size())
        return false;
    for (size_t i = 0; i < a.items.size(); ++i) {
        const p::DialogItemTemplate &x = a.items[i], &y = b.items[i];
        if (x.helpId != y.helpId || x.exStyle != y.exStyle || x.style != y.style || x.x != y.x ||
            x.y != y.y || x.cx != y.cx || x.cy != y.cy || x.id != y.id ||
            !same(x.windowClass, y.windowClass) || !same(x.title, y.title) ||
            x.creationData != y.creationData || x.classAtom() != y.classAtom())
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    p::DialogTemplate parsed;
    if (!p::ParseDialogTemplate(data, size, parsed)) return 0;
    // Nothing read can be longer than the data.
    FUZZ_CHECK(parsed.caption.size() * 2 < size && parsed.typeface.size() * 2 < size);
    FUZZ_CHECK(parsed.items.size() * 18 <= size);
    for (const auto& item : parsed.items) {
        FUZZ_CHECK(item.creationData.size() < size);
        const WORD atom = item.classAtom();
        FUZZ_CHECK(item.windowClass.isOrdinal || atom == 0 || (atom >= 0x80 && atom <= 0x85));
    }

    const std::vector<std::uint8_t> written = write(parsed);
    p::DialogTemplate again;
    FUZZ_CHECK(p::ParseDialogTemplate(written.data(), written.size(), again));
    FUZZ_CHECK(same(parsed, again));

    std::vector<std::uint8_t> longer(data, data + size);
    longer.insert(longer.end(), {0xFF, 0xFF, 0x41, 0x00, 0x00, 0x00, 0x07});
    p::DialogTemplate extended;
    FUZZ_CHECK(p::ParseDialogTemplate(longer.data(), longer.size(), extended));
    FUZZ_CHECK(same(parsed, extended));
    return 0;
}
