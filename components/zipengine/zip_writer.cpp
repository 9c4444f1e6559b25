// The zip engine's packing: items expanded into files and folders, then written by libzip
// into a file beside the archive that replaces it only when whole.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/prefix.h"
#include "zip_engine.h"

namespace p = tessaly::platform;

namespace zipengine {

namespace {

struct Source {
    std::string posix; // empty for a folder entry
    std::string name;  // the entry's name, UTF-8, "/" between parts, "/" at a folder's end
    mode_t mode = 0;
};

class Collector {
  public:
    explicit Collector(const ZipOptions& options) : options_(options) {}

    // Adds an item; false with the result set when it names nothing or cannot be read.
    bool addItem(const std::string& item, Result& result) {
        if (item.find_first_of("*?") != std::string::npos) return addPattern(item, result);
        std::string posix = p::ToPosixPath(item);
        while (posix.size() > 1 && posix.back() == '/')
            posix.pop_back();
        struct stat st {};
        if (posix.empty() || ::stat(posix.c_str(), &st) != 0) {
            result = {kNothingToZip, "no such file or folder: " + p::AnsiToUtf8(item)};
            return false;
        }
        const size_t slash = posix.rfind('/');
        return addPath(posix, slash == std::string::npos ? posix : posix.substr(slash + 1), st,
                       true, result);
    }

    std::vector<Source>& sources() { return sources_; }

  private:
    bool addPattern(const std::string& item, Result& result) {
        std::vector<p::FolderEntry> entries;
        std::string folder;
        bool any = false;
        if (p::ListFolder(item.c_str(), entries, &folder)) {
            for (const p::FolderEntry& entry : entries) {
                if (entry.posixName == "." || entry.posixName == "..") continue;
                if (!options_.includeHidden && entry.posixName[0] == '.') continue;
                const std::string posix = folder + "/" + entry.posixName;
                struct stat st {};
                if (::stat(posix.c_str(), &st) != 0) continue;
                if (!addPath(posix, entry.posixName, st, true, result)) return false;
                any = true;
            }
        }
        if (!any) result = {kNothingToZip, "nothing matches: " + p::AnsiToUtf8(item)};
        return any;
    }

    bool addPath(const std::string& posix, const std::string& name, const struct stat& st, bool top,
                 Result& result) {
        if (S_ISDIR(st.st_mode)) {
            // A link leading back up the tree would never end.
            if (!visited_.insert({st.st_dev, st.st_ino}).second) return true;
            if (options_.folderEntries && options_.keepFolderNames)
                sources_.push_back({std::string(), name + "/", st.st_mode});
            if (!top && !options_.recurse) return true;
            DIR* dir = ::opendir(posix.c_str());
            if (!dir) {
                result = {kFileUnreadable, "cannot read folder: " + posix};
                return false;
            }
            std::vector<std::string> children;
            while (dirent* entry = ::readdir(dir)) {
                const std::string child = entry->d_name;
                if (child == "." || child == "..") continue;
                if (!options_.includeHidden && child[0] == '.') continue;
                children.push_back(child);
            }
            ::closedir(dir);
            std::sort(children.begin(), children.end());
            for (const std::string& child : children) {
                const std::string path = posix + "/" + child;
                struct stat cst {};
                if (::stat(path.c_str(), &cst) != 0) continue; // a dangling link
                if (S_ISDIR(cst.st_mode) && !options_.recurse) continue;
                if (!addPath(path, name + "/" + child, cst, false, result)) return false;
            }
            return true;
        }
        if (!S_ISREG(st.st_mode)) return true; // devices, sockets and pipes are not packed
        if (::access(posix.c_str(), R_OK) != 0) {
            result = {kFileUnreadable, "cannot read: " + posix};
            return false;
        }
        std::string entry = name;
        if (!options_.keepFolderNames) {
            const size_t slash = entry.rfind('/');
            if (slash != std::string::npos) entry.erase(0, slash + 1);
        }
        sources_.push_back({posix, entry, st.st_mode});
        return true;
    }

