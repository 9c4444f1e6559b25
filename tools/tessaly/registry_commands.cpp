// tessaly reg: the registry store of the prefix at the shell (REGEDIT4 import and export,
// query, set, delete). Names and data are UTF-8 at the shell, the code page in the store.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "commands.h"
#include "platform/errors.h"
#include "platform/registry.h"
#include "shell.h"

namespace tessaly::cli {

namespace {

namespace reg = tessaly::platform;

const char* const kCommand = "reg";

// A failure of the registry, with the system's text for its code.
[[noreturn]] void Fail(const std::string& what, LONG code = 0) {
    std::string text = what;
    if (code) {
        std::string system = reg::SystemErrorText(DWORD(code));
        while (!system.empty() && (system.back() == '\n' || system.back() == '\r'))
            system.pop_back();
        text += ": " + (system.empty() ? "error " + std::to_string(code) : system);
    }
    cli::Fail(kCommand, text);
}

std::string Ansi(const std::string& utf8) {
    return ToAnsi(kCommand, utf8);
}

void SplitKey(const std::string& full, HKEY& root, std::string& subKey) {
    if (!reg::SplitFullKeyName(Ansi(full), root, subKey))
        Fail("unknown root key in \"" + full +
             "\" (use HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, "
             "HKEY_CLASSES_ROOT or HKLM, HKCU, HKCR)");
}

const char* TypeName(DWORD type) {
    switch (type) {
    case REG_NONE:
        return "REG_NONE";
    case REG_SZ:
        return "REG_SZ";
    case REG_EXPAND_SZ:
        return "REG_EXPAND_SZ";
    case REG_BINARY:
        return "REG_BINARY";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    default:
        return nullptr;
    }
}

// The value as a person reads it: text up to its zero, a number in hex, bytes in hex,
// the strings of a list joined by \0.
std::string Show(DWORD type, const std::string& data) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) return FromAnsi(data.substr(0, data.find('\0')));
    if (type == REG_DWORD && data.size() == 4) {
        DWORD n = 0;
        std::memcpy(&n, data.data(), 4);
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%x", n);
        return buf;
    }
    if (type == REG_MULTI_SZ) {
        std::string out;
        size_t start = 0;
        while (start < data.size()) {
            size_t end = data.find('\0', start);
            if (end == std::string::npos) end = data.size();
            if (end == start) break;
            if (!out.empty()) out += "\\0";
            out += FromAnsi(data.substr(start, end - start));
            start = end + 1;
        }
        return out;
    }
    std::string out;
    char buf[4];
    for (unsigned char c : data) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
    }
    return out;
}

void PrintValue(const std::string& name, DWORD type, const std::string& data) {
    std::string typeName;
    if (const char* t = TypeName(type)) {
        typeName = t;
    } else {
        char buf[24];
        std::snprintf(buf, sizeof buf, "REG_0x%x", type);
        typeName = buf;
    }
    std::cout << "    " << (name.empty() ? "(Default)" : FromAnsi(name)) << "    " << typeName
              << "    " << Show(type, data) << "\n";
}

class OpenedKey {
  public:
    OpenedKey(HKEY root, const std::string& subKey, REGSAM access, const std::string& full) {
        if (LONG rc = reg::RegOpenKeyExA(root, subKey.c_str(), 0, access, &h); rc != 0)
            Fail("cannot open " + full, rc);
    }
    ~OpenedKey() { reg::RegCloseKey(h); }
    HKEY h = nullptr;
};

