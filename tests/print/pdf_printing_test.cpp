// Saving as PDF: the options dialog and what the driver is given, the print command to the
// program's main window, the default printer kept and restored, and the filter dialogs.
#include <tessaly/messages.h>
#include <tessaly/printers.h>

#include <tessaly/wnd.h>

#include <QMainWindow>

#include <filesystem>
#include <string>
#include <tuple>

#include "dialogs/choices_support.h"
#include "foundation/windows_version.h"
#include "platform/printers.h"
#include "platform/registry.h"
#include "print/pdf_reading.h"
#include "print/pdf_support.h"
#include "support/qt_app.h"

using namespace choices_test;
using namespace print_test;
namespace fs = std::filesystem;
namespace p = tessaly::platform;
using A = tessaly::automation::PrintSetupAnswer;

namespace {

// The former default's name fills most of the library's 255-character buffer.
const std::string kFormer = "Office Laser " + std::string(200, 'x');

// A program's main window that prints a two-page document on each command (57607 with the
// print dialog), noting the commands.
class ProgramWindow : public QMainWindow {
  public:
    std::vector<WPARAM> commands;

  protected:
    bool event(QEvent* e) override {
        auto* m = e->type() == CWndMessageEvent::EventType() ? static_cast<CWndMessageEvent*>(e)
                                                             : nullptr;
        if (!m || m->message() != WM_COMMAND) return QMainWindow::event(e);
        commands.push_back(m->wParam());
        TwoPages job;
        job.DoPrint(m->wParam() == 57607);
        m->setResult(1);
        return true;
    }
};

class PdfPrinting : public ScriptedDialogs {
  protected:
    void SetUp() override {
        ScriptedDialogs::SetUp();
        fs::create_directories(prefix_.scratch());
        ASSERT_TRUE(p::AddPrefixPrinter(kFormer, "Laser Driver", "LPT1:", {}));
        ASSERT_TRUE(DPSetDefaultPrinter(const_cast<char*>(kFormer.c_str())));
    }
    std::string Default() {
        char name[256] = {};
        unsigned long size = sizeof name;
        return DPGetDefaultPrinter(name, &size) ? name : "";
    }
    std::string Pdf(const char* name) { return prefix_.scratch() + "/" + name; }
};

// The options dialog answered as the user would: the script sets its controls and ends it.
Script answerOptions(std::function<void(Dialog&)> steps, int end = IDOK) {
    return [steps, end](Dialog& d) {
        EXPECT_EQ(d.TemplateId(), 23011u);
        EXPECT_FALSE(d.HasCaption()); // a dialog of the family, on its skin
        steps(d);
        d.Click(end);
    };
}

} // namespace

// The private flag goes in on XP (minor 1) through DocumentPropertiesA, on 2000 (minor 0) at
// level 2 with SetPrinterA: the 256-colour row sets it one way, the next clears it the other.
TEST_F(PdfPrinting, OptionsReachTheDriverAsItsValues) {
    const struct {
        const char* name;
        std::vector<int> clicks;
        std::string watermark; // typed once its box is checked
        DWORD minor;
        std::vector<long> stored; // paper, dpi, orientation, fonts, JPEG, flag, file options
    } cases[] = {
        {"defaults", {}, "", 1, {1, 600, 1, 1, 0, 0, 19}},
        {"watermark", {1404, 1403, 1773, 1776, 1777}, "CONFIDENTIAL", 1, {9, 75, 2, 0, 0, 0, 67}},
        {"256 colours", {1783, 1772, 1779}, "", 1, {5, 300, 1, 1, 0, 1, 19}},
        {"JPEG", {1784, 1774, 1781}, "", 0, {8, 1200, 1, 1, 4, 0, 19}},
        {"256 colours on 2000", {1783}, "", 0, {1, 600, 1, 1, 0, 1, 19}},
        {"A3 default compression", {1774, 1778}, "", 1, {8, 150, 1, 1, 0, 0, 19}},
    };
    const std::string pdf = Pdf("out.pdf");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case starts from the defaults: the profile holds no choices.
        p::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Varnholt\\Tessaly\\Options");
        tessaly::testing::PresentWindows(2, 5, c.minor);
        auto steps = [&](Dialog& d) {
            EXPECT_EQ(d.GetCheck(1771) + d.GetCheck(1780) + d.GetCheck(1775) + d.GetCheck(1782) +
                          d.GetCheck(1403) + d.GetCheck(1404),
                      5);
            for (int id : c.clicks)
                d.Click(id);
            EXPECT_EQ(d.IsEnabled(1770), !c.watermark.empty());
            if (!c.watermark.empty()) d.SetText(1770, c.watermark);
        };
        EXPECT_EQ(Run(std::vector<Script>{answerOptions(steps), Click(IDCANCEL)},
                      [&] { return PrintPDF(const_cast<char*>(pdf.c_str())); }),
                  1);
        const Stored s = ReadStored();
        EXPECT_EQ(std::vector<long>({s.dm.dmPaperSize, s.dm.dmPrintQuality, s.dm.dmOrientation,
                                     s.extra.lFontEmbedding, s.extra.lJpegLevel,
                                     (s.extra.dwFlags & PDF_FLAG_256_COLOURS) != 0,
                                     long(s.extra.dwFileNameOptions)}),
                  c.stored);
        EXPECT_STREQ(s.extra.szFileName, pdf.c_str());
        if (!c.watermark.empty()) {
            EXPECT_EQ(std::tuple(std::string(s.extra.szWatermark),
                                 std::string(s.extra.szWatermarkFont), s.extra.lWatermarkSize,
                                 s.extra.lWatermarkAngle, s.extra.lWatermarkColor,
                                 s.extra.lWatermarkX, s.extra.lWatermarkY, s.extra.lWatermarkOnTop),
                      std::tuple(c.watermark, std::string("Arial"), 30L, 450L, 0xFF0000L, 100L,
                                 -100L, 1L));
        }
        // PrintPDF leaves the PDF printer the default; the closing step restores the former.
        EXPECT_EQ(Default(), kPdfPrinterName);
        Run(Click(IDCANCEL), [&] { return javaAfterPDFPrint(const_cast<char*>(pdf.c_str())), 0; });
        EXPECT_EQ(opened, std::vector<int>{332});
        EXPECT_EQ(Default(), kFormer);
    }
    // The last choices were kept: the next dialog opens with them.
    Run(answerOptions(
            [](Dialog& d) { EXPECT_EQ(d.GetCheck(1774) + d.GetCheck(1778) + d.GetCheck(1782), 3); },
            IDCANCEL),
        [] { return PrintPDF(const_cast<char*>("x.pdf")); });
}

