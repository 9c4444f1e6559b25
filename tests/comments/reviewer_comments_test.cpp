// The stored comment text split by reviewer: the current user's or everyone's segment.
#include <tessaly/comments.h>

#include <gtest/gtest.h>

#include "comments/comments_internal.h"

namespace {

struct Case {
    const char* rule;
    const char* user;
    const char* text;
    const char* result;
    const char* other; // what `other` holds afterwards (it starts as "untouched")
};

const Case kCases[] = {
    {"neither tag: empty, other untouched", "ann", "[bob]b", "", "untouched"},
    {"empty text", "ann", "", "", "untouched"},
    {"[ALL] only", "ann", "[ALL]note", "note", ""},
    {"[ALL] wins over the user's own tag", "bob", "[bob]x[ALL]y{VCE}", "y{VCE}", "[bob]x"},
    {"own tag first, voice kept in the result, removed from the rest", "ann",
     "[ann]a{VCE}[bob]b{VCE}", "a{VCE}", "[bob]b"},
    {"own tag last", "ann", "[bob]b{VCE}[carl]c[ann]mine", "mine", "[bob]b[carl]c"},
    {"own tag between several reviewers", "ann", "[bob]b[ann]a[carl]c{VCE}", "a", "[bob]b[carl]c"},
    {"own tag with nothing after it", "ann", "[bob]b[ann]", "", "[bob]b"},
    {"another user's tag is no match", "ann", "[anna]x", "", "untouched"},
    {"tag match is case-sensitive", "ann", "[Ann]x", "", "untouched"},
    {"a name holding a closing bracket: the segment ends at the next opening one", "a]b",
     "[a]b]text[bob]t", "text", "[bob]t"},
    {"a name holding an opening bracket cuts its own tag: empty result", "x[y", "[x[y]t", "",
     "[y]t"},
};

} // namespace

TEST(ReviewerComments, SegmentOfTheUserOrEveryone) {
    for (const Case& c : kCases) {
        CString other = "untouched";
        const CString result = tessaly::comments::ReviewerSegment(c.text, c.user, other);
        EXPECT_EQ(std::string(result), c.result) << c.rule;
        EXPECT_EQ(std::string(other), c.other) << c.rule;
    }
}
