// The related-word component on MyThes: "Vere17.dav" names the thesaurus index and data
// files; a lookup gathers the related words of every sense of the word (category 28).
#include <cstdio>

#include <mythes.hxx>

#include <QString>

#include <algorithm>
#include <fstream>
#include <memory>
#include <vector>

#include "com_object.h"
#include "platform/prefix.h"

namespace tc = tessaly::components;

namespace {

// The data file: "index=PATH" and "data=PATH" lines (POSIX or Windows paths; relative ones
// lie beside the data file); '#' starts a comment.
bool readDataFile(const std::string& posix, std::string& index, std::string& data) {
    std::ifstream in(posix);
    if (!in) return false;
    const std::string folder = posix.substr(0, posix.find_last_of('/') + 1);
    auto resolve = [&](std::string path) {
        if (path.size() > 1 && path[1] == ':') return tessaly::platform::ToPosixPath(path);
        return path.empty() || path[0] == '/' ? path : folder + path;
    };
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = resolve(line.substr(eq + 1));
        if (key == "index") index = value;
        if (key == "data") data = value;
    }
    return !index.empty() && !data.empty();
}

class RelatedWords final : public tc::ServerObject<RelatedWords, IRelatedWords> {
  public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return Answer(iid, object, {IID_IUnknown, IID_IDispatch, IID_RelatedWords});
    }
    // The dual interface's dispatch half is not used by the library: its calls go through
    // the interface's own methods.
    HRESULT GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, void**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, const char**, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, void*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT Open(BSTR dataFile) override {
        const std::string path =
            QString::fromUtf16(tc::FromBstr(dataFile).c_str()).toUtf8().toStdString();
        std::string index, data;
        if (!readDataFile(tessaly::platform::ToPosixPath(path), index, data))
            return STG_E_FILENOTFOUND;
        if (!std::ifstream(index) || !std::ifstream(data)) return STG_E_FILENOTFOUND;
        thesaurus_ = std::make_unique<MyThes>(index.c_str(), data.c_str());
        return S_OK;
    }

    HRESULT Lookup(BSTR word, LONG, LONG, LONG, LONG) override {
        if (!thesaurus_) return E_UNEXPECTED;
        found_.clear();
        const QString text = QString::fromUtf16(tc::FromBstr(word).c_str());
        // The thesaurus keeps its words in lower case; a capitalised word is found too.
        for (const QString& form : {text, text.toLower()}) {
            lookup(form);
            if (!found_.empty()) break;
        }
        return S_OK;
    }
    HRESULT Reserved1() override { return E_NOTIMPL; }
    HRESULT Count(LONG category, short* count) override {
        if (!count) return E_POINTER;
        if (category != RELATED_WORDS_CATEGORY) return E_INVALIDARG;
        *count = static_cast<short>(std::min<size_t>(found_.size(), 32767));
        return S_OK;
    }
    HRESULT Item(LONG category, LONG index, BSTR* text) override {
        if (!text) return E_POINTER;
        *text = nullptr;
        if (category != RELATED_WORDS_CATEGORY) return E_INVALIDARG;
        if (index < 0 || static_cast<size_t>(index) >= found_.size()) return DISP_E_BADINDEX;
        *text = tc::ToBstr(found_[index]);
        return S_OK;
    }
    HRESULT Reserved2() override { return E_NOTIMPL; }
    HRESULT Close() override {
        thesaurus_.reset();
        found_.clear();
        return S_OK;
    }

  private:
    void lookup(const QString& form) {
        const bool utf8 =
            QString(thesaurus_->get_th_encoding()).compare("UTF-8", Qt::CaseInsensitive) == 0;
        const QByteArray bytes = utf8 ? form.toUtf8() : form.toLatin1();
        mentry* meanings = nullptr;
        const int count =
            thesaurus_->Lookup(bytes.constData(), static_cast<int>(bytes.size()), &meanings);
        for (int m = 0; m < count; ++m)
            for (int s = 0; s < meanings[m].count; ++s) {
                QString word = utf8 ? QString::fromUtf8(meanings[m].psyns[s])
                                    : QString::fromLatin1(meanings[m].psyns[s]);
                // "(generic term)", "(antonym)": the relation's note, not part of the word.
                if (const auto note = word.indexOf(" ("); note > 0) word.truncate(note);
                word = word.trimmed();
                const std::u16string w = word.toStdU16String();
                if (!word.isEmpty() && word.compare(form, Qt::CaseInsensitive) != 0 &&
                    std::find(found_.begin(), found_.end(), w) == found_.end())
                    found_.push_back(w);
            }
        if (count > 0) thesaurus_->CleanUpAfterLookup(&meanings, count);
    }

    std::unique_ptr<MyThes> thesaurus_;
    std::vector<std::u16string> found_;
};

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT
DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    return tc::ServeClass(clsid, CLSID_RelatedWords, iid, object,
                          []() -> IUnknown* { return new RelatedWords; });
}

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() {
    return tc::RegisterClass(CLSID_RelatedWords, reinterpret_cast<const void*>(&DllRegisterServer));
}
