// Voice playback through a private PulseAudio server with a null sink: each WAV encoding
// plays for about its length; bad files and a missing server fail at once.
#include <gtest/gtest.h>

#include <sndfile.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include "platform/errors.h"
#include "platform/sound.h"
#include "support/prefix.h"
#include "support/run.h"

namespace p = tessaly::platform;

namespace {

// Writes a mono 8 kHz sound of that format (none for 0) and length, then plays the file: the
// seconds the call took, negative when it failed.
double secondsToPlay(const std::string& path, DWORD flags, int format = 0, double seconds = 0) {
    SF_INFO info{0, 8000, 1, format, 0, 0};
    if (SNDFILE* file = format ? sf_open(path.c_str(), SFM_WRITE, &info) : nullptr) {
        const std::vector<short> samples(static_cast<size_t>(8000 * seconds), 4000);
        sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
        sf_close(file);
    }
    const auto start = std::chrono::steady_clock::now();
    p::SetLastError(0);
    const BOOL played = p::PlaySoundA(tessaly::testing::WindowsPath(path).c_str(), nullptr, flags);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return played ? took.count() : -took.count() - 1;
}

} // namespace

// Rows: file, sound written to it first, flags, last error; then each decoder through the
// server.
TEST(Sound, BadFilesFailPromptlyEveryVoiceEncodingPlaysForAboutItsLength) {
    tessaly::testing::TempPrefix prefix;
    const std::string dir = prefix.scratch() + "/";
    tessaly::testing::WriteFile(dir + "text.wav", "This is a text, not a sound.\r\n");
    setenv("PULSE_SERVER", ("unix:" + dir + "no-server").c_str(), 1);
    const std::tuple<const char*, int, DWORD, DWORD> rows[] = {
        {"none.wav", 0, p::SND_FILENAME, ERROR_FILE_NOT_FOUND},
        {"text.wav", 0, p::SND_FILENAME, ERROR_INVALID_DATA},
        {"tone.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, p::SND_FILENAME, ERROR_INVALID_DATA},
        {"good.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, p::SND_SYNC, ERROR_INVALID_PARAMETER},
        {"good.wav", 0, p::SND_FILENAME, ERROR_GEN_FAILURE}, // no sound server
    };
    for (const auto& [name, format, flags, error] : rows) {
        const double took = secondsToPlay(dir + name, flags, format, 0.5);
        EXPECT_EQ(std::make_pair(took < 0 && took > -4, p::GetLastError()),
                  std::make_pair(true, error))
            << name << " " << took;
    }
    // A private server with a null sink; it ends once idle for three seconds.
    tessaly::testing::RunProgram(
        {"pulseaudio", "--start", "-n", "--exit-idle-time=3", "-L", "module-null-sink", "-L",
         "module-native-protocol-unix auth-anonymous=1 socket=" + dir + "native"},
        {"HOME=" + dir, "XDG_RUNTIME_DIR=" + dir, "PULSE_SERVER"});
    if (access((dir + "native").c_str(), F_OK) != 0) GTEST_SKIP() << "pulseaudio did not start";
    setenv("PULSE_SERVER", ("unix:" + dir + "native").c_str(), 1);
    // A call lasts the null sink's fixed latency (2 s here) and the sound: 0.1 s gives the base.
    const std::string tone = dir + "tone.wav";
    secondsToPlay(tone, p::SND_FILENAME, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0.1); // warms it up
    const double base = secondsToPlay(tone, p::SND_FILENAME);
    ASSERT_GT(base, 0) << "error " << p::GetLastError();
    // PCM, IMA and MS ADPCM, mu-law, A-law: each its own decoder.
    for (int format : {SF_FORMAT_PCM_16, SF_FORMAT_IMA_ADPCM, SF_FORMAT_MS_ADPCM, SF_FORMAT_ULAW,
                       SF_FORMAT_ALAW}) {
        const double took = secondsToPlay(tone, p::SND_FILENAME, SF_FORMAT_WAV | format, 1.1);
        EXPECT_TRUE(took - base > 0.8 && took - base < 1.4) << format << ": " << took - base;
    }
    unsetenv("PULSE_SERVER");
}
