// Saving as PDF: the PDF printer's driver library and what a job printed on its printer
// becomes, the options dialog and what the driver is given, the print command to the program's
// main window, the default printer kept and restored, and the filter dialogs.
#include <tessaly/dialogs.h>
#include <tessaly/messages.h>
#include <tessaly/pdf_driver.h>
#include <tessaly/picture.h>
#include <tessaly/print.h>
#include <tessaly/printers.h>

#include <tessaly/wnd.h>

#include <QImage>
#include <QMainWindow>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "dialogs/choices_support.h"
#include "foundation/windows_version.h"
#include "platform/module.h"
#include "platform/prefix.h"
#include "platform/printers.h"
#include "platform/registry.h"
#include "print/pdf_reading.h"
#include "print/print_support.h"
#include "support/qt_app.h"
#include "support/run.h"

using namespace choices_test;
using namespace print_test;
using tessaly::testing::Driver;
namespace fs = std::filesystem;
namespace p = tessaly::platform;
using A = tessaly::automation::PrintSetupAnswer;

namespace {

// The PDF printer's stored settings: the public part and the private part after it.
struct Stored {
    DEVMODEA dm{};
    PDF_DRIVER_EXTRA extra{};
};
static_assert(sizeof(Stored) == sizeof(DEVMODEA) + sizeof(PDF_DRIVER_EXTRA));

Stored ReadStored() {
    Stored s;
    p::PrinterEntry entry;
    if (p::LookupPrinter(kPdfPrinterName, entry) && entry.devMode.size() >= sizeof s)
        std::memcpy(&s, entry.devMode.data(), sizeof s);
    return s;
}

// Two pages of text, "first page words" and "second page words", and the picture (if any)
// an inch wide on the first; notes the resolution the job's device context reports.
class TwoPages : public CPrintJob {
  public:
    int dpi = 0;
    IPicture* picture = nullptr;

  protected:
    void OnPrint(CDC* dc, CPrintInfo* info) override {
        dpi = dc->GetDeviceCaps(LOGPIXELSX);
        RECT box{dpi, dpi, info->m_rectDraw.right - dpi, info->m_rectDraw.bottom - dpi};
        dc->DrawText(info->m_nCurPage == 1 ? "first page words" : "second page words", -1, &box,
                     DT_WORDBREAK);
        LONG width = 0, height = 0;
        if (picture && info->m_nCurPage == 1 && picture->get_Width(&width) == S_OK &&
            picture->get_Height(&height) == S_OK)
            picture->Render(dc->GetSafeHdc(), dpi, 2 * dpi, dpi, dpi, 0, height, width, -height,
                            nullptr);
        info->m_bContinuePrinting = info->m_nCurPage < 2;
    }
};

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
    std::string Pdf(const std::string& name) { return prefix_.scratch() + "/" + name + ".pdf"; }
};

// The options dialog answered as the user would: the script sets its controls and ends it.
Script answerOptions(std::function<void(Dialog&)> steps, int end = IDOK) {
    return [steps, end](Dialog& d) {
        EXPECT_FALSE(d.HasCaption()); // a dialog of the family, on its skin
        steps(d);
        d.Click(end);
    };
}

// The pattern's groups in each line of a poppler tool's output, distinct, joined by " ".
std::string column(const std::vector<std::string>& command, const char* pattern) {
    const std::string out = tessaly::testing::RunProgram(command).out;
    std::set<std::string> found;
    const std::regex row(pattern);
    for (std::sregex_iterator it(out.begin(), out.end(), row), end; it != end; ++it)
        found.insert(it->format(it->size() > 2 ? "$1 $2" : "$1"));
    std::string joined;
    for (const std::string& f : found)
        joined += (joined.empty() ? "" : " ") + f;
    return joined;
}

// "yes" or "no" in pdffonts' embedded column.
std::string embedded(const std::string& pdf) {
    return column({"pdffonts", pdf}, R"((yes|no)\s+(?:yes|no)\s+(?:yes|no)\s+\d+\s+\d+\s*\n)");
}

// A page's letters, blanks left out: a diagonal watermark comes back in pieces.
std::string letters(const Page& page) {
    std::string text = Text(page);
    std::erase(text, ' ');
    return text;
}

// The PDF printer made the default through its driver, writing to file with these options.
void configure(const std::string& file, LONG options) {
    Driver d;
    HANDLE h = d.entry<PDF_DRIVER_INIT>("DriverInit")(kPdfPrinterName);
    ASSERT_NE(h, nullptr);
    d.entry("SetDefaultPrinter")(h);
    d.entry<PDF_DRIVER_SET_TEXT>("SetDefaultFileName")(h, file.c_str());
    d.entry<PDF_DRIVER_SET_LONG>("SetFileNameOptions")(h, options);
    d.entry("DriverEnd")(h);
}

} // namespace

