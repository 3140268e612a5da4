// Running the substitute host and mascot host as separate programs, on
// either lane: the Windows lane's programs run through Wine.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace lumivox::e2e {

// Where the lane's programs are and how to run them: LUMIVOX_E2E_BIN (a
// folder) and LUMIVOX_E2E_EMULATOR (empty for native programs).
struct Lane {
    std::string bin;
    std::string emulator;
    std::string suffix; // ".exe" on the Windows lane
    bool windows = false;
};
const Lane& lane();

struct Finished {
    int status = -1; // exit status; -1 when killed after its time ran out
    std::string out;
    std::string err;
};

// A lane program started in the background with the given standard input;
// finish() collects its output and status (killing it after timeout_ms).
class Running {
  public:
    Running(const std::string& program, const std::vector<std::string>& args,
            const std::string& input);
    ~Running();
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    Finished finish(int timeout_ms = 120000);

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    Finished result_;
};

// Runs a lane program to its end (at most timeout_ms).
Finished run_program(const std::string& program, const std::vector<std::string>& args,
                     const std::string& input = "", int timeout_ms = 120000);

// lumivox-ghost in the background, recording to a file.
class Ghost {
  public:
    // Starts it and waits for it to say it is ready.
    explicit Ghost(const std::vector<std::string>& args = {});
    ~Ghost();
    Ghost(const Ghost&) = delete;
    Ghost& operator=(const Ghost&) = delete;

    bool ready() const { return ready_; }
    const std::string& record_path() const { return record_; }
    // Stops it (SIGTERM) and waits for it to end.
    void stop();

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool ready_ = false;
    std::string record_;
};

// One line of the ghost's record. Texts are UTF-8: a byte the ghost got
// that was not part of valid UTF-8 reads as the code point of the same number.
struct Record {
    double t_ms = 0;
    std::string via;
    std::optional<std::string> script;
    std::optional<std::string> charset;
    std::optional<long> status;
    // For a request sent to a ghost's window: the ghost's name and "sakura"
    // or "kero"; none over TCP.
    std::optional<std::string> ghost;
    std::optional<std::string> window;
};
std::vector<Record> read_records(const std::string& path);

// A fresh folder for one test's files.
std::string make_temp_folder();
void write_file(const std::string& path, const std::string& bytes);

} // namespace lumivox::e2e
