// Registry files: reading REGEDIT4 and version 5 text into the store in one transaction, and
// writing a key out as REGEDIT4.
//
// The reader follows the system's registry editor line by line (docs/registry.md has the
// grammar) and takes the whole text before changing anything, so a file with a fault changes
// nothing. What the editor's syntax cannot hold (line breaks in names) the writer puts in
// escapes of this library's own, which the reader accepts.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string_view>

#include "platform/codepage.h"
#include "platform/registry.h"
#include "platform/registry_store.h"

namespace tessaly::platform {

namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

struct Operation {
    enum Kind { DeleteKey, OpenKey, SetValue, DeleteValue };
    explicit Operation(Kind k) : kind(k) {}
    Kind kind;
    HKEY root = nullptr;
    std::string subKey;
    std::string name;
    DWORD type = 0;
    std::string data;
    // Made before the transaction: folding may read the code page from the registry.
    std::vector<regstore::PathPart> parts;
    std::string folded;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// UTF-16LE bytes to UTF-8; false when they are not UTF-16.
bool utf16ToUtf8(std::string_view bytes, std::string& out) {
    if (bytes.size() % 2) return false;
    std::u16string wide(bytes.size() / 2, u'\0');
    std::memcpy(wide.data(), bytes.data(), bytes.size());
    out.clear();
    if (wide.empty()) return true;
    int n = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const WCHAR*>(wide.data()),
                                int(wide.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return false;
    out.resize(size_t(n));
    WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const WCHAR*>(wide.data()), int(wide.size()),
                        out.data(), n, nullptr, nullptr);
    return true;
}

// UTF-16 text to the ANSI code page. A character the code page cannot hold is not replaced:
// the conversion fails and names it (U+XXXXX) in bad.
bool wideToAnsi(const std::u16string& wide, std::string& out, std::string& bad) {
    out.clear();
    if (wide.empty()) return true;
    const auto* w = reinterpret_cast<const WCHAR*>(wide.data());
    int n = WideCharToMultiByte(CP_ACP, 0, w, int(wide.size()), nullptr, 0, nullptr, nullptr);
    out.resize(size_t(n > 0 ? n : 0));
    BOOL used = FALSE;
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, w, int(wide.size()), out.data(), n, nullptr, &used);
    if (n > 0 && !used) return true;
    for (size_t i = 0; i < wide.size(); ++i) {
        used = FALSE;
        char one[8];
        size_t width = i + 1 < wide.size() && wide[i] >= 0xD800 && wide[i] < 0xDC00 ? 2 : 1;
        WideCharToMultiByte(CP_ACP, 0, w + i, int(width), one, sizeof one, nullptr, &used);
        if (used) {
            char32_t cp = width == 2 ? 0x10000 + ((wide[i] - 0xD800) << 10) + (wide[i + 1] - 0xDC00)
                                     : wide[i];
            char name[16];
            std::snprintf(name, sizeof name, "U+%04X", unsigned(cp));
            bad = name;
            return false;
        }
        i += width - 1;
    }
    bad = "?";
    return false;
}

class Parser {
  public:
    explicit Parser(std::string_view text) : t_(text) {}

    bool Parse(std::vector<Operation>& ops) {
        if (t_.substr(0, 2) == "\xFF\xFE") {
            if (!utf16ToUtf8(t_.substr(2), utf8_)) return Fail("the text is not UTF-16");
            t_ = utf8_;
            utf8Text_ = true;
        }
        if (t_.substr(0, 3) == "\xEF\xBB\xBF") t_.remove_prefix(3);
        std::string_view header;
        do {
            if (!NextLine(header)) return Fail("the text is not a registry file");
        } while (Trim(header).empty());
        header = Trim(header);
        if (header == kHeader5) {
            utf8Text_ = wideHex_ = true;
        } else if (header != kHeader4) {
            return Fail("the text does not begin with REGEDIT4 or " + std::string(kHeader5));
        }
        bool haveKey = false, deletedKey = false;
        std::string_view line;
        while (NextLine(line)) {
            size_t start = 0;
            while (start < line.size() && isBlank(line[start]))
                ++start;
            line.remove_prefix(start);
            if (line.empty() || line[0] == ';' || line[0] == '#') continue;
            if (line[0] == '[') {
                Operation op(Operation::OpenKey);
                if (!KeyLine(line, op)) return false;
                haveKey = true;
                deletedKey = op.kind == Operation::DeleteKey;
                ops.push_back(std::move(op));
            } else if (line[0] == '"' || line[0] == '@') {
                if (!haveKey) return Fail("a value before any key");
                Operation op(Operation::SetValue);
                if (!ValueLine(line, op)) return false;
                // Values under a deleted key are not stored, as the system's editor does.
                if (!deletedKey) ops.push_back(std::move(op));
            } else {
                return Fail("unexpected text");
            }
        }
        return true;
    }

