// Printers and fax: the printer table (prefix printers and a private CUPS scheduler's queues),
// the default printer on the three Windows families, the device blocks handed to print
// dialogs, the modem strings, the fax dialogs driven as the user would, and the fax printer's
// set-up with a stand-in installer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <tessaly/automation.h>
#include <tessaly/messages.h>
#include <tessaly/printers.h>
#include <tessaly/wnd.h>

#include <QWidget>

#include "foundation/windows_version.h"
#include "platform/errors.h"
#include "platform/memory.h"
#include "platform/printers.h"
#include "platform/shell.h"
#include "print/print_support.h"
#include "support/environment.h"
#include "support/outside_programs.h"
#include "support/prefix.h"
#include "support/qt_app.h"
#include "support/run.h"
#include "support/xvfb.h"

namespace tessaly::testing {
namespace {

using namespace tessaly::platform;
namespace fs = std::filesystem;

const char kPdf[] = "PDF Compatible Printer Driver";

// A device mode with private bytes 1, 2, ... after it, the fields given set.
std::vector<BYTE> devModeWith(WORD extra, short orientation, short paper = 0, short dpi = 0) {
    std::vector<BYTE> bytes = DefaultDevMode("x");
    for (WORD i = 0; i < extra; ++i)
        bytes.push_back(BYTE(i + 1));
    auto* dm = reinterpret_cast<DEVMODEA*>(bytes.data());
    dm->dmDriverExtra = extra;
    dm->dmOrientation = orientation;
    dm->dmPaperSize = paper;
    dm->dmPrintQuality = dpi;
    dm->dmFields = DM_ORIENTATION | DM_PAPERSIZE | (dpi ? DM_PRINTQUALITY : 0);
    return bytes;
}

DEVMODEA* mode(std::vector<BYTE>& bytes) {
    return reinterpret_cast<DEVMODEA*>(bytes.data());
}

// The user's "Device" value and win.ini's [windows] device=, joined by "/".
std::string devices() {
    char text[300] = "";
    GetProfileStringA("windows", "device", "", text, sizeof text);
    return std::string(reg::Get(HKEY_CURRENT_USER, kWindowsKey, "Device").c_str()) + "/" + text;
}

// A top-level window noting the setting changes it is told of ("(none)" without a text).
struct SettingListener : QWidget {
    std::vector<std::string> told;
    bool event(QEvent* e) override {
        auto* m = dynamic_cast<CWndMessageEvent*>(e);
        if (!m || m->message() != WM_SETTINGCHANGE) return QWidget::event(e);
        told.push_back(m->lParam() ? reinterpret_cast<const char*>(m->lParam()) : "(none)");
        m->setResult(0);
        return true;
    }
};

class PrefixPrinters : public DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        UseScheduler(kNoScheduler);
        ASSERT_TRUE(AddPrefixPrinter(kPdf, "PDF Driver", "PDF:", devModeWith(8, 2)));
        ASSERT_TRUE(AddPrefixPrinter("Merrow Driver", "Merrow Fax", "FAX1:", {}));
    }
};