TEST_F(PdfPrinting, PdfPrintSavesThroughTheProgramsPrintCommand) {
    tessaly::testing::EnsureQtApplication();
    ProgramWindow window;
    window.show();
    // The program's print dialog, the options' end, the result, the dialogs, a file written.
    const std::tuple<const char*, A, int, int, std::vector<int>, bool> cases[] = {
        {"saved", A{A::Printer, "", kPdfPrinterName}, IDOK, 1, {23011, 332}, true},
        {"print dialog cancelled", A{A::Cancel, "", ""}, IDOK, 2, {23011}, false},
        {"options cancelled", A{A::Printer, "", kPdfPrinterName}, IDCANCEL, 2, {23011}, false},
    };
    for (const auto& [name, answer, optionsEnd, result, dialogs, written] : cases) {
        SCOPED_TRACE(name);
        const std::string pdf = Pdf("saved.pdf");
        fs::remove(pdf);
        window.commands.clear();
        tessaly::automation::SetPrintSetupHandler([&] { return answer; });
        EXPECT_EQ(
            Run(std::vector<Script>{answerOptions([](Dialog&) {}, optionsEnd), Click(IDCANCEL)},
                [&] { return PDFPrint(const_cast<char*>(pdf.c_str())); }),
            result);
        EXPECT_EQ(opened, dialogs);
        EXPECT_EQ(fs::exists(pdf) ? ReadInfo(pdf)["Pages"] : "none", written ? "2" : "none");
        EXPECT_EQ(window.commands, std::vector<WPARAM>(optionsEnd == IDOK, 57607));
        EXPECT_EQ(Default(), kFormer);
    }
}

// A printer of that name with another driver: no driver, result 0, nothing shown.
TEST_F(PdfPrinting, WithoutTheDriverNothingIsShown) {
    ASSERT_TRUE(p::AddPrefixPrinter(kPdfPrinterName, "Another Driver", "LPT2:", {}));
    for (auto call : {PDFPrint, PrintPDF, javaPDFPrint})
        EXPECT_EQ(Run(Click(IDOK), [&] { return call(const_cast<char*>("x.pdf")); }), 0);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(Default(), kFormer);
}

TEST_F(PdfPrinting, FilterDialogsFollowTheWindowsFamily) {
    auto install = ShowInstallPdfFilterDlg;
    auto after = [] { return ShowAfterInstallPdfFilterDlg(), 0; };
    const Script ok = Click(IDOK), cancel = Click(IDCANCEL);
    // The family, what is shown and the buttons clicked, the dialogs seen and the result.
    for (const auto& [platform, major, minor, show, scripts, dialogs, result] :
         {std::tuple<DWORD, DWORD, DWORD, std::function<int()>, std::vector<Script>,
                     std::vector<int>, int>{2, 5, 1, install, {ok, cancel}, {23010, 1610}, 1},
          {2, 5, 0, install, {ok, ok}, {23010, 136}, 1},
          {2, 5, 1, install, {cancel}, {23010}, 2},
          {1, 4, 0, after, {ok}, {135}, 0},
          {1, 4, 10, after, {ok}, {134}, 0},
          {2, 5, 1, ShowSaveasPdfDlg, {cancel}, {328}, 2}}) {
        tessaly::testing::PresentWindows(platform, major, minor);
        EXPECT_EQ(Run(scripts, show), result) << dialogs.back();
        EXPECT_EQ(opened, dialogs);
    }
    // Once its check box is confirmed, the Windows 95 notice ends unseen.
    tessaly::testing::PresentWindows(1, 4, 0);
    Run(Then([](Dialog& d) { d.SetCheck(1401, 1); }, ok), after);
    EXPECT_EQ(opened, std::vector<int>{135});
    Run(ok, after);
    EXPECT_TRUE(opened.empty());
}
