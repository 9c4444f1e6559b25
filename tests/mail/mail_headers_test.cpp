// The header block above a forwarded or printed message, decoding-error texts and the file
// name for saving a message.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <tessaly/mail.h>

#include "languages/frame_support.h"
#include "platform/errors.h"
#include "support/prefix.h"

namespace {

class MailHeaders : public tessaly::testing::PrefixTest {};

struct Header {
    const char *title, *from, *to, *cc, *sent, *subject, *attachments;
};

// The header written into a buffer full of markers: the text up to its terminator, and
// whether the byte after the terminator is still untouched.
std::string format(const Header& h, int html, bool* untouchedAfter = nullptr) {
    std::vector<char> buffer(4096, '#');
    GetFormatedEmailHeader(h.title, h.from, h.to, h.cc, h.sent, h.subject, h.attachments,
                           buffer.data(), html);
    const size_t length = strnlen(buffer.data(), buffer.size());
    EXPECT_LT(length, buffer.size()) << "no terminating zero";
    if (untouchedAfter) *untouchedAfter = length + 1 < buffer.size() && buffer[length + 1] == '#';
    return std::string(buffer.data(), length);
}

} // namespace

TEST_F(MailHeaders, PlainHeaderRowsInOrderWithOptionalCcAndAttachment) {
    struct Case {
        Header header;
        std::string expected;
    } cases[] = {
        {{"Forwarded", "a@x.com", "b@y.org", "", "Mon, 1 Jan", "Hello", ""},
         "Forwarded:\r\n\r\n"
         "From:a@x.com\r\n"
         "Sent:Mon, 1 Jan\r\n"
         "To:b@y.org\r\n"
         "Subject:Hello\r\n"},
        {{"Forwarded", "a@x.com", "b@y.org", "c@z.net", "Mon", "Hello", "f.txt; g.pdf"},
         "Forwarded:\r\n\r\n"
         "From:a@x.com\r\n"
         "Sent:Mon\r\n"
         "To:b@y.org\r\n"
         "Cc:c@z.net\r\n"
         "Subject:Hello\r\n"
         "Attachment:f.txt; g.pdf\r\n"},
        // A null title leaves the title block out; empty values keep their rows.
        {{nullptr, "", "", "", "", "", "a.doc"},
         "From:\r\nSent:\r\nTo:\r\nSubject:\r\nAttachment:a.doc\r\n"},
        {{"", "a", "b", "c", "d", "e", ""},
         ":\r\n\r\nFrom:a\r\nSent:d\r\nTo:b\r\nCc:c\r\nSubject:e\r\n"},
        // Values go in as given.
        {{"T", "<O'Brien> \"x\"", "a\\b", "", "\x01\x1a", "J\xFCrgen & <b>", ""},
         "T:\r\n\r\nFrom:<O'Brien> \"x\"\r\nSent:\x01\x1a\r\nTo:a\\b\r\nSubject:J\xFCrgen & "
         "<b>\r\n"},
    };
    for (const auto& c : cases) {
        bool untouched = false;
        EXPECT_EQ(format(c.header, 0, &untouched), c.expected);
        EXPECT_TRUE(untouched) << "written past the terminator";
    }
}

TEST_F(MailHeaders, HtmlHeaderIsATitleParagraphAndATableOfRows) {
    const std::string title = "<p style=\"border-bottom-style: solid\"><b><font size=\"4\">";
    auto row = [](const std::string& label, const std::string& value) {
        return "<tr><td width=\"12%\">" + label + ":</td><td width=\"82%\">" + value + "</td></tr>";
    };
    const std::string table = "<table border=\"0\" width=\"100%\">";
    struct Case {
        Header header;
        std::string expected;
    } cases[] = {
        {{"Fwd", "a@x", "b@y", "c@z", "Mon", "Hi", "f.txt"},
         title + "Fwd</font></b></p>" + table + row("From", "a@x") + row("Sent", "Mon") +
             row("To", "b@y") + row("Cc", "c@z") + row("Subject", "Hi") +
             row("Attachment", "f.txt") + "</table>"},
        {{"Fwd", "a@x", "b@y", "", "Mon", "Hi", ""},
         title + "Fwd</font></b></p>" + table + row("From", "a@x") + row("Sent", "Mon") +
             row("To", "b@y") + row("Subject", "Hi") + "</table>"},
        // A null title gives an empty title paragraph; markup in values is not escaped.
        {{nullptr, "<i>a</i>", "&amp;", "", "", "", ""},
         title + "</font></b></p>" + table + row("From", "<i>a</i>") + row("Sent", "") +
             row("To", "&amp;") + row("Subject", "") + "</table>"},
    };
    for (const auto& c : cases) {
        bool untouched = false;
        const std::string html = format(c.header, 1, &untouched);
        EXPECT_EQ(html, c.expected);
        EXPECT_TRUE(untouched);
        EXPECT_EQ(format(c.header, 7, nullptr), html) << "any nonzero flag is HTML";
    }
}

