#include "resource_files.h"

#include <iconv.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace tessaly::testing::res {
namespace {

constexpr std::uint16_t kStringType = 6;

class Cursor {
  public:
    Cursor(const std::vector<std::uint8_t>& data, std::size_t pos, std::size_t end,
           const std::string& what)
        : data_(data), pos_(pos), end_(end), what_(what) {
        if (end_ > data_.size()) Fail("runs past the end of the data");
    }

    std::uint16_t Word() {
        Need(2);
        std::uint16_t v = std::uint16_t(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    std::uint32_t Dword() {
        std::uint32_t lo = Word();
        return lo | std::uint32_t(Word()) << 16;
    }
    // A zero-terminated UTF-16 text.
    std::u16string Text() {
        std::u16string s;
        for (std::uint16_t c = Word(); c != 0; c = Word())
            s.push_back(char16_t(c));
        return s;
    }
    // A resource type or name: 0xFFFF and a number, or a text.
    ResId Id() {
        ResId id;
        Need(2);
        if (data_[pos_] == 0xFF && data_[pos_ + 1] == 0xFF) {
            pos_ += 2;
            id.number = Word();
        } else {
            id.numeric = false;
            id.text = Text();
        }
        return id;
    }
    std::vector<std::uint8_t> Bytes(std::size_t n) {
        Need(n);
        std::vector<std::uint8_t> b(data_.begin() + long(pos_), data_.begin() + long(pos_ + n));
        pos_ += n;
        return b;
    }
    // Aligns to 4 bytes counted from `base`.
    void Align(std::size_t base) {
        while ((pos_ - base) % 4 != 0 && pos_ < end_)
            ++pos_;
    }
    std::size_t pos() const { return pos_; }
    void Seek(std::size_t pos) {
        if (pos > end_) Fail("points past its end");
        pos_ = pos;
    }
    [[noreturn]] void Fail(const std::string& why) const {
        throw std::runtime_error(what_ + ": " + why + " at offset " + std::to_string(pos_));
    }

  private:
    void Need(std::size_t n) const {
        if (pos_ + n > end_) Fail("truncated");
    }

    const std::vector<std::uint8_t>& data_;
    std::size_t pos_;
    std::size_t end_;
    std::string what_;
};

VersionNode ParseNode(const std::vector<std::uint8_t>& data, std::size_t start, std::size_t limit) {
    Cursor c(data, start, limit, "version resource");
    std::uint16_t length = c.Word();
    std::size_t end = start + length;
    if (length < 6 || end > limit) c.Fail("node length " + std::to_string(length));
    Cursor n(data, c.pos(), end, "version resource");
    std::uint16_t valueLength = n.Word();
    VersionNode node;
    node.type = n.Word();
    node.key = n.Text();
    n.Align(0);
    // A text value counts its length in characters, a binary one in bytes.
    std::size_t valueBytes = node.type == 1 ? std::size_t(valueLength) * 2 : valueLength;
    if (n.pos() + valueBytes > end) valueBytes = end - n.pos();
    node.value = n.Bytes(valueBytes);
    n.Align(0);
    while (n.pos() + 6 <= end) {
        std::size_t childStart = n.pos();
        VersionNode child = ParseNode(data, childStart, end);
        std::size_t childLength = std::size_t(data[childStart] | data[childStart + 1] << 8);
        node.children.push_back(std::move(child));
        n.Seek(childStart + childLength);
        n.Align(0);
    }
    return node;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

} // namespace

std::vector<Resource> ReadResFile(const std::string& path) {
    std::string bytes = ReadWhole(path);
    std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    std::vector<Resource> resources;
    std::size_t pos = 0;
    bool first = true;
    while (pos < data.size()) {
        Cursor c(data, pos, data.size(), path);
        std::uint32_t dataSize = c.Dword();
        std::uint32_t headerSize = c.Dword();
        if (headerSize < 32 || pos + headerSize + dataSize > data.size())
            c.Fail("bad resource header sizes");
        Resource r;
        r.type = c.Id();
        r.name = c.Id();
        c.Align(0);
        c.Dword(); // data version
        c.Word();  // memory flags
        r.language = c.Word();
        c.Dword(); // version
        c.Dword(); // characteristics
        c.Seek(pos + headerSize);
        r.data = c.Bytes(dataSize);
        // The file starts with an empty entry that marks it as a 32-bit resource file.
        if (!(first && dataSize == 0)) resources.push_back(std::move(r));
        first = false;
        pos = pos + headerSize + dataSize;
        pos = (pos + 3) & ~std::size_t(3);
    }
    return resources;
}

std::vector<StringEntry> StringTableEntries(const std::vector<Resource>& resources) {
    std::vector<StringEntry> entries;
    for (const Resource& r : resources) {
        if (!r.type.numeric || r.type.number != kStringType) continue;
        if (!r.name.numeric || r.name.number == 0)
            throw std::runtime_error("string-table block without a block number");
        Cursor c(r.data, 0, r.data.size(), "string-table block " + std::to_string(r.name.number));
        // Block n holds the ids (n - 1) * 16 to (n - 1) * 16 + 15, each as a counted text.
        for (unsigned i = 0; i < 16; ++i) {
            std::uint16_t length = c.Word();
            std::u16string text;
            for (unsigned k = 0; k < length; ++k)
                text.push_back(char16_t(c.Word()));
            if (!text.empty())
                entries.push_back({(r.name.number - 1u) * 16u + i, r.language, std::move(text)});
        }
    }
    return entries;
}

const VersionNode* VersionNode::Child(const std::u16string& childKey) const {
    for (const VersionNode& child : children)
        if (child.key == childKey) return &child;
    return nullptr;
}

std::u16string VersionNode::Text() const {
    std::u16string s;
    for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
        char16_t c = char16_t(value[i] | value[i + 1] << 8);
        if (c == 0) break;
        s.push_back(c);
    }
    return s;
}

VersionNode ParseVersionInfo(const std::vector<std::uint8_t>& data) {
    return ParseNode(data, 0, data.size());
}

std::optional<std::string> ToCp1252(const std::u16string& text) {
    iconv_t cd = iconv_open("WINDOWS-1252", "UTF-16LE");
    if (cd == iconv_t(-1)) throw std::runtime_error("iconv cannot convert to WINDOWS-1252");
    std::string in;
    for (char16_t c : text) {
        in.push_back(char(c & 0xFF));
        in.push_back(char(c >> 8));
    }
    std::string out(text.size() * 2 + 4, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    // A character without a place in the code page is an error (EILSEQ) or, for iconv
    // implementations that substitute, a nonzero count of irreversible conversions.
    if (rc != 0 || inLeft != 0) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

std::string ToUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size())
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | c >> 6));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | c >> 12));
            out.push_back(char(0x80 | (c >> 6 & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | c >> 18));
            out.push_back(char(0x80 | (c >> 12 & 0x3F)));
            out.push_back(char(0x80 | (c >> 6 & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::map<std::string, unsigned> ReadDefines(const std::string& path) {
    std::istringstream in(ReadWhole(path));
    static const std::regex define(
        R"(^\s*#\s*define\s+([A-Za-z_]\w*)\s+(0[xX][0-9A-Fa-f]+|\d+)\s*(//.*)?$)");
    std::map<std::string, unsigned> names;
    std::string line;
    std::smatch m;
    while (std::getline(in, line))
        if (std::regex_match(line, m, define)) names[m[1]] = unsigned(std::stoul(m[2], nullptr, 0));
    return names;
}

std::vector<ScriptEntry> ReadScriptStringEntries(const std::string& path,
                                                 const std::map<std::string, unsigned>& names) {
    std::istringstream in(ReadWhole(path));
    static const std::regex keyword(R"(^\s*(\w+|\{|\}))");
    static const std::regex entry(R"(^\s*([A-Za-z_]\w*|0[xX][0-9A-Fa-f]+|\d+)\s*,?\s*L?".*$)");
    enum { Outside, Header, Inside } state = Outside;
    std::vector<ScriptEntry> entries;
    std::string line;
    int number = 0;
    std::smatch m;
    while (std::getline(in, line)) {
        ++number;
        std::string word;
        if (std::regex_search(line, m, keyword)) word = m[1];
        if (state == Outside) {
            if (word == "STRINGTABLE") state = Header;
        } else if (state == Header) {
            if (word == "BEGIN" || word == "{") state = Inside;
        } else if (word == "END" || word == "}") {
            state = Outside;
        } else if (std::regex_match(line, m, entry)) {
            ScriptEntry e;
            e.token = m[1];
            e.line = number;
            if (std::isdigit(static_cast<unsigned char>(e.token[0]))) {
                e.id = unsigned(std::stoul(e.token, nullptr, 0));
            } else if (auto it = names.find(e.token); it != names.end()) {
                e.id = it->second;
            }
            entries.push_back(std::move(e));
        }
    }
    return entries;
}

} // namespace tessaly::testing::res