    const std::string& message() const { return message_; }

  private:
    std::string_view t_;
    std::string utf8_;      // the text, when it came as UTF-16
    bool utf8Text_ = false; // names and strings are UTF-8 (version 5 files)
    bool wideHex_ = false;  // string types given as hex are UTF-16LE (version 5 files)
    size_t pos_ = 0;
    size_t line_ = 0;
    std::string message_;

    bool Fail(const std::string& what) {
        message_ = "line " + std::to_string(line_ ? line_ : 1) + ": " + what;
        return false;
    }

    static std::string_view Trim(std::string_view s) {
        while (!s.empty() && isBlank(s.front()))
            s.remove_prefix(1);
        while (!s.empty() && isBlank(s.back()))
            s.remove_suffix(1);
        return s;
    }

    // The next line without its end (CR LF, LF or CR).
    bool NextLine(std::string_view& line) {
        if (pos_ >= t_.size()) return false;
        size_t end = t_.find_first_of("\r\n", pos_);
        if (end == std::string_view::npos) end = t_.size();
        line = t_.substr(pos_, end - pos_);
        pos_ = end;
        if (pos_ < t_.size() && t_[pos_] == '\r') ++pos_;
        if (end < t_.size() && t_[end] == '\r' && pos_ < t_.size() && t_[pos_] == '\n') ++pos_;
        if (end < t_.size() && t_[end] == '\n') ++pos_;
        ++line_;
        return true;
    }

    // Only blanks and a comment may follow the data.
    bool EndOfLine(std::string_view rest) {
        rest = Trim(rest);
        if (!rest.empty() && rest[0] != ';') return Fail("unexpected text after the value");
        return true;
    }

