#pragma once
// A private X11 display for tests of windows seen across processes: Xvfb on a display number
// it picks itself (-displayfd), and programs started in the background on it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace tessaly::testing {

// Reads one line from fd within the time given; false on time-out or end.
inline bool ReadLineFrom(int fd, std::string& line, int milliseconds) {
    line.clear();
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) return false;
        char c = 0;
        if (read(fd, &c, 1) != 1) return false;
        if (c == '\n') return true;
        line.push_back(c);
    }
}

// A program running in the background with its standard output on a pipe; killed (and
// waited for) when the object goes.
class BackgroundProgram {
  public:
    BackgroundProgram(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment, bool outputOnFd3 = false) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            const int target = outputOnFd3 ? 3 : 1;
            if (fds[0] != target) close(fds[0]);
            dup2(fds[1], target);
            if (fds[1] != target) close(fds[1]);
            const int devnull = open("/dev/null", O_RDWR);
            dup2(devnull, 0);
            if (outputOnFd3) { // the X server: its talk is not the test's
                dup2(devnull, 1);
                dup2(devnull, 2);
            }
            for (const std::string& entry : environment) {
                const size_t equals = entry.find('=');
                if (equals == std::string::npos)
                    unsetenv(entry.c_str());
                else
                    setenv(entry.substr(0, equals).c_str(), entry.c_str() + equals + 1, 1);
            }
            std::vector<char*> argv;
            for (const std::string& a : arguments)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        out_ = fds[0];
    }
    ~BackgroundProgram() { Stop(); }
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    bool ReadLine(std::string& line, int milliseconds) {
        return out_ >= 0 && ReadLineFrom(out_, line, milliseconds);
    }
    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
            pid_ = -1;
        }
        if (out_ >= 0) close(out_);
        out_ = -1;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
};

// Xvfb on a free display; Name() is ":N", empty when Xvfb could not be started.
class PrivateDisplay {
  public:
    PrivateDisplay()
        : xvfb_({"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {},
                true) {
        std::string number;
        if (xvfb_.Started() && xvfb_.ReadLine(number, 15000) && !number.empty())
            name_ = ":" + number;
    }
    const std::string& Name() const { return name_; }

  private:
    BackgroundProgram xvfb_;
    std::string name_;
};

} // namespace tessaly::testing
