#pragma once
// CComVariant with one-dimensional safe arrays of bytes (VT_ARRAY | VT_UI1, 0x2011).
#include <tessaly/types.h>

typedef unsigned short VARTYPE;
enum : VARTYPE { VT_EMPTY = 0, VT_ERROR = 10, VT_UI1 = 17, VT_ARRAY = 0x2000 };

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};

struct SAFEARRAY {
    unsigned short cDims;
    unsigned short fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    void* pvData;
    SAFEARRAYBOUND rgsabound[1];
};

class TESSALY_API CComVariant {
public:
    VARTYPE vt = VT_EMPTY;
    union {
        SAFEARRAY* parray;
        LONG scode;
    };
    CComVariant() : parray(nullptr) {}
};