    const ZipOptions& options_;
    std::vector<Source> sources_;
    std::set<std::pair<dev_t, ino_t>> visited_;
};

// What libzip's callbacks see while it writes the archive.
struct CloseState {
    const ProgressFn* progress = nullptr;
    std::vector<std::string> names; // by entry index, in the ANSI code page
    int lastPercent = -1;
    size_t lastIndex = static_cast<size_t>(-1);
    bool cancelled = false;
};

void onProgress(zip_t*, double done, void* data) {
    auto* state = static_cast<CloseState*>(data);
    if (!state->progress || !*state->progress || state->names.empty()) return;
    const int percent = std::clamp(static_cast<int>(std::floor(done * 100.0)), 0, 100);
    // libzip writes the entries in index order and divides the work evenly among them.
    const size_t index =
        std::min(state->names.size() - 1,
                 static_cast<size_t>(done * static_cast<double>(state->names.size())));
    if (percent == state->lastPercent && index == state->lastIndex) return;
    state->lastPercent = percent;
    state->lastIndex = index;
    if (!(*state->progress)(state->names[index], percent)) state->cancelled = true;
}

int onCancel(zip_t*, void* data) {
    return static_cast<CloseState*>(data)->cancelled ? 1 : 0;
}

int codeOfWriteError(int zipError) {
    switch (zipError) {
    case ZIP_ER_CANCELLED:
        return kCancelled;
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
        return kFileUnreadable;
    default:
        return kCannotWrite;
    }
}

} // namespace

Result Zip(const ZipOptions& options, const ProgressFn& progress) {
    if (options.archive.empty()) return {kBadSettings, "no archive named"};
    zip_uint16_t method = ZIP_EM_NONE;
    if (!options.password.empty()) {
        if (options.encryption == kTraditionalEncryption)
            method = ZIP_EM_TRAD_PKWARE;
        else if (options.encryption == kAes256Encryption)
            method = ZIP_EM_AES_256;
        else
            return {kBadSettings,
                    "unknown encryption method " + std::to_string(options.encryption)};
    }
    std::vector<std::string> items;
    std::string error;
    if (!ParseItemList(options.items, items, error)) return {kBadItemList, error};
    Collector collector(options);
    Result result;
    for (const std::string& item : items)
        if (!collector.addItem(item, result)) return result;
    std::vector<Source>& sources = collector.sources();
    if (sources.empty()) return {kNothingToZip, "no files to pack"};

    const std::string archive = p::ToPosixPath(options.archive);
    if (archive.empty()) return {kCannotWrite, "cannot name the archive: " + options.archive};
    int openError = 0;
    zip_t* za =
        zip_open(archive.c_str(), ZIP_CREATE | (options.newArchive ? ZIP_TRUNCATE : 0), &openError);
    if (!za) {
        zip_error_t e;
        zip_error_init_with_code(&e, openError);
        Result failed{openError == ZIP_ER_OPEN ? kCannotWrite : kArchiveUnreadable,
                      std::string("cannot open ") + archive + ": " + zip_error_strerror(&e)};
        zip_error_fini(&e);
        return failed;
    }
    auto fail = [&](int code, const std::string& why) {
        Result failed{code, why + ": " + zip_strerror(za)};
        zip_discard(za);
        return failed;
    };
    const zip_int32_t compression = options.storeOnly ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    const zip_uint32_t level = static_cast<zip_uint32_t>(std::clamp(options.level, 0, 9));
    long long added = 0;
    for (const Source& source : sources) {
        const zip_int64_t existing = zip_name_locate(za, source.name.c_str(), ZIP_FL_ENC_UTF_8);
        if (existing >= 0 && !options.replaceEntries) continue;
        zip_int64_t index = -1;
        if (source.posix.empty()) {
            if (existing >= 0) continue;
            index = zip_dir_add(za, source.name.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t* data = zip_source_file(za, source.posix.c_str(), 0, -1);
            if (!data) return fail(kFileUnreadable, "cannot read " + source.posix);
            index =
                zip_file_add(za, source.name.c_str(), data, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
            if (index < 0) {
                zip_source_free(data);
                return fail(kCannotWrite, "cannot add " + source.name);
            }
            if (zip_set_file_compression(za, static_cast<zip_uint64_t>(index), compression,
                                         level) != 0)
                return fail(kCannotWrite, "cannot compress " + source.name);
            if (method != ZIP_EM_NONE &&
                zip_file_set_encryption(za, static_cast<zip_uint64_t>(index), method,
                                        options.password.c_str()) != 0)
                return fail(kBadSettings, "cannot encrypt " + source.name);
        }
        if (index < 0) return fail(kCannotWrite, "cannot add " + source.name);
        // Unix permissions travel in the upper half, as the common tools write them.
        zip_file_set_external_attributes(za, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                         static_cast<zip_uint32_t>(source.mode) << 16);
        ++added;
    }

    CloseState state;
    state.progress = &progress;
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        state.names.push_back(name ? p::Utf8ToAnsi(name) : std::string());
    }
    if (progress) {
        zip_register_progress_callback_with_state(za, 0.001, onProgress, nullptr, &state);
        zip_register_cancel_callback_with_state(za, onCancel, nullptr, &state);
    }
    if (zip_close(za) != 0) {
        const int code =
            state.cancelled ? kCancelled : codeOfWriteError(zip_error_code_zip(zip_get_error(za)));
        Result failed{code, code == kCancelled
                                ? std::string("cancelled")
                                : std::string("cannot write ") + archive + ": " + zip_strerror(za)};
        zip_discard(za);
        return failed;
    }
    return {kOk, std::string(), added};
}

} // namespace zipengine
