// E-mail address text: splitting a typed recipient into display name and address, the
// validity test, and the display strings composed from a name and an address.
#include <tessaly/mail.h>

void GetEmailParts(CString full, CString& name, CString& address) {
    name.Empty();
    address.Empty();
    if (full.Find('@') >= 0) {
        // Everything from the first closing bracket on is dropped, also text after it.
        if (int close = full.FindOneOf(">]"); close >= 0) full.Truncate(close);
        int split = full.FindOneOf("[<");
        if (split < 0) split = full.Find(' ');
        if (split >= 0) {
            name = full.Left(split);
            full.Delete(0, split + 1); // the bracket or the blank goes with the name
        }
        address = full;
    } else {
        name = full;
    }
    name.Trim();
    address.Trim();
}

int IsValidEMailAddress(const char* text) {
    CString address(text);
    address.Trim();
    const int at = address.Find('@');
    const int dot = address.Find('.'); // anywhere, not necessarily after the "@"
    if (address.IsEmpty() || at < 0 || dot < 0) return 0;
    if (dot >= address.GetLength() - 2) return 0; // two characters must follow the dot
    if (at < 1) return 0;
    if (address.Find('!') >= 0) return 0;
    return 1;
}

CString GetFullAddress(CString name, CString address, CString open, CString close) {
    if (name.IsEmpty() || name.CompareNoCase(address) == 0) return address;
    return name + " " + open + address + close;
}

CString GetEmailFullName(CString name, CString address) {
    if (name.IsEmpty() || name.CompareNoCase(address) == 0) return address;
    return name + " [" + address + "]";
}

CString GetEmailDisplayName(CString name, CString address) {
    if (name.IsEmpty()) return address;
    return name + " [" + address + "]";
}
