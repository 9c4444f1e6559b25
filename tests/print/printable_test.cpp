// The printable help dialogs: their look, what their print buttons put on paper (order, page
// breaks, margins), the print dialog's printers, and the runs that end without a document.
#include <tessaly/print.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <cctype>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "dialogs/choices_support.h"
#include "platform/printers.h"
#include "print/pdf_reading.h"
#include "print/print_support.h"

using namespace choices_test;
using namespace print_test;
namespace fs = std::filesystem;
using A = tessaly::automation::PrintSetupAnswer;

namespace {

constexpr double kMargin = 54; // three quarters of an inch, in points

class PrintableDialogs : public ScriptedDialogs {
  protected:
    // Prints dialog 159 after giving its texts 1501 to 1508 (empty: as the template has them).
    int PrintHelp(
        std::function<A()> answer, const std::vector<std::string>& texts = {},
        std::function<void()> beforePrint = [] {}) {
        tessaly::automation::SetPrintSetupHandler(answer);
        return Run(
            [&](Dialog& d) {
                for (size_t i = 0; i < texts.size(); ++i)
                    d.SetText(1501 + static_cast<int>(i), texts[i]);
                for (int id = 1501; id <= 1508; ++id)
                    shown.push_back(d.GetText(id));
                beforePrint();
                d.Click(1046);
                d.Click(IDOK);
            },
            ShowOutlookHelpDlg);
    }
    std::string Pdf(const std::string& name) { return prefix_.scratch() + "/" + name; }
    std::vector<std::string> shown;
};

// A paragraph whose every word carries its number: "p3w0 p3w1 ...".
std::string paragraph(int number, int words) {
    std::string text;
    for (int w = 0; w < words; ++w)
        text += (w ? " p" : "p") + std::to_string(number) + "w" + std::to_string(w);
    return text;
}

// The text without its blanks and line breaks.
std::string squeezed(std::string text) {
    std::erase_if(text, [](unsigned char c) { return std::isspace(c); });
    return text;
}

// The number of the paragraph a word belongs to, -1 for another word.
int paragraphOf(const std::string& word) {
    if (word.size() < 2 || word[0] != 'p') return -1;
    return std::atoi(word.c_str() + 1);
}

} // namespace

TEST_F(PrintableDialogs, PrintTheirTextsInOrderWithinTheMargins) {
    fs::create_directories(prefix_.scratch());
    // 159 itself, and 197 opened by 1058 and printed by 1059.
    const std::string help = Pdf("help.pdf"), install = Pdf("install.pdf");
    EXPECT_EQ(PrintHelp([&] { return A{A::PdfFile, help, {}}; }), IDOK);
    std::string expected;
    for (const std::string& text : shown)
        expected += (expected.empty() ? "" : " ") + text;
    tessaly::automation::SetPrintSetupHandler([&] { return A{A::PdfFile, install, {}}; });
    captions.clear();
    // Each checks the family's look (no caption bar, the pale yellow background inside the
    // rounded corner), presses its button (159: open 197; 197: print) and OK.
    auto script = [](int button) -> Script {
        return [button](Dialog& d) {
            const auto r = d.GetRect(0);
            EXPECT_FALSE(d.HasCaption());
            EXPECT_EQ(d.GetPixel(r.width - 7, r.height - 7), 0xCCFFFF);
            d.Click(button);
            d.Click(IDOK);
        };
    };
    EXPECT_EQ(Run(std::vector<Script>{script(1058), script(1059)}, ShowOutlookHelpDlg), IDOK);
    EXPECT_EQ(opened, (std::vector<int>{159, 197}));
    EXPECT_EQ(captions[1], "How to install Outlook Express");

    for (const auto& c : {std::pair{help, expected}, {install, "To install Outlook Express..."}}) {
        const std::vector<Page> pages = ReadPages(c.first);
        ASSERT_EQ(pages.size(), 1u) << c.first;
        EXPECT_EQ(squeezed(Text(pages[0])), squeezed(c.second));
        for (const Word& w : pages[0].words) {
            EXPECT_GE(w.xMin, kMargin - 1) << w.text;
            EXPECT_LE(w.xMax, pages[0].width - kMargin + 1) << w.text;
            EXPECT_GE(w.yMin, kMargin - 1) << w.text;
        }
        // The first line starts at the top margin.
        EXPECT_LT(pages[0].words.front().yMin, kMargin + 12);
    }
}