TEST_F(MailHeaders, NullBufferIsIgnored) {
    GetFormatedEmailHeader("t", "f", "t", "", "s", "s", "", nullptr, 0);
    GetFormatedEmailHeader("t", "f", "t", "", "s", "s", "", nullptr, 1);
    SUCCEED() << "no crash";
}

TEST_F(MailHeaders, ParseErrorTextsByKindAndCode) {
    struct Case {
        long code;
        int kind;
        const char* expected;
    } cases[] = {
        {257, 0, "Error : There was an error decoding a BINHEX message"},
        {258, 0, "Error : File IO error"},
        {259, 0, "Error : Could not find boundry mark"},
        {275, 0, "Error : Encoding method unknown"},
        {1002, 0, "Error : BINHEX CRC error"},
        {206, 0, "Error : The file name of an attachment is too long"},
        {14, 0, "Error : Not enough memory to decode the message"},
        {3, 1, "Error : Path not found"},
        {258, 1, "Error : File operation error"},
    };
    for (const auto& c : cases) {
        tessaly::platform::SetLastError(5);
        EXPECT_STREQ(GetParseError(c.code, c.kind), c.expected) << c.code << "/" << c.kind;
    }
}

// The two texts of the library's own choosing exist in English and in the German module
// (which the library picks at start-up, so a fresh process reads them).
TEST_F(MailHeaders, DecodingErrorTextsInEveryLanguageModule) {
    using namespace frame_test;
    struct Case {
        int language;
        const char *text705, *text706;
    } cases[] = {
        {1033, "The file name of an attachment is too long",
         "Not enough memory to decode the message"},
        {1031, "Der Dateiname eines Anhangs ist zu lang",
         "Nicht gen\xC3\xBCgend Arbeitsspeicher, um die Nachricht zu dekodieren"},
    };
    SetInstallDir(kLibFolder);
    for (const auto& c : cases) {
        SetInstallLanguage(c.language);
        EXPECT_EQ(RunTessaly("lang string 705").out, std::string(c.text705) + "\n");
        EXPECT_EQ(RunTessaly("lang string 706").out, std::string(c.text706) + "\n");
    }
}

TEST_F(MailHeaders, OtherParseErrorsGiveTheSystemTextOfTheLastError) {
    namespace p = tessaly::platform;
    struct Case {
        long code;
        int kind;
        DWORD lastError;
    } cases[] = {
        {99, 0, 2}, {3, 0, 3}, {257, 1, 2}, {258, 2, 32}, {0, 0, 8},
    };
    for (const auto& c : cases) {
        const std::string system = p::SystemErrorText(c.lastError);
        ASSERT_FALSE(system.empty()) << c.lastError;
        p::SetLastError(c.lastError);
        EXPECT_EQ(GetParseError(c.code, c.kind).str(), "Error : " + system)
            << c.code << "/" << c.kind << " last error " << c.lastError;
    }
    // A last error the system has no text for leaves the message empty.
    p::SetLastError(0x2BADBEEF);
    EXPECT_STREQ(GetParseError(99, 0), "Error : ");
}

TEST_F(MailHeaders, AttachmentFileNameIsTheSubjectAsAFileTitle) {
    struct Case {
        const char *subject, *expected;
    } cases[] = {
        {"", "Att.cvm"},
        {"Meeting notes", "Meeting notes.cvm"},
        {"Re: plans", "Re_ plans.cvm"},
        {"Fwd: \"x\" <y>?", "Fwd_ _x_ _y__.cvm"},
        {"reports\\March", "March.cvm"},
        {"J\xFCrgen's mail", "J\xFCrgen's mail.cvm"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(GetAttachmentFileName(c.subject), c.expected) << c.subject;
    }
}