    // Names and strings of version 5 files, into the code page the store holds.
    bool ToAnsi(std::string& s) {
        if (!utf8Text_ || isAscii(s)) return true;
        int n =
            MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), int(s.size()), nullptr, 0);
        if (n <= 0) return Fail("text that is not UTF-8");
        std::u16string wide(size_t(n), u'\0');
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), int(s.size()),
                            reinterpret_cast<WCHAR*>(wide.data()), n);
        return WideToAnsiChecked(wide, s);
    }

    bool WideToAnsiChecked(const std::u16string& wide, std::string& out) {
        std::string bad;
        if (!wideToAnsi(wide, out, bad))
            return Fail("character " + bad + " has no place in code page " +
                        std::to_string(GetACP()));
        return true;
    }

    // A quoted string at s[0] == '"', unescaping \\ and \" (and, in names and quoted key
    // lines, \r and \n); rest receives what follows the closing quote.
    bool Quoted(std::string_view s, std::string& out, std::string_view& rest, bool lineBreaks) {
        for (size_t i = 1; i < s.size(); ++i) {
            char c = s[i];
            if (c == '"') {
                rest = s.substr(i + 1);
                return true;
            }
            if (c == '\\') {
                char next = i + 1 < s.size() ? s[++i] : '\0';
                if (next == '\\' || next == '"')
                    c = next;
                else if (lineBreaks && next == 'n')
                    c = '\n';
                else if (lineBreaks && next == 'r')
                    c = '\r';
                else
                    return Fail("an unknown escape in a quoted string");
            }
            out += c;
        }
        return Fail("a quoted string without its closing quote");
    }

    bool KeyLine(std::string_view line, Operation& op) {
        std::string_view inner = line.substr(1);
        bool remove = !inner.empty() && inner[0] == '-';
        if (remove) inner.remove_prefix(1);
        std::string full;
        if (!inner.empty() && inner[0] == '"') {
            // This library's form for key names holding line breaks.
            std::string_view rest;
            if (!Quoted(inner, full, rest, true)) return false;
            if (rest.empty() || rest[0] != ']' || !Trim(rest.substr(1)).empty())
                return Fail("a key line without ]");
        } else {
            size_t close = inner.rfind(']');
            if (close == std::string_view::npos || !Trim(inner.substr(close + 1)).empty())
                return Fail("a key line without ]");
            full = inner.substr(0, close);
        }
        if (!ToAnsi(full)) return false;
        op.kind = remove ? Operation::DeleteKey : Operation::OpenKey;
        if (!SplitFullKeyName(full, op.root, op.subKey))
            return Fail("unknown root key in [" + full + "]");
        if (remove && op.subKey.find_first_not_of('\\') == std::string::npos)
            return Fail("a whole root key cannot be deleted");
        return true;
    }

    bool ValueLine(std::string_view line, Operation& op) {
        std::string_view rest;
        if (line[0] == '@') {
            rest = line.substr(1);
        } else {
            if (!Quoted(line, op.name, rest, true) || !ToAnsi(op.name)) return false;
        }
        rest = Trim(rest);
        if (rest.empty() || rest[0] != '=') return Fail("= expected");
        rest = Trim(rest.substr(1));
        if (!rest.empty() && rest[0] == '"') {
            op.type = REG_SZ;
            if (!Quoted(rest, op.data, rest, false) || !ToAnsi(op.data)) return false;
            op.data += '\0';
            return EndOfLine(rest);
        }
        if (!rest.empty() && rest[0] == '-') {
            op.kind = Operation::DeleteValue;
            return EndOfLine(rest.substr(1));
        }
        if (rest.substr(0, 6) == "dword:") {
            rest.remove_prefix(6);
            size_t digits = 0;
            DWORD n = 0;
            while (digits < rest.size() && hexDigit(rest[digits]) >= 0)
                n = n * 16 + DWORD(hexDigit(rest[digits++]));
            if (digits == 0 || digits > 8) return Fail("a dword needs 1 to 8 hex digits");
            op.type = REG_DWORD;
            for (int i = 0; i < 4; ++i)
                op.data += char((n >> (8 * i)) & 0xFF);
            return EndOfLine(rest.substr(digits));
        }
        if (rest.substr(0, 3) != "hex") return Fail("unknown value data");
        rest.remove_prefix(3);
        op.type = REG_BINARY;
        if (!rest.empty() && rest[0] == '(') {
            size_t close = rest.find(')');
            std::string_view digits =
                close == std::string_view::npos ? std::string_view() : rest.substr(1, close - 1);
            if (digits.empty() || digits.size() > 8) return Fail("a bad hex(type)");
            DWORD n = 0;
            for (char d : digits) {
                if (hexDigit(d) < 0) return Fail("a bad hex(type)");
                n = n * 16 + DWORD(hexDigit(d));
            }
            op.type = n;
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest[0] != ':') return Fail(": expected after hex");
        if (!HexBytes(rest.substr(1), op.data)) return false;
        if (wideHex_ && (op.type == REG_SZ || op.type == REG_EXPAND_SZ || op.type == REG_MULTI_SZ))
            return WideHexToAnsi(op.data);
        return true;
    }

    // Bytes of one or two hex digits separated by commas; a backslash right after a comma
    // continues the list on the next line that is not blank or a comment.
    bool HexBytes(std::string_view s, std::string& out) {
        size_t i = 0;
        auto skipBlanks = [&] {
            while (i < s.size() && isBlank(s[i]))
                ++i;
        };
        skipBlanks();
        if (i == s.size() || s[i] == ';') return true; // no data
        while (true) {
            skipBlanks();
            int high = i < s.size() ? hexDigit(s[i]) : -1;
            if (high < 0) return Fail("a hex byte expected");
            int value = high;
            if (++i < s.size() && hexDigit(s[i]) >= 0) value = value * 16 + hexDigit(s[i++]);
            out += char(value);
            skipBlanks();
            if (i == s.size() || s[i] == ';') return true;
            if (s[i] != ',') return Fail("a comma expected between hex bytes");
            ++i;
            skipBlanks();
            if (i < s.size() && s[i] == '\\') {
                if (!EndOfLine(s.substr(i + 1))) return false;
                std::string_view next;
                do {
                    if (!NextLine(next)) return Fail("the hex data end in a continuation");
                    next = Trim(next);
                } while (next.empty() || next[0] == ';' || next[0] == '#');
                s = next;
                i = 0;
            }
        }
    }

    bool WideHexToAnsi(std::string& data) {
        if (data.size() % 2) return true; // not UTF-16: kept as given
        std::u16string wide(data.size() / 2, u'\0');
        std::memcpy(wide.data(), data.data(), data.size());
        return WideToAnsiChecked(wide, data);
    }
};

