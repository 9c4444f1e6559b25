// The fax dialogs driven as the user would, the modem strings and their custom string, the
// fax printer's set-up with a stand-in installer, and the broadcast a default change sends.
#include <QWidget>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <tessaly/automation.h>
#include <tessaly/messages.h>
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
    PutRegText(HKEY_CURRENT_USER, kOptions, "Fax Custom Init String", "ATZ&K3");
    const std::pair<int, std::string> rows[] = {
        {0, "AT&FE0V1&C1&D2S0=0"}, {6, "AT&FE0V1&C1&D2/Q1S0=0"}, {7, "ATZ&K3"}, {8, ""}, {-1, ""}};
    for (const auto& [type, text] : rows)
        EXPECT_EQ(std::string(GetFaxInitString(type)), text) << type;
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
    const Strings download = {"run browser", "arg https://www.varnholt.com/download/faxdriver.htm"};
    const struct {
        std::function<int()> show;
        std::deque<int> clicks;
        int result;
        std::string dialog;
        Strings runs;
    } rows[] = {
        {ShowFaxSuccessfulDlg, {IDCANCEL}, 2, "23016", {}},
        {ShowFaxNeedFiles, {IDOK}, 1, "23014", download},
        {error, {1008, IDOK}, 1, "23018", {"run helpviewer", "arg C:\\Orvo\\Merrow.chm"}},
        {diagnostics, {603, IDCANCEL}, 2, "23030", {"run control"}},
        {diagnostics, {1234, IDCANCEL}, 2, "23030", {"run control", "arg modem.CPL"}},
    };
    for (const auto& row : rows) {
        Expect(row.clicks);
        EXPECT_EQ(row.show(), row.result) << row.dialog;
        EXPECT_TRUE(Seen({row.dialog}));
        EXPECT_EQ(RunsAfter(row.runs.size()), row.runs);
    }
    EXPECT_EQ(ShowFaxErrorDlg(4242, "fax.chm"), -1) << "a template that does not exist";
}

TEST_F(FaxTest, TheInitStringDialogEnablesTheFieldForTheCustomTypeAndStoresIt) {
    PutRegText(HKEY_CURRENT_USER, kOptions, "Fax Custom Init String", "ATOLD");
    const struct {
        int typeIn;
        std::vector<int> clicks; // then the text typed, the field's state, and the way out
        std::string typed;
        bool enabled;
        int end, typeOut;
    } rows[] = {
        {7, {}, "ATNEW&K4", true, IDOK, 7},        // opened with 7: field on, text kept
        {0, {1167}, "", false, IDOK, 3},           // another type: nothing stored
        {2, {1778, 1775}, "", false, IDCANCEL, 4}, // Cancel also hands the type out
    };
    for (const auto& row : rows) {
        automation::SetDialogHandler([&](automation::Dialog& d) {
            EXPECT_EQ(d.Caption(), "Change modem configuration string....");
            EXPECT_EQ(d.IsEnabled(1770), row.typeIn == 7);
            EXPECT_EQ(d.GetText(1770), storedCustom());
            for (int id : row.clicks)
                d.Click(id);
            if (!row.typed.empty()) d.SetText(1770, row.typed);
            EXPECT_EQ(d.IsEnabled(1770), row.enabled);
            d.Click(row.end);
        });
        int type = row.typeIn;
        EXPECT_EQ(ShowFaxInitStringDlg(type), row.end) << row.typeIn;
        EXPECT_EQ(type, row.typeOut) << row.typeIn;
        EXPECT_EQ(storedCustom(), "ATNEW&K4") << row.typeIn;
    }
}

TEST_F(FaxTest, SettingUpTheFaxDriverMakesItDefaultOrRunsTheInstaller) {
    PresentWindows(2, 5, 1);
    const std::string installLog = prefix_.scratch() + "/install.log";
    ScopedEnv logEnv("FAX_INSTALL_LOG", installLog);
    const std::string notice =
        "I will install fax driver for you. After finished, please try again.";
    const struct {
        const char* adds; // the file put in place before the call
        int result;
        Strings seen, arguments; // the dialogs and messages; the installer's arguments
    } rows[] = {
        {nullptr, 0, {"23014"}, {}}, // no installer: the driver files dialog
        // The fax program missing: its short path fails, the error, an empty path.
        {"FaxPrinters/faxinstall.exe",
         0,
         {notice, "Error: 2"},
         {"arg Merrow", "arg Merrow Driver"}},
        {"Merrow.exe",
         0,
         {notice},
         {"arg Merrow", "arg C:\\Orvo\\Merrow.exe", "arg Merrow Driver"}},
        {nullptr, 1, {}, {}}, // installed: made default, the installer not run again
    };
    for (const auto& row : rows) {
        const std::string adds = row.adds ? row.adds : "";
        if (adds == "Merrow.exe") WriteFile(install + "/Merrow.exe", "");
        if (adds.starts_with("FaxPrinters/")) {
            fs::create_directories(install + "/FaxPrinters");
            fs::copy_file(FAX_INSTALLER, install + "/" + adds);
        }
        if (row.result == 0 && FindPrinter("Merrow Driver"))
            platform::DeletePrefixPrinter("Merrow Driver");
        fs::remove(installLog);
        Expect({IDCANCEL});
        EXPECT_EQ(OnSetFaxDriver(), row.result);
        EXPECT_EQ(seen, row.seen);
        EXPECT_EQ(RunsAfter(row.arguments.size(), installLog), row.arguments);
        for (int i = 0; i < 100 && !row.arguments.empty() && !FindPrinter("Merrow Driver"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    char name[64];
    unsigned long size = sizeof name;
    ASSERT_EQ(DPGetDefaultPrinter(name, &size), 1);
    EXPECT_STREQ(name, "Merrow Driver");
}

// A top-level window noting the setting changes it is told about.
struct SettingListener : QWidget {
    Strings sections;
    bool event(QEvent* e) override {
        auto* m = e->type() == CWndMessageEvent::EventType() ? static_cast<CWndMessageEvent*>(e)
                                                             : nullptr;
        if (!m || m->message() != WM_SETTINGCHANGE) return QWidget::event(e);
        const char* text = reinterpret_cast<const char*>(m->lParam());
        sections.push_back(text ? text : "(none)");
        m->setResult(0);
        return true;
    }
};

TEST_F(FaxTest, ChangingTheDefaultTellsTheTopLevelWindows) {
    ASSERT_TRUE(platform::AddPrefixPrinter("Merrow Driver", "Merrow Fax", "FAX1:", {}));
    SettingListener window;
    window.show();
    // The family, the printer made default, and the texts the window is told.
    const std::tuple<DWORD, DWORD, std::string, Strings> rows[] = {
        {1, 4, "Merrow Driver", {"windows"}},
        {2, 5, "Merrow Driver", {"(none)"}},
        {2, 5, "Nowhere", {}}};
    for (auto [platformId, major, name, sections] : rows) {
        PresentWindows(platformId, major, 0);
        window.sections.clear();
        DPSetDefaultPrinter(name.data());
        EXPECT_EQ(window.sections, sections) << platformId << "." << major << " " << name;
    }
}

} // namespace
} // namespace tessaly::testing
