// The fax dialogs driven as the user would, the modem strings and their custom string, and the
// fax printer's set-up with a stand-in installer.
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <tessaly/automation.h>
#include <tessaly/printers.h>
#include <tessaly/wnd.h>

#include "foundation/windows_version.h"
#include "platform/printers.h"
#include "support/environment.h"
#include "support/outside_programs.h"
#include "support/print_server.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;
const char* const kOptions = "Software\\Varnholt\\Tessaly2001\\Options";

class FaxTest : public OutsideProgramTest {
  protected:
    void SetUp() override {
        OutsideProgramTest::SetUp();
        UseCupsServer(kNoScheduler);
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
    // The type in, the buttons clicked, the text typed, the field's state, the way out and the
    // type out: opened with 7 the field is on and the text kept; another type stores nothing;
    // Cancel also hands the type out.
    for (const auto& [typeIn, clicks, typed, enabled, end, typeOut] :
         {std::tuple<int, std::vector<int>, std::string, bool, int, int>{
              7, {}, "ATNEW&K4", true, IDOK, 7},
          {0, {1167}, "", false, IDOK, 3},
          {2, {1778, 1775}, "", false, IDCANCEL, 4}}) {
        automation::SetDialogHandler([&](automation::Dialog& d) {
            EXPECT_EQ(d.Caption(), "Change modem configuration string....");
            EXPECT_EQ(d.IsEnabled(1770), typeIn == 7);
            EXPECT_EQ(d.GetText(1770), storedCustom());
            for (int id : clicks)
                d.Click(id);
            if (!typed.empty()) d.SetText(1770, typed);
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
    char name[64];
    unsigned long size = sizeof name;
    ASSERT_EQ(DPGetDefaultPrinter(name, &size), 1);
    EXPECT_STREQ(name, "Merrow Driver");
}

} // namespace
} // namespace tessaly::testing
