// The header block above a forwarded or printed message (plain text or HTML), the texts of
// message-decoding errors, and the file name for saving a message.
#include <tessaly/mail.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/companion.h"
#include "framework/core/module_state.h"
#include "platform/errors.h"
#include "resource.h"

namespace {

std::string text(const char* value) {
    return value ? std::string(value) : std::string();
}

std::string label(UINT id) {
    CString s;
    s.LoadString(id);
    return s.str();
}

struct HeaderRow {
    UINT label;
    std::string value;
};

} // namespace

void GetFormatedEmailHeader(const char* title, const char* from, const char* to, const char* cc,
                            const char* sent, const char* subject, const char* attachments,
                            char* buffer, int html) {
    if (!buffer) return;
    tessaly::framework::ManageModuleState state;

    // Always in this order; Cc and Attachment only when given.
    std::vector<HeaderRow> rows;
    rows.push_back({IDS_HEADER_FROM, text(from)});
    rows.push_back({IDS_HEADER_SENT, text(sent)});
    rows.push_back({IDS_HEADER_TO, text(to)});
    if (cc && *cc) rows.push_back({IDS_HEADER_CC, cc});
    rows.push_back({IDS_HEADER_SUBJECT, text(subject)});
    if (attachments && *attachments) rows.push_back({IDS_HEADER_ATTACHMENT, attachments});

    // The texts go in as given, without escaping: the caller's values are the markup's.
    std::string header;
    if (html) {
        header += "<p style=\"border-bottom-style: solid\"><b><font size=\"4\">";
        header += text(title);
        header += "</font></b></p>";
        header += "<table border=\"0\" width=\"100%\">";
        for (const HeaderRow& row : rows) {
            header += "<tr>";
            header += "<td width=\"12%\">";
            header += label(row.label) + ":";
            header += "</td>";
            header += "<td width=\"82%\">";
            header += row.value;
            header += "</td>";
            header += "</tr>";
        }
        header += "</table>";
    } else {
        if (title) header += std::string(title) + ":" + "\r\n\r\n";
        for (const HeaderRow& row : rows)
            header += label(row.label) + ":" + row.value + "\r\n";
    }
    std::memcpy(buffer, header.c_str(), header.size() + 1);
}

CString GetParseError(long code, int kind) {
    namespace p = tessaly::platform;
    const DWORD lastError = p::GetLastError(); // before anything can change it
    tessaly::framework::ManageModuleState state;

    UINT id = 0;
    if (kind == 0) {
        switch (code) {
        case 257:
            id = IDS_PARSE_BINHEX;
            break;
        case 258:
            id = IDS_PARSE_FILE_IO;
            break;
        case 259:
            id = IDS_PARSE_BOUNDARY;
            break;
        case 275:
            id = IDS_PARSE_ENCODING;
            break;
        case 1002:
            id = IDS_PARSE_BINHEX_CRC;
            break;
        case 14:
            id = IDS_PARSE_OUT_OF_MEMORY;
            break;
        case 206:
            id = IDS_PARSE_NAME_TOO_LONG;
            break;
        default:
            break;
        }
    } else if (kind == 1) {
        switch (code) {
        case 3:
            id = IDS_PARSE_PATH_NOT_FOUND;
            break;
        case 258:
            id = IDS_PARSE_FILE_OPERATION;
            break;
        default:
            break;
        }
    }

    CString message;
    if (id) {
        message.LoadString(id);
    } else {
        char* system = nullptr;
        if (p::FormatMessageA(p::FORMAT_MESSAGE_ALLOCATE_BUFFER | p::FORMAT_MESSAGE_FROM_SYSTEM |
                                  p::FORMAT_MESSAGE_IGNORE_INSERTS,
                              nullptr, lastError, 0, reinterpret_cast<char*>(&system), 0,
                              nullptr) &&
            system)
            message = system;
        if (system) p::LocalFree(system);
    }
    CString result;
    result.LoadString(IDS_PARSE_ERROR);
    return result + " " + ": " + message;
}

CString GetAttachmentFileName(CString subject) {
    tessaly::framework::ManageModuleState state;
    CString name = subject;
    if (name.IsEmpty()) name.LoadString(IDS_ATTACHMENT_NAME);
    name = tessaly::companion::GetFileTitleFromString(name);
    return name + "." + "cvm";
}
