// The library exports exactly its interface: every function promised is there, under a
// plain name where promised, and nothing else leaks out of the hidden implementation.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string kLibrary = std::string(TESSALY_BUILD_DIR) + "/lib/libTessaly.so";
const std::string kExpected = std::string(TESSALY_SOURCE_DIR) + "/tests/exports/interface.txt";

// Framework classes and helpers whose members are part of the interface as a whole.
const std::array<std::string, 31> kFrameworkPrefixes = {"CString::",
                                                        "COleDateTime::",
                                                        "COleDateTimeSpan::",
                                                        "CComVariant::",
                                                        "CWnd::",
                                                        "CDialog::",
                                                        "CEdit::",
                                                        "CButton::",
                                                        "CComboBox::",
                                                        "CListBox::",
                                                        "CRichEditCtrl::",
                                                        "CListCtrl::",
                                                        "CTreeCtrl::",
                                                        "CSpinButtonCtrl::",
                                                        "CToolBarCtrl::",
                                                        "CCriticalSection::",
                                                        "CActiveXControl::",
                                                        "CDTPicker::",
                                                        "CFolderView::",
                                                        "CDataExchange::",
                                                        "CGdiObject::",
                                                        "CPen::",
                                                        "CBrush::",
                                                        "CFont::",
                                                        "CDC::",
                                                        "CPrintableDlg::",
                                                        "tessaly::automation::",
                                                        "typeinfo for ",
                                                        "typeinfo name for ",
                                                        "vtable for ",
                                                        "guard variable for "};
// What every shared object exports: the linker's section marks and the standard library's
// template instances, which carry default visibility from its headers.
const std::array<std::string, 5> kToolchainPrefixes = {"__bss_start", "_edata", "_end",
                                                       "std::", "void std::"};

std::vector<std::string> run(const std::string& command) {
    std::vector<std::string> lines;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return lines;
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, pipe)) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        lines.push_back(line);
    }
    pclose(pipe);
    return lines;
}

// Defined dynamic symbols: "name" per line (the third column of nm's output).
std::set<std::string> exportedSymbols(bool demangle) {
    std::set<std::string> names;
    for (const std::string& line :
         run("nm -D --defined-only " + std::string(demangle ? "-C " : "") + kLibrary)) {
        size_t first = line.find(' ');
        size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
        if (second != std::string::npos) names.insert(line.substr(second + 1));
    }
    return names;
}

bool isFrameworkSymbol(const std::string& name) {
    for (const std::string& prefix : kFrameworkPrefixes)
        if (name.rfind(prefix, 0) == 0) return true;
    for (const std::string& prefix : kToolchainPrefixes)
        if (name.rfind(prefix, 0) == 0) return true;
    return false;
}

struct Expected {
    std::set<std::string> decorated; // demangled C++ signatures
    std::set<std::string> plain;     // extern "C" names
};

Expected readExpected() {
    Expected e;
    std::ifstream in(kExpected);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line.rfind("plain ", 0) == 0)
            e.plain.insert(line.substr(6));
        else
            e.decorated.insert(line);
    }
    return e;
}

} // namespace

TEST(Exports, EveryPromisedFunctionIsExportedUnderItsName) {
    Expected expected = readExpected();
    ASSERT_GT(expected.decorated.size() + expected.plain.size(), 100u) << kExpected;
    std::set<std::string> demangled = exportedSymbols(true);
    std::set<std::string> raw = exportedSymbols(false);
    ASSERT_FALSE(raw.empty()) << "nm found nothing in " << kLibrary;
    for (const std::string& name : expected.plain)
        EXPECT_TRUE(raw.count(name)) << "missing plain export: " << name;
    for (const std::string& signature : expected.decorated)
        EXPECT_TRUE(demangled.count(signature)) << "missing export: " << signature;
}

TEST(Exports, NothingElseIsExported) {
    Expected expected = readExpected();
    for (const std::string& name : exportedSymbols(true)) {
        if (isFrameworkSymbol(name)) continue;
        EXPECT_TRUE(expected.decorated.count(name) || expected.plain.count(name))
            << "exported by accident: " << name;
    }
}
