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

// A pulseaudio with a null sink, stopped by its process id; no socket when it never answered.
struct PrivateSoundServer {
    explicit PrivateSoundServer(const std::string& dir) : socket(dir + "/native") {
        mkdir(dir.c_str(), 0700), mkdir((dir + "/run").c_str(), 0700);
        if ((pid = fork()) == 0) {
            setenv("HOME", dir.c_str(), 1), setenv("XDG_RUNTIME_DIR", (dir + "/run").c_str(), 1);
            const std::string protocol =
                "module-native-protocol-unix auth-anonymous=1 socket=" + socket;
            execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                   "--use-pid-file=no", "-L", "module-null-sink", "-L", protocol.c_str(),
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 100 && access(socket.c_str(), F_OK) != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (access(socket.c_str(), F_OK) != 0) socket.clear();
    }
    ~PrivateSoundServer() {
        if (pid > 0) kill(pid, SIGTERM), waitpid(pid, nullptr, 0); // never kill(-1)
    }
    std::string socket;
    pid_t pid = -1;
};

// A mono 8 kHz tone of that format and length, written by libsndfile.
void writeTone(const std::string& path, int format, double seconds) {
    SF_INFO info{0, 8000, 1, format, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << path;
    std::vector<short> samples(static_cast<size_t>(8000 * seconds));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<short>(8000 * std::sin(i * 2 * M_PI * 440 / 8000));
    sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
}

// Seconds the call took; negative when it failed.
double secondsToPlay(const std::string& path, DWORD flags) {
    const auto start = std::chrono::steady_clock::now();
    p::SetLastError(0);
    const BOOL played = p::PlaySoundA(tessaly::testing::WindowsPath(path).c_str(), nullptr, flags);
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return played ? took : -took - 1;
}

} // namespace

TEST(Sound, EveryVoiceEncodingPlaysForAboutItsLength) {
    tessaly::testing::TempPrefix prefix;
    PrivateSoundServer server(prefix.scratch() + "/pulse");
    if (server.socket.empty()) GTEST_SKIP() << "pulseaudio could not start here";
    setenv("PULSE_SERVER", ("unix:" + server.socket).c_str(), 1);
    // The null sink renders with a fixed latency (2 s here): each call lasts that plus the
    // sound's length, so a 0.1-second sound gives the base.
    const std::string tone = prefix.scratch() + "/tone.wav";
    writeTone(tone, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0.1);
    const double base = secondsToPlay(tone, p::SND_FILENAME);
    ASSERT_GT(base, 0) << "error " << p::GetLastError();
    for (int format : {SF_FORMAT_PCM_16, SF_FORMAT_PCM_U8, SF_FORMAT_IMA_ADPCM, SF_FORMAT_MS_ADPCM,
                       SF_FORMAT_ULAW, SF_FORMAT_ALAW}) {
        writeTone(tone, SF_FORMAT_WAV | format, 1.1);
        const double took = secondsToPlay(tone, p::SND_FILENAME);
        EXPECT_TRUE(took - base > 0.8 && took - base < 1.4)
            << "format " << format << ": " << took << " s against " << base << ", error "
            << p::GetLastError();
    }
    writeTone(tone, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 5);
    const double async = secondsToPlay(tone, p::SND_FILENAME | p::SND_ASYNC);
    EXPECT_TRUE(async >= 0 && async < 2.5) << async;
    EXPECT_TRUE(p::PlaySoundA(nullptr, nullptr, p::SND_PURGE));
    unsetenv("PULSE_SERVER");
}

TEST(Sound, BadFilesAndAMissingServerFailPromptly) {
    tessaly::testing::TempPrefix prefix;
    const std::string dir = prefix.scratch() + "/";
    writeTone(dir + "good.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0.5);
    writeTone(dir + "tone.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 0.5);
    tessaly::testing::WriteFile(dir + "text.wav", "This is a text, not a sound.\r\n");
    setenv("PULSE_SERVER", ("unix:" + dir + "no-server").c_str(), 1);
    const std::tuple<const char*, DWORD, DWORD> rows[] = {
        {"none.wav", p::SND_FILENAME, ERROR_FILE_NOT_FOUND},
        {"text.wav", p::SND_FILENAME, ERROR_INVALID_DATA},
        {"tone.aiff", p::SND_FILENAME, ERROR_INVALID_DATA},
        {"good.wav", p::SND_SYNC, ERROR_INVALID_PARAMETER},
        {"good.wav", p::SND_FILENAME, ERROR_GEN_FAILURE}, // no sound server
    };
    for (const auto& [name, flags, error] : rows) {
        const double took = secondsToPlay(dir + name, flags);
        EXPECT_TRUE(took < 0 && took > -4) << name << " " << took;
        EXPECT_EQ(p::GetLastError(), error) << name;
    }
    unsetenv("PULSE_SERVER");
}
