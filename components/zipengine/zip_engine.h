#pragma once
// The zip engine ("ZipEngine.dll", libZipEngine.so): packing files into zip archives and
// unpacking them safely, on libzip, and the three ActiveX controls (zip, unzip, status) that
// the library's "Zip/Unzip" window drives. Programs may call the engine directly.
//
// Paths are Windows paths in the ANSI code page (as the library's interface passes them).
//
// Item lists (what to pack): items separated by "|" or line ends; blanks around an item are
// dropped, blanks inside it kept; every double quote is dropped (no file name holds one), so
// the list may come quoted as a whole or item by item. An item names a file (packed under
// its name), a folder (packed with its contents under the folder's name) or a pattern with
// "*" and "?" in its last part (Windows matching, "*.*" matches every name) whose matching
// files and folders are packed the same way. Relative items are taken against the current
// folder. An item that matches nothing fails the whole job before anything is written.
//
// Unpacking is safe: an entry whose name is absolute (a leading slash or backslash, or a
// drive letter) or holds a ".." part makes the whole archive refused before anything is
// written (kUnsafeEntry). An entry that would be written through a symbolic link leading out
// of the destination, or a link entry pointing out of it, is skipped, the other entries are
// unpacked, and the result is kUnsafeEntry. Entry names are read as UTF-8 when their flag
// says so, else as code page 437 unless the unflagged name is valid UTF-8 (as Unix tools
// write names, without the flag), and written in the form the ANSI code page gives them.
// An entry is written under a temporary name beside its place and renamed when whole; one
// that inflates beyond its declared size, or fails its check value, is not kept
// (kCorruptEntry) and the rest is unpacked.
#include <functional>
#include <string>
#include <vector>

#define ZIPENGINE_API __attribute__((visibility("default")))

namespace zipengine {

// The engines' error codes (their error code properties).
enum Error : int {
    kOk = 0,
    kArchiveUnreadable = 1, // missing, unreadable, not a zip archive, truncated or corrupt
    kNothingToZip = 2,      // an item names no file or folder
    kFileUnreadable = 3,    // a file to pack cannot be read
    kCannotWrite = 4,       // the archive or the destination cannot be written
    kBadItemList = 5,       // the item list breaks its syntax
    kUnsafeEntry = 6,       // an entry was refused for leaving the destination
    kCorruptEntry = 7,      // an entry's data is damaged or larger than declared
    kSizeLimit = 8,         // the entries to unpack exceed the size limit
    kCancelled = 9,         // the progress callback asked to stop
    kBadSettings = 10,      // no archive path, an unknown encryption method
    kPassword = 49,         // a password is needed, or the one given is wrong
};

// Encryption methods (the zip control's property 38).
enum : int { kTraditionalEncryption = 2, kAes256Encryption = 3 };

// Called while the work runs, from the thread that runs it: the item being processed and
// the percentage done (0 to 100). Returning false stops the work (kCancelled).
using ProgressFn = std::function<bool(const std::string& item, int percent)>;

struct ZipOptions {
    std::string archive;
    std::string items;    // an item list
    std::string password; // empty: no encryption
    int encryption = kTraditionalEncryption;
    int level = 6;               // deflate level 0-9
    bool recurse = true;         // folders with their sub-folders (else their files only)
    bool keepFolderNames = true; // entries keep their folders (else bare file names)
    bool folderEntries = true;   // an entry for each folder, so empty ones survive
    bool replaceEntries = true;  // an entry already in the archive is replaced (else kept)
    bool includeHidden = true;   // names beginning with "." are packed
    bool storeOnly = false;      // no compression
    bool newArchive = false;     // an existing archive is replaced (else added to)
};

struct UnzipOptions {
    std::string archive;
    std::string destination;
    std::string password;
    std::string pattern = "*.*";   // entries whose name matches (Windows matching)
    long long sizeLimit = -1;      // most bytes to unpack in all; -1 none
    bool keepFolderNames = true;   // entries' folders are made (else bare names)
    bool createDestination = true; // a missing destination is made with its parents
    bool restoreTimes = true;      // files get the entries' modification times
    bool restoreModes = true;      // permission bits of Unix-made entries (no set-id bits)
    bool checkConsistency = true;  // the archive's directories are checked on opening
    bool replaceExisting = true;   // existing files are replaced (else left as they are)
};

struct Result {
    int code = kOk;
    std::string reason;    // one line, empty on success
    long long entries = 0; // entries written (or packed)
};

ZIPENGINE_API Result Zip(const ZipOptions& options, const ProgressFn& progress = nullptr);
ZIPENGINE_API Result Unzip(const UnzipOptions& options, const ProgressFn& progress = nullptr);
// Splits an item list into items; false with the reason (and no items) when it breaks the
// syntax.
ZIPENGINE_API bool ParseItemList(const std::string& text, std::vector<std::string>& items,
                                 std::string& error);
// An entry name as unpacking takes it: the parts below the destination ("a/b.txt" ->
// {"a", "b.txt"}), separators "/" or "\", "." parts dropped; false when it is absolute or
// climbs out with "..".
ZIPENGINE_API bool SafeEntryParts(const std::string& name, std::vector<std::string>& parts);

} // namespace zipengine

// Puts the three controls into the framework's table of ActiveX control classes; 1 when
// done. The library calls it after loading the module.
extern "C" ZIPENGINE_API int RegisterZipControls();
