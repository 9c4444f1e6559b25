#pragma once
// A private CUPS scheduler for tests: its own configuration, spool, state and sockets in a
// temporary folder, listening on a free loopback port, with queues whose devices write jobs
// to files. The process is pointed at it through CUPS_SERVER; stopped when destroyed.
#include <sys/types.h>

#include <string>
#include <vector>

namespace tessaly::testing {

class PrintServer {
  public:
    PrintServer();
    ~PrintServer();
    PrintServer(const PrintServer&) = delete;
    PrintServer& operator=(const PrintServer&) = delete;

    // Empty when the scheduler runs, else why it does not.
    const std::string& failure() const { return failure_; }
    // "127.0.0.1:port", for CUPS_SERVER.
    const std::string& address() const { return address_; }
    const std::string& root() const { return root_; }
    // The file a queue's jobs are written to.
    std::string OutputOf(const std::string& queue) const { return root_ + "/out-" + queue; }

    // Adds a queue printing to OutputOf(queue); extra lpadmin arguments follow (-D, -o ...).
    // Returns lpadmin's error text, empty on success.
    std::string AddQueue(const std::string& queue, const std::vector<std::string>& extra = {});
    std::string DeleteQueue(const std::string& queue);

  private:
    std::string root_;
    std::string address_;
    std::string failure_;
    pid_t pid_ = -1;
};

// Points the process's CUPS calls at an address (a socket path that does not exist: no
// scheduler) and gives it a private HOME for the user's options file.
void UseCupsServer(const std::string& address);
inline constexpr const char kNoScheduler[] = "/nonexistent/tessaly-cups.sock";

} // namespace tessaly::testing
