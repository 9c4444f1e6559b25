// Voice playback through a private PulseAudio server with a null sink: each WAV encoding
// plays for about its length; bad files and a missing server fail at once.
#include <gtest/gtest.h>

#include <signal.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "platform/errors.h"
#include "platform/sound.h"
#include "support/prefix.h"

namespace p = tessaly::platform;

namespace {

// Started by the test, stopped by its process id; an empty socket() when it never answered.
class PrivateSoundServer {
  public:
    explicit PrivateSoundServer(const std::string& folder) : socket_(folder + "/native") {
        for (const char* sub : {"", "/run"})
            mkdir((folder + sub).c_str(), 0700);
        if ((pid_ = fork()) == 0) {
            setenv("HOME", folder.c_str(), 1);
            setenv("XDG_RUNTIME_DIR", (folder + "/run").c_str(), 1);
            const std::string protocol =
                "module-native-protocol-unix auth-anonymous=1 socket=" + socket_;
            execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                   "--use-pid-file=no", "-L", "module-null-sink", "-L", protocol.c_str(),
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        struct stat st;
        for (int i = 0; i < 100 && stat(socket_.c_str(), &st) != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (stat(socket_.c_str(), &st) != 0) socket_.clear();
    }
    ~PrivateSoundServer() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    const std::string& socket() const { return socket_; }

  private:
    pid_t pid_ = -1;
    std::string socket_;
};

// A mono 440 Hz tone of that encoding, rate and length, written by libsndfile.
void writeTone(const std::string& path, int format, int rate, double seconds) {
    SF_INFO info{0, rate, 1, format, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << path;
    std::vector<short> samples(static_cast<size_t>(rate * seconds));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<short>(8000 * std::sin(i * 2 * M_PI * 440 / rate));
    sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
}

double secondsToPlay(const char* path, DWORD flags) {
    const auto start = std::chrono::steady_clock::now();
    p::SetLastError(0);
    const BOOL played = p::PlaySoundA(path, nullptr, flags);
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return played ? took : -took - 1; // negative: failed
}

} // namespace

TEST(Sound, EveryVoiceEncodingPlaysForAboutItsLength) {
    tessaly::testing::TempPrefix prefix;
    PrivateSoundServer server(prefix.scratch() + "/pulse");
    if (server.socket().empty()) GTEST_SKIP() << "pulseaudio could not start here";
    setenv("PULSE_SERVER", ("unix:" + server.socket()).c_str(), 1);
    const int formats[] = {SF_FORMAT_PCM_16,   SF_FORMAT_PCM_U8, SF_FORMAT_IMA_ADPCM,
                           SF_FORMAT_MS_ADPCM, SF_FORMAT_ULAW,   SF_FORMAT_ALAW};
    // The null sink renders with a fixed latency (2 s here): each call lasts that plus the
    // sound's length, so a 0.1-second sound gives the base.
    const std::string tone = prefix.scratch() + "/tone.wav";
    writeTone(tone, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 0.1);
    const double base = secondsToPlay(tessaly::testing::WindowsPath(tone).c_str(), p::SND_FILENAME);
    ASSERT_GT(base, 0) << "error " << p::GetLastError();
    for (int format : formats) {
        writeTone(tone, SF_FORMAT_WAV | format, 8000, 1.1);
        const double took =
            secondsToPlay(tessaly::testing::WindowsPath(tone).c_str(), p::SND_FILENAME);
        EXPECT_TRUE(took - base > 0.8 && took - base < 1.4)
            << "format " << format << ": " << took << " s against " << base << ", error "
            << p::GetLastError();
    }
    writeTone(tone, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 5);
    const double async =
        secondsToPlay(tessaly::testing::WindowsPath(tone).c_str(), p::SND_FILENAME | p::SND_ASYNC);
    EXPECT_TRUE(async >= 0 && async < 2.5) << async;
    EXPECT_TRUE(p::PlaySoundA(nullptr, nullptr, p::SND_PURGE));
    unsetenv("PULSE_SERVER");
}

TEST(Sound, BadFilesAndAMissingServerFailPromptly) {
    tessaly::testing::TempPrefix prefix;
    const std::string dir = prefix.scratch() + "/";
    writeTone(dir + "good.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 0.5);
    writeTone(dir + "tone.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 8000, 0.5);
    tessaly::testing::WriteFile(dir + "cut.wav",
                                tessaly::testing::ReadFile(dir + "good.wav").substr(0, 20));
    tessaly::testing::WriteFile(dir + "empty.wav", "");
    tessaly::testing::WriteFile(dir + "text.wav", "This is a text, not a sound.\r\n");
    setenv("PULSE_SERVER", ("unix:" + dir + "no-server").c_str(), 1);
    const std::tuple<const char*, DWORD, DWORD> rows[] = {
        {"none.wav", p::SND_FILENAME, ERROR_FILE_NOT_FOUND},
        {"empty.wav", p::SND_FILENAME, ERROR_INVALID_DATA},
        {"cut.wav", p::SND_FILENAME, ERROR_INVALID_DATA},
        {"text.wav", p::SND_FILENAME, ERROR_INVALID_DATA},
        {"tone.aiff", p::SND_FILENAME, ERROR_INVALID_DATA},
        {"good.wav", p::SND_SYNC, ERROR_INVALID_PARAMETER},
        {"good.wav", p::SND_FILENAME, ERROR_GEN_FAILURE}, // no sound server
    };
    for (const auto& [name, flags, error] : rows) {
        const double took = secondsToPlay(tessaly::testing::WindowsPath(dir + name).c_str(), flags);
        EXPECT_TRUE(took < 0 && took > -4) << name << " " << took;
        EXPECT_EQ(p::GetLastError(), error) << name;
    }
    unsetenv("PULSE_SERVER");
}
