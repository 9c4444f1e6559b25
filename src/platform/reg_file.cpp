// REGEDIT4 text: reading a .reg file into the store and writing a key out as one.
//
// The reader takes the whole text before changing anything, so a file with a fault
// changes nothing. Quoted strings may run over line breaks (the writer puts a string's
// line breaks into the text as they are); hex data continue over lines ending in a
// backslash. "name"="text" stores the text with its terminating zero, as the system's
// editor does; the writer therefore shows as hex(1) a string stored without one, so that
// reading back what was written gives the same bytes.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/registry.h"
#include "platform/registry_store.h"

namespace tessaly::platform {

namespace {

struct Operation {
    enum Kind { DeleteKey, OpenKey, SetValue, DeleteValue };
    explicit Operation(Kind k) : kind(k) {}
    Kind kind;
    HKEY root = nullptr;
    std::string subKey;
    std::string name;
    DWORD type = 0;
    std::string data;
};

class Parser {
  public:
    explicit Parser(const std::string& text) : t_(text) {}

    bool Parse(std::vector<Operation>& ops) {
        if (t_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;
        SkipBlank();
        size_t headerStart = pos_;
        std::string header = RestOfLine();
        if (Trim(header) != "REGEDIT4")
            return Fail("the text does not begin with REGEDIT4", headerStart);
        bool haveKey = false, deletedKey = false;
        while (true) {
            SkipBlank();
            if (pos_ >= t_.size()) return true;
            char c = t_[pos_];
            if (c == ';') {
                RestOfLine();
            } else if (c == '[') {
                size_t start = pos_;
                std::string line = Trim(RestOfLine());
                size_t close = line.rfind(']');
                if (close == std::string::npos) return Fail("a key line without ]", start);
                bool remove = line.size() > 1 && line[1] == '-';
                std::string full = line.substr(remove ? 2 : 1, close - (remove ? 2 : 1));
                Operation op(remove ? Operation::DeleteKey : Operation::OpenKey);
                if (!SplitFullKeyName(full, op.root, op.subKey))
                    return Fail("unknown root key in [" + full + "]", start);
                if (remove && op.subKey.find_first_not_of('\\') == std::string::npos)
                    return Fail("a whole root key cannot be deleted", start);
                haveKey = true;
                deletedKey = remove;
                ops.push_back(std::move(op));
            } else if (c == '"' || c == '@') {
                size_t start = pos_;
                Operation op(Operation::SetValue);
                if (c == '@') {
                    ++pos_;
                } else if (!QuotedString(op.name)) {
                    return Fail("a value name without its closing quote", start);
                }
                SkipSpaces();
                if (pos_ >= t_.size() || t_[pos_] != '=') return Fail("= expected", start);
                ++pos_;
                SkipSpaces();
                if (!haveKey) return Fail("a value before any key", start);
                if (!ValueData(op, start)) return false;
                // Values under a deleted key are not stored, as the system's editor does.
                if (!deletedKey) ops.push_back(std::move(op));
            } else {
                return Fail("unexpected text");
            }
        }
    }

    const std::string& message() const { return message_; }

  private:
    const std::string& t_;
    size_t pos_ = 0;
    std::string message_;

    bool Fail(const std::string& what, size_t at = std::string::npos) {
        if (at == std::string::npos) at = pos_;
        size_t line = 1;
        for (size_t i = 0; i < at && i < t_.size(); ++i)
            if (t_[i] == '\n' || (t_[i] == '\r' && (i + 1 >= t_.size() || t_[i + 1] != '\n')))
                ++line;
        message_ = "line " + std::to_string(line) + ": " + what;
        return false;
    }

    static std::string Trim(const std::string& s) {
        size_t b = s.find_first_not_of(" \t");
        if (b == std::string::npos) return std::string();
        size_t e = s.find_last_not_of(" \t");
        return s.substr(b, e - b + 1);
    }

    void SkipBlank() {
        while (pos_ < t_.size() && std::strchr(" \t\r\n", t_[pos_]) && t_[pos_])
            ++pos_;
    }
    void SkipSpaces() {
        while (pos_ < t_.size() && (t_[pos_] == ' ' || t_[pos_] == '\t'))
            ++pos_;
    }

    // The rest of the current line, without its line break (which is consumed).
    std::string RestOfLine() {
        size_t end = t_.find_first_of("\r\n", pos_);
        if (end == std::string::npos) end = t_.size();
        std::string line = t_.substr(pos_, end - pos_);
        pos_ = end;
        if (pos_ < t_.size() && t_[pos_] == '\r') ++pos_;
        if (pos_ < t_.size() && t_[pos_] == '\n') ++pos_;
        return line;
    }

    // At an opening quote: reads to the closing one, undoing \\ and \".
    bool QuotedString(std::string& out) {
        ++pos_;
        while (pos_ < t_.size()) {
            char c = t_[pos_++];
            if (c == '"') return true;
            if (c == '\\' && pos_ < t_.size() && (t_[pos_] == '\\' || t_[pos_] == '"'))
                c = t_[pos_++];
            out += c;
        }
        return false;
    }

    bool EndOfLineOnly(size_t start) {
        std::string rest = Trim(RestOfLine());
        if (!rest.empty() && rest[0] != ';') return Fail("unexpected text after the value", start);
        return true;
    }

    static int HexDigit(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    bool ValueData(Operation& op, size_t start) {
        if (pos_ < t_.size() && t_[pos_] == '"') {
            op.type = REG_SZ;
            if (!QuotedString(op.data)) return Fail("a string without its closing quote", start);
            op.data += '\0';
            return EndOfLineOnly(start);
        }
        if (pos_ < t_.size() && t_[pos_] == '-') {
            ++pos_;
            op.kind = Operation::DeleteValue;
            return EndOfLineOnly(start);
        }
        if (t_.compare(pos_, 6, "dword:") == 0) {
            pos_ += 6;
            std::string digits = Trim(RestOfLine());
            if (digits.empty() || digits.size() > 8)
                return Fail("a dword needs 1 to 8 hex digits", start);
            DWORD n = 0;
            for (char d : digits) {
                if (HexDigit(d) < 0) return Fail("a dword needs 1 to 8 hex digits", start);
                n = n * 16 + DWORD(HexDigit(d));
            }
            op.type = REG_DWORD;
            for (int i = 0; i < 4; ++i)
                op.data += char((n >> (8 * i)) & 0xFF);
            return true;
        }
        if (t_.compare(pos_, 3, "hex") != 0) return Fail("unknown value data", start);
        pos_ += 3;
        op.type = REG_BINARY;
        if (pos_ < t_.size() && t_[pos_] == '(') {
            size_t close = t_.find(')', pos_);
            std::string digits =
                close == std::string::npos ? "" : t_.substr(pos_ + 1, close - pos_ - 1);
            if (digits.empty() || digits.size() > 8) return Fail("a bad hex(type)", start);
            DWORD n = 0;
            for (char d : digits) {
                if (HexDigit(d) < 0) return Fail("a bad hex(type)", start);
                n = n * 16 + DWORD(HexDigit(d));
            }
            op.type = n;
            pos_ = close + 1;
        }
        if (pos_ >= t_.size() || t_[pos_] != ':') return Fail(": expected after hex", start);
        ++pos_;
        // The bytes, over as many lines as end in a backslash.
        std::string list;
        while (true) {
            std::string line = Trim(RestOfLine());
            if (!line.empty() && line.back() == '\\') {
                line.pop_back();
                list += line;
                if (pos_ >= t_.size()) break;
                continue;
            }
            list += line;
            break;
        }
        std::stringstream items(list);
        std::string item;
        while (std::getline(items, item, ',')) {
            item = Trim(item);
            if (item.empty()) continue;
            if (item.size() > 2 || HexDigit(item[0]) < 0 ||
                (item.size() == 2 && HexDigit(item[1]) < 0))
                return Fail("a bad hex byte \"" + item + "\"", start);
            int v = HexDigit(item[0]);
            if (item.size() == 2) v = v * 16 + HexDigit(item[1]);
            op.data += char(v);
        }
        return true;
    }
};

LONG Apply(const std::vector<Operation>& ops, std::string& message) {
    HKEY current = nullptr;
    auto closeCurrent = [&] {
        if (current) RegCloseKey(current);
        current = nullptr;
    };
    for (const Operation& op : ops) {
        LONG rc = ERROR_SUCCESS;
        switch (op.kind) {
        case Operation::DeleteKey:
            closeCurrent();
            rc = RegDeleteTreeA(op.root, op.subKey.c_str());
            if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
            break;
        case Operation::OpenKey:
            closeCurrent();
            rc = RegCreateKeyExA(op.root, op.subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 &current, nullptr);
            if (rc != ERROR_SUCCESS) current = nullptr;
            break;
        case Operation::SetValue:
            rc = RegSetValueExA(current, op.name.c_str(), 0, op.type,
                                reinterpret_cast<const BYTE*>(op.data.data()),
                                DWORD(op.data.size()));
            break;
        case Operation::DeleteValue:
            rc = RegDeleteValueA(current, op.name.c_str());
            if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
            break;
        }
        if (rc != ERROR_SUCCESS) {
            message = (op.kind == Operation::SetValue || op.kind == Operation::DeleteValue
                           ? "value \"" + op.name + "\""
                           : "key " + op.subKey) +
                      ": error " + std::to_string(rc);
            closeCurrent();
            return rc;
        }
    }
    closeCurrent();
    return ERROR_SUCCESS;
}

// ---- writing ----

const char* RootName(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    return "HKEY_CLASSES_ROOT";
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + '"';
}

// A string the quoted form gives back exactly: one terminating zero and no other.
bool IsPlainString(const regstore::ValueRecord& v) {
    return v.type == REG_SZ && !v.data.empty() && v.data.back() == '\0' &&
           v.data.find('\0') == v.data.size() - 1;
}

void WriteValue(const regstore::ValueRecord& v, std::string& out) {
    std::string line = v.name.empty() ? "@=" : Quote(v.name) + "=";
    if (IsPlainString(v)) {
        out += line + Quote(v.data.substr(0, v.data.size() - 1)) + "\r\n";
        return;
    }
    char buf[32];
    if (v.type == REG_DWORD && v.data.size() == 4) {
        DWORD n = 0;
        for (int i = 3; i >= 0; --i)
            n = (n << 8) | static_cast<unsigned char>(v.data[i]);
        std::snprintf(buf, sizeof buf, "dword:%08x\r\n", n);
        out += line + buf;
        return;
    }
    if (v.type == REG_BINARY) {
        line += "hex:";
    } else {
        std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
        line += buf;
    }
    // Lines of at most 80 characters, continued with a backslash and indented by two.
    size_t column = line.size();
    for (size_t i = 0; i < v.data.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x%s", static_cast<unsigned char>(v.data[i]),
                      i + 1 < v.data.size() ? "," : "");
        size_t width = std::strlen(buf);
        if (column + width > 77 && column > 2) {
            line += "\\\r\n  ";
            column = 2;
        }
        line += buf;
        column += width;
    }
    out += line + "\r\n";
}

void WriteKey(const std::string& name, const regstore::TreeNode& node, std::string& out) {
    out += "\r\n[" + name + "]\r\n";
    for (const auto& v : node.values)
        WriteValue(v, out);
    for (const auto& child : node.children)
        WriteKey(name + "\\" + child.name, child, out);
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
    return Apply(ops, message);
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
    std::string name = RootName(root);
    for (const auto& part : path)
        name += "\\" + part;
    text = "REGEDIT4\r\n";
    WriteKey(name, tree, text);
    text += "\r\n";
    return ERROR_SUCCESS;
}

} // namespace tessaly::platform
