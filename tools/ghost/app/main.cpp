// lumivox-ghost: a substitute mascot host. It answers SSTP on
// 127.0.0.1:9801, publishes the shared memory "Sakura" and "SakuraUnicode"
// with two windows per ghost, shows what the ghost says, and can record
// every request.
#include "tools/common/monotonic.h"
#include "tools/common/arguments.h"
#include "tools/ghost/app/balloon.h"
#include "tools/ghost/app/request_log.h"
#include "tools/ghost/mascot_host.h"
#include "tools/ghost/sstp_server.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using namespace lumivox;

const char usage[] =
    "usage: lumivox-ghost [--name NAME]... [--record FILE] [--status CODE] [--hang]\n"
    "                     [--hang-after N] [--reject] [--garbage] [--quiet] [--for SECONDS]\n"
    "                     [--ids ssp|hex32|long] [--no-unicode] [--hold-lock]\n"
    "\n"
    "--name NAME    a ghost of this name, in UTF-8 (repeatable; default one ghost, \"Lumi\")\n"
    "--record FILE  append one JSON object per request to FILE\n"
    "--status CODE  answer SSTP requests with this status (default 200)\n"
    "--hang         never answer, neither over TCP nor to window messages\n"
    "--hang-after N answer the first N requests, then hang\n"
    "--reject       the ghosts' windows refuse every message\n"
    "--garbage      answer SSTP requests with bytes that are not SSTP\n"
    "--quiet        do not show what the ghost says\n"
    "--for SECONDS  stop by itself after this long\n"
    "--ids STYLE    the ghosts' IDs in the shared memory: ssp (default), hex32 (32 hex\n"
    "               digits) or long (36 bytes, a UUID)\n"
    "--no-unicode   publish \"Sakura\" only, as an older mascot host does, not\n"
    "               \"SakuraUnicode\"\n"
    "--hold-lock    hold the shared memory's locks (\"SakuraFMO\", \"SakuraUnicodeFMO\")\n"
    "               for the whole run, longer than any reader waits; otherwise the\n"
    "               ghosts' surfaces change all the time\n";

std::atomic<bool> stop_requested{false};
std::atomic<long> requests_left{-1}; // before hanging; -1: never
size_t ghost_count = 0;
ghost::SstpServer* server_for_hang = nullptr;

// Counts a request; once the allowance is used up, every later request hangs.
void count_request() {
    if (requests_left.load() < 0 || --requests_left != 0)
        return;
    server_for_hang->set_reply("", ghost::ReplyMode::never_answer);
    for (size_t i = 0; i < ghost_count; ++i)
        ghost::set_answer(i, ghost::WindowAnswer::hang);
}
std::mutex record_mutex;
FILE* record_file = nullptr;

void on_signal(int) {
    stop_requested = true;
}

#ifdef _WIN32
BOOL WINAPI on_console_event(DWORD) {
    stop_requested = true;
    return TRUE;
}
#endif

void record(const char* via, const std::string& request, std::optional<long> status,
            const std::optional<ghost::ReceivingWindow>& receiver = std::nullopt) {
    if (record_file == nullptr)
        return;
    std::string line = ghost::record_line(tools::monotonic_ms(), via, request, status, receiver);
    std::lock_guard<std::mutex> lock(record_mutex);
    std::fprintf(record_file, "%s\n", line.c_str());
    std::fflush(record_file);
}

const char* reason_of(long status) {
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 408:
        return "Request Timeout";
    case 409:
        return "Conflict";
    case 420:
        return "Refuse";
    case 501:
        return "Not Implemented";
    case 503:
        return "Service Unavailable";
    case 512:
        return "Invisible";
    default:
        return "Unknown";
    }
}

