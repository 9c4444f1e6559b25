// The spreadsheet component ("F1 BookView"): reads a BIFF .xls workbook (through FreeXL, its
// first sheet) or tab-separated text in the ANSI code page, and answers the dispatch calls
// for the last row and column and the text of a cell.
#include <freexl.h>

#include <QString>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "com_object.h"
#include "platform/codepage.h"
#include "platform/prefix.h"

namespace tc = tessaly::components;

namespace {

using Sheet = std::vector<std::vector<std::u16string>>;

std::u16string numberText(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return QString::fromLatin1(text).toStdU16String();
}

// The first sheet of a workbook; false when FreeXL cannot read it.
bool readWorkbook(const std::string& path, Sheet& sheet) {
    const void* handle = nullptr;
    if (freexl_open(path.c_str(), &handle) != FREEXL_OK) {
        if (handle) freexl_close(handle);
        return false;
    }
    unsigned int rows = 0;
    unsigned short columns = 0;
    bool ok = freexl_select_active_worksheet(handle, 0) == FREEXL_OK &&
              freexl_worksheet_dimensions(handle, &rows, &columns) == FREEXL_OK;
    for (unsigned r = 0; ok && r < rows; ++r) {
        std::vector<std::u16string> row;
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue cell{};
            if (freexl_get_cell_value(handle, r, c, &cell) != FREEXL_OK) {
                ok = false;
                break;
            }
            switch (cell.type) {
            case FREEXL_CELL_INT:
                row.push_back(QString::number(cell.value.int_value).toStdU16String());
                break;
            case FREEXL_CELL_DOUBLE:
                row.push_back(numberText(cell.value.double_value));
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                row.push_back(QString::fromUtf8(cell.value.text_value).toStdU16String());
                break;
            default:
                row.emplace_back();
            }
        }
        sheet.push_back(std::move(row));
    }
    freexl_close(handle);
    return ok;
}

// Tab-separated lines (CR LF or LF); a last line without its end counts.
Sheet readText(const std::string& bytes) {
    Sheet sheet;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::u16string> row;
        size_t field = 0;
        for (;;) {
            const size_t tab = line.find('\t', field);
            row.push_back(tessaly::platform::AnsiToUtf16(
                line.substr(field, tab == std::string::npos ? std::string::npos : tab - field)));
            if (tab == std::string::npos) break;
            field = tab + 1;
        }
        sheet.push_back(std::move(row));
        start = end + 1;
    }
    return sheet;
}

LONG argLong(const DISPPARAMS* params, UINT index) {
    const VARIANT& v = params->args[index];
    switch (v.vt) {
    case VT_I2:
        return v.iVal;
    case VT_I4:
        return v.lVal;
    default:
        return -1;
    }
}

class BookView final : public tc::ServerObject<BookView, IDispatch> {
  public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return Answer(iid, object, {IID_IUnknown, IID_IDispatch});
    }
    HRESULT GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, void**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, const char**, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, void*,
                   UINT*) override {
        const UINT count = params ? params->count : 0;
        switch (id) {
        case BOOKVIEW_DISPID_READ: {
            if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
            if (count != 1) return DISP_E_BADPARAMCOUNT;
            if (params->args[0].vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
            const std::string path =
                QString::fromUtf16(tc::FromBstr(params->args[0].bstrVal).c_str())
                    .toUtf8()
                    .toStdString();
            if (!read(tessaly::platform::ToPosixPath(path))) return DISP_E_EXCEPTION;
            return setLong(result, 0);
        }
        case BOOKVIEW_DISPID_LAST_COL:
        case BOOKVIEW_DISPID_LAST_ROW: {
            if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
            if (count != 0) return DISP_E_BADPARAMCOUNT;
            size_t columns = 0;
            for (const auto& row : sheet_)
                columns = std::max(columns, row.size());
            return setLong(result, static_cast<LONG>(id == BOOKVIEW_DISPID_LAST_ROW ? sheet_.size()
                                                                                    : columns));
        }
        case BOOKVIEW_DISPID_TEXT_RC: {
            if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
            if (count != 2) return DISP_E_BADPARAMCOUNT;
            const LONG row = argLong(params, 0), column = argLong(params, 1);
            if (row < 1 || column < 1) return DISP_E_BADINDEX;
            std::u16string text;
            if (static_cast<size_t>(row) <= sheet_.size() &&
                static_cast<size_t>(column) <= sheet_[row - 1].size())
                text = sheet_[row - 1][column - 1];
            if (result) {
                result->vt = VT_BSTR;
                result->bstrVal = tc::ToBstr(text);
            }
            return S_OK;
        }
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

  private:
    static HRESULT setLong(VARIANT* result, LONG value) {
        if (result) {
            result->vt = VT_I4;
            result->lVal = value;
        }
        return S_OK;
    }

    // A workbook when the file is a compound document, else tab-separated text.
    bool read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) return false;
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        static const char kCompound[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
        Sheet sheet;
        if (bytes.compare(0, 8, std::string(kCompound, 8)) == 0) {
            if (!readWorkbook(path, sheet)) return false;
        } else {
            sheet = readText(bytes);
        }
        sheet_ = std::move(sheet);
        return true;
    }

    Sheet sheet_;
};

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT
DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    return tc::ServeClass(clsid, CLSID_BookView, iid, object,
                          []() -> IUnknown* { return new BookView; });
}

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() {
    return tc::RegisterClass(CLSID_BookView, reinterpret_cast<const void*>(&DllRegisterServer));
}
