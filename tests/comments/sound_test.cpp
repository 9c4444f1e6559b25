// Voice playback: WAV files of each encoding played through a private PulseAudio server with
// a null sink, for about their length; bad files and a missing server fail at once.
#include <gtest/gtest.h>

#include <signal.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/errors.h"
#include "platform/sound.h"
#include "support/prefix.h"

namespace p = tessaly::platform;
using tessaly::testing::WindowsPath;
using tessaly::testing::WriteFile;
using Clock = std::chrono::steady_clock;

namespace {

// A PulseAudio server of the test's own (null sink, private socket, home and runtime folder),
// stopped with the fixture. Empty problem() when it answers.
class PrivateSoundServer {
  public:
    explicit PrivateSoundServer(const std::string& folder) {
        const std::string home = folder + "/home", runtime = folder + "/run";
        mkdir(folder.c_str(), 0700);
        mkdir(home.c_str(), 0700);
        mkdir(runtime.c_str(), 0700);
        socket_ = folder + "/native";
        pid_ = fork();
        if (pid_ == 0) {
            setenv("HOME", home.c_str(), 1);
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
            const std::string protocol =
                "module-native-protocol-unix auth-anonymous=1 socket=" + socket_;
            const std::string log = folder + "/server.log";
            freopen(log.c_str(), "w", stderr);
            execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                   "--use-pid-file=no", "-L", "module-null-sink", "-L", protocol.c_str(),
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 100 && !ready(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!ready())
            problem_ = "pulseaudio did not open its socket; see " + folder + "/server.log";
    }
    ~PrivateSoundServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    std::string address() const { return "unix:" + socket_; }
    const std::string& problem() const { return problem_; }

  private:
    bool ready() const {
        struct stat st;
        return stat(socket_.c_str(), &st) == 0;
    }
    pid_t pid_ = -1;
    std::string socket_, problem_;
};

// Writes a mono sine tone of that encoding and length with libsndfile.
bool writeTone(const std::string& path, int format, int rate, double seconds) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    std::vector<short> samples(static_cast<size_t>(rate * seconds));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<short>(8000 * std::sin(i * 2 * M_PI * 440 / rate));
    sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
    return true;
}

class Sound : public tessaly::testing::DrivePrefixTest {
  protected:
    void TearDown() override {
        p::PlaySoundA(nullptr, nullptr, p::SND_PURGE);
        unsetenv("PULSE_SERVER");
    }
    std::string file(const std::string& name) { return c + "/" + name; }
    std::string windows(const std::string& name) { return "C:\\" + name; }
};

double secondsOf(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

} // namespace

TEST_F(Sound, EveryVoiceEncodingPlaysForAboutItsLength) {
    PrivateSoundServer server(prefix_.scratch() + "/pulse");
    if (!server.problem().empty()) GTEST_SKIP() << server.problem();
    setenv("PULSE_SERVER", server.address().c_str(), 1);
    struct Row {
        const char* encoding;
        int format;
        int rate;
    } const rows[] = {
        {"PCM 16", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050},
        {"PCM 8", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 11025},
        {"IMA ADPCM", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 8000},
        {"MS ADPCM", SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 8000},
        {"mu-law", SF_FORMAT_WAV | SF_FORMAT_ULAW, 8000},
        {"A-law", SF_FORMAT_WAV | SF_FORMAT_ALAW, 8000},
    };
    const double seconds = 0.6;
    for (const Row& row : rows) {
        ASSERT_TRUE(writeTone(file("tone.wav"), row.format, row.rate, seconds)) << row.encoding;
        const auto start = Clock::now();
        EXPECT_TRUE(
            p::PlaySoundA(windows("tone.wav").c_str(), nullptr, p::SND_FILENAME | p::SND_SYNC))
            << row.encoding << " error " << p::GetLastError();
        const double took = secondsOf(Clock::now() - start);
        EXPECT_GT(took, seconds - 0.1) << row.encoding;
        EXPECT_LT(took, seconds + 2.0) << row.encoding;
    }
    // Asynchronous: back at once, and a null sound stops it.
    ASSERT_TRUE(writeTone(file("long.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 5.0));
    const auto start = Clock::now();
    EXPECT_TRUE(
        p::PlaySoundA(windows("long.wav").c_str(), nullptr, p::SND_FILENAME | p::SND_ASYNC));
    EXPECT_LT(secondsOf(Clock::now() - start), 2.5);
    EXPECT_TRUE(p::PlaySoundA(nullptr, nullptr, p::SND_PURGE));
}

TEST_F(Sound, BadFilesAndAMissingServerFailPromptly) {
    writeTone(file("good.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 0.5);
    writeTone(file("tone.aiff"), SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 8000, 0.5);
    const std::string good = tessaly::testing::ReadFile(file("good.wav"));
    WriteFile(file("cut.wav"), good.substr(0, 20));
    WriteFile(file("empty.wav"), "");
    WriteFile(file("text.wav"), "This is a text, not a sound.\r\n");
    struct Row {
        const char* rule;
        const char* name;
        DWORD flags;
        DWORD error;
    } const rows[] = {
        {"missing file", "none.wav", p::SND_FILENAME, ERROR_FILE_NOT_FOUND},
        {"empty file", "empty.wav", p::SND_FILENAME, ERROR_INVALID_DATA},
        {"header cut short", "cut.wav", p::SND_FILENAME, ERROR_INVALID_DATA},
        {"text", "text.wav", p::SND_FILENAME, ERROR_INVALID_DATA},
        {"a sound of another kind", "tone.aiff", p::SND_FILENAME, ERROR_INVALID_DATA},
        {"not named as a file", "good.wav", p::SND_SYNC, ERROR_INVALID_PARAMETER},
        {"no sound server", "good.wav", p::SND_FILENAME, ERROR_GEN_FAILURE},
    };
    setenv("PULSE_SERVER", ("unix:" + prefix_.scratch() + "/no-server").c_str(), 1);
    for (const Row& row : rows) {
        p::SetLastError(0);
        const auto start = Clock::now();
        EXPECT_FALSE(p::PlaySoundA(windows(row.name).c_str(), nullptr, row.flags)) << row.rule;
        EXPECT_EQ(p::GetLastError(), row.error) << row.rule;
        EXPECT_LT(secondsOf(Clock::now() - start), 3.0) << row.rule;
    }
}
