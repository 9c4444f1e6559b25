#pragma once
// The spelling engine's session: the main dictionary on Hunspell, the user dictionary, the
// options, word checks and suggestions. Shared by the block walk and the options dialog.
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include <tessaly/spelling_engine.h>

class Hunspell;

namespace tessaly::spelling {

// Letter classes of the ANSI code page's bytes (a lead byte of a double-byte code page counts
// as a letter together with its trail byte).
struct ByteClasses {
    unsigned codePage = 0;
    bool letter[256] = {};
    bool upper[256] = {};
    bool lower[256] = {};
    bool lead[256] = {};
};

struct Options {
    int bits = SSCE_DEFAULT_OPTIONS;
    int depth = SSCE_DEPTH_MODERATE;
    std::string language = "en_US";
};

// One word's result bits (0 when it passes) and an automatic correction.
struct WordCheck {
    int flags = 0;
    std::string correction;
};

class Engine {
  public:
    // Options read again from the registry (another process may have changed them).
    void Refresh();
    const Options& GetOptions() const { return options_; }
    // Persists and applies; a new language reloads the dictionaries on next need.
    void SetOptions(const Options& options);

    // Loads the main and user dictionaries if not loaded; false when the main one is missing.
    bool EnsureLoaded();
    const ByteClasses& Classes();

    // A word in ANSI bytes (checks options, user words and the dictionary; no doubled test).
    WordCheck Check(const std::string& word, bool wantCorrection);
    // Suggestions best first, in ANSI bytes (those the code page cannot hold left out).
    std::vector<std::string> Suggest(const std::string& word);

    // The user dictionary's Windows path and adding a word to it (appended to the file).
    std::string UserLexPath() const;
    bool AddUserWord(const std::string& word);
    bool IsUserWord(const std::string& word) const;

    // Installed dictionaries ("en_US", ...) and the files of one.
    static std::vector<std::string> InstalledDictionaries();
    static std::vector<std::string> DictionaryFiles(const std::string& name);

    std::recursive_mutex mutex;

  private:
    bool spells(const std::string& utf8);
    std::vector<std::string> editCandidates(const std::string& utf8, size_t limit);
    void loadUserWords();

    Options options_;
    bool optionsRead_ = false;
    std::unique_ptr<Hunspell> dictionary_;
    std::string loadedLanguage_;
    std::u32string tryLetters_;
    std::unordered_set<std::string> userWords_; // ANSI bytes
    ByteClasses classes_;
};

Engine& TheEngine();

// The ANSI word as UTF-8 (ASCII passes unchanged without a code-page lookup) and back.
std::string ToUtf8(const std::string& ansi);
std::string FromUtf8(const std::string& utf8);

} // namespace tessaly::spelling
