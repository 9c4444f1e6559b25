// Scrambling data files and memory blocks with a repeating key.
#include <tessaly/backup.h>
#include <tessaly/platform.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/prefix.h"

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
    static std::string pattern(size_t size) {
        std::string data(size, '\0');
        for (size_t i = 0; i < size; ++i)
            data[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
        return data;
    }
    int scramble(const char* from, std::string to, const std::string* key) {
        auto* bytes =
            key ? reinterpret_cast<unsigned char*>(const_cast<char*>(key->data())) : nullptr;
        return EnDecryptDataFile(from, to.data(), bytes, key ? static_cast<int>(key->size()) : 0);
    }
};

} // namespace

// The caller's key over the whole file, across the engine's chunk boundaries and at odd key
// lengths; scrambling twice gives the first bytes back.
TEST_F(Scrambling, FileToFileIsTheRepeatingKeyTransform) {
    struct Case {
        const char* name;
        size_t size;
        std::string key;
    } const cases[] = {
        {"empty file", 0, "k"},
        {"one-byte key", 1000, "\x5a"},
        {"odd key over several chunks", (3u << 20) + 7,
         std::string("\x01\xff\x10\x00\x7e\x33\x99", 7)},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const std::string plain = pattern(k.size);
        WriteFile(c + "/in.dat", plain);
        ASSERT_EQ(scramble("C:\\in.dat", "C:\\out.dat", &k.key), 1);
        EXPECT_TRUE(ReadFile(c + "/out.dat") == transformed(plain, k.key));
        ASSERT_EQ(scramble("C:\\out.dat", "C:\\back.dat", &k.key), 1);
        EXPECT_TRUE(ReadFile(c + "/back.dat") == plain);
    }
}

// The built-in key: any length with a null key uses it; it is ten bytes that repeat.
TEST_F(Scrambling, NullKeyUsesTheTenByteDefault) {
    WriteFile(c + "/zeros.dat", std::string(40, '\0'));
    std::string out = "C:\\key.dat";
    ASSERT_EQ(EnDecryptDataFile("C:\\zeros.dat", out.data(), nullptr, 0), 1);
    const std::string key = ReadFile(c + "/key.dat");
    ASSERT_EQ(key.size(), 40u);
    EXPECT_EQ(key.substr(0, 10), key.substr(10, 10));
    EXPECT_EQ(key.substr(0, 10), key.substr(30, 10));
    EXPECT_NE(key.substr(0, 10), std::string(10, '\0'));
    EXPECT_NE(key.substr(0, 9), key.substr(1, 9)); // not one byte repeated: ten distinct steps
    std::string again = "C:\\key2.dat";
    ASSERT_EQ(EnDecryptDataFile("C:\\zeros.dat", again.data(), nullptr, 77), 1);
    EXPECT_EQ(ReadFile(c + "/key2.dat"), key);
}

// Bad input gives 0 and leaves what was there; the same path scrambles in place.
TEST_F(Scrambling, BadInputLeavesTheTargetAlone) {
    const std::string key = "secret";
    constexpr int kOwn = 1000;
    WriteFile(c + "/plain.txt", "some words");
    WriteFile(c + "/target.txt", "earlier target");
    WriteFile(c + "/locked.txt", "cannot read");
    ::chmod((c + "/locked.txt").c_str(), 0);
    struct Case {
        const char* name;
        const char* source;
        const char* target;
        int keyLength; // kOwn: the key's own length
        int result;
    } const cases[] = {
        {"missing source", "C:\\missing.txt", "C:\\target.txt", kOwn, 0},
        {"unreadable source", "C:\\locked.txt", "C:\\target.txt", kOwn, 0},
        {"source is a folder", "C:\\", "C:\\target.txt", kOwn, 0},
        {"target in a missing folder", "C:\\plain.txt", "C:\\no\\such\\target.txt", kOwn, 0},
        {"key length 0", "C:\\plain.txt", "C:\\target.txt", 0, 0},
        {"key length below 0", "C:\\plain.txt", "C:\\target.txt", -3, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        if (k.source == std::string("C:\\locked.txt") && ::geteuid() == 0)
            continue; // root reads all
        std::string target = k.target;
        EXPECT_EQ(
            EnDecryptDataFile(k.source, target.data(),
                              reinterpret_cast<unsigned char*>(const_cast<char*>(key.data())),
                              k.keyLength == kOwn ? static_cast<int>(key.size()) : k.keyLength),
            k.result);
        EXPECT_EQ(ReadFile(c + "/target.txt"), "earlier target");
    }
    ::chmod((c + "/locked.txt").c_str(), 0600);
    // Nothing half-written is left beside the targets.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(c))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 3);
    // Same path: the file is replaced by its scrambled form, and back.
    ASSERT_EQ(scramble("C:\\plain.txt", "C:\\plain.txt", &key), 1);
    EXPECT_EQ(ReadFile(c + "/plain.txt"), transformed("some words", key));
    ASSERT_EQ(scramble("C:\\plain.txt", "C:\\plain.txt", &key), 1);
    EXPECT_EQ(ReadFile(c + "/plain.txt"), "some words");
}

// Memory to file and file to memory: the block is the caller's, the caller's bytes stay;
// a missing file leaves pointer and size as they were.
TEST_F(Scrambling, MemoryBlocksRoundTrip) {
    const std::string key = "\x13\x37\xC0";
    auto* keyBytes = reinterpret_cast<unsigned char*>(const_cast<char*>(key.data()));
    std::string original = pattern(5000);
    std::string caller = original;
    unsigned char* data = reinterpret_cast<unsigned char*>(caller.data());
    unsigned int size = static_cast<unsigned int>(caller.size());
    EXPECT_NE(EnDecryptData("C:\\block.dat", &data, size, 0, keyBytes, 3), 0);
    EXPECT_EQ(caller, original);
    EXPECT_TRUE(ReadFile(c + "/block.dat") == transformed(original, key));

    unsigned char* back = nullptr;
    unsigned int backSize = 0;
    ASSERT_EQ(EnDecryptData("C:\\block.dat", &back, backSize, 1, keyBytes, 3), 1);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(backSize, original.size());
    EXPECT_TRUE(std::string(reinterpret_cast<char*>(back), backSize) == original);
    EXPECT_EQ(GlobalFree(back), nullptr);

    unsigned char* untouched = reinterpret_cast<unsigned char*>(0x1234);
    unsigned int untouchedSize = 99;
    struct Case {
        const char* name;
        const char* path;
        unsigned char* key;
        int keyLength;
    } const failing[] = {
        {"missing file", "C:\\missing.dat", keyBytes, 3},
        {"key length 0", "C:\\block.dat", keyBytes, 0},
    };
    for (const Case& k : failing) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(EnDecryptData(k.path, &untouched, untouchedSize, 1, k.key, k.keyLength), 0);
        EXPECT_EQ(untouched, reinterpret_cast<unsigned char*>(0x1234));
        EXPECT_EQ(untouchedSize, 99u);
    }
    // An empty file gives an empty block.
    WriteFile(c + "/empty.dat", "");
    unsigned char* empty = nullptr;
    unsigned int emptySize = 7;
    ASSERT_EQ(EnDecryptData("C:\\empty.dat", &empty, emptySize, 1, nullptr, 0), 1);
    EXPECT_EQ(emptySize, 0u);
    GlobalFree(empty);
}
