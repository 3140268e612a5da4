#include "tests/e2e/processes.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace lumivox::e2e {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> command_line(const std::string& program,
                                      const std::vector<std::string>& args) {
    std::vector<std::string> argv;
    if (!lane().emulator.empty())
        argv.push_back(lane().emulator);
    argv.push_back(lane().bin + "/" + program + lane().suffix);
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

pid_t spawn(const std::vector<std::string>& argv, int in, int out, int err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    std::vector<char*> raw;
    for (const std::string& a : argv)
        raw.push_back(const_cast<char*>(a.c_str()));
    raw.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void drain(int fd, std::string& into) {
    char chunk[4096];
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n > 0)
        into.append(chunk, static_cast<size_t>(n));
}

std::optional<std::string> text_field(const nlohmann::json& record, const char* name) {
    auto it = record.find(name);
    if (it == record.end() || !it->is_string())
        return std::nullopt;
    return it->get<std::string>();
}

Record record_of(const std::string& line) {
    Record r;
    // A line that is no JSON object still counts, with nothing read from it,
    // so that a damaged record shows up as a wrong one rather than a gap.
    auto json = nlohmann::json::parse(line, nullptr, /*allow_exceptions=*/false);
    if (!json.is_object())
        return r;
    if (auto t = json.find("t_ms"); t != json.end() && t->is_number())
        r.t_ms = t->get<double>();
    r.via = text_field(json, "via").value_or("");
    r.script = text_field(json, "script");
    r.charset = text_field(json, "charset");
    if (auto s = json.find("status"); s != json.end() && s->is_number_integer())
        r.status = s->get<long>();
    r.ghost = text_field(json, "ghost");
    r.window = text_field(json, "window");
    return r;
}

} // namespace

const Lane& lane() {
    static const Lane l = [] {
        Lane value;
        const char* bin = std::getenv("LUMIVOX_E2E_BIN");
        const char* emulator = std::getenv("LUMIVOX_E2E_EMULATOR");
        value.bin = bin != nullptr ? bin : ".";
        value.emulator = emulator != nullptr ? emulator : "";
        value.windows = !value.emulator.empty();
        value.suffix = value.windows ? ".exe" : "";
        return value;
    }();
    return l;
}

Running::Running(const std::string& program, const std::vector<std::string>& args,
                 const std::string& input) {
    int in[2], out[2], err[2];
    // Close-on-exec, so that no child keeps another end open (a child holding
    // the writing end of its own input would never see the input end).
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return;
    pid_ = spawn(command_line(program, args), in[0], out[1], err[1]);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
    if (pid_ < 0)
        result_.err = "cannot start " + program;
    else if (!input.empty() && write(in[1], input.data(), input.size()) < 0)
        result_.err = "cannot write standard input";
    close(in[1]);
}

Finished Running::finish(int timeout_ms) {
    if (pid_ < 0)
        return result_;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    bool open_out = true, open_err = true;
    while ((open_out || open_err) && Clock::now() < deadline) {
        pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        if (poll(fds, 2, 100) <= 0)
            continue;
        if (fds[0].revents != 0) {
            size_t before = result_.out.size();
            drain(out_, result_.out);
            open_out = result_.out.size() != before;
        }
        if (fds[1].revents != 0) {
            size_t before = result_.err.size();
            drain(err_, result_.err);
            open_err = result_.err.size() != before;
        }
    }
    int status = 0;
    while (Clock::now() < deadline && waitpid(pid_, &status, WNOHANG) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (waitpid(pid_, &status, WNOHANG) == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        result_.status = -1;
    } else {
        result_.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    pid_ = -1;
    return result_;
}

Running::~Running() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0)
        close(out_);
    if (err_ >= 0)
        close(err_);
}

Finished run_program(const std::string& program, const std::vector<std::string>& args,
                     const std::string& input, int timeout_ms) {
    return Running(program, args, input).finish(timeout_ms);
}

Ghost::Ghost(const std::vector<std::string>& args) {
    record_ = make_temp_folder() + "/record.jsonl";
    std::vector<std::string> all = {"--quiet", "--record", record_};
    all.insert(all.end(), args.begin(), args.end());
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return;
    int null_in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    pid_ = spawn(command_line("lumivox-ghost", all), null_in, out[1], 2);
    close(null_in);
    close(out[1]);
    out_ = out[0];
    std::string said;
    auto deadline = Clock::now() + std::chrono::seconds(60);
    while (pid_ > 0 && Clock::now() < deadline && said.find("ready") == std::string::npos) {
        pollfd fd{out_, POLLIN, 0};
        if (poll(&fd, 1, 100) > 0) {
            size_t before = said.size();
            drain(out_, said);
            if (said.size() == before)
                break;
        }
    }
    ready_ = said.find("ready") != std::string::npos;
}

void Ghost::stop() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    int status = 0;
    auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline && waitpid(pid_, &status, WNOHANG) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (waitpid(pid_, &status, WNOHANG) == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    if (out_ >= 0)
        close(out_);
    out_ = -1;
}

Ghost::~Ghost() {
    stop();
}

std::vector<Record> read_records(const std::string& path) {
    std::vector<Record> records;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        records.push_back(record_of(line));
    return records;
}

std::string make_temp_folder() {
    char pattern[] = "/tmp/lumivox-e2e-XXXXXX";
    const char* made = mkdtemp(pattern);
    return made != nullptr ? made : "/tmp";
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace lumivox::e2e