void Query(const std::string& full, const std::vector<std::string>& valueArg, bool defaultValue) {
    HKEY root;
    std::string subKey;
    SplitKey(full, root, subKey);
    OpenedKey key(root, subKey, reg::KEY_READ, full);
    if (!valueArg.empty() || defaultValue) {
        std::string name = defaultValue ? "" : Ansi(valueArg.front());
        DWORD type = 0, size = 0;
        LONG rc = reg::RegQueryValueExA(key.h, name.c_str(), nullptr, &type, nullptr, &size);
        std::string data(size, '\0');
        if (rc == 0)
            rc = reg::RegQueryValueExA(key.h, name.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(data.data()), &size);
        if (rc != 0) Fail("cannot read value \"" + valueArg.front() + "\" of " + full, rc);
        data.resize(size);
        std::cout << full << "\n";
        PrintValue(name, type, data);
        return;
    }
    DWORD maxName = 0, maxData = 0, maxSubKey = 0;
    if (LONG rc = reg::RegQueryInfoKeyA(key.h, nullptr, nullptr, nullptr, nullptr, &maxSubKey,
                                        nullptr, nullptr, &maxName, &maxData, nullptr, nullptr);
        rc != 0)
        Fail("cannot read " + full, rc);
    std::cout << full << "\n";
    std::vector<char> name(maxName + 1);
    std::string data;
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = DWORD(name.size()), type = 0, dataSize = maxData;
        data.assign(maxData + 1, '\0');
        LONG rc = reg::RegEnumValueA(key.h, i, name.data(), &nameSize, nullptr, &type,
                                     reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (rc == 259) break;
        if (rc != 0) Fail("cannot read the values of " + full, rc);
        PrintValue(std::string(name.data(), nameSize), type, data.substr(0, dataSize));
    }
    std::vector<char> subName(maxSubKey + 1);
    bool first = true;
    for (DWORD i = 0;; ++i) {
        DWORD size = DWORD(subName.size());
        LONG rc =
            reg::RegEnumKeyExA(key.h, i, subName.data(), &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == 259) break;
        if (rc != 0) Fail("cannot read the subkeys of " + full, rc);
        if (first) std::cout << "\n";
        first = false;
        std::cout << full << "\\" << FromAnsi(std::string(subName.data(), size)) << "\n";
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// DATA as the bytes of a value of the given type (strings with their terminating zero).
std::string Encode(const std::string& type, const std::string& text, DWORD& regType) {
    if (type == "sz" || type == "expand_sz") {
        regType = type == "sz" ? REG_SZ : REG_EXPAND_SZ;
        return Ansi(text) + '\0';
    }
    if (type == "dword") {
        regType = REG_DWORD;
        char* end = nullptr;
        errno = 0;
        unsigned long long n = std::strtoull(text.c_str(), &end, 0);
        if (text.empty() || *end || errno || n > 0xFFFFFFFFull || text[0] == '-')
            Fail("\"" + text + "\" is not a 32-bit number");
        DWORD d = DWORD(n);
        return std::string(reinterpret_cast<const char*>(&d), 4);
    }
    if (type == "binary") {
        regType = REG_BINARY;
        std::string digits;
        for (char c : text)
            if (c != ',' && c != ' ' && c != ':') digits += c;
        if (digits.size() % 2) Fail("binary data needs pairs of hex digits");
        std::string bytes;
        for (size_t i = 0; i < digits.size(); i += 2) {
            int hi = HexValue(digits[i]), lo = HexValue(digits[i + 1]);
            if (hi < 0 || lo < 0) Fail("\"" + text + "\" is not hex data");
            bytes += char(hi * 16 + lo);
        }
        return bytes;
    }
    // multi_sz: the strings separated by \0 in DATA.
    regType = REG_MULTI_SZ;
    std::string bytes;
    size_t start = 0;
    while (start <= text.size()) {
        size_t sep = text.find("\\0", start);
        std::string item = text.substr(start, sep == std::string::npos ? sep : sep - start);
        if (!item.empty()) bytes += Ansi(item) + '\0';
        if (sep == std::string::npos) break;
        start = sep + 2;
    }
    return bytes + '\0';
}

// Writes the file through a temporary one beside it, renamed over it only when every byte
// was written: a failed export leaves no cut-off file.
void WriteWhole(const std::string& path, const std::string& text) {
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) Fail("cannot write " + path + ": " + std::strerror(errno));
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    const int error = done < text.size() ? errno : 0;
    if (close(fd) != 0 || error || std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int reason = error ? error : errno;
        unlink(temporary.c_str());
        Fail("cannot write " + path + ": " + std::strerror(reason));
    }
    // mkstemp makes the file for its owner only; an export is an ordinary file.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(path.c_str(), 0666 & ~mask);
}

} // namespace

