// The hives shared by processes: two writers at once, and writers killed half-way.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "registry_support.h"
#include "support/prefix.h"

using namespace tessaly::testing::reg;
using tessaly::testing::PrefixTest;

namespace {

class RegistryProcesses : public PrefixTest {};

std::string Name(const char* prefix, int i) {
    return prefix + std::to_string(i);
}
std::string Payload(int writer, int i) {
    return "writer " + std::to_string(writer) + " value " + std::to_string(i);
}

// Runs body in a child process; its return value is the child's exit status.
template <typename Body> pid_t Spawn(Body body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    return pid;
}

int ExitStatus(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(RegistryProcesses, TwoWritersAtOnceLoseNothing) {
    constexpr int kValues = 2000;
    // The parent has the hive open when it forks, and goes on writing beside its children.
    ASSERT_EQ(0, Put(HKEY_CURRENT_USER, "Software\\Race", "parent", REG_SZ, "before"));
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = Spawn([w] {
            HKEY key = nullptr;
            if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Race", &key)) return 10;
            int failures = 0;
            const char* prefix = w == 0 ? "a" : "b";
            for (int i = 0; i < kValues; ++i) {
                std::string data = Payload(w, i);
                failures += RegSetValueExA(key, Name(prefix, i).c_str(), 0, REG_SZ,
                                           reinterpret_cast<const BYTE*>(data.data()),
                                           DWORD(data.size())) != 0;
                // Both also fight over one value and make keys side by side.
                failures += RegSetValueExA(key, "shared", 0, REG_DWORD,
                                           reinterpret_cast<const BYTE*>(&i), 4) != 0;
                if (i % 100 == 0) {
                    HKEY sub = nullptr;
                    failures +=
                        RegCreateKeyA(key, (std::string(prefix) + "\\" + std::to_string(i)).c_str(),
                                      &sub) != 0;
                    RegCloseKey(sub);
                }
            }
            RegCloseKey(key);
            return failures ? 1 : 0;
        });
        ASSERT_GT(writers[w], 0);
    }
    HKEY parentKey = nullptr;
    ASSERT_EQ(0, RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Race", &parentKey));
    int parentFailures = 0;
    for (int i = 0; i < kValues / 4; ++i) {
        std::string data = Payload(2, i);
        parentFailures +=
            RegSetValueExA(parentKey, Name("c", i).c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size())) != 0;
    }
    RegCloseKey(parentKey);
    EXPECT_EQ(0, parentFailures);
    EXPECT_EQ(0, ExitStatus(writers[0]));
    EXPECT_EQ(0, ExitStatus(writers[1]));

    HKEY key;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Race", 0, KEY_READ, &key));
    DWORD values = 0, subKeys = 0;
    ASSERT_EQ(0, RegQueryInfoKeyA(key, 0, 0, 0, &subKeys, 0, 0, &values, 0, 0, 0, 0));
    EXPECT_EQ(2u * kValues + kValues / 4 + 2, values);
    EXPECT_EQ(2u, subKeys);
    int missing = 0;
    for (int w = 0; w < 2; ++w)
        for (int i = 0; i < kValues; ++i)
            missing += Get(key, "", Name(w == 0 ? "a" : "b", i).c_str()) != Payload(w, i);
    for (int i = 0; i < kValues / 4; ++i)
        missing += Get(key, "", Name("c", i).c_str()) != Payload(2, i);
    EXPECT_EQ("before", Get(key, "", "parent"));
    EXPECT_EQ(0, missing);
    EXPECT_EQ(Dword(kValues - 1), Get(key, "", "shared"));
    RegCloseKey(key);
}

// Checks a hive after a writer was killed: every value the writer reported is there, the
// one it was writing may be, nothing after it is, and the store still takes writes.
int VerifyAfterKill(const std::string& prefix, int acknowledged, int round, int tag) {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Crash", &key)) return 20;
    for (int i = 0; i < acknowledged; ++i) {
        LONG rc = -1;
        if (Get(key, "", Name(prefix.c_str(), i).c_str(), &rc) != Payload(round, i)) return 21;
    }
    LONG rc = -1;
    Get(key, "", Name(prefix.c_str(), acknowledged + 1).c_str(), &rc);
    if (rc != 2) return 22;
    // Every value of the key reads back whole.
    char name[64];
    BYTE data[128];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        rc = RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize);
        if (rc == 259) break;
        if (rc) return 23;
        if (name[0] == 'r' && (type != REG_SZ || dataSize < 8)) return 23;
    }
    std::string after = "after " + std::to_string(tag);
    if (RegSetValueExA(key, after.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("ok"), 2))
        return 24;
    if (Get(key, "", after.c_str()) != "ok") return 25;
    HKEY sub = nullptr;
    if (RegCreateKeyA(key, after.c_str(), &sub) || RegDeleteKeyA(key, after.c_str())) return 26;
    RegCloseKey(sub);
    RegCloseKey(key);
    return 0;
}

TEST_F(RegistryProcesses, WriterKilledMidWriteLeavesAUsableStore) {
    std::random_device device;
    unsigned seed = device();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pause(5, 250);
    constexpr int kRounds = 5;
    std::vector<int> acknowledged(kRounds);

    for (int round = 0; round < kRounds; ++round) {
        int pipeFds[2];
        ASSERT_EQ(0, pipe(pipeFds));
        std::string prefix = "r" + std::to_string(round) + "_";
        pid_t writer = Spawn([&] {
            close(pipeFds[0]);
            HKEY key = nullptr;
            if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Crash", &key)) return 10;
            for (int i = 0;; ++i) {
                std::string data = Payload(round, i);
                if (RegSetValueExA(key, Name(prefix.c_str(), i).c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size())))
                    return 11;
                // Transactions of several statements: a subtree made and removed.
                if (i % 7 == 0) {
                    HKEY sub = nullptr;
                    std::string path = "Scratch\\" + std::to_string(i) + "\\deep";
                    if (RegCreateKeyA(key, path.c_str(), &sub)) return 12;
                    RegSetValueExA(sub, "x", 0, REG_BINARY, reinterpret_cast<const BYTE*>("xy"), 2);
                    RegCloseKey(sub);
                    if (RegDeleteTreeA(key, "Scratch")) return 13;
                }
                if (write(pipeFds[1], &i, sizeof i) != sizeof i) return 14;
            }
        });
        ASSERT_GT(writer, 0);
        close(pipeFds[1]);
        // Let the writer get going, then kill it wherever it happens to be.
        int progress = -1;
        read(pipeFds[0], &progress, sizeof progress);
        std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
        kill(writer, SIGKILL);
        EXPECT_EQ(128 + SIGKILL, ExitStatus(writer));
        int last = -1;
        while (read(pipeFds[0], &last, sizeof last) == sizeof last)
            progress = last;
        close(pipeFds[0]);
        acknowledged[round] = progress + 1;
        ASSERT_GT(acknowledged[round], 0);

        // A fresh process opens, reads and writes the store.
        pid_t verifier =
            Spawn([&] { return VerifyAfterKill(prefix, acknowledged[round], round, round); });
        EXPECT_EQ(0, ExitStatus(verifier))
            << "round " << round << ", " << acknowledged[round] << " values acknowledged";
    }
    // And so does this one, with everything of every round.
    for (int round = 0; round < kRounds; ++round)
        EXPECT_EQ(0, VerifyAfterKill("r" + std::to_string(round) + "_", acknowledged[round], round,
                                     kRounds + round));
}

} // namespace
