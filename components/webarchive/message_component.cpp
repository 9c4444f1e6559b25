// The mail-message component: the message and configuration classes an in-process server
// hands out, the message building a whole web page into MIME HTML and handing it over as a
// stream that saves to a file.
#include <tessaly/web_components.h>

#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <string>
#include <unistd.h>

#include "com_object.h"
#include "platform/prefix.h"
#include "web_archive.h"

namespace tc = tessaly::components;

namespace {

std::string utf8(BSTR text) {
    return QString::fromStdU16String(tc::FromBstr(text)).toUtf8().toStdString();
}

class Configuration final : public tc::ServerObject<Configuration, IConfiguration> {
  public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return Answer(iid, object, {IID_IUnknown, IID_IConfiguration});
    }
    HRESULT PutField(const char* name, LONG value) override {
        if (!name) return E_POINTER;
        fields_[name] = value;
        return S_OK;
    }
    HRESULT GetField(const char* name, LONG* value) override {
        if (!name || !value) return E_POINTER;
        const auto it = fields_.find(name);
        if (it == fields_.end()) return E_INVALIDARG;
        *value = it->second;
        return S_OK;
    }

  private:
    std::map<std::string, LONG> fields_;
};

class MessageStream final : public tc::ServerObject<MessageStream, IMessageStream> {
  public:
    explicit MessageStream(std::string bytes) : bytes_(std::move(bytes)) {}
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return Answer(iid, object, {IID_IUnknown, IID_Stream});
    }
    HRESULT GetSize(LONG* size) override {
        if (!size) return E_POINTER;
        *size = static_cast<LONG>(bytes_.size());
        return S_OK;
    }
    HRESULT SaveToFile(BSTR file, LONG options) override {
        const std::string path = tessaly::platform::ToPosixPath(utf8(file));
        if (path.empty()) return STG_E_PATHNOTFOUND;
        int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
        flags |= options == STREAM_SAVE_CREATE_OVERWRITE ? O_TRUNC : O_EXCL;
        const int fd = ::open(path.c_str(), flags, 0644);
        if (fd < 0)
            return errno == EEXIST   ? STG_E_FILEALREADYEXISTS
                   : errno == ENOENT ? STG_E_PATHNOTFOUND
                                     : E_FAIL;
        size_t done = 0;
        while (done < bytes_.size()) {
            const ssize_t n = ::write(fd, bytes_.data() + done, bytes_.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        const bool closed = ::close(fd) == 0;
        return done == bytes_.size() && closed ? S_OK : E_FAIL;
    }

  private:
    std::string bytes_;
};

class Message final : public tc::ServerObject<Message, IMessage> {
  public:
    ~Message() {
        if (configuration_) configuration_->Release();
    }
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return Answer(iid, object, {IID_IUnknown, IID_IMessage});
    }
    HRESULT PutConfiguration(IConfiguration* configuration) override {
        if (configuration) configuration->AddRef();
        if (configuration_) configuration_->Release();
        configuration_ = configuration;
        return S_OK;
    }
    HRESULT CreateMHTMLBody(BSTR url, LONG flags, BSTR user, BSTR password) override {
        webarchive::FetchLimits limits;
        limits.timeoutMs = field(MHTML_FIELD_TIMEOUT_MS, limits.timeoutMs);
        limits.sizeLimit =
            static_cast<size_t>(field(MHTML_FIELD_SIZE_LIMIT, static_cast<LONG>(limits.sizeLimit)));
        limits.parallel = field(MHTML_FIELD_PARALLEL, limits.parallel);
        limits.user = utf8(user);
        limits.password = utf8(password);
        std::vector<webarchive::ArchivePart> parts;
        std::string title;
        bool badScheme = false;
        if (!webarchive::GatherPage(utf8(url), flags, limits, parts, title, badScheme))
            return badScheme ? E_INVALIDARG : E_FAIL;
        content_ = webarchive::WriteMhtml(parts, title);
        built_ = true;
        return S_OK;
    }
    HRESULT GetStream(IMessageStream** stream) override {
        if (!stream) return E_POINTER;
        *stream = built_ ? new MessageStream(content_) : nullptr;
        return built_ ? S_OK : E_UNEXPECTED;
    }

  private:
    LONG field(const char* name, LONG fallback) const {
        LONG value = 0;
        if (configuration_ && SUCCEEDED(configuration_->GetField(name, &value)) && value > 0)
            return value;
        return fallback;
    }

    IConfiguration* configuration_ = nullptr;
    std::string content_;
    bool built_ = false;
};

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT
DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (clsid == CLSID_Configuration)
        return tc::ServeClass(clsid, CLSID_Configuration, iid, object,
                              []() -> IUnknown* { return new Configuration; });
    return tc::ServeClass(clsid, CLSID_Message, iid, object,
                          []() -> IUnknown* { return new Message; });
}