std::string valueLabel(const Operation& op) {
    if (op.kind == Operation::SetValue || op.kind == Operation::DeleteValue)
        return "value \"" + op.name + "\"";
    return "key " + op.subKey;
}

// Every operation in one writing transaction per hive: a process killed at any moment
// leaves all of a file's values or none.
LONG apply(std::vector<Operation>& ops, std::string& message) {
    using namespace regstore;
    const std::vector<PathPart> classes = {{"Software", "SOFTWARE"}, {"Classes", "CLASSES"}};
    for (Operation& op : ops) {
        LONG rc = ERROR_SUCCESS;
        if (op.kind == Operation::DeleteKey || op.kind == Operation::OpenKey) {
            rc = SplitPath(op.subKey.c_str(), op.parts);
            if (op.root == HKEY_CLASSES_ROOT)
                op.parts.insert(op.parts.begin(), classes.begin(), classes.end());
        } else {
            if (op.name.size() > kMaxValueName) rc = ERROR_INVALID_PARAMETER;
            op.folded = FoldName(op.name);
        }
        if (rc != ERROR_SUCCESS) {
            message = valueLabel(op) + ": error " + std::to_string(rc);
            return rc;
        }
    }

    std::lock_guard lock(RegistryMutex());
    Store* stores[2] = {nullptr, nullptr}; // machine, user
    std::unique_ptr<Transaction> transactions[2];
    for (const Operation& op : ops) {
        if (op.kind != Operation::DeleteKey && op.kind != Operation::OpenKey) continue;
        int hive = op.root == HKEY_CURRENT_USER ? 1 : 0;
        if (stores[hive]) continue;
        LONG rc = ERROR_SUCCESS;
        stores[hive] = Store::Open(hive ? Store::UserPath() : Store::MachinePath(), rc);
        if (!stores[hive]) {
            message = "the registry: error " + std::to_string(rc);
            return rc;
        }
    }
    for (int hive = 0; hive < 2; ++hive) {
        if (!stores[hive]) continue;
        transactions[hive] = std::make_unique<Transaction>(*stores[hive], true);
        if (LONG rc = transactions[hive]->status(); rc != ERROR_SUCCESS) {
            message = "the registry: error " + std::to_string(rc);
            return rc;
        }
    }

    Store* store = nullptr;
    std::int64_t current = 0;
    for (const Operation& op : ops) {
        LONG rc = ERROR_SUCCESS;
        switch (op.kind) {
        case Operation::DeleteKey: {
            store = stores[op.root == HKEY_CURRENT_USER ? 1 : 0];
            std::int64_t id = 0;
            rc = WalkPath(*store, kRootId, op.parts, false, id);
            if (rc == ERROR_SUCCESS) rc = DeleteTree(*store, id, true);
            if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
            current = 0;
            break;
        }
        case Operation::OpenKey:
            store = stores[op.root == HKEY_CURRENT_USER ? 1 : 0];
            rc = WalkPath(*store, kRootId, op.parts, true, current);
            break;
        case Operation::SetValue:
            rc = SetValue(*store, current, op.name, op.folded, op.type, op.data);
            break;
        case Operation::DeleteValue:
            rc = DeleteValue(*store, current, op.folded);
            if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
            break;
        }
        if (rc != ERROR_SUCCESS) {
            message = valueLabel(op) + ": error " + std::to_string(rc);
            return rc; // the transactions roll back
        }
    }
    // A file that writes to both hives is committed hive by hive (docs/registry.md).
    for (auto& t : transactions)
        if (t)
            if (LONG rc = t->Commit(); rc != ERROR_SUCCESS) {
                message = "the registry: error " + std::to_string(rc);
                return rc;
            }
    return ERROR_SUCCESS;
}

