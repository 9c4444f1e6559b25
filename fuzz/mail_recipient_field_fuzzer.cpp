// The recipient-field readers on a rich-text field built from the input: bytes 1 to 4
// switch the format of the text that follows (plain, bold, underlined, both), byte 5 ends
// the field and the next byte places the caret; the rest (zero bytes aside) is text in
// the ANSI code page (936 when the first byte is odd). Entries and codes pair up, every entry is
// trimmed, free of ";" and read from the field in order, and the caret ends where the readers leave
// it.
#include <QApplication>
#include <QTextCursor>
#include <QTextEdit>

#include <cstdint>
#include <cstdlib>
#include <string>

#include <tessaly/controls.h>
#include <tessaly/mail.h>

#include "fuzz_support.h"
#include "platform/codepage.h"

namespace p = tessaly::platform;

namespace {

std::string defaultPrefix, doubleBytePrefix;
QTextEdit* edit = nullptr;

std::string withoutSeparators(std::string text) {
    std::erase(text, ';');
    return text;
}

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

void tessaly::fuzz::setUp() {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    defaultPrefix = tessaly::fuzz::usePrivatePrefix();
    doubleBytePrefix = tessaly::fuzz::makeDoubleBytePrefix();
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    edit = new QTextEdit;
    edit->show();
    edit->activateWindow();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 1) return 0;
    setenv("TESSALY_PREFIX", (data[0] & 1 ? doubleBytePrefix : defaultPrefix).c_str(), 1);
    edit->clear();
    QTextCursor cursor(edit->document());
    QTextCharFormat format;
    std::string run;
    long caret = 0;
    auto flush = [&] {
        if (!run.empty()) cursor.insertText(QString::fromStdString(p::AnsiToUtf8(run)), format);
        run.clear();
    };
    for (size_t i = 1; i < size; ++i) {
        const std::uint8_t byte = data[i];
        if (byte >= 1 && byte <= 4) {
            flush();
            format.setFontWeight(byte == 2 || byte == 4 ? QFont::Bold : QFont::Normal);
            format.setFontUnderline(byte >= 3);
        } else if (byte == 5) {
            caret = i + 1 < size ? data[i + 1] : 0;
            break;
        } else if (byte != 0) { // a field's window text ends at a zero
            run += static_cast<char>(byte);
        }
    }
    flush();

    CRichEditCtrl field(edit);
    CString window;
    field.GetWindowText(window);
    const std::string text = withoutSeparators(window.str());
    CStringArray entries;
    CUIntArray codes;
    ParseAddressFromEdit(&field, entries, codes);
    FUZZ_CHECK(entries.GetSize() == codes.GetSize());
    size_t from = 0;
    for (int i = 0; i < entries.GetSize(); ++i) {
        const std::string entry = entries[i].str();
        FUZZ_CHECK(codes[i] <= 2);
        FUZZ_CHECK(!entry.empty() && entry.find(';') == std::string::npos);
        FUZZ_CHECK(!blank(entry.front()) && !blank(entry.back()));
        const size_t at = text.find(entry, from);
        FUZZ_CHECK(at != std::string::npos);
        from = at + entry.size();
    }
    const long length = field.GetTextLength();
    long start = -1, end = -1;
    field.GetSel(start, end);
    FUZZ_CHECK(start == end);

    // The entry around a caret: a piece of the field, with a separator at most at its end.
    field.SetSel(caret, caret);
    long placed = -1;
    field.GetSel(start, placed);
    const CString around = GetCurrentFullAddress(&field);
    FUZZ_CHECK(window.str().find(around.str()) != std::string::npos);
    const size_t separator = around.str().find(';');
    FUZZ_CHECK(separator == std::string::npos || separator + 1 == around.str().size());
    field.GetSel(start, end);
    FUZZ_CHECK(start == placed && end == placed && placed <= length);
    return 0;
}