TEST_F(PrintableDialogs, TextsMoveWholeToTheNextPage) {
    fs::create_directories(prefix_.scratch());
    const struct {
        const char* name;
        std::vector<int> words; // words of each of the texts 1501..
        int oversized;          // the text taller than a page, -1 none
    } cases[] = {
        {"long texts", {150, 250, 220, 300, 180, 260, 120, 200}, -1},
        {"one text taller than a page", {40, 2600, 40}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> texts;
        for (size_t i = 0; i < c.words.size(); ++i)
            texts.push_back(paragraph(static_cast<int>(i), c.words[i]));
        texts.resize(8); // the template's texts left over print as nothing
        const std::string pdf = Pdf(std::string(c.name) + ".pdf");
        EXPECT_EQ(PrintHelp([&] { return A{A::PdfFile, pdf, {}}; }, texts), IDOK);
        const std::vector<Page> pages = ReadPages(pdf);
        ASSERT_GE(pages.size(), 2u);
        // Where each text lies: its first and last page, top, bottom and words printed.
        struct Placed {
            int first = -1, last = -1, count = 0;
            double top = 1e9, bottom = 0;
        };
        std::vector<Placed> at(c.words.size());
        for (int p = 0; p < int(pages.size()); ++p)
            for (const Word& w : pages[p].words) {
                const int n = paragraphOf(w.text);
                ASSERT_GE(n, 0) << w.text;
                Placed& t = at[n];
                t.first = t.first < 0 ? p : t.first;
                t.last = p;
                ++t.count;
                t.top = std::min(t.top, w.yMin);
                t.bottom = std::max(t.bottom, w.yMax);
                EXPECT_GE(w.yMin, kMargin - 1) << "page " << p;
                EXPECT_LE(w.yMax, pages[p].height - kMargin + 1) << "page " << p;
            }
        for (int n = 0; n < int(at.size()); ++n) {
            const Placed& t = at[n];
            EXPECT_EQ(t.first, t.last) << "text " << n << " split";
            EXPECT_EQ(t.count < c.words[n], n == c.oversized) << "text " << n;
            if (n == 0) continue;
            const Placed& before = at[n - 1];
            // In order; a text taller than a page has one of its own (with what fits).
            EXPECT_GE(t.first, before.last) << "text " << n;
            if (n == c.oversized || n - 1 == c.oversized) {
                EXPECT_EQ(t.first, before.last + 1) << "text " << n;
            } else if (t.first > before.last) {
                // It would not have fitted below the one before (its height here plus the
                // gap every text leaves).
                EXPECT_GT(before.bottom + (t.bottom - t.top), pages[0].height - kMargin - 20)
                    << "text " << n << " started a page early";
            }
        }
    }
}

TEST_F(PrintableDialogs, RunsThatPrintNothing) {
    tessaly::testing::WriteFile(prefix_.scratch() + "/plain", "not a folder");
    const std::string a = Pdf("a.pdf"), none = "No printer was chosen.",
                      failed = "Failed to start printing.";
    const std::tuple<const char*, A, bool, std::vector<std::string>> cases[] = {
        {"print dialog cancelled", A{A::Cancel, a, {}}, false, {}},
        {"file dialog cancelled", A{A::PdfFile, "", {}}, false, {}},
        {"no printer", A{A::NoDevice, a, {}}, false, {none}},
        {"unknown printer", A{A::Printer, a, "No Such Printer"}, false, {none}},
        {"folder that is a file", A{A::PdfFile, Pdf("plain/a.pdf"), {}}, false, {failed}},
        {"cancelled while printing", A{A::PdfFile, a, {}}, true, {}},
    };
    std::vector<std::string> texts;
    for (int i = 0; i < 8; ++i)
        texts.push_back(paragraph(i, 300));
    // The print dialog's answer, whether Cancel is pressed on the first page, the messages.
    for (const auto& [name, given, cancelOnFirstPage, shownMessages] : cases) {
        int cancelled = 0;
        auto answer = [&] {
            // Cancel is pressed in the status window while the first page is out; without a
            // screen (the offscreen platform here) the window is never shown.
            if (cancelOnFirstPage)
                QTimer::singleShot(0, [&] {
                    for (QWidget* w : QApplication::topLevelWidgets())
                        if (w->objectName() == "PrintingStatus" && !w->isVisible())
                            if (auto* b = w->findChild<QPushButton*>("Cancel")) {
                                b->click();
                                ++cancelled;
                            }
                });
            return given;
        };
        EXPECT_EQ(PrintHelp(answer, texts), IDOK) << name;
        EXPECT_EQ(messages, shownMessages) << name;
        EXPECT_EQ(cancelled, cancelOnFirstPage ? 1 : 0) << name;
        EXPECT_FALSE(fs::exists(given.pdfPath)) << name;
    }
}

// The print dialog driven through its widgets: the prefix's printers and the scheduler's, the
// default preselected; the PDF printer picked prints the range's pages into its set file.
TEST_F(PrintableDialogs, PrintDialogOffersEveryPrinterOfTheTable) {
    tessaly::testing::PrintServer cups;
    ASSERT_EQ(cups.failure + cups.AddQueue("Hall"), "");
    tessaly::testing::UseScheduler(cups.address);
    fs::create_directories(prefix_.scratch());
    const std::string pdf = Pdf("picked.pdf");
    tessaly::testing::Driver d; // the PDF printer writes that file, replacing it, unasked
    HANDLE h = d.entry<PDF_DRIVER_INIT>("DriverInit")(kPdfPrinterName);
    ASSERT_TRUE(h && d.entry<PDF_DRIVER_SET_TEXT>("SetDefaultFileName")(h, pdf.c_str()) &&
                d.entry<PDF_DRIVER_SET_LONG>("SetFileNameOptions")(h, 3) &&
                d.entry("DriverEnd")(h));
    ASSERT_TRUE(tessaly::platform::SetDefaultPrinterA("Hall"));
    // The pages asked for (0: all), and whether OK is pressed.
    for (const auto& [from, to, accept] : {std::tuple{0, 0, true}, {2, 3, true}, {0, 0, false}}) {
        fs::remove(pdf);
        std::string listed; // the printers, then the one preselected
        auto answer = [&] {
            QWidget* w = QApplication::activeModalWidget();
            auto* printers = w ? w->findChild<QComboBox*>("Printer") : nullptr;
            ASSERT_NE(printers, nullptr);
            for (int i = 0; i < printers->count(); ++i)
                listed += printers->itemText(i).toStdString() + ", ";
            listed += printers->currentText().toStdString();
            printers->setCurrentText(kPdfPrinterName);
            w->findChild<QRadioButton*>("SomePages")->setChecked(from != 0);
            w->findChild<QSpinBox*>("FromPage")->setValue(from);
            w->findChild<QSpinBox*>("ToPage")->setValue(to);
            w->findChild<QPushButton*>(accept ? "OK" : "Cancel")->click();
        };
        EXPECT_EQ(PrintHelp(nullptr, std::vector<std::string>(8, paragraph(0, 300)),
                            [&] { QTimer::singleShot(0, answer); }),
                  IDOK);
        EXPECT_EQ(listed, std::string(kPdfPrinterName) + ", Hall, Hall");
        ASSERT_EQ(fs::exists(pdf), accept);
        if (!accept) continue;
        EXPECT_EQ(ReadInfo(pdf)["Creator"].rfind("Tessaly PDF printer, ", 0), 0u);
        // The range's pages, counted from the first text on, or all of them.
        const size_t pages = ReadPages(pdf).size();
        EXPECT_TRUE(from ? pages == size_t(to - from + 1) : pages > 2) << pages;
    }
}