// ---- writing ----

const char* rootName(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    return "HKEY_CLASSES_ROOT";
}

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// A quoted name: \\ and \", and line breaks as \r and \n (this library's escapes: the
// editor's syntax has none for them).
void appendQuoted(std::string& out, std::string_view s) {
    out += '"';
    for (char c : s) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    out += '"';
}

// A string the quoted form gives back exactly: one terminating zero, no other, and no line
// break (a quoted string ends with its line).
bool isPlainString(const regstore::ValueRecord& v) {
    return v.type == REG_SZ && !v.data.empty() && v.data.back() == '\0' &&
           v.data.find('\0') == v.data.size() - 1 && !hasLineBreak(v.data);
}

void writeValue(const regstore::ValueRecord& v, std::string& out) {
    size_t lineStart = out.size();
    if (v.name.empty())
        out += "@=";
    else {
        appendQuoted(out, v.name);
        out += '=';
    }
    if (isPlainString(v)) {
        appendQuoted(out, std::string_view(v.data).substr(0, v.data.size() - 1));
        out += "\r\n";
        return;
    }
    char buf[32];
    if (v.type == REG_DWORD && v.data.size() == 4) {
        DWORD n = 0;
        for (int i = 3; i >= 0; --i)
            n = (n << 8) | static_cast<unsigned char>(v.data[i]);
        std::snprintf(buf, sizeof buf, "dword:%08x\r\n", n);
        out += buf;
        return;
    }
    if (v.type == REG_BINARY) {
        out += "hex:";
    } else {
        std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
        out += buf;
    }
    // Lines of at most 80 characters, continued with a backslash after a comma and indented
    // by two; the first byte always stays on the value's line.
    static const char digits[] = "0123456789abcdef";
    size_t column = out.size() - lineStart;
    for (size_t i = 0; i < v.data.size(); ++i) {
        bool last = i + 1 == v.data.size();
        size_t width = last ? 2 : 3;
        if (i > 0 && column + width > 77) {
            out += "\\\r\n  ";
            column = 2;
        }
        auto byte = static_cast<unsigned char>(v.data[i]);
        out += digits[byte >> 4];
        out += digits[byte & 15];
        if (!last) out += ',';
        column += width;
    }
    out += "\r\n";
}

void writeKey(const std::string& name, const regstore::TreeNode& node, std::string& out) {
    out += "\r\n[";
    if (hasLineBreak(name))
        appendQuoted(out, name);
    else
        out += name;
    out += "]\r\n";
    for (const auto& v : node.values)
        writeValue(v, out);
    for (const auto& child : node.children)
        writeKey(name + "\\" + child.name, child, out);
}

} // namespace

LONG RegImportText(const std::string& text, std::string& message) {
    message.clear();
    std::vector<Operation> ops;
    Parser parser(text);
    if (!parser.Parse(ops)) {
        message = parser.message();
        return ERROR_INVALID_DATA;
    }
    return apply(ops, message);
}

LONG RegImportText(const std::string& text) {
    std::string message;
    return RegImportText(text, message);
}

LONG RegImportFile(const std::string& posixPath, std::string& message) {
    std::ifstream in(posixPath, std::ios::binary);
    if (!in) {
        int err = errno;
        message = posixPath + ": " + std::strerror(err);
        return err == EACCES ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    }
    std::stringstream text;
    text << in.rdbuf();
    return RegImportText(text.str(), message);
}

LONG RegImportFile(const std::string& posixPath) {
    std::string message;
    return RegImportFile(posixPath, message);
}

LONG RegExportText(const std::string& fullKeyName, std::string& text) {
    HKEY root = nullptr;
    std::string subKey;
    if (!SplitFullKeyName(fullKeyName, root, subKey)) return ERROR_INVALID_PARAMETER;
    std::vector<std::string> path;
    regstore::TreeNode tree;
    if (LONG rc = regstore::ReadTree(root, subKey.c_str(), path, tree); rc != ERROR_SUCCESS)
        return rc;
    std::string name = rootName(root);
    for (const auto& part : path)
        name += "\\" + part;
    text = "REGEDIT4\r\n";
    writeKey(name, tree, text);
    text += "\r\n";
    return ERROR_SUCCESS;
}

} // namespace tessaly::platform
