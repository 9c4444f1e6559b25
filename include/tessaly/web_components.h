#pragma once
// The mail-message component that saves a whole web page as one MIME HTML archive: the message
// and configuration classes, found through the prefix's registry (the class id's
// InprocServer32 key under HKEY_CLASSES_ROOT\CLSID), and the stream the message is saved from.
#include <tessaly/com.h>
#include <tessaly/types.h>
#include <tessaly/variant.h>

#ifndef STG_E_PATHNOTFOUND
#define STG_E_PATHNOTFOUND ((HRESULT)0x80030003L)
#endif
#ifndef STG_E_FILEALREADYEXISTS
#define STG_E_FILEALREADYEXISTS ((HRESULT)0x80030050L)
#endif

// {CD000001-8B95-11D1-82DB-00C04FB1625D}
inline constexpr CLSID CLSID_Message = {
    0xCD000001, 0x8B95, 0x11D1, {0x82, 0xDB, 0x00, 0xC0, 0x4F, 0xB1, 0x62, 0x5D}};
// {CD000020-8B95-11D1-82DB-00C04FB1625D}
inline constexpr IID IID_IMessage = {
    0xCD000020, 0x8B95, 0x11D1, {0x82, 0xDB, 0x00, 0xC0, 0x4F, 0xB1, 0x62, 0x5D}};
// {CD000002-8B95-11D1-82DB-00C04FB1625D}
inline constexpr CLSID CLSID_Configuration = {
    0xCD000002, 0x8B95, 0x11D1, {0x82, 0xDB, 0x00, 0xC0, 0x4F, 0xB1, 0x62, 0x5D}};
// {CD000022-8B95-11D1-82DB-00C04FB1625D}
inline constexpr IID IID_IConfiguration = {
    0xCD000022, 0x8B95, 0x11D1, {0x82, 0xDB, 0x00, 0xC0, 0x4F, 0xB1, 0x62, 0x5D}};
// {00000565-0000-0010-8000-00AA006D2EA4}
inline constexpr IID IID_Stream = {
    0x00000565, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};

// What CreateMHTMLBody may leave out (flags, or-ed); 0 keeps every resource.
#define MHTML_SUPPRESS_IMAGES 1
#define MHTML_SUPPRESS_SOUNDS 2
#define MHTML_SUPPRESS_FRAMES 4
#define MHTML_SUPPRESS_OBJECTS 8
#define MHTML_SUPPRESS_STYLE_SHEETS 16
// SaveToFile: fail when the file exists (1), or replace it (2).
#define STREAM_SAVE_CREATE_NOT_EXIST 1
#define STREAM_SAVE_CREATE_OVERWRITE 2

// Configuration fields the message reads when it downloads (numbers; absent: the default).
#define MHTML_FIELD_TIMEOUT_MS "timeout"    // per download, 30000
#define MHTML_FIELD_SIZE_LIMIT "size limit" // bytes of the whole page, 64 MiB
#define MHTML_FIELD_PARALLEL "parallel"     // downloads at once, 8

struct IConfiguration : IUnknown {
    virtual HRESULT PutField(const char* name, LONG value) = 0;
    // E_INVALIDARG when the field was never set.
    virtual HRESULT GetField(const char* name, LONG* value) = 0;

  protected:
    ~IConfiguration() = default;
};

struct IMessageStream : IUnknown {
    // The file is a Windows path; STG_E_FILEALREADYEXISTS (option 1 and the file is there)
    // or STG_E_PATHNOTFOUND / E_FAIL when it cannot be written.
    virtual HRESULT SaveToFile(BSTR file, LONG options) = 0;
    virtual HRESULT GetSize(LONG* size) = 0;

  protected:
    ~IMessageStream() = default;
};

struct IMessage : IUnknown {
    virtual HRESULT PutConfiguration(IConfiguration* configuration) = 0;
    // Downloads the page at url (http or https) and the resources it refers to. The account
    // is offered only to a server that asks for one. E_INVALIDARG for another scheme,
    // E_FAIL when the page cannot be fetched (resources that cannot are left out).
    virtual HRESULT CreateMHTMLBody(BSTR url, LONG flags, BSTR user, BSTR password) = 0;
    // The whole message; E_UNEXPECTED before a body was built.
    virtual HRESULT GetStream(IMessageStream** stream) = 0;

  protected:
    ~IMessage() = default;
};
