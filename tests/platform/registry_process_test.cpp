// The hives shared by processes: a writer killed at random moments while another writes.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>

#include "support/prefix.h"
#include "support/registry.h"

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

constexpr DWORD kImported = 300;

std::string ImportText(const std::string& prefix, int i) {
    std::string text = "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Crash\\" + Name(prefix, i) + "]\n";
    for (DWORD v = 0; v < kImported; ++v)
        text += "\"v" + std::to_string(v) + "\"=hex:01,02,03,04\n";
    return text;
}

// Checks a hive after a writer was killed: every value the writer reported is there, the
// one after the one it was writing is not, every value reads back whole, every import is
// there whole or not at all, and the store still takes writes.
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
    for (const std::string& import : SubKeys(key)) {
        HKEY sub = nullptr;
        DWORD values = 0;
        if (RegOpenKeyExA(key, import.c_str(), 0, KEY_READ, &sub) ||
            RegQueryInfoKeyA(sub, 0, 0, 0, 0, 0, 0, &values, 0, 0, 0, 0) || values != kImported)
            return 25;
        RegCloseKey(sub);
    }
    const std::string after = "after " + std::to_string(tag);
    if (SetText(key, after, "ok") || Get(key, "", after.c_str()) != "ok") return 24;
    RegCloseKey(key);
    return 0;
}

// This process has the hive open when it forks and writes beside each writer until the kill;
// both fight over one value. Nothing either reported is lost.
TEST_F(RegistryProcesses, WriterKilledMidWriteLeavesAWholeStore) {
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pause(5, 250);
    constexpr int kRounds = 5;
    std::vector<int> acknowledged(kRounds);
    HKEY mine = nullptr;
    ASSERT_EQ(0, RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Crash", &mine));
    int written = 0, failures = 0;
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
                if (SetText(key, "shared", Dword(i), REG_DWORD)) return 13;
                // An import is one transaction of many statements.
                if (i % 7 == 0 && RegImportText(ImportText(prefix, i))) return 12;
                if (write(pipeFds[1], &i, sizeof i) != sizeof i) return 14;
            }
        });
        ASSERT_GT(writer, 0);
        close(pipeFds[1]);
        // Let the writer get going, write beside it, then kill it wherever it happens to be.
        int progress = -1, last = -1;
        read(pipeFds[0], &progress, sizeof progress);
        const auto kill =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(pause(random));
        for (; std::chrono::steady_clock::now() < kill; ++written) {
            failures += SetText(mine, Name("p", written), Payload(kRounds, written)) != 0;
            failures += SetText(mine, "shared", Dword(written), REG_DWORD) != 0;
        }
        ::kill(writer, SIGKILL);
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
    EXPECT_EQ(0, failures);
    int missing = 0;
    for (int i = 0; i < written; ++i)
        missing += Get(mine, "", Name("p", i).c_str()) != Payload(kRounds, i);
    EXPECT_EQ(0, missing) << "of " << written;
    EXPECT_EQ(4u, Get(mine, "", "shared").size());
    RegCloseKey(mine);
}

} // namespace
