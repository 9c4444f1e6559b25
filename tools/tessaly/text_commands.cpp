// tessaly words, date and html2text: the text services at the shell, and the text tour of
// tessaly demo.
#include <tessaly/text.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "commands.h"
#include "platform/prefix.h"
#include "shell.h"

namespace pf = tessaly::platform;

namespace tessaly::cli {

namespace {

// The bytes of a file named by its POSIX path; Fail names the file when it cannot be read.
std::string readFile(const std::string& command, const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) Fail(command, path + ": no such file");
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail(command, path + ": cannot be read");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A date value as "YYYY-MM-DD HH:MM:SS".
std::string dateText(double date) {
    return COleDateTime(date).Format("%Y-%m-%d %H:%M:%S").str();
}

void countWords(const std::string& bytes, unsigned long& words, unsigned long& characters) {
    CByteArray text;
    text.SetSize(static_cast<int>(bytes.size()));
    if (!bytes.empty()) std::copy(bytes.begin(), bytes.end(), text.GetData());
    GetWordCount(text, words, characters);
}

void show(const char* what, const std::string& ansi) {
    std::printf("  %s %s\n", PadToWidth(what, kTourColumn).c_str(), FromAnsi(ansi).c_str());
}

} // namespace

void addTextCommands(CLI::App& app) {
    auto wordsFile = std::make_shared<std::string>();
    CLI::App* words =
        app.add_subcommand("words", "words and characters of a text file, as Word Count counts");
    words->add_option("FILE", *wordsFile, "the text file (bytes of the ANSI code page)")
        ->required();
    words->callback([wordsFile] {
        unsigned long count = 0, characters = 0;
        countWords(readFile("words", *wordsFile), count, characters);
        std::printf("words %lu\ncharacters %lu\n", count, characters);
    });

    auto mailDate = std::make_shared<std::string>();
    CLI::App* date = app.add_subcommand("date", "a mail Date: header as UTC and local time");
    date->add_option("MAILDATE", *mailDate, "for example \"Wed, 12 Jan 2004 13:45:12 +0100\"")
        ->required();
    date->callback([mailDate] {
        const double utc = GetDateTime(ToAnsi("date", *mailDate).c_str());
        if (utc == -1.0) Fail("date", "not a mail date (day, month, year and h:m:s after a comma)");
        if (COleDateTime(utc).GetStatus() != COleDateTime::valid || utc == 0.0)
            Fail("date", "the fields make no calendar date");
        std::printf("utc %s\nlocal %s\n", dateText(utc).c_str(),
                    dateText(GetLocalDateTime(utc, 0)).c_str());
    });

    auto htmlFile = std::make_shared<std::string>();
    CLI::App* html = app.add_subcommand("html2text", "the text of an HTML file between its tags");
    html->add_option("FILE", *htmlFile, "the HTML file (POSIX path)")->required();
    html->callback([htmlFile] {
        readFile("html2text", *htmlFile); // names a missing file
        const std::string windows = pf::ToWindowsPath(*htmlFile);
        std::fputs(FromAnsi(Html2Text(windows.c_str()).str()).c_str(), stdout);
        std::fputs("\n", stdout);
    });
}

void RunTextTour() {
    std::printf("\n== Text: dates and words\n");
    for (const char* header : {"Mon, 5 Jan 2004 10:00:00 +0100", "Tue, 06 jan 04 23:30:00 -0200",
                               "5 Jan 2004 10:00:00 +0000"}) {
        const double date = GetDateTime(header);
        show(("GetDateTime(\"" + std::string(header) + "\")").c_str(),
             date == -1.0 ? "-1 (no date)" : dateText(date) + " UTC");
    }
    show("GetDateFromString(\"2004-01-12 13:45:59\")",
         dateText(GetDateFromString("2004-01-12 13:45:59")));
    const COleDateTimeSpan span = GetDateTimeSpanFromMinutes(1500);
    show("GetDateTimeSpanFromMinutes(1500)", span.Format("%D day %H:%M").str());
    unsigned long words = 0, characters = 0;
    countWords("one  two three, It's e.g. done", words, characters);
    show("GetWordCount(\"one  two three, It's e.g. done\")",
         std::to_string(words) + " words, " + std::to_string(characters) + " characters");
    CByteArray text;
    const std::string sample = "It's e.g. done";
    text.SetSize(static_cast<int>(sample.size()));
    std::copy(sample.begin(), sample.end(), text.GetData());
    unsigned char word[64];
    long start = -1;
    GetWordAt(6, word, sizeof word, &start, text);
    show("GetWordAt(6, \"It's e.g. done\")",
         std::string(reinterpret_cast<char*>(word)) + " from " + std::to_string(start));
    show("GetHtmlFontSize(12) / GetPointFontSize(5)",
         std::to_string(GetHtmlFontSize(12)) + " / " + std::to_string(GetPointFontSize(5)));
}

} // namespace tessaly::cli
