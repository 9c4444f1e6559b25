#pragma once
// Environment variables and the current folder changed for one scope and put back afterwards.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

namespace tessaly::testing {

// Sets (or, for null, removes) a variable; the old value returns with the scope's end.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        Set(value);
    }
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
    ~ScopedEnv() { Set(had_ ? old_.c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    void Set(const char* value) {
        if (value)
            setenv(name_.c_str(), value, 1);
        else
            unsetenv(name_.c_str());
    }
    std::string name_;
    bool had_ = false;
    std::string old_;
};

// The time zone (TZ) for one scope, with the C library told at both ends.
class ScopedZone {
  public:
    explicit ScopedZone(const char* zone) : env_(std::in_place, "TZ", zone) { tzset(); }
    ~ScopedZone() {
        env_.reset();
        tzset();
    }

  private:
    std::optional<ScopedEnv> env_;
};

// The current folder as the scope began, put back at its end: a test that moves into its
// prefix must not leave the next test of the program in a removed folder.
struct ScopedCurrentFolder {
    ~ScopedCurrentFolder() {
        std::error_code ec;
        std::filesystem::current_path(previous, ec);
    }
    std::filesystem::path previous = std::filesystem::current_path();
};

} // namespace tessaly::testing
