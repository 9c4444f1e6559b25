#pragma once
// Reading back what a test printed: the words of each PDF page with their boxes (pdftotext's
// bounding-box output) and the document's fields (pdfinfo), both in points.
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "support/run.h"

namespace print_test {

struct Word {
    std::string text;
    double xMin, yMin, xMax, yMax;
};

struct Page {
    double width = 0, height = 0;
    std::vector<Word> words;
};

inline std::vector<Page> ReadPages(const std::string& pdf) {
    const auto run =
        tessaly::testing::RunProgram({"pdftotext", "-bbox", "-enc", "UTF-8", pdf, "-"});
    std::vector<Page> pages;
    static const std::regex tag(
        R"re(<page width="([\d.]+)" height="([\d.]+)">|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    for (std::sregex_iterator it(run.out.begin(), run.out.end(), tag), end; it != end; ++it) {
        const std::smatch& m = *it;
        if (m[1].matched)
            pages.push_back({std::stod(m[1]), std::stod(m[2]), {}});
        else if (!pages.empty())
            pages.back().words.push_back(
                {m[7], std::stod(m[3]), std::stod(m[4]), std::stod(m[5]), std::stod(m[6])});
    }
    return pages;
}

// pdfinfo's "Field: value" lines.
inline std::map<std::string, std::string> ReadInfo(const std::string& pdf) {
    const auto run = tessaly::testing::RunProgram({"pdfinfo", pdf});
    std::map<std::string, std::string> fields;
    static const std::regex line(R"(([^:\n]+):\s*([^\n]*))");
    for (std::sregex_iterator it(run.out.begin(), run.out.end(), line), end; it != end; ++it)
        fields[(*it)[1]] = (*it)[2];
    return fields;
}

// The words of a page joined by single blanks, the typesetter's ligatures spelled out.
inline std::string Text(const Page& page) {
    std::string text;
    for (const Word& word : page.words)
        text += (text.empty() ? "" : " ") + word.text;
    for (const auto& [ligature, letters] :
         {std::pair{"\xEF\xAC\x81", "fi"}, {"\xEF\xAC\x82", "fl"}, {"\xEF\xAC\x80", "ff"}})
        for (size_t at; (at = text.find(ligature)) != std::string::npos;)
            text.replace(at, 3, letters);
    return text;
}

} // namespace print_test