int fail_usage(const std::string& why) {
    std::fprintf(stderr, "lumivox-ghost: %s\n%s", why.c_str(), usage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<ghost::GhostSpec> ghosts;
    std::string record_path;
    long status = 200;
    bool hang = false;
    bool reject = false;
    bool garbage = false;
    bool quiet = false;
    double lifetime = -1;
    bool hold_lock = false;
    ghost::HostOptions options;
    const std::vector<std::string> args = tools::utf8_arguments(argc, argv);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const char* {
            return i + 1 < args.size() ? args[++i].c_str() : nullptr;
        };
        if (a == "--name" || a == "--record" || a == "--status" || a == "--for" ||
            a == "--hang-after" || a == "--ids") {
            const char* v = value();
            if (v == nullptr)
                return fail_usage(a + " needs a value");
            char* end = nullptr;
            if (a == "--name") {
                ghosts.push_back({v, "", ""});
            } else if (a == "--ids") {
                std::string style = v;
                if (style == "ssp")
                    options.ids = ghost::IdStyle::ssp;
                else if (style == "hex32")
                    options.ids = ghost::IdStyle::hex32;
                else if (style == "long")
                    options.ids = ghost::IdStyle::long36;
                else
                    return fail_usage("--ids takes ssp, hex32 or long");
            } else if (a == "--record") {
                record_path = v;
            } else if (a == "--hang-after") {
                requests_left = std::strtol(v, &end, 10);
                if (*end != '\0' || requests_left.load() < 1)
                    return fail_usage("--hang-after takes a number of requests");
            } else if (a == "--status") {
                status = std::strtol(v, &end, 10);
                if (*end != '\0' || status < 100 || status > 999)
                    return fail_usage("--status takes a three-digit code");
            } else {
                lifetime = std::strtod(v, &end);
                if (*end != '\0' || lifetime <= 0)
                    return fail_usage("--for takes a number of seconds");
            }
        } else if (a == "--hang") {
            hang = true;
        } else if (a == "--reject") {
            reject = true;
        } else if (a == "--garbage") {
            garbage = true;
        } else if (a == "--quiet") {
            quiet = true;
        } else if (a == "--no-unicode") {
            options.unicode = false;
        } else if (a == "--hold-lock") {
            hold_lock = true;
        } else if (a == "--help" || a == "-h") {
            std::fputs(usage, stdout);
            return 0;
        } else {
            return fail_usage("unknown option \"" + a + "\"");
        }
    }
    if (ghosts.empty())
        ghosts.push_back({"Lumi", "", ""});

    if (!record_path.empty()) {
        record_file = std::fopen(record_path.c_str(), "ab");
        if (record_file == nullptr) {
            std::fprintf(stderr, "lumivox-ghost: cannot open \"%s\" for recording\n",
                         record_path.c_str());
            return 1;
        }
    }

    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
#ifdef _WIN32
    SetConsoleCtrlHandler(on_console_event, TRUE);
#endif

    if (!quiet)
        ghost::balloon_start(ghosts[0].name);

    ghost::SstpServer server;
    if (!server.listening()) {
        std::fprintf(stderr, "lumivox-ghost: cannot listen on 127.0.0.1:9801 (is another "
                             "mascot host running?)\n");
        if (!quiet)
            ghost::balloon_stop();
        return 1;
    }
    server.set_keep_requests(false);
    server_for_hang = &server;
    ghost_count = ghosts.size();
    if (hang)
        server.set_reply("", ghost::ReplyMode::never_answer);
    else if (garbage)
        server.set_reply(std::string("\x00\xff<html>nope", 13));
    else
        server.set_reply("SSTP/1.1 " + std::to_string(status) + " " + reason_of(status) +
                         "\r\nCharset: UTF-8\r\n\r\n");
    server.set_observer(
        [quiet, hang, garbage, status](const std::string& request, const std::string&) {
            std::optional<long> answered;
            if (!hang && !garbage)
                answered = status;
            record("tcp", request, answered);
            count_request();
            auto script = ghost::parse_request(request).script;
            if (!quiet && script && answered == 200)
                ghost::balloon_show(*script);
        });

    ghost::set_keep_records(false);
    ghost::set_listener([quiet, &ghosts](const ghost::CopyDataRecord& r, int64_t answer) {
        std::optional<long> answered;
        if (answer >= 0)
            answered = static_cast<long>(answer);
        record("direct", r.bytes, answered,
               ghost::ReceivingWindow{r.ghost < ghosts.size() ? ghosts[r.ghost].name : "",
                                      r.kero ? "kero" : "sakura"});
        count_request();
        auto script = ghost::parse_request(r.bytes).script;
        if (!quiet && script && answer == 1)
            ghost::balloon_show(*script);
    });
    // Held for the whole run, the listing stays as it was first written.
    options.rewrite_surfaces = !hold_lock;
    if (!ghost::host_start(ghosts, options) || (hold_lock && !ghost::hold_listing_locks(true))) {
        std::fprintf(stderr, "lumivox-ghost: cannot publish the shared memory \"Sakura\" or "
                             "open the ghosts' windows\n");
        ghost::host_stop();
        if (!quiet)
            ghost::balloon_stop();
        return 1;
    }
    for (size_t i = 0; i < ghosts.size(); ++i)
        ghost::set_answer(i, hang     ? ghost::WindowAnswer::hang
                             : reject ? ghost::WindowAnswer::reject
                                      : ghost::WindowAnswer::accept);

    std::string names;
    for (const auto& g : ghosts)
        names += (names.empty() ? "" : ", ") + g.name;
    std::printf("lumivox-ghost: ready (SSTP on 127.0.0.1:9801, shared memory \"Sakura\", "
                "ghosts: %s)\n",
                names.c_str());
    std::fflush(stdout);

    auto begin = std::chrono::steady_clock::now();
    while (!stop_requested) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (lifetime > 0 &&
            std::chrono::steady_clock::now() - begin > std::chrono::duration<double>(lifetime))
            break;
    }

    ghost::host_stop();
    if (!quiet)
        ghost::balloon_stop();
    if (record_file != nullptr)
        std::fclose(record_file);
    std::printf("lumivox-ghost: stopped\n");
    return 0;
}
