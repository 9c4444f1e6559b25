// Scrambling data files and memory blocks with a repeating key.
#include <tessaly/backup.h>
#include <tessaly/platform.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>

#include "support/prefix.h"
#include "support/run.h"

namespace fs = std::filesystem;
using namespace tessaly::testing;

namespace {

class Scrambling : public DrivePrefixTest {
  protected:
    // The test's own reference of the transform.
    static std::string transformed(std::string data, const std::string& key) {
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<char>(data[i] ^ key[i % key.size()]);
        return data;
    }
    static unsigned char* bytes(const std::string& key) {
        return reinterpret_cast<unsigned char*>(const_cast<char*>(key.data()));
    }
    static int scramble(const char* from, std::string to, const std::string& key, int length) {
        return EnDecryptDataFile(from, to.data(), bytes(key), length);
    }
};

} // namespace

// The key over the whole file, across the chunk boundaries and at odd key lengths; twice
// gives the first bytes back; the same path is scrambled in place.
TEST_F(Scrambling, FileToFileIsTheRepeatingKeyTransform) {
    const std::pair<size_t, std::string> cases[] = {
        {0, "k"}, {1000, "\x5a"}, {(3u << 20) + 7, std::string("\x01\xff\x10\x00\x7e\x33\x99", 7)}};
    for (const auto& [size, key] : cases) {
        SCOPED_TRACE(size);
        std::string plain(size, '\0');
        for (size_t i = 0; i < size; ++i)
            plain[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
        WriteFile(c + "/in.dat", plain);
        const int length = static_cast<int>(key.size());
        ASSERT_EQ(scramble("C:\\in.dat", "C:\\out.dat", key, length), 1);
        EXPECT_TRUE(ReadFile(c + "/out.dat") == transformed(plain, key));
        ASSERT_EQ(scramble("C:\\out.dat", "C:\\out.dat", key, length), 1);
        EXPECT_TRUE(ReadFile(c + "/out.dat") == plain);
    }
}

// A scramble killed while it writes leaves the earlier target whole.
TEST_F(Scrambling, AKilledScrambleLeavesTheEarlierTarget) {
    WriteFile(c + "/big.dat", std::string(256u << 20, 'x'));
    WriteFile(c + "/target.dat", "earlier target");
    const std::string program = TessalyProgram(), in = c + "/big.dat", out = c + "/target.dat";
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("scramble"),
                    const_cast<char*>(in.c_str()), const_cast<char*>(out.c_str()), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, argv[0], nullptr, nullptr, argv, environ), 0);
    bool writing = false; // the half-written file beside the target has data
    pid_t ended = 0;
    while (!writing && (ended = waitpid(child, nullptr, WNOHANG)) == 0)
        for (const auto& entry : fs::directory_iterator(c)) {
            std::error_code gone; // the file may be renamed meanwhile
            const auto size = entry.file_size(gone);
            writing |=
                entry.path().filename().string().starts_with(".target.dat.") && !gone && size > 0;
        }
    if (ended == 0 && kill(child, SIGKILL) == 0) waitpid(child, nullptr, 0);
    EXPECT_TRUE(writing) << "the scramble ended before it could be killed";
    EXPECT_EQ(ReadFile(out), "earlier target");
}

// A null key with any length uses the built-in ten bytes, which repeat.
TEST_F(Scrambling, NullKeyUsesTheTenByteDefault) {
    WriteFile(c + "/zeros.dat", std::string(40, '\0'));
    std::string out = "C:\\key.dat", again = "C:\\again.dat";
    ASSERT_EQ(EnDecryptDataFile("C:\\zeros.dat", out.data(), nullptr, 0), 1);
    ASSERT_EQ(EnDecryptDataFile("C:\\zeros.dat", again.data(), nullptr, 77), 1);
    const std::string key = ReadFile(c + "/key.dat"), ten = key.substr(0, 10);
    EXPECT_EQ(ReadFile(c + "/again.dat"), key);
    EXPECT_EQ(key, ten + ten + ten + ten);
    EXPECT_NE(key.substr(0, 9), key.substr(1, 9)); // ten steps, not one byte repeated
}

// Bad input gives 0, leaves the earlier target and nothing half-written beside it.
TEST_F(Scrambling, BadInputLeavesTheTargetAlone) {
    WriteFile(c + "/plain.txt", "some words");
    WriteFile(c + "/target.txt", "earlier target");
    const std::tuple<const char*, const char*, int> cases[] = {
        {"C:\\missing.txt", "C:\\target.txt", 6},    {"C:\\", "C:\\target.txt", 6},
        {"C:\\plain.txt", "C:\\no\\such\\t.txt", 6}, {"C:\\plain.txt", "C:\\target.txt", 0},
        {"C:\\plain.txt", "C:\\target.txt", -3},
    };
    for (const auto& [source, target, keyLength] : cases) {
        EXPECT_EQ(scramble(source, target, "secret", keyLength), 0) << source << keyLength;
        EXPECT_EQ(ReadFile(c + "/target.txt"), "earlier target");
    }
    int files = 0;
    for (const auto& entry : fs::directory_iterator(c))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 2);
}

// Memory to file and back: the block is the caller's, the caller's bytes stay; a failure
// leaves pointer and size as they were.
TEST_F(Scrambling, MemoryBlocksRoundTrip) {
    const std::string key = "\x13\x37\xC0", original(5000, 'q');
    std::string caller = original;
    unsigned char* data = bytes(caller);
    unsigned int size = static_cast<unsigned int>(caller.size());
    EXPECT_NE(EnDecryptData("C:\\block.dat", &data, size, 0, bytes(key), 3), 0);
    EXPECT_EQ(caller, original);
    EXPECT_TRUE(ReadFile(c + "/block.dat") == transformed(original, key));
    unsigned char* back = nullptr;
    unsigned int backSize = 0;
    ASSERT_EQ(EnDecryptData("C:\\block.dat", &back, backSize, 1, bytes(key), 3), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back), backSize), original);
    EXPECT_EQ(GlobalFree(back), nullptr);
    for (const auto& [path, length] : {std::pair{"C:\\missing.dat", 3}, {"C:\\block.dat", 0}}) {
        unsigned char* untouched = data;
        unsigned int untouchedSize = 99;
        EXPECT_EQ(EnDecryptData(path, &untouched, untouchedSize, 1, bytes(key), length), 0);
        EXPECT_EQ(untouched, data);
        EXPECT_EQ(untouchedSize, 99u);
    }
}
