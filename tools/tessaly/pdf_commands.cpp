// tessaly pdf TEXTFILE OUT.pdf [...]: a text file printed through the PDF printer and the
// framework's print path.
#include <tessaly/pdf_driver.h>
#include <tessaly/print.h>
#include <tessaly/printers.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "platform/module.h"
#include "shell.h"

namespace tessaly::cli {

namespace {

// The text's lines, as many to a page as fit.
class TextDocument : public CPrintJob {
  public:
    explicit TextDocument(std::vector<std::string> lines) : lines_(std::move(lines)) {}
    int pages = 0;

  protected:
    void OnPrint(CDC* dc, CPrintInfo* info) override {
        ++pages;
        const int margin = dc->GetDeviceCaps(LOGPIXELSY) / 2;
        TEXTMETRICA metrics;
        dc->GetTextMetrics(&metrics);
        const int step = metrics.tmHeight + metrics.tmExternalLeading;
        int y = margin;
        while (next_ < lines_.size() && y + step <= info->m_rectDraw.bottom - margin) {
            RECT box{margin, y, info->m_rectDraw.right - margin, y + step};
            dc->DrawText(lines_[next_++].c_str(), -1, &box, DT_SINGLELINE | DT_NOPREFIX);
            y += step;
        }
        info->m_bContinuePrinting = next_ < lines_.size();
    }

  private:
    std::vector<std::string> lines_;
    size_t next_ = 0;
};

struct PdfArgs {
    std::string text, out, paper = "letter", watermark;
    bool landscape = false, noEmbed = false;
    int resolution = 600;
};

void printPdf(const PdfArgs& a) {
    static const std::map<std::string, LONG> papers = {{"letter", DMPAPER_LETTER},
                                                       {"legal", DMPAPER_LEGAL},
                                                       {"a4", DMPAPER_A4},
                                                       {"a3", DMPAPER_A3}};
    if (!papers.count(a.paper)) Fail("pdf", "unknown paper \"" + a.paper + "\"");
    std::ifstream in(a.text);
    if (!in) Fail("pdf", "cannot read " + a.text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(ToAnsi("pdf", line));
    const std::string out = std::filesystem::absolute(a.out).string();

    HMODULE module = platform::LoadLibraryA("CDIntf.dll");
    if (!module) Fail("pdf", "the PDF printer's driver library is missing");
    auto entry = [module](const char* name) { return platform::GetProcAddress(module, name); };
    auto init = reinterpret_cast<PDF_DRIVER_INIT>(entry("DriverInit"));
    auto set = [&](const char* name, HANDLE h, LONG value) {
        reinterpret_cast<PDF_DRIVER_SET_LONG>(entry(name))(h, value);
    };
    HANDLE h = init ? init(kPdfPrinterName) : nullptr;
    if (!h) Fail("pdf", "the PDF printer is not available");
    char former[256] = "";
    unsigned long size = sizeof former;
    if (!DPGetDefaultPrinter(former, &size)) former[0] = '\0';
    set("SetPaperSize", h, papers.at(a.paper));
    set("SetResolution", h, a.resolution);
    set("SetOrientation", h, a.landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
    set("SetFontEmbedding", h, a.noEmbed ? 0 : 1);
    if (!a.watermark.empty())
        reinterpret_cast<PDF_DRIVER_SET_WATERMARK>(entry("SetWatermark"))(
            h, ToAnsi("pdf", a.watermark).c_str(), "Arial", 30, 450, 0xFF0000, 100, -100, 1);
    reinterpret_cast<PDF_DRIVER_CALL>(entry("SetDefaultConfig"))(h);
    reinterpret_cast<PDF_DRIVER_CALL>(entry("SetDefaultPrinter"))(h);
    reinterpret_cast<PDF_DRIVER_SET_TEXT>(entry("SetDefaultFileName"))(h, out.c_str());
    set("SetFileNameOptions", h,
        3 + (a.noEmbed ? 0 : int(PDF_FILENAME_EMBED_FONTS)) +
            (a.watermark.empty() ? 0 : int(PDF_FILENAME_WATERMARK)));
    reinterpret_cast<PDF_DRIVER_CALL>(entry("DriverEnd"))(h);
    platform::FreeLibrary(module);

    TextDocument document(lines);
    const BOOL printed = document.DoPrint(FALSE, a.text.c_str());
    // The former default printer comes back whatever happened.
    if (former[0]) DPSetDefaultPrinter(former);
    if (!printed) Fail("pdf", "printing " + a.out + " failed");
    std::cout << a.out << ": " << document.pages << " page(s)\n";
}

} // namespace

void addPdfCommand(CLI::App& app) {
    auto args = std::make_shared<PdfArgs>();
    CLI::App* pdf = app.add_subcommand("pdf", "Print a text file through the PDF printer");
    pdf->add_option("TEXTFILE", args->text)->required();
    pdf->add_option("OUT", args->out)->required();
    pdf->add_option("--paper", args->paper, "letter, legal, a4 or a3");
    pdf->add_flag("--landscape", args->landscape);
    pdf->add_option("--resolution", args->resolution, "dots per inch");
    pdf->add_option("--watermark", args->watermark, "text on every page");
    pdf->add_flag("--no-embed", args->noEmbed, "leave the fonts out");
    pdf->callback([args] { printPdf(*args); });
}

} // namespace tessaly::cli
