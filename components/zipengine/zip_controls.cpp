// The zip engine's ActiveX controls: the zip and unzip engines, whose action property runs
// the work on a thread of its own while the caller's window stays alive and progress events
// reach it, and the status display with the item and the percentage.
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include <tessaly/activex.h>
#include <tessaly/backup.h>

#include "platform/codepage.h"
#include "zip_engine.h"

namespace p = tessaly::platform;

namespace zipengine {

namespace {

// The progress event of both engines: item name (text), percentage (4-byte integer) and a
// cancel flag (a reference to a 4-byte integer) the window sets to 1 to stop the work.
constexpr DISPID kProgressEvent = 1;

std::string ansiOf(BSTR text) {
    if (!text) return {};
    return p::Utf16ToAnsi(
        std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text)));
}

BSTR bstrOf(const std::string& ansi) {
    const std::u16string wide = p::AnsiToUtf16(ansi);
    return SysAllocStringLen(reinterpret_cast<const WCHAR*>(wide.data()),
                             static_cast<UINT>(wide.size()));
}

// Properties by dispatch id, each with its type; values are kept converted to that type.
class Properties {
  public:
    void define(DISPID id, VARTYPE type) {
        VARIANT& v = values_[id];
        v = VARIANT{};
        v.vt = type;
        if (type == VT_BSTR) v.bstrVal = nullptr;
    }
    ~Properties() {
        for (auto& [id, v] : values_)
            if (v.vt == VT_BSTR) SysFreeString(v.bstrVal);
    }
    bool has(DISPID id) const { return values_.count(id) != 0; }
    HRESULT get(DISPID id, VARIANT* result) const {
        auto found = values_.find(id);
        if (found == values_.end()) return DISP_E_MEMBERNOTFOUND;
        if (!result) return S_OK;
        return VariantChangeType(result, &found->second, 0, found->second.vt);
    }
    HRESULT put(DISPID id, const VARIANT& value) {
        auto found = values_.find(id);
        if (found == values_.end()) return DISP_E_MEMBERNOTFOUND;
        VARIANT converted{};
        const HRESULT hr = VariantChangeType(&converted, &value, 0, found->second.vt);
        if (hr != S_OK) return hr;
        if (found->second.vt == VT_BSTR) SysFreeString(found->second.bstrVal);
        found->second = converted;
        return S_OK;
    }
    std::string text(DISPID id) const { return ansiOf(values_.at(id).bstrVal); }
    bool flag(DISPID id) const { return values_.at(id).boolVal != 0; }
    long number(DISPID id) const {
        const VARIANT& v = values_.at(id);
        return v.vt == VT_I2 ? v.iVal : v.lVal;
    }
    void setNumber(DISPID id, long value) {
        VARIANT& v = values_.at(id);
        if (v.vt == VT_I2)
            v.iVal = static_cast<short>(value);
        else
            v.lVal = value;
    }

  private:
    std::map<DISPID, VARIANT> values_;
};

// The part both engines share: properties, the action that runs the work, and events.
class EngineControl : public CActiveXControl {
  public:
    EngineControl(QWidget* parent, DISPID errorId, DISPID actionId, DISPID eventsId)
        : CActiveXControl(new QWidget(parent)), errorId_(errorId), actionId_(actionId),
          eventsId_(eventsId) {}

    HRESULT Invoke(DISPID id, WORD flags, const VARIANT* params, UINT count,
                   VARIANT* result) override {
        if (flags & DISPATCH_PROPERTYGET) return props_.get(id, result);
        if (!(flags & DISPATCH_PROPERTYPUT)) return DISP_E_MEMBERNOTFOUND;
        if (count < 1 || !params) return DISP_E_BADPARAMCOUNT;
        if (busy_) return E_INVALIDARG; // no property changes while the work runs
        const HRESULT hr = props_.put(id, params[0]);
        if (hr != S_OK || id != actionId_) return hr;
        const long action = props_.number(actionId_);
        if (action == 0) return S_OK;
        if (!isStartAction(action)) return E_INVALIDARG;
        runWork();
        props_.setNumber(actionId_, 0);
        return S_OK;
    }

  protected:
    virtual bool isStartAction(long action) const = 0;
    virtual Result work(const ProgressFn& progress) = 0;
    Properties props_;