// Each family also tells the top-level windows, but not after a failed change.
TEST_F(PrefixPrinters, EachFamilyKeepsTheDefaultInItsOwnPlaceAndTellsTheWindows) {
    EnsureQtApplication();
    SettingListener window;
    window.show();
    const std::string pdf = kPdf, spooler = pdf + ",winspool,PDF:";
    // The family; the user's value and win.ini's the default is kept in; the texts told.
    const std::tuple<DWORD, DWORD, std::string, std::vector<std::string>> rows[] = {
        {1, 4, spooler + "/" + spooler, {"windows"}},
        {2, 5, spooler + "/" + spooler, {"(none)"}},
        {2, 4, "/" + pdf + ",PDF Driver,PDF:", {"(none)"}},
        {0, 3, "/", {}}}; // another platform: nothing done, success
    char buffer[64];
    unsigned long size = sizeof buffer;
    EXPECT_EQ(DPSetDefaultPrinter(nullptr), 0);
    for (const auto& [platformId, major, kept, told] : rows) {
        SCOPED_TRACE(std::to_string(platformId) + "." + std::to_string(major));
        reg::Put(HKEY_CURRENT_USER, kWindowsKey, "Device", REG_SZ, std::string(1, '\0'));
        WriteProfileStringA("windows", "device", nullptr);
        PresentWindows(platformId, major, 0);
        window.told.clear();
        ASSERT_EQ(DPSetDefaultPrinter(const_cast<char*>(kPdf)), 1);
        EXPECT_EQ(devices(), kept);
        std::strcpy(buffer, "keep");
        size = pdf.size(); // no room for the terminator
        EXPECT_EQ(DPGetDefaultPrinter(buffer, &size), platformId ? 0 : 1);
        EXPECT_EQ(size, platformId ? pdf.size() + 1 : pdf.size());
        size = sizeof buffer;
        EXPECT_EQ(DPGetDefaultPrinter(buffer, &size), 1);
        EXPECT_STREQ(buffer, platformId ? kPdf : "keep");
        EXPECT_EQ(DPSetDefaultPrinter(const_cast<char*>("Nowhere")), platformId ? 0 : 1);
        EXPECT_EQ(window.told, told);
    }
    // NT 4: the name before the first comma of another program's value; driver and port needed.
    PresentWindows(2, 4, 0);
    WriteProfileStringA("windows", "device", "Office Laser,HP Driver,LPT1:");
    ASSERT_EQ(DPGetDefaultPrinter(buffer, &size), 1);
    EXPECT_EQ(std::string(buffer) + "/" + std::to_string(size), "Office Laser/13");
    ASSERT_TRUE(AddPrefixPrinter("No Port", "Some Driver", "", {}));
    EXPECT_EQ(DPSetDefaultPrinter(const_cast<char*>("No Port")), 0);
}

// The blocks from the printer's level-2 information: device mode and extra bytes, the names.
TEST_F(PrefixPrinters, FindPrinterDeviceBlocksAndAPrinterThatVanishes) {
    for (auto [name, found] : {std::pair{"MERROW DRIVER", 1}, {"Merrow", 0}, {"", 0}})
        EXPECT_EQ(FindPrinter(CString(name)), found) << name;
    HGLOBAL names = nullptr, devMode = nullptr;
    ASSERT_EQ(
        GetPrinterDevice(const_cast<char*>("pdf compatible printer driver"), &names, &devMode), 1);
    const auto* extra = static_cast<const char*>(GlobalLock(devMode)) + 156;
    EXPECT_EQ(std::string(extra, GlobalSize(devMode) - 156), "\1\2\3\4\5\6\7\x08");
    const auto* dn = static_cast<const DEVNAMES*>(GlobalLock(names));
    const char* base = reinterpret_cast<const char*>(dn);
    EXPECT_EQ(
        std::vector<WORD>({dn->wDriverOffset, dn->wDeviceOffset, dn->wOutputOffset, dn->wDefault}),
        std::vector<WORD>({8, 8 + 11, 8 + 11 + 30, 0}));
    EXPECT_EQ(std::string(base + 8, GlobalSize(names) - 8),
              std::string("PDF Driver\0PDF Compatible Printer Driver\0PDF:", 46));
    GlobalFree(names);
    GlobalFree(devMode);
    names = devMode = nullptr;
    EXPECT_EQ(GetPrinterDevice(const_cast<char*>("Merrow Driver"), nullptr, &devMode), 0);
    EXPECT_EQ(GetPrinterDevice(const_cast<char*>("Nowhere"), &names, &devMode), 0);
    EXPECT_TRUE(names == nullptr && devMode == nullptr);
    // The default printer deleted while open: the next call fails, no default is reported.
    PresentWindows(2, 5, 0);
    HANDLE printer = nullptr;
    ASSERT_TRUE(DPSetDefaultPrinter(const_cast<char*>(kPdf)) &&
                OpenPrinterA(kPdf, &printer, nullptr));
    ASSERT_TRUE(DeletePrefixPrinter(kPdf));
    DWORD needed = 0;
    EXPECT_FALSE(GetPrinterA(printer, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PRINTER_NAME));
    EXPECT_TRUE(ClosePrinter(printer));
    EXPECT_FALSE(ClosePrinter(printer));
    char name[64];
    unsigned long size = sizeof name;
    EXPECT_EQ(DPGetDefaultPrinter(name, &size), 0);
}

