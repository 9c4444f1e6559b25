// The stored comment text split by reviewer: the current user's or everyone's segment.
#include <tessaly/comments.h>

#include <gtest/gtest.h>

#include <tuple>

#include "comments/comments_internal.h"

// Rows: user, stored text, the segment, then `other` (at first "untouched").
TEST(ReviewerComments, SegmentOfTheUserOrEveryone) {
    const std::tuple<const char*, const char*, const char*, const char*> rows[] = {
        {"ann", "[bob]b", "", "untouched"}, // neither tag
        {"ann", "[ALL]note", "note", ""},
        {"bob", "[bob]x[ALL]y{VCE}", "y{VCE}", "[bob]x"},      // [ALL] wins over the user's own tag
        {"ann", "[ann]a{VCE}[bob]b{VCE}", "a{VCE}", "[bob]b"}, // voice mark kept only in result
        {"ann", "[bob]b[ann]a[carl]c{VCE}", "a", "[bob]b[carl]c"},
        {"ann", "[bob]b[ann]", "", "[bob]b"},
        {"ann", "[anna]x", "", "untouched"},          // another user's tag is no match
        {"ann", "[Ann]x", "", "untouched"},           // case-sensitive
        {"a]b", "[a]b]text[bob]t", "text", "[bob]t"}, // the segment ends at the next '['
        {"x[y", "[x[y]t", "", "[y]t"},                // a '[' in the name cuts its own tag
    };
    for (const auto& [user, text, result, afterwards] : rows) {
        CString other = "untouched";
        const std::string segment(tessaly::comments::ReviewerSegment(text, user, other));
        EXPECT_EQ(segment + "|" + other.str(), std::string(result) + "|" + afterwards) << text;
    }
}