  private:
    // Runs the work on a thread and keeps the caller's window alive meanwhile; the item and
    // percentage go to the window as events, and its cancel answer to the work.
    void runWork() {
        busy_ = true;
        std::mutex mutex;
        std::string item;
        int percent = -1;
        bool changed = false;
        std::atomic<bool> done{false};
        std::atomic<bool> cancel{false};
        Result result;
        std::thread worker([&] {
            result = work([&](const std::string& now, int pc) {
                std::lock_guard<std::mutex> lock(mutex);
                if (now != item || pc != percent) {
                    if (!now.empty()) item = now;
                    percent = pc;
                    changed = true;
                }
                return !cancel.load();
            });
            done = true;
        });
        const bool events = props_.flag(eventsId_);
        auto tell = [&] {
            std::string nowItem;
            int nowPercent = 0;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (!changed) return;
                changed = false;
                nowItem = item;
                nowPercent = percent;
            }
            if (!events) return;
            LONG stop = 0;
            VARIANT args[3]{};
            args[0].vt = VT_BSTR;
            args[0].bstrVal = bstrOf(nowItem);
            args[1].vt = VT_I4;
            args[1].lVal = nowPercent;
            args[2].vt = VT_BYREF | VT_I4;
            args[2].byref = &stop;
            FireEvent(kProgressEvent, args, 3);
            SysFreeString(args[0].bstrVal);
            if (stop) cancel = true;
        };
        QEventLoop loop;
        QTimer timer;
        timer.setInterval(30);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            tell();
            if (done) loop.quit();
        });
        timer.start();
        if (!done) loop.exec();
        timer.stop();
        worker.join();
        tell();
        props_.setNumber(errorId_, result.code);
        busy_ = false;
    }

    DISPID errorId_, actionId_, eventsId_;
    bool busy_ = false;
};

// The zip engine's properties (dispatch ids).
enum : DISPID {
    zipArchive = 1,       // text: the archive, in double quotes or not
    zipItems = 2,         // text: the item list
    zipRecurse = 3,       // switch: folders with their sub-folders
    zipFolderNames = 4,   // switch: entries keep their folders
    zipFolderEntries = 5, // switch: an entry for each folder
    zipStoreOnly = 6,     // switch: no compression
    zipNewArchive = 7,    // switch: replace an existing archive rather than add to it
    zipLevel = 8,         // 16-bit: deflate level 0-9
    zipReplace = 9,       // switch: replace entries of the same name
    zipHidden = 15,       // switch: pack names beginning with "."
    zipEvents = 17,       // switch: progress events
    zipEncrypt = 34,      // switch: encrypt with the password
    zipPassword = 35,     // text
    zipMethod = 38,       // 32-bit: 2 traditional zip encryption, 3 AES-256
    zipError = 39,        // 16-bit: the error code of the last action
    zipAction = 40,       // 16-bit: 4 packs; reads back 0
};

std::string unquoted(std::string text) {
    std::erase(text, '"');
    return text;
}

class ZipControl : public EngineControl {
  public:
    explicit ZipControl(QWidget* parent) : EngineControl(parent, zipError, zipAction, zipEvents) {
        for (DISPID id : {zipArchive, zipItems, zipPassword})
            props_.define(id, VT_BSTR);
        for (DISPID id : {zipRecurse, zipFolderNames, zipFolderEntries, zipStoreOnly, zipNewArchive,
                          zipReplace, zipHidden, zipEvents, zipEncrypt})
            props_.define(id, VT_BOOL);
        for (DISPID id : {zipLevel, zipError, zipAction})
            props_.define(id, VT_I2);
        props_.define(zipMethod, VT_I4);
    }

  protected:
    bool isStartAction(long action) const override { return action == 4; }
    Result work(const ProgressFn& progress) override {
        ZipOptions o;
        o.archive = unquoted(props_.text(zipArchive));
        o.items = props_.text(zipItems);
        if (props_.flag(zipEncrypt)) o.password = props_.text(zipPassword);
        o.encryption = static_cast<int>(props_.number(zipMethod));
        o.level = static_cast<int>(props_.number(zipLevel));
        o.recurse = props_.flag(zipRecurse);
        o.keepFolderNames = props_.flag(zipFolderNames);
        o.folderEntries = props_.flag(zipFolderEntries);
        o.replaceEntries = props_.flag(zipReplace);
        o.includeHidden = props_.flag(zipHidden);
        o.storeOnly = props_.flag(zipStoreOnly);
        o.newArchive = props_.flag(zipNewArchive);
        return Zip(o, progress);
    }
};

// The unzip engine's properties (dispatch ids).
enum : DISPID {
    unzipArchive = 1,     // text: the archive, in double quotes or not
    unzipPattern = 2,     // text: the entries to unpack ("*.*" all)
    unzipSizeLimit = 3,   // 32-bit: most bytes to unpack, -1 none
    unzipDestination = 4, // text: the folder, in double quotes or not
    unzipFolderNames = 5, // switch: make the entries' folders
    unzipCreate = 6,      // switch: make a missing destination
    unzipEvents = 7,      // switch: progress events
    unzipTimes = 10,      // switch: restore modification times
    unzipModes = 11,      // switch: restore Unix permission bits
    unzipCheck = 15,      // switch: check the archive's directories on opening
    unzipDecrypt = 20,    // switch: use the password
    unzipPassword = 21,   // text
    unzipOverwrite = 23,  // 16-bit: 0 keep existing files, 3 replace them
    unzipError = 24,      // 16-bit: the error code of the last action
    unzipAction = 34,     // 16-bit: 8 unpacks; reads back 0
};

