// The header block above a forwarded message, decoding-error texts, a saved message's name.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include <tessaly/mail.h>

#include "platform/errors.h"
#include "support/prefix.h"

namespace {

class MailHeaders : public tessaly::testing::PrefixTest {};

struct Header {
    const char *title, *from, *to, *cc, *sent, *subject, *attachments;
};

// The header written into a buffer of markers; nothing may be written past the terminator.
std::string format(const Header& h, int html) {
    std::vector<char> buffer(4096, '#');
    GetFormatedEmailHeader(h.title, h.from, h.to, h.cc, h.sent, h.subject, h.attachments,
                           buffer.data(), html);
    const size_t length = strnlen(buffer.data(), buffer.size());
    EXPECT_LT(length + 1, buffer.size()) << "no terminating zero";
    EXPECT_EQ(buffer[length + 1], '#') << "written past the terminator";
    return std::string(buffer.data(), length);
}

} // namespace

// Empty Cc and attachment rows and a null title's block are left out; markup is kept as is.
TEST_F(MailHeaders, HeaderRowsInOrderWithOptionalCcAndAttachment) {
    const std::string title = "<p style=\"border-bottom-style: solid\"><b><font size=\"4\">",
                      table = "<table border=\"0\" width=\"100%\">";
    auto row = [](const std::string& label, const std::string& value) {
        return "<tr><td width=\"12%\">" + label + ":</td><td width=\"82%\">" + value + "</td></tr>";
    };
    const std::tuple<Header, std::string, std::string> cases[] = {
        // plain and HTML
        {{"Fwd", "a@x", "b@y", "c@z", "Mon", "Hi", "f.txt; g.pdf"},
         "Fwd:\r\n\r\nFrom:a@x\r\nSent:Mon\r\nTo:b@y\r\nCc:c@z\r\nSubject:Hi\r\n"
         "Attachment:f.txt; g.pdf\r\n",
         title + "Fwd</font></b></p>" + table + row("From", "a@x") + row("Sent", "Mon") +
             row("To", "b@y") + row("Cc", "c@z") + row("Subject", "Hi") +
             row("Attachment", "f.txt; g.pdf") + "</table>"},
        {{nullptr, "<i>O'B</i> \"x\"", "a\\b", "", "\x01\x1a", "J\xFCrgen &amp;", ""},
         "From:<i>O'B</i> \"x\"\r\nSent:\x01\x1a\r\nTo:a\\b\r\nSubject:J\xFCrgen &amp;\r\n",
         title + "</font></b></p>" + table + row("From", "<i>O'B</i> \"x\"") +
             row("Sent", "\x01\x1a") + row("To", "a\\b") + row("Subject", "J\xFCrgen &amp;") +
             "</table>"},
    };
    for (const auto& [header, plain, html] : cases) {
        EXPECT_EQ(format(header, 0), plain);
        EXPECT_EQ(format(header, 1), html);
    }
}

// The library's texts for its codes by kind; else the system's text of the last error, if any.
TEST_F(MailHeaders, ParseErrorTextsAndTheSavedMessageName) {
    namespace p = tessaly::platform;
    const std::tuple<long, int, std::string> cases[] = {
        // code, kind, text ("": the system's text of last error 2)
        {257, 0, "There was an error decoding a BINHEX message"},
        {3, 1, "Path not found"},
        {3, 0, ""},
    };
    for (const auto& [code, kind, expected] : cases) {
        p::SetLastError(2);
        EXPECT_EQ(GetParseError(code, kind).str(),
                  "Error : " + (expected.empty() ? p::SystemErrorText(2) : expected))
            << code << "/" << kind;
    }
    p::SetLastError(0x2BADBEEF);
    EXPECT_STREQ(GetParseError(99, 0), "Error : ");
    // A saved message is named by its subject as a file title.
    const std::pair<const char*, const char*> names[] = {
        {"", "Att.cvm"},
        {"Fwd: \"x\" <y>?", "Fwd_ _x_ _y__.cvm"},
        {"reports\\March", "March.cvm"},
    };
    for (const auto& [subject, expected] : names)
        EXPECT_STREQ(GetAttachmentFileName(subject), expected) << subject;
}