// The printer comes with its private part; a printer of another driver is refused.
TEST_F(PdfPrinting, TheDriverInstallsItsPrinterAndRefusesOthers) {
    Driver d;
    const auto init = d.entry<PDF_DRIVER_INIT>("DriverInit");
    ASSERT_TRUE(d.module && init);
    EXPECT_EQ(FindPrinter(kPdfPrinterName), 0);
    HANDLE h = init(kPdfPrinterName);
    ASSERT_NE(h, nullptr);
    p::PrinterEntry entry;
    ASSERT_TRUE(p::LookupPrinter(kPdfPrinterName, entry));
    EXPECT_EQ(entry.driver + "|" + entry.port + "|" + std::to_string(ReadStored().dm.dmDriverExtra),
              std::string(kPdfPrinterName) + "|" + kPdfPortName + "|" +
                  std::to_string(sizeof(PDF_DRIVER_EXTRA)));
    d.entry("DriverEnd")(h);
    for (const std::string& name : {std::string(), kFormer})
        EXPECT_EQ(init(name.c_str()), nullptr) << name;
}

TEST_F(PdfPrinting, FileNameOptionsDecideWhereTheJobGoes) {
    const std::string set = Pdf("set"), asked = Pdf("asked");
    // The options, a set file there before, the job's success, the file written (no file there
    // before is every saving case's).
    const std::tuple<const char*, LONG, bool, bool, std::string> cases[] = {
        {"asks for the name", 2, false, true, asked},
        {"replaces", 3, true, true, set},
        {"keeps an existing file", 1, true, false, ""},
    };
    for (const auto& [name, options, existing, printed, out] : cases) {
        SCOPED_TRACE(name);
        fs::remove(set);
        fs::remove(asked);
        if (existing) tessaly::testing::WriteFile(set, "old");
        configure(set, options);
        tessaly::automation::SetPrintSetupHandler([&] { return A{A::PdfFile, asked, {}}; });
        TwoPages job;
        EXPECT_EQ(Run(Click(IDOK), [&] { return job.DoPrint(FALSE); }), printed ? TRUE : FALSE);
        EXPECT_EQ(messages, printed ? std::vector<std::string>{}
                                    : std::vector<std::string>{"Failed to start printing."});
        EXPECT_TRUE(out.empty() || ReadInfo(out)["Pages"] == "2");
        EXPECT_TRUE(printed || tessaly::testing::ReadFile(set) == "old");
        EXPECT_EQ(fs::exists(asked), out == asked);
    }
}

// A file system that fills up while the PDF is written: the job fails with the message, no
// cut-off file is left, and the disk's earlier contents stay.
TEST_F(PdfPrinting, AFullDiskLeavesNoFile) {
    const std::string full = prefix_.scratch() + "/full", pdf = full + "/out.pdf";
    fs::create_directories(full);
    if (mount("tmpfs", full.c_str(), "tmpfs", 0, "size=8k") != 0)
        GTEST_SKIP() << "no small file system can be mounted here: " << std::strerror(errno);
    tessaly::testing::WriteFile(full + "/kept", "kept");
    configure(pdf, 3 + 16);
    TwoPages job;
    EXPECT_EQ(Run(Click(IDOK), [&] { return job.DoPrint(FALSE); }), FALSE);
    EXPECT_EQ(messages, std::vector<std::string>{"The document could not be written completely."});
    EXPECT_FALSE(fs::exists(pdf));
    EXPECT_EQ(tessaly::testing::ReadFile(full + "/kept"), "kept");
    umount2(full.c_str(), MNT_DETACH);
}

