// Words of a byte text, word counts, HTML to text, font sizes and twips at the screen's dpi.
#include <tessaly/foundation.h>
#include <tessaly/text.h>

#include <QChar>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <array>
#include <cstring>

#include "framework/widgets/application.h"
#include "platform/codepage.h"
#include "text/words_internal.h"

namespace p = tessaly::platform;

namespace tessaly::text {

WordClasses::WordClasses() {
    p::CodePageScope scope;
    for (int byte = 1; byte < 256; ++byte) {
        const char ch = static_cast<char>(byte);
        WCHAR wide = 0;
        // A lead byte of a double-byte code page is no character on its own.
        const bool alone =
            !p::IsDBCSLeadByte(static_cast<BYTE>(byte)) &&
            p::MultiByteToWideChar(p::CP_ACP, p::MB_ERR_INVALID_CHARS, &ch, 1, &wide, 1) == 1;
        alnum_[byte] = alone && QChar(static_cast<char16_t>(wide)).isLetterOrNumber();
    }
}

} // namespace tessaly::text

namespace {

using tessaly::text::WordClasses;

constexpr long kReach = 32; // bytes seen either side of the position
constexpr BYTE kRightQuote = 146;

bool wordLike(const WordClasses& classes, BYTE ch) {
    return classes.IsAlnum(ch) || ch == '\'' || ch == kRightQuote;
}

bool wordOrStop(const WordClasses& classes, BYTE ch) {
    return wordLike(classes, ch) || ch == '.';
}

// MulDiv: the product over the divisor rounded half away from zero; -1 when it overflows.
int mulDiv(long long number, long long numerator, long long denominator) {
    if (denominator == 0) return -1;
    long long product = number * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    const long long a = product < 0 ? -product : product;
    const long long d = denominator < 0 ? -denominator : denominator;
    const long long q = (a + d / 2) / d;
    if (q > INT_MAX) return -1;
    return static_cast<int>(negative ? -q : q);
}

int screenDpi(bool horizontal) {
    tessaly::framework::EnsureApplication();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 96;
    const double dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    const int value = qRound(dpi * screen->devicePixelRatio());
    return value > 0 ? value : 96;
}

} // namespace

namespace tessaly::text {

long WordAt(const WordClasses& classes, long position, unsigned char* word, unsigned int size,
            long* start, const BYTE* text, long length) {
    BYTE window[128] = {};
    auto noWord = [&] {
        if (start) *start = -1;
        if (size > 0 && word) word[0] = 0;
        return 0L;
    };
    // Outside the text there is no character, so no word (even right after the last one).
    if (position < 0 || position >= length) return noWord();
    const long first = std::max(position - kReach, 0L);
    const long last = length - 1 - position > kReach ? position + kReach : length - 1;
    std::memcpy(window, text + first, static_cast<size_t>(last - first + 1));
    const unsigned int room = size > 0 && word ? size - 1 : 0;

    long i = position - first;
    // A blank holds no word, even right after one.
    if (!wordOrStop(classes, window[i])) return noWord();
    while (i > 0 && wordOrStop(classes, window[i - 1]))
        --i;
    if (start) *start = first + i;

    unsigned int stored = 0;
    bool innerStop = false;
    BYTE ender = 0;
    for (long k = i; k < static_cast<long>(sizeof window) - 1; ++k) {
        const BYTE ch = window[k];
        bool take = wordLike(classes, ch);
        if (!take && ch == '.' && k > i && wordLike(classes, window[k - 1]) &&
            wordLike(classes, window[k + 1])) {
            take = true;
            innerStop = true;
        }
        if (!take) {
            ender = ch;
            break;
        }
        if (stored < room) word[stored++] = ch;
    }
    if (innerStop && ender == '.' && stored < room) word[stored++] = '.';
    if (size > 0 && word) word[stored] = 0;
    return static_cast<long>(stored);
}

void WordCount(const WordClasses& classes, const BYTE* text, long length, unsigned long& words,
               unsigned long& characters) {
    words = 0;
    characters = 0;
    long lastStart = -1;
    unsigned char word[64];
    for (long position = 0; position < length;) {
        long start = -1;
        const long stored = WordAt(classes, position, word, sizeof word, &start, text, length);
        if (stored > 0 && start > lastStart) {
            ++words;
            characters += static_cast<unsigned long>(stored);
            lastStart = start;
            position = start + stored + 1;
        } else {
            ++position;
        }
    }
}

CString TextBetweenTags(const CString& text) {
    CString out;
    int from = 0;
    int open = text.Find('<');
    if (open < 0) return out;
    while (open >= 0) {
        if (open > from) out += text.Mid(from, open - from);
        const int close = text.Find('>', open + 1);
        if (close < 0) break;
        from = close + 1;
        open = text.Find('<', from);
    }
    return out;
}

} // namespace tessaly::text

long GetWordAt(long position, unsigned char* word, unsigned int size, long* start,
               CByteArray& text) {
    const tessaly::text::WordClasses classes;
    return tessaly::text::WordAt(classes, position, word, size, start, text.GetData(),
                                 text.GetSize());
}

void GetWordCount(CByteArray& text, unsigned long& words, unsigned long& characters) {
    const tessaly::text::WordClasses classes;
    tessaly::text::WordCount(classes, text.GetData(), text.GetSize(), words, characters);
}

CString Html2Text(const char* path) {
    CByteArray bytes;
    ReadBinFile(CString(path), bytes);
    return tessaly::text::TextBetweenTags(GetByteArrayString(bytes));
}

int GetHtmlFontSize(int points) {
    if (points <= 8) return 1;
    if (points <= 10) return 2;
    if (points <= 12) return 3;
    if (points <= 14) return 4;
    if (points <= 18) return 5;
    if (points <= 24) return 6;
    if (points <= 36) return 7;
    return 1;
}

int GetPointFontSize(int htmlSize) {
    static const int kPoints[] = {8, 8, 10, 12, 14, 18, 24, 36};
    return htmlSize >= 2 && htmlSize <= 7 ? kPoints[htmlSize] : 8;
}

int GetFontHeightFromPointSize(int points) {
    return -mulDiv(points, screenDpi(false), 72);
}

int GetFontPointSizeFromHeight(int height) {
    return -mulDiv(height, 72, screenDpi(false));
}

// The window's device context is the screen's, so its dpi is the screen's.
double PixelsToTwips(CWnd*, unsigned long pixels, int horizontal) {
    if (horizontal) return mulDiv(static_cast<int>(pixels), 1440, screenDpi(true));
    // As the 32-bit unsigned division that truncates.
    const uint32_t product = static_cast<uint32_t>(pixels) * 1440u;
    return static_cast<double>(product / static_cast<uint32_t>(screenDpi(false)));
}

unsigned long GetPixels(CWnd*, unsigned long twips, int horizontal) {
    return static_cast<unsigned long>(
        static_cast<uint32_t>(mulDiv(static_cast<int>(twips), screenDpi(horizontal != 0), 1440)));
}
