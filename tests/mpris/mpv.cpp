#include "tests/mpris/mpv.h"

#include "tools/common/monotonic.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <fstream>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace lumivox::mpris_test {

namespace {

void put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xff);
}

void put16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>(v >> 8);
}

std::string info_entry(const std::string& id, const std::string& text) {
    std::string value = text + '\0';
    if (value.size() % 2 != 0)
        value += '\0';
    std::string entry = id;
    put32(entry, static_cast<uint32_t>(value.size()));
    return entry + value;
}

int connect_socket(const std::string& path) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

void write_wav(const std::string& path, double seconds, const std::string& title,
               const std::string& artist) {
    const uint32_t rate = 44100;
    const uint16_t channels = 2;
    const uint32_t data_size = static_cast<uint32_t>(seconds * rate) * channels * 2;
    std::string info = "INFO" + info_entry("INAM", title) + info_entry("IART", artist);
    std::string body = "WAVEfmt ";
    put32(body, 16);
    put16(body, 1); // PCM
    put16(body, channels);
    put32(body, rate);
    put32(body, rate * channels * 2);
    put16(body, channels * 2);
    put16(body, 16);
    body += "LIST";
    put32(body, static_cast<uint32_t>(info.size()));
    body += info + "data";
    put32(body, data_size);
    std::string head = "RIFF";
    put32(head, static_cast<uint32_t>(body.size() + data_size));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << head << body << std::string(data_size, '\0');
}

Mpv::Mpv(const std::string& folder, const std::vector<std::string>& files,
         const std::vector<std::string>& options) {
    folder_ = folder;
    std::string socket_path = folder + "/mpv.socket";
    std::vector<std::string> argv = {"mpv",
                                     "--no-config",
                                     "--no-video",
                                     "--ao=null",
                                     "--idle=yes",
                                     "--no-terminal",
                                     "--script=/usr/lib/mpv-mpris/mpris.so",
                                     "--input-ipc-server=" + socket_path};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), files.begin(), files.end());
    process_ = std::make_unique<Child>(argv, folder + "/mpv.log");
    for (int i = 0; i < 500 && socket_ < 0 && process_->started(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        socket_ = connect_socket(socket_path);
    }
}

Mpv::~Mpv() {
    if (socket_ >= 0)
        close(socket_);
}

std::optional<nlohmann::json> Mpv::command(const nlohmann::json& words) {
    if (socket_ < 0)
        return std::nullopt;
    int id = next_id_++;
    std::string line = nlohmann::json{{"command", words}, {"request_id", id}}.dump() + "\n";
    if (send(socket_, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size()))
        return std::nullopt;
    // Events come on the same socket; the reply is the line with our ID.
    for (int waited = 0; waited < 5000;) {
        size_t end = buffered_.find('\n');
        if (end == std::string::npos) {
            pollfd fd{socket_, POLLIN, 0};
            if (poll(&fd, 1, 100) <= 0) {
                waited += 100;
                continue;
            }
            char chunk[4096];
            ssize_t n = read(socket_, chunk, sizeof chunk);
            if (n <= 0)
                return std::nullopt;
            buffered_.append(chunk, static_cast<size_t>(n));
            continue;
        }
        auto reply = nlohmann::json::parse(buffered_.substr(0, end), nullptr, false);
        buffered_.erase(0, end + 1);
        if (!reply.is_object() || reply.value("request_id", -1) != id)
            continue;
        if (reply.value("error", "") != "success")
            return std::nullopt;
        return reply.contains("data") ? reply["data"] : nlohmann::json();
    }
    return std::nullopt;
}

bool Mpv::wait_for_bus(int timeout_ms) {
    std::string listed = folder_ + "/players.txt";
    for (int waited = 0; waited < timeout_ms; waited += 50) {
        Child players({"playerctl", "--list-all"}, listed);
        players.wait(5000);
        if (read_file(listed).find("mpv") != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void Mpv::set_paused(bool paused) {
    command({"set_property", "pause", paused});
}

Sample Mpv::sample() {
    Sample s;
    double before = tools::monotonic_ms();
    auto position = command({"get_property", "time-pos"});
    double after = tools::monotonic_ms();
    auto entry = command({"get_property", "playlist-pos"});
    s.t_ms = (before + after) / 2;
    if (position && position->is_number())
        s.position = position->get<double>();
    if (entry && entry->is_number_integer())
        s.entry = entry->get<int>();
    auto paused = command({"get_property", "pause"});
    if (paused && paused->is_boolean() && paused->get<bool>())
        s.entry = -1; // no clock while paused
    samples_.push_back(s);
    return s;
}

bool Mpv::wait_for(const std::function<bool(const Sample&)>& done, int timeout_ms) {
    double deadline = tools::monotonic_ms() + timeout_ms;
    while (tools::monotonic_ms() < deadline) {
        if (done(sample()))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void Mpv::watch(int ms) {
    wait_for([](const Sample&) { return false; }, ms);
}

void Mpv::crash() {
    process_->signal(SIGKILL);
    process_->wait(5000);
    if (socket_ >= 0)
        close(socket_);
    socket_ = -1;
}

std::optional<double> passing_time(const std::vector<Sample>& samples, int entry, double seconds) {
    std::optional<double> earliest;
    for (size_t i = 0; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        if (s.entry != entry || s.position < seconds)
            continue;
        // Further past it, the sample still tells when the look before it
        // saw the position short of it and mpv played steadily in between:
        // a busy machine can keep the test from looking for a while.
        bool near = s.position <= seconds + 0.5;
        bool steady = false;
        if (!near && i > 0) {
            const Sample& before = samples[i - 1];
            double played_ms = (s.position - before.position) * 1000;
            steady = before.entry == entry && before.position < seconds &&
                     std::abs(played_ms - (s.t_ms - before.t_ms)) < 100;
        }
        if (!near && !steady)
            continue;
        double passed = s.t_ms - (s.position - seconds) * 1000;
        if (!earliest || passed < *earliest)
            earliest = passed;
    }
    return earliest;
}

std::vector<Sample> with_track_ends(const std::vector<Sample>& samples,
                                    const std::vector<double>& durations) {
    std::vector<Sample> out = samples;
    for (const Sample& s : samples) {
        size_t entry = static_cast<size_t>(s.entry);
        if (s.entry > 0 && entry <= durations.size() && s.position < 0 && s.position > -1.0)
            out.push_back({s.t_ms, s.entry - 1, durations[entry - 1] + s.position});
    }
    return out;
}

} // namespace lumivox::mpris_test
