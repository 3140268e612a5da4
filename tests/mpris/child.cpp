#include "tests/mpris/child.h"

#include "tests/e2e/processes.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace lumivox::mpris_test {

Child::Child(const std::vector<std::string>& argv, const std::string& output_path,
             const std::vector<std::string>& environment) {
    std::vector<std::string> variables;
    for (char** e = environ; *e != nullptr; ++e)
        variables.emplace_back(*e);
    for (const std::string& added : environment) {
        std::string name = added.substr(0, added.find('=') + 1);
        std::erase_if(variables, [&](const std::string& v) { return v.rfind(name, 0) == 0; });
        variables.push_back(added);
    }
    std::vector<char*> raw_argv, raw_environment;
    for (const std::string& a : argv)
        raw_argv.push_back(const_cast<char*>(a.c_str()));
    raw_argv.push_back(nullptr);
    for (const std::string& v : variables)
        raw_environment.push_back(const_cast<char*>(v.c_str()));
    raw_environment.push_back(nullptr);

    int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int out = output_path.empty()
                  ? open("/dev/null", O_WRONLY | O_CLOEXEC)
                  : open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, out, 2);
    if (posix_spawnp(&pid_, raw_argv[0], &actions, nullptr, raw_argv.data(),
                     raw_environment.data()) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in);
    close(out);
}

void Child::signal(int number) {
    if (pid_ > 0)
        kill(pid_, number);
}

std::optional<int> Child::wait(int timeout_ms) {
    if (pid_ <= 0)
        return std::nullopt;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(pid_, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (done == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return std::nullopt;
    }
    pid_ = -1;
    if (!WIFEXITED(status))
        return std::nullopt;
    return WEXITSTATUS(status);
}

Child::~Child() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::string lane_program(const std::string& name) {
    return e2e::lane().bin + "/" + name;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace lumivox::mpris_test