// The command's options reach the driver; the former default printer comes back.
TEST_F(PdfPrinting, CommandPrintsATextFile) {
    const std::string pdf = Pdf("note"),
                      text = tessaly::testing::WriteFile(prefix_.scratch() + "/note.txt",
                                                         "alpha line\nbeta line\n");
    const auto run = tessaly::testing::RunTessaly(
        {"pdf", text, pdf, "--paper", "a4", "--landscape", "--watermark", "SAMPLE", "--no-embed"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadInfo(pdf)["Page size"] + ", embedded: " + embedded(pdf),
              "842 x 595 pts (A4), embedded: no");
    const std::string printed = letters(ReadPages(pdf).at(0));
    EXPECT_TRUE(printed.find("alphalinebetaline") != printed.npos &&
                printed.find("SAMPLE") != printed.npos)
        << printed;
    EXPECT_EQ(Default(), kFormer);
}

// Each row chooses as the user would, then a program prints two pages of text and, on the
// first, a picture of 9216 colours: the driver's stored values and the file follow the choices
// (pdfimages tells how the compression choice stored the picture). The private flag goes in on
// XP (minor 1) through DocumentPropertiesA, on 2000 (minor 0) at level 2 with SetPrinterA: the
// 256-colour row sets it one way, the next clears it the other. The rows after the watermark's
// keep its text in the driver without its option, and print none.
TEST_F(PdfPrinting, OptionsReachTheDriverAndThePrintedFile) {
    QImage image(96, 96, QImage::Format_RGB32);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x)
            image.setPixel(x, y, qRgb(x * 2, y * 2, 255 - x - y));
    const std::string png = prefix_.scratch() + "/picture.png";
    ASSERT_TRUE(image.save(QString::fromStdString(png)));
    TwoPages job;
    ASSERT_EQ(LoadPictureFile(p::ToWindowsPath(png).c_str(), &job.picture), 1);
    const struct {
        const char* name;
        std::vector<int> clicks;
        std::string watermark; // typed once its box is checked
        DWORD minor;
        std::vector<long> stored;   // paper, dpi, orientation, fonts, JPEG, flag, file options
        const char *size, *picture; // pdfinfo's page size, pdfimages' colour and encoding
    } cases[] = {
        {"defaults", {}, "", 1, {1, 600, 1, 1, 0, 0, 19}, "612 x 792 pts (letter)", "rgb image"},
        {"watermark",
         {1404, 1403, 1773, 1776, 1777},
         "CONFIDENTIAL",
         1,
         {9, 75, 2, 0, 0, 0, 67},
         "842 x 595 pts (A4)",
         "rgb image"},
        {"256 colours",
         {1783, 1772, 1779},
         "",
         1,
         {5, 300, 1, 1, 0, 1, 19},
         "612 x 1008 pts",
         "index image"},
        {"JPEG",
         {1784, 1774, 1781},
         "",
         0,
         {8, 1200, 1, 1, 4, 0, 19},
         "842 x 1191 pts (A3)",
         "rgb jpeg"},
        {"256 colours on 2000",
         {1783},
         "",
         0,
         {1, 600, 1, 1, 0, 1, 19},
         "612 x 792 pts (letter)",
         "index image"},
        {"A3 default compression",
         {1774, 1778},
         "",
         1,
         {8, 150, 1, 1, 0, 0, 19},
         "842 x 1191 pts (A3)",
         "rgb image"},
    };
    const std::string pdf = Pdf("out");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case starts from an empty profile; the first row shows the choices it opens with.
        p::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Varnholt\\Tessaly\\Options");
        tessaly::testing::PresentWindows(2, 5, c.minor);
        auto steps = [&](Dialog& d) {
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
        if (!c.watermark.empty()) {
            EXPECT_EQ(std::tuple(std::string(s.extra.szWatermark),
                                 std::string(s.extra.szWatermarkFont), s.extra.lWatermarkSize,
                                 s.extra.lWatermarkAngle, s.extra.lWatermarkColor,
                                 s.extra.lWatermarkX, s.extra.lWatermarkY, s.extra.lWatermarkOnTop),
                      std::tuple(c.watermark, std::string("Arial"), 30L, 450L, 0xFF0000L, 100L,
                                 -100L, 1L));
        }
        // PrintPDF leaves the PDF printer the default, where the program's job goes.
        EXPECT_EQ(Default(), kPdfPrinterName);
        EXPECT_EQ(Run(Click(IDCANCEL), [&] { return job.DoPrint(FALSE); }), TRUE);
        EXPECT_EQ(job.dpi, c.stored[1]);
        auto info = ReadInfo(pdf);
        EXPECT_EQ(info["Pages"] + ", " + info["Page size"] + ", " + info["Creator"],
                  "2, " + std::string(c.size) + ", Tessaly PDF printer, " +
                      std::to_string(c.stored[1]) + " dpi");
        EXPECT_EQ(embedded(pdf), c.stored[3] ? "yes" : "no");
        EXPECT_EQ(column({"pdfimages", "-list", pdf},
                         R"(\n\s*\d+\s+\d+\s+image\s+\d+\s+\d+\s+(\S+)\s+\d+\s+\d+\s+(\S+))"),
                  c.picture);
        for (const Page& page : ReadPages(pdf))
            EXPECT_EQ(letters(page).find("CONFIDENTIAL") != std::string::npos,
                      !c.watermark.empty());
        // The closing step restores the former default.
        Run(Click(IDCANCEL), [&] { return javaAfterPDFPrint(const_cast<char*>(pdf.c_str())), 0; });
        EXPECT_EQ(opened, std::vector<int>{332});
        EXPECT_EQ(Default(), kFormer);
    }
    job.picture->Release();
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
        const std::string pdf = Pdf("saved");
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
