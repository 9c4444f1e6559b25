#pragma once
// Shared between the comment dialog and the reviewer parsing.
#include <tessaly/cstring.h>

namespace tessaly::comments {

inline constexpr const char* kVoiceMarker = "{VCE}";
inline constexpr const char* kVoicePlaceholder = "{EMBED VOICE}";

// GetReviewerComment with the user name given (the fuzz harness and the command pass one).
CString ReviewerSegment(const CString& text, const CString& userName, CString& other);

} // namespace tessaly::comments
