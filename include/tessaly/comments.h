#pragma once
// Hidden comments: the dialog in which a reviewer writes, colours, attributes, plays, prints
// or deletes a comment, and the parsing of the stored comment text by reviewer.
#include <tessaly/collections.h>
#include <tessaly/cstring.h>
#include <tessaly/types.h>

// Stored text: segments of a tag ("[ALL]" or "[" + user name + "]") and that reviewer's
// text, which runs to the next "[" or the end; "{VCE}" in a segment marks a voice comment.

// Shows the comment dialog (template 417; colour is a COLORREF, 0x00BBGGRR). mode 0 edits an
// existing comment (its text is narrowed to the current user's segment, Delete is allowed), nonzero
// starts a new one. Returns 1 (OK), 2 (Cancel) or -1 (Delete). Only on 1 are comment, colour,
// reviewerTag, voiceData, hasVoice and otherText written back. Each voice played is written to a
// temporary WAV file whose path is appended to tempFiles (when not null); the caller
// deletes those files.
TESSALY_API int ShowCommentDlg(int& mode, CString& comment, DWORD& colour, CString& reviewerTag,
                               CByteArray& voiceData, int& hasVoice, CString& otherText,
                               CStringArray* tempFiles);

// The text of the segment tagged "[ALL]" or, when there is none, the current user's; `other`
// becomes the remaining segments without their "{VCE}" markers. Neither tag: empty result,
// `other` untouched.
TESSALY_API CString GetReviewerComment(CString text, CString& other);