// One scheduler for the test program (started on first use), with a letter queue and an A3 one.
class SchedulerPrinters : public DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        static const std::string failure =
            !server().failure.empty()
                ? server().failure
                : server().AddQueue("Office") +
                      server().AddQueue("Plans", {"-o", "media-default=iso_a3_297x420mm"});
        ASSERT_EQ(failure, "");
        UseScheduler(server().address);
        PresentWindows(2, 5, 1);
    }
    static PrintServer& server() {
        static PrintServer running;
        return running;
    }
    static std::string lpoptions(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "lpoptions");
        return RunProgram(arguments).out;
    }
};

TEST_F(SchedulerPrinters, QueuesJoinTheTableWithDriverPortAndSettings) {
    lpoptions({"-p", "Office", "-o", "media=Letter", "-o", "orientation-requested=4", "-o",
               "printer-resolution=600x300dpi"});
    // The queue, its paper, orientation and resolution across and down.
    for (auto [name, paper, orientation, xDpi, yDpi] :
         {std::tuple<const char*, short, short, short, short>{"Office", DMPAPER_LETTER,
                                                              DMORIENT_LANDSCAPE, 600, 300},
          {"plans", DMPAPER_A3, DMORIENT_PORTRAIT, 0, 0}}) {
        PrinterEntry entry;
        ASSERT_TRUE(LookupPrinter(name, entry)) << name;
        EXPECT_EQ(entry.driver + "|" + entry.port,
                  "Local Raw Printer|file://" + server().OutputOf(entry.name));
        const auto* dm = mode(entry.devMode);
        EXPECT_EQ(std::vector<short>(
                      {dm->dmPaperSize, dm->dmOrientation, dm->dmPrintQuality, dm->dmYResolution}),
                  std::vector<short>({paper, orientation, xDpi, yDpi}));
    }
    // A prefix printer comes first and hides a queue of the same name.
    ASSERT_TRUE(AddPrefixPrinter("Office", "Prefix Driver", "LPT1:", {}));
    std::vector<std::string> table;
    for (const PrinterEntry& e : ListPrinters())
        table.push_back(e.name + "|" + e.driver);
    EXPECT_EQ(table, (std::vector<std::string>{"Office|Prefix Driver", "Plans|Local Raw Printer"}));
}

TEST_F(SchedulerPrinters, TheDefaultAndTheSettingsReachTheUsersCupsOptions) {
    ASSERT_EQ(DPSetDefaultPrinter(const_cast<char*>("Office")), 1);
    EXPECT_NE(RunProgram({"lpstat", "-d"}).out.find("destination: Office"), std::string::npos);
    EXPECT_EQ(devices(), "Office,winspool,file://" + server().OutputOf("Office") + "/Office," +
                             "winspool,file://" + server().OutputOf("Office"));
    // Without a Device value the user's CUPS default counts.
    reg::Put(HKEY_CURRENT_USER, kWindowsKey, "Device", REG_SZ, std::string(1, '\0'));
    lpoptions({"-d", "Plans"});
    char buffer[64];
    unsigned long size = sizeof buffer;
    ASSERT_EQ(DPGetDefaultPrinter(buffer, &size), 1);
    EXPECT_STREQ(buffer, "Plans");
    std::vector<BYTE> in = devModeWith(0, DMORIENT_LANDSCAPE, DMPAPER_LEGAL, 300);
    ASSERT_EQ(
        DocumentPropertiesA(nullptr, nullptr, "Plans", nullptr, mode(in), DM_IN_BUFFER | DM_UPDATE),
        1);
    const std::string options = lpoptions({"-p", "Plans"});
    for (const char* option :
         {"media=na_legal_8.5x14in", "orientation-requested=4", "printer-resolution=300dpi"})
        EXPECT_NE(options.find(option), std::string::npos) << option << " in " << options;
}

