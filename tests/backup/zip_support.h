#pragma once
// Archives for the zip tests: trees of files to pack, archives made by hand with entries the
// common tools would not write (unsafe names, raw code page 437 names, sizes that lie), and
// comparing what was unpacked with what was packed.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/prefix.h"
#include "support/run.h"

namespace zip_test {

namespace fs = std::filesystem;

// Every file below root by its path relative to root, with its content.
inline std::map<std::string, std::string> TreeOf(const std::string& root) {
    std::map<std::string, std::string> files;
    if (!fs::exists(root)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).string()] =
                tessaly::testing::ReadFile(entry.path().string());
    return files;
}

// One entry of a hand-made archive. name is the entry's bytes as stored (latin-1 in the
// script); utf8 sets the name's UTF-8 flag; link makes it a symbolic link whose target is
// data; declared, when not negative, is the uncompressed size written into the headers.
struct HandEntry {
    std::string name;
    std::string data;
    bool utf8 = false;
    bool link = false;
    long declared = -1;
};

// Writes archives with Python's zipfile (one run for all: it starts slowly) and patches
// their headers; false when it fails.
using HandArchive = std::pair<std::string, std::vector<HandEntry>>;
inline bool MakeArchives(const std::vector<HandArchive>& archives) {
    static const char* script = R"(
import sys, zipfile, struct

def make(out, entries):
    placeholders = []
    with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:
        for n, (name, data, utf8, link, declared) in enumerate(entries):
            raw = name.encode('latin-1')
            # A plain placeholder of the same length, replaced by the raw bytes below.
            holder = (('E%04d' % n) + 'x' * (len(raw) - 5)).encode() if len(raw) >= 5 else raw
            info = zipfile.ZipInfo(holder.decode('latin-1'))
            info.create_system = 3
            info.external_attr = ((0o120777 if link == '1' else 0o100644) << 16)
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data.encode('latin-1'))
            placeholders.append((holder, raw, utf8 == '1', int(declared)))
    blob = bytearray(open(out, 'rb').read())
    for holder, raw, utf8, declared in placeholders:
        for sig, length_at, name_at, flag_at, size_at in ((b'PK\x03\x04', 26, 30, 6, 22),
                                                          (b'PK\x01\x02', 28, 46, 8, 24)):
            start = 0
            while True:
                at = blob.find(sig, start)
                if at < 0: break
                start = at + 4
                length = struct.unpack_from('<H', blob, at + length_at)[0]
                if bytes(blob[at + name_at:at + name_at + length]) != holder: continue
                blob[at + name_at:at + name_at + length] = raw
                flags = struct.unpack_from('<H', blob, at + flag_at)[0]
                struct.pack_into('<H', blob, at + flag_at, (flags | 0x800) if utf8 else (flags & ~0x800))
                if declared >= 0: struct.pack_into('<I', blob, at + size_at, declared)
    open(out, 'wb').write(bytes(blob))

args = sys.argv[1:]
while args:
    out, count = args[0], int(args[1])
    make(out, [args[2 + i * 5:7 + i * 5] for i in range(count)])
    args = args[2 + count * 5:]
)";
    // The script takes bytes as latin-1 text.
    auto latin1 = [](const std::string& bytes) {
        std::string text;
        for (unsigned char ch : bytes) {
            if (ch < 0x80) {
                text += static_cast<char>(ch);
            } else {
                text += static_cast<char>(0xC0 | (ch >> 6));
                text += static_cast<char>(0x80 | (ch & 0x3F));
            }
        }
        return text;
    };
    std::vector<std::string> args = {"python3", "-c", script};
    for (const auto& [path, entries] : archives) {
        args.push_back(path);
        args.push_back(std::to_string(entries.size()));
        for (const HandEntry& e : entries) {
            args.push_back(latin1(e.name));
            args.push_back(latin1(e.data));
            args.push_back(e.utf8 ? "1" : "0");
            args.push_back(e.link ? "1" : "0");
            args.push_back(std::to_string(e.declared));
        }
    }
    return tessaly::testing::RunProgram(args).status == 0;
}

} // namespace zip_test
