#pragma once
// Every test case gets its own throw-away prefix; nothing touches the user's home.
#include <gtest/gtest.h>

#include <string>

#include "support/environment.h"

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
    // Tests may move into the prefix (SetCurrentDirectoryA, chdir); they leave with it.
    ScopedCurrentFolder folder_;
    std::string root_;
    ScopedEnv env_; // TESSALY_PREFIX names root_
};

// Fixture: a fresh prefix for each test.
class PrefixTest : public ::testing::Test {
  protected:
    // An executable shell script in the scratch folder; returns its path.
    std::string MakeScript(const std::string& name, const std::string& body);

    TempPrefix prefix_;
};

// Fixture: a fresh prefix laid out with its drives and folders; c is drive C:'s folder.
class DrivePrefixTest : public PrefixTest {
  protected:
    void SetUp() override;

    std::string c;
};

// Writes a file (creating its folders); returns the path.
std::string WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);

// A POSIX path as the Windows side names it through drive Z:.
std::string WindowsPath(const std::string& posix);

} // namespace tessaly::testing
