// The mail header composers: the header block above a forwarded or printed message, plain
// and HTML, from seven fields of the input (cut at zero bytes), and the file name for
// saving a message from its subject. The header fits the room its parts need, comes out
// the same into a buffer of exactly its size, and holds every field given; the file name
// ends in the message extension and holds nothing a file name cannot.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <tessaly/mail.h>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int html = data[0] & 1;
    std::vector<std::string> fields = tessaly::fuzz::splitInput(data + 1, size - 1, '\0');
    fields.resize(7);
    size_t given = 0;
    for (const std::string& f : fields)
        given += f.size();
    // Labels and markup take well under 1024 bytes beside the fields.
    std::vector<char> roomy(given + 1024, '\x7f');
    const char* v[7];
    for (int i = 0; i < 7; ++i)
        v[i] = fields[i].c_str();
    GetFormatedEmailHeader(v[0], v[1], v[2], v[3], v[4], v[5], v[6], roomy.data(), html);
    const size_t length = strnlen(roomy.data(), roomy.size());
    FUZZ_CHECK(length < roomy.size());
    const std::string header(roomy.data(), length);
    std::vector<char> exact(length + 1);
    GetFormatedEmailHeader(v[0], v[1], v[2], v[3], v[4], v[5], v[6], exact.data(), html);
    FUZZ_CHECK(header == exact.data());
    // Each field in its place, in the header's order: title, from, sent, to, cc, subject,
    // attachments (cc and attachments only when given).
    size_t from = 0;
    for (int index : {0, 1, 4, 2, 3, 5, 6}) {
        const std::string& field = fields[static_cast<size_t>(index)];
        if (field.empty()) continue;
        const size_t at = header.find(field, from);
        FUZZ_CHECK(at != std::string::npos);
        from = at + field.size();
    }

    const CString name = GetAttachmentFileName(CString(fields[5].c_str()));
    const std::string file = name.str();
    FUZZ_CHECK(file.size() >= 4 && file.compare(file.size() - 4, 4, ".cvm") == 0);
    // A file name in the single-byte code page: no folder, nothing a file name cannot hold.
    for (char c : file)
        FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && !std::strchr("\\/:*?\"<>|", c));
    return 0;
}
