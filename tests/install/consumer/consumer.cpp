// Calls a few services through the installed headers and libraries, in the prefix the
// caller chose; exits 0 only when every answer is right.
#include <tessaly/tessaly.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

static int failures = 0;

// Under the sanitizers: font configuration's own leaks, reached through printed text.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

// A printable dialog of the program's own: it links only if the exported class suffices.
struct CallerNotesDlg : CPrintableDlg {
    CallerNotesDlg() : CPrintableDlg(159) {}
};

// One page into a PDF file: the printer comes from the module installed beside the library.
struct OnePage : CPrintJob {
    void OnPrint(CDC* dc, CPrintInfo* info) override {
        dc->TextOut(100, 100, "one page");
        info->m_bContinuePrinting = FALSE;
    }
};

static void expect(bool ok, const char* what) {
    if (!ok) {
        std::printf("wrong: %s\n", what);
        ++failures;
    }
}

int main() {
    expect(GetFileName("C:\\Docs\\report.final.txt") == "report.final.txt", "GetFileName");
    expect(std::strcmp(GetFileExtName("C:\\Docs\\report.final.txt"), ".txt") == 0,
           "GetFileExtName (plain name)");
    expect(SetRegString("Software\\Varnholt\\Tessaly2001\\Options", "Fax Custom Init String", "ATZ",
                        0) == 1,
           "SetRegString");
    CString text;
    expect(GetStringRegistry1(HKEY_CURRENT_USER, "Software\\Varnholt\\Tessaly2001\\Options",
                              "Fax Custom Init String", text) == 0 &&
               text == "ATZ",
           "GetStringRegistry1");
    expect(GetLanguageName(1036) == "French (Standard) ", "GetLanguageName");
    expect(EscapeQuotation("O'Brien") == "O\\'Brien", "EscapeQuotation (companion)");
    CString documents = GetMyDocumentsFolderEx();
    expect(documents.Right(12) == "My Documents", "GetMyDocumentsFolderEx (helper module)");
    // Memory the interface hands over is the caller's to read and free.
    HGLOBAL wide = static_cast<HGLOBAL>(Utf8ToWchar("h\xC3\xA9"));
    const auto* units = static_cast<const unsigned short*>(GlobalLock(wide));
    expect(units && units[0] == 'h' && units[1] == 0xE9 && units[2] == 0, "Utf8ToWchar");
    GlobalUnlock(wide);
    expect(GlobalFree(wide) == nullptr, "GlobalFree");
    SetLastError(2);
    expect(GetLastError() == 2 && std::strlen(GetLastErrorString()) > 0, "the last error");
    expect(MB_YESNO == 4 && MB_ICONQUESTION == 0x20 && IDNO == 7, "message box constants");
    // The related-word component is registered in every prefix and found beside the library.
    CStringArray related;
    expect(GetRelatedWordList("happy", related) > 0, "GetRelatedWordList (shipped component)");
    { CallerNotesDlg notes; }
    // Written into the prefix: consumers of other builds may run at the same time.
    const std::string pdf = std::string(std::getenv("TESSALY_PREFIX")) + "/page.pdf";
    // A printer that cannot be made shows a message: answered, so that the check fails.
    tessaly::automation::SetMessageBoxHandler([](const auto&) { return IDOK; });
    tessaly::automation::SetPrintSetupHandler([&pdf] {
        return tessaly::automation::PrintSetupAnswer{tessaly::automation::PrintSetupAnswer::PdfFile,
                                                     pdf, ""};
    });
    expect(OnePage().DoPrint(TRUE) && std::filesystem::exists(pdf) &&
               std::filesystem::file_size(pdf) > 0,
           "CPrintJob::DoPrint (printer device module)");
    std::printf("%s\n", failures ? "consumer: FAILED" : "consumer: all answers right");
    return failures ? 1 : 0;
}
