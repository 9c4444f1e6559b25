// The version text's product and version lines rewritten by their labels.
#include "dialogs/viewers_internal.h"

namespace tessaly::dialogs {

namespace {

int lineEnd(const CString& text, int from) {
    const CString rest = text.Mid(from);
    const int end = rest.FindOneOf("\r\n");
    return end < 0 ? text.GetLength() : from + end;
}

} // namespace

CString ParseVersionText(const CString& text, const CString& productLabel,
                         const CString& versionLabel, const CString& programDate) {
    CString result = text;
    CString lower = result;
    lower.MakeLower();
    int at = lower.Find(productLabel);
    if (at >= 0) {
        const int end = lineEnd(lower, at);
        const int word = lower.Find("version", at + productLabel.GetLength());
        if (word >= 0 && word < end) {
            const int keep = word + 7; // through the word "version"
            result = result.Left(keep) + " " + kProductVersion + result.Mid(end);
            lower = result;
            lower.MakeLower();
        }
    }
    at = lower.Find(versionLabel);
    if (at >= 0 && !programDate.IsEmpty()) {
        const int keep = at + versionLabel.GetLength();
        result = result.Left(keep) + " " + kProductVersion + " (" + programDate + ")" +
                 result.Mid(lineEnd(lower, at));
    }
    return result;
}

} // namespace tessaly::dialogs
