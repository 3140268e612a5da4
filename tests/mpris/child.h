// Programs the MPRIS tests run beside the one under test (mpv), and
// lumivox-mpris itself, which they signal.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace lumivox::mpris_test {

class Child {
  public:
    // Starts argv[0] (a path, or a name looked up in PATH) with the given
    // variables added to the environment; standard output and error go to
    // output_path (discarded when empty), standard input is empty.
    Child(const std::vector<std::string>& argv, const std::string& output_path = "",
          const std::vector<std::string>& environment = {});
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    void signal(int number);
    // Its exit status; none when it did not end in time (it is then killed)
    // or was ended by a signal.
    std::optional<int> wait(int timeout_ms);

  private:
    pid_t pid_ = -1;
};

// The lane's own program of that name (lumivox-mpris, lumivox-ghost).
std::string lane_program(const std::string& name);

std::string read_file(const std::string& path);

} // namespace lumivox::mpris_test