const char* const kOptions = "Software\\Varnholt\\Tessaly2001\\Options";

class FaxTest : public OutsideProgramTest {
  protected:
    void SetUp() override {
        OutsideProgramTest::SetUp();
        UseScheduler(kNoScheduler);
        automation::SetMessageBoxHandler([this](const automation::MessageBoxInfo& box) {
            seen.push_back(box.text);
            return IDOK;
        });
    }
    void TearDown() override {
        automation::SetMessageBoxHandler(nullptr);
        OutsideProgramTest::TearDown();
    }
    std::string storedCustom() {
        return reg::Get(HKEY_CURRENT_USER, kOptions, "Fax Custom Init String").c_str();
    }
};

TEST_F(FaxTest, ModemStringsFollowTheTypeAndTheStoredCustomString) {
    EXPECT_EQ(std::string(GetFaxInitString(7)), "");
    PutRegText(HKEY_CURRENT_USER, kOptions, "Fax Custom Init String", "ATZ&K3");
    std::string strings; // types -1 to 8
    for (int type = -1; type <= 8; ++type)
        strings += std::string(GetFaxInitString(type)) + "|";
    EXPECT_EQ(strings, "|AT&FE0V1&C1&D2S0=0|AT&F1E0V1&C1&D2S0=0|AT&F1&H3&I2&R2E0V1&C1&D2S0=0|"
                       "AT&FE0V1&C1&D2&K4S0=0|AT&FE0V1&C1&D2&E5S0=0|AT&FE0V1&C1&D2&E4&E11S0=0|"
                       "AT&FE0V1&C1&D2/Q1S0=0|ATZ&K3||");
}

TEST_F(FaxTest, DialogsEndWithTheButtonPressedAndOpenHelpControlPanelAndDownloads) {
    Associate(".chm", "chm.file", "helpviewer");
    WriteFile(install + "/Merrow.chm", "help");
    const std::string bin = prefix_.scratch() + "/bin";
    fs::create_directories(bin);
    Recorder(bin + "/Control.exe", "control");
    ScopedEnv path("PATH", bin + ":" + std::getenv("PATH"));
    auto diagnostics = [] { return ShowFaxModemDiagnosticsDlg(0, "Diag.chm"); };
    auto error = [] { return ShowFaxErrorDlg(23018, "Merrow.chm"); };
    // What is shown and the buttons clicked, the result, the dialog and the programs started.
    for (const auto& [show, clicks, result, dialog, runs] :
         {std::tuple<std::function<int()>, std::deque<int>, int, std::string, Strings>{
              ShowFaxSuccessfulDlg, {IDCANCEL}, 2, "23016", {}},
          {ShowFaxNeedFiles,
           {IDOK},
           1,
           "23014",
           {"run browser", "arg https://www.varnholt.com/download/faxdriver.htm"}},
          {error, {1008, IDOK}, 1, "23018", {"run helpviewer", "arg C:\\Orvo\\Merrow.chm"}},
          {diagnostics, {603, IDCANCEL}, 2, "23030", {"run control"}},
          {diagnostics, {1234, IDCANCEL}, 2, "23030", {"run control", "arg modem.CPL"}}}) {
        Expect(clicks);
        EXPECT_EQ(show(), result) << dialog;
        EXPECT_TRUE(Seen({dialog}));
        EXPECT_EQ(RunsAfter(runs.size()), runs);
    }
    EXPECT_EQ(ShowFaxErrorDlg(4242, "fax.chm"), -1) << "a template that does not exist";
}

