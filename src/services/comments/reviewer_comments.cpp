// The stored comment text by reviewer: the current user's (or everyone's) segment and the rest.
#include <tessaly/comments.h>

#include <tessaly/foundation.h>

#include "comments/comments_internal.h"

namespace tessaly::comments {

CString ReviewerSegment(const CString& text, const CString& userName, CString& other) {
    // "[ALL]" wins over the user's own tag wherever the two stand.
    CString tag = "[ALL]";
    int p = text.Find(tag);
    if (p < 0) {
        tag = "[" + userName + "]";
        p = text.Find(tag);
    }
    if (p < 0) return CString();
    const int end = p + tag.GetLength();
    // The next segment starts at the next "[" after the tag's own opening bracket, which may
    // lie inside a user name holding brackets: that is how the stored format reads.
    const int q = text.Find('[', p + 1);
    CString result;
    if (q >= 0) {
        other = text.Left(p) + text.Mid(q);
        result = q > end ? text.Mid(end, q - end) : CString();
    } else {
        other = text.Left(p);
        result = text.Mid(end);
    }
    other.Replace(kVoiceMarker, "");
    return result;
}

} // namespace tessaly::comments

CString GetReviewerComment(CString text, CString& other) {
    return tessaly::comments::ReviewerSegment(text, GetUserNameA(), other);
}