void addRegistryCommands(CLI::App& app) {
    CLI::App* regCmd = app.add_subcommand("reg", "Read and change the registry of the prefix");
    regCmd->require_subcommand(1);

    auto* importCmd = regCmd->add_subcommand(
        "import", "Merge a REGEDIT4 file (code page text; - reads UTF-8 standard input)");
    static std::string importFile;
    importCmd->add_option("FILE", importFile, "the .reg file, or - for standard input")->required();
    importCmd->callback([] {
        std::string message;
        LONG rc = 0;
        if (importFile == "-") {
            std::string text{std::istreambuf_iterator<char>(std::cin), {}};
            rc = reg::RegImportText(Ansi(text), message);
        } else {
            rc = reg::RegImportFile(importFile, message);
        }
        if (rc != 0)
            Fail("cannot import " + importFile + (message.empty() ? "" : " (" + message + ")"), rc);
    });

    auto* exportCmd = regCmd->add_subcommand(
        "export", "Write a key and everything below it as REGEDIT4 text (code page text in "
                  "FILE, UTF-8 on standard output)");
    static std::string exportKey, exportFile;
    exportCmd->add_option("KEY", exportKey, "the key, as HKEY_CURRENT_USER\\Software\\...")
        ->required();
    exportCmd->add_option("FILE", exportFile, "the file to write; - or none: standard output");
    exportCmd->callback([] {
        std::string text;
        if (LONG rc = reg::RegExportText(Ansi(exportKey), text); rc != 0)
            Fail("cannot export " + exportKey, rc);
        if (exportFile.empty() || exportFile == "-") {
            const std::string shown = FromAnsi(text);
            if (std::fwrite(shown.data(), 1, shown.size(), stdout) != shown.size() ||
                std::fflush(stdout) != 0)
                Fail(std::string("cannot write to standard output: ") + std::strerror(errno));
            return;
        }
        WriteWhole(exportFile, text);
    });

    auto* query = regCmd->add_subcommand("query", "Show a key's values and subkeys, or one value");
    static std::string queryKey;
    static std::vector<std::string> queryValue;
    static bool queryDefault = false;
    query->add_option("KEY", queryKey, "the key")->required();
    query->add_option("VALUE", queryValue, "one value's name")->expected(0, 1);
    query->add_flag("--ve", queryDefault, "show the default (unnamed) value");
    query->callback([] { Query(queryKey, queryValue, queryDefault); });

    auto* set = regCmd->add_subcommand("set", "Store a value, creating the key when missing");
    static std::string setKey, setValue, setData, setType = "sz";
    set->add_option("KEY", setKey, "the key")->required();
    set->add_option("VALUE", setValue, "the value's name (\"\" for the default value)")->required();
    set->add_option("DATA", setData, "the data")->required();
    set->add_option("--type", setType, "sz, dword, expand_sz, binary or multi_sz")
        ->check(CLI::IsMember({"sz", "dword", "expand_sz", "binary", "multi_sz"}));
    set->callback([] {
        HKEY root;
        std::string subKey;
        SplitKey(setKey, root, subKey);
        const std::string name = Ansi(setValue); // refused before anything is made
        DWORD type = REG_SZ;
        std::string bytes = Encode(setType, setData, type);
        HKEY key = nullptr;
        if (LONG rc = reg::RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, 0, reg::KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr);
            rc != 0)
            Fail("cannot create " + setKey, rc);
        LONG rc =
            reg::RegSetValueExA(key, name.c_str(), 0, type,
                                reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
        reg::RegCloseKey(key);
        if (rc != 0) Fail("cannot set \"" + setValue + "\" in " + setKey, rc);
    });

    auto* del =
        regCmd->add_subcommand("delete", "Delete a key with everything below it, or one value");
    static std::string deleteKey;
    static std::vector<std::string> deleteValue;
    static bool deleteDefault = false;
    del->add_option("KEY", deleteKey, "the key")->required();
    del->add_option("VALUE", deleteValue, "one value's name")->expected(0, 1);
    del->add_flag("--ve", deleteDefault, "delete the default (unnamed) value");
    del->callback([] {
        HKEY root;
        std::string subKey;
        SplitKey(deleteKey, root, subKey);
        if (deleteValue.empty() && !deleteDefault) {
            if (subKey.find_first_not_of('\\') == std::string::npos)
                Fail("a whole root key cannot be deleted");
            if (LONG rc = reg::RegDeleteTreeA(root, subKey.c_str()); rc != 0)
                Fail("cannot delete " + deleteKey, rc);
            return;
        }
        OpenedKey key(root, subKey, reg::KEY_ALL_ACCESS, deleteKey);
        std::string name = deleteDefault ? "" : deleteValue.front();
        if (LONG rc = reg::RegDeleteValueA(key.h, Ansi(name).c_str()); rc != 0)
            Fail("cannot delete value \"" + name + "\" of " + deleteKey, rc);
    });
}

} // namespace tessaly::cli