class UnzipControl : public EngineControl {
  public:
    explicit UnzipControl(QWidget* parent)
        : EngineControl(parent, unzipError, unzipAction, unzipEvents) {
        for (DISPID id : {unzipArchive, unzipPattern, unzipDestination, unzipPassword})
            props_.define(id, VT_BSTR);
        for (DISPID id : {unzipFolderNames, unzipCreate, unzipEvents, unzipTimes, unzipModes,
                          unzipCheck, unzipDecrypt})
            props_.define(id, VT_BOOL);
        for (DISPID id : {unzipOverwrite, unzipError, unzipAction})
            props_.define(id, VT_I2);
        props_.define(unzipSizeLimit, VT_I4);
        VARIANT none{};
        none.vt = VT_I4;
        none.lVal = -1;
        props_.put(unzipSizeLimit, none);
    }

    HRESULT Invoke(DISPID id, WORD flags, const VARIANT* params, UINT count,
                   VARIANT* result) override {
        // Only the two documented ways with existing files.
        if (id == unzipOverwrite && (flags & DISPATCH_PROPERTYPUT) && count >= 1 && params) {
            VARIANT n{};
            if (VariantChangeType(&n, &params[0], 0, VT_I4) != S_OK) return DISP_E_TYPEMISMATCH;
            if (n.lVal != 0 && n.lVal != 3) return E_INVALIDARG;
        }
        return EngineControl::Invoke(id, flags, params, count, result);
    }

  protected:
    bool isStartAction(long action) const override { return action == 8; }
    Result work(const ProgressFn& progress) override {
        UnzipOptions o;
        o.archive = unquoted(props_.text(unzipArchive));
        o.destination = unquoted(props_.text(unzipDestination));
        o.pattern = props_.text(unzipPattern);
        if (o.pattern.empty()) o.pattern = "*.*";
        if (props_.flag(unzipDecrypt)) o.password = props_.text(unzipPassword);
        o.sizeLimit = props_.number(unzipSizeLimit);
        o.keepFolderNames = props_.flag(unzipFolderNames);
        o.createDestination = props_.flag(unzipCreate);
        o.restoreTimes = props_.flag(unzipTimes);
        o.restoreModes = props_.flag(unzipModes);
        o.checkConsistency = props_.flag(unzipCheck);
        o.replaceExisting = props_.number(unzipOverwrite) == 3;
        return Unzip(o, progress);
    }
};

// The status display: dispatch id 1 the percentage (32-bit, 0-100), 2 the item's name.
class StatusControl : public CActiveXControl {
  public:
    explicit StatusControl(QWidget* parent) : CActiveXControl(new QWidget(parent)) {
        QWidget* widget = GetWidget();
        label_ = new QLabel(widget);
        bar_ = new QProgressBar(widget);
        bar_->setRange(0, 100);
        bar_->setValue(0);
        auto* layout = new QVBoxLayout(widget);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(label_);
        layout->addWidget(bar_);
        props_.define(1, VT_I4);
        props_.define(2, VT_BSTR);
    }

    HRESULT Invoke(DISPID id, WORD flags, const VARIANT* params, UINT count,
                   VARIANT* result) override {
        if (flags & DISPATCH_PROPERTYGET) return props_.get(id, result);
        if (!(flags & DISPATCH_PROPERTYPUT)) return DISP_E_MEMBERNOTFOUND;
        if (count < 1 || !params) return DISP_E_BADPARAMCOUNT;
        const HRESULT hr = props_.put(id, params[0]);
        if (hr != S_OK) return hr;
        if (id == 1) {
            const long percent = std::clamp(props_.number(1), 0L, 100L);
            props_.setNumber(1, percent);
            bar_->setValue(static_cast<int>(percent));
        } else {
            label_->setText(QString::fromStdString(p::AnsiToUtf8(props_.text(2))));
        }
        return S_OK;
    }

  private:
    Properties props_;
    QLabel* label_;
    QProgressBar* bar_;
};

CActiveXControl* newZip(QWidget* parent) {
    return new ZipControl(parent);
}
CActiveXControl* newUnzip(QWidget* parent) {
    return new UnzipControl(parent);
}
CActiveXControl* newStatus(QWidget* parent) {
    return new StatusControl(parent);
}

} // namespace

} // namespace zipengine

int RegisterZipControls() {
    using namespace zipengine;
    return CActiveXControl::RegisterControlClass(CLSID_TESSALY_ZIP, newZip) &&
                   CActiveXControl::RegisterControlClass(CLSID_TESSALY_UNZIP, newUnzip) &&
                   CActiveXControl::RegisterControlClass(CLSID_TESSALY_ZIPSTATUS, newStatus)
               ? 1
               : 0;
}
