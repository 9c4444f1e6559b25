#pragma once
// Every test case gets its own throw-away prefix; nothing touches the user's home.
#include <gtest/gtest.h>

#include <string>

namespace tessaly::testing {

class TempPrefix {
public:
    TempPrefix();
    ~TempPrefix();
    TempPrefix(const TempPrefix&) = delete;
    TempPrefix& operator=(const TempPrefix&) = delete;
    // The prefix folder (POSIX).
    const std::string& root() const { return root_; }
    // A scratch folder outside the prefix's drives, removed with the prefix.
    std::string scratch() const { return root_ + "/scratch"; }

private:
    std::string root_;
    std::string previous_;
    bool hadPrevious_ = false;
};

// Fixture: a fresh prefix for each test.
class PrefixTest : public ::testing::Test {
protected:
    TempPrefix prefix_;
};

// Writes a file (creating its folders); returns the path.
std::string WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);

} // namespace tessaly::testing
