// The hives shared by processes: two writers at once, and writers killed half-way.
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

std::string Name(const std::string& prefix, int i) {
    return prefix + std::to_string(i);
}
std::string Payload(int writer, int i) {
    return "writer " + std::to_string(writer) + " value " + std::to_string(i);
}
LONG SetText(HKEY key, const std::string& name, const std::string& data, DWORD type = REG_SZ) {
    return RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          DWORD(data.size()));
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
    auto writer = [](int w, int count) {
        HKEY key = nullptr;
        if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Race", &key)) return 10;
        int failures = 0;
        const std::string prefix(1, char('a' + w));
        for (int i = 0; i < count; ++i) {
            failures += SetText(key, Name(prefix, i), Payload(w, i)) != 0;
            // The children also fight over one value.
            if (w != 2) failures += SetText(key, "shared", Dword(i), REG_DWORD) != 0;
        }
        RegCloseKey(key);
        return failures ? 1 : 0;
    };
    pid_t writers[2];
    for (int w = 0; w < 2; ++w)
        ASSERT_GT(writers[w] = Spawn([&] { return writer(w, kValues); }), 0);
    EXPECT_EQ(0, writer(2, kValues / 4));
    EXPECT_EQ(0, ExitStatus(writers[0]));
    EXPECT_EQ(0, ExitStatus(writers[1]));

    HKEY key;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Race", 0, KEY_READ, &key));
    DWORD values = 0;
    ASSERT_EQ(0, RegQueryInfoKeyA(key, 0, 0, 0, 0, 0, 0, &values, 0, 0, 0, 0));
    EXPECT_EQ(2u * kValues + kValues / 4 + 2, values);
    int missing = 0;
    for (int w = 0; w < 3; ++w)
        for (int i = 0; i < (w < 2 ? kValues : kValues / 4); ++i)
            missing +=
                Get(key, "", Name(std::string(1, char('a' + w)), i).c_str()) != Payload(w, i);
    EXPECT_EQ(0, missing);
    EXPECT_EQ("before", Get(key, "", "parent"));
    EXPECT_EQ(Dword(kValues - 1), Get(key, "", "shared"));
    RegCloseKey(key);
}

// Checks a hive after a writer was killed: every value the writer reported is there, the
// one after the one it was writing is not, every value reads back whole, and the store
// still takes writes.
int VerifyAfterKill(const std::string& prefix, int acknowledged, int round, int tag) {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Crash", &key)) return 20;
    for (int i = 0; i < acknowledged; ++i)
        if (Get(key, "", Name(prefix, i).c_str()) != Payload(round, i)) return 21;
    LONG rc = -1;
    Get(key, "", Name(prefix, acknowledged + 1).c_str(), &rc);
    if (rc != 2) return 22;
    char name[64];
    BYTE data[128];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        rc = RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize);
        if (rc == 259) break;
        if (rc || (name[0] == 'r' && (type != REG_SZ || dataSize < 8))) return 23;
    }
    const std::string after = "after " + std::to_string(tag);
    if (SetText(key, after, "ok") || Get(key, "", after.c_str()) != "ok") return 24;
    HKEY sub = nullptr;
    if (RegCreateKeyA(key, after.c_str(), &sub) || RegDeleteKeyA(key, after.c_str())) return 26;
    RegCloseKey(sub);
    RegCloseKey(key);
    return 0;
}

TEST_F(RegistryProcesses, WriterKilledMidWriteLeavesAUsableStore) {
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pause(5, 250);
    constexpr int kRounds = 5;
    std::vector<int> acknowledged(kRounds);
    for (int round = 0; round < kRounds; ++round) {
        int pipeFds[2];
        ASSERT_EQ(0, pipe(pipeFds));
        const std::string prefix = "r" + std::to_string(round) + "_";
        pid_t writer = Spawn([&] {
            close(pipeFds[0]);
            HKEY key = nullptr;
            if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Crash", &key)) return 10;
            for (int i = 0;; ++i) {
                if (SetText(key, Name(prefix, i), Payload(round, i))) return 11;
                // Transactions of several statements: a subtree made and removed.
                if (i % 7 == 0) {
                    HKEY sub = nullptr;
                    if (RegCreateKeyA(key, ("Scratch\\" + Name("", i) + "\\deep").c_str(), &sub))
                        return 12;
                    SetText(sub, "x", "xy", REG_BINARY);
                    RegCloseKey(sub);
                    if (RegDeleteTreeA(key, "Scratch")) return 13;
                }
                if (write(pipeFds[1], &i, sizeof i) != sizeof i) return 14;
            }
        });
        ASSERT_GT(writer, 0);
        close(pipeFds[1]);
        // Let the writer get going, then kill it wherever it happens to be.
        int progress = -1, last = -1;
        read(pipeFds[0], &progress, sizeof progress);
        std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
        kill(writer, SIGKILL);
        EXPECT_EQ(128 + SIGKILL, ExitStatus(writer));
        while (read(pipeFds[0], &last, sizeof last) == sizeof last)
            progress = last;
        close(pipeFds[0]);
        acknowledged[round] = progress + 1;
        ASSERT_GT(acknowledged[round], 0);
        // A fresh process opens, reads and writes the store.
        EXPECT_EQ(0, ExitStatus(Spawn([&] {
                      return VerifyAfterKill(prefix, acknowledged[round], round, round);
                  })))
            << "round " << round << ", " << acknowledged[round] << " values acknowledged";
    }
    // And so does this one, with everything of every round.
    for (int round = 0; round < kRounds; ++round)
        EXPECT_EQ(0, VerifyAfterKill("r" + std::to_string(round) + "_", acknowledged[round], round,
                                     kRounds + round));
}

} // namespace
