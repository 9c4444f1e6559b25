#pragma once
// The word finder and counter over plain bytes, the tag stripper, and the named-colour table,
// shared by the exported functions, the command and the fuzz harnesses.
#include <tessaly/controls.h>
#include <tessaly/cstring.h>
#include <tessaly/types.h>

namespace tessaly::text {

// Which bytes of the ANSI code page are letters or digits, read once per use: a byte that
// is a character on its own and that Unicode calls a letter or digit.
class WordClasses {
  public:
    WordClasses();
    bool IsAlnum(BYTE ch) const { return alnum_[ch]; }

  private:
    bool alnum_[256] = {};
};

long WordAt(const WordClasses& classes, long position, unsigned char* word, unsigned int size,
            long* start, const BYTE* text, long length);
void WordCount(const WordClasses& classes, const BYTE* text, long length, unsigned long& words,
               unsigned long& characters);
// The text between the tags of an HTML text.
CString TextBetweenTags(const CString& text);

// The named colours of the web, 0x00BBGGRR, in the colour list's order.
struct NamedColour {
    COLORREF colour;
    char name[32];
};
constexpr int kNamedColourCount = 140;
extern const NamedColour kNamedColours[kNamedColourCount];

} // namespace tessaly::text