TEST_F(FaxTest, TheInitStringDialogEnablesTheFieldForTheCustomTypeAndStoresIt) {
    PutRegText(HKEY_CURRENT_USER, kOptions, "Fax Custom Init String", "ATOLD");
    // Type in, text typed, clicks, the field's state, way out, type out: opened with 7 the field
    // is on and the text kept; another type chosen stores nothing; Cancel hands the type out.
    for (const auto& [typeIn, typed, clicks, enabled, end, typeOut] :
         {std::tuple<int, std::string, std::vector<int>, bool, int, int>{
              7, "ATNEW&K4", {}, true, IDOK, 7},
          {7, "ATX", {1167}, false, IDOK, 3},
          {2, "", {1778, 1775}, false, IDCANCEL, 4}}) {
        automation::SetDialogHandler([&](automation::Dialog& d) {
            EXPECT_EQ(d.Caption(), "Change modem configuration string....");
            EXPECT_EQ(d.IsEnabled(1770), typeIn == 7);
            EXPECT_EQ(d.GetText(1770), storedCustom());
            if (!typed.empty()) d.SetText(1770, typed);
            for (int id : clicks)
                d.Click(id);
            EXPECT_EQ(d.IsEnabled(1770), enabled);
            d.Click(end);
        });
        int type = typeIn;
        EXPECT_EQ(ShowFaxInitStringDlg(type), end) << typeIn;
        EXPECT_EQ(type, typeOut);
        EXPECT_EQ(storedCustom(), "ATNEW&K4");
    }
}

TEST_F(FaxTest, SettingUpTheFaxDriverMakesItDefaultOrRunsTheInstaller) {
    PresentWindows(2, 5, 1);
    const std::string installLog = prefix_.scratch() + "/install.log";
    ScopedEnv logEnv("FAX_INSTALL_LOG", installLog);
    const std::string notice =
        "I will install fax driver for you. After finished, please try again.";
    // The file put in place before the call, the result, the dialogs and messages seen, and the
    // installer's arguments: without the installer its dialog; without the fax program its short
    // path fails, the error, an empty path; once installed made default, the installer not run.
    for (const auto& [adds, result, shown, arguments] :
         {std::tuple<std::string, int, Strings, Strings>{"", 0, {"23014"}, {}},
          {"FaxPrinters/faxinstall.exe",
           0,
           {notice, "Error: 2"},
           {"arg Merrow", "arg Merrow Driver"}},
          {"Merrow.exe",
           0,
           {notice},
           {"arg Merrow", "arg C:\\Orvo\\Merrow.exe", "arg Merrow Driver"}},
          {"", 1, {}, {}}}) {
        fs::create_directories(install + "/FaxPrinters");
        if (adds == "Merrow.exe") WriteFile(install + "/Merrow.exe", "");
        if (adds.starts_with("Fax")) fs::copy_file(FAX_INSTALLER, install + "/" + adds);
        if (result == 0) platform::DeletePrefixPrinter("Merrow Driver");
        fs::remove(installLog);
        Expect({IDCANCEL});
        EXPECT_EQ(OnSetFaxDriver(), result);
        EXPECT_EQ(seen, shown);
        EXPECT_EQ(RunsAfter(arguments.size(), installLog), arguments);
        for (int i = 0; i < 100 && !arguments.empty() && !FindPrinter("Merrow Driver"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    char name[64] = "";
    unsigned long size = sizeof name;
    EXPECT_TRUE(DPGetDefaultPrinter(name, &size) && name == std::string("Merrow Driver")) << name;
}

} // namespace
} // namespace tessaly::testing
