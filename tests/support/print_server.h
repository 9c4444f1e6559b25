#pragma once
// A private CUPS scheduler for tests: configuration, spool, state and its socket in a
// temporary folder, queues whose devices write jobs to files; stopped when destroyed.
#include <memory>
#include <string>
#include <vector>

namespace tessaly::testing {

class PrintServer {
  public:
    PrintServer();
    ~PrintServer();
    const std::string& failure() const { return failure_; } // empty while it runs, else why
    const std::string& address() const { return address_; } // its socket's path
    std::string OutputOf(const std::string& queue) const { return root_ + "/out-" + queue; }
    // A raw queue printing to OutputOf(queue), extra lpadmin arguments after; lpadmin's
    // error text, empty on success.
    std::string AddQueue(const std::string& queue, const std::vector<std::string>& extra = {});

  private:
    std::string root_, address_, failure_;
    std::unique_ptr<class BackgroundProgram> cupsd_;
};

// Points the process's CUPS calls at an address (kNoScheduler: none) with a private HOME,
// the user's options emptied.
void UseCupsServer(const std::string& address);
inline constexpr const char kNoScheduler[] = "/nonexistent/tessaly-cups.sock";

} // namespace tessaly::testing
