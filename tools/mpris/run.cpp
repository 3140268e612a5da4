#include "tools/mpris/run.h"

#include "tools/host/page_steps.h"
#include "tools/host/trace.h"
#include "tools/mpris/settings.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace lumivox::mpris {

namespace {

void complain(const std::string& message) {
    std::fprintf(stderr, "lumivox-mpris: %s\n", message.c_str());
}

// Enters the component with its settings; a new settings file starts with
// Direct SSTP off. False with a message, nothing left loaded.
bool enter_with_settings(tools::HostState& host) {
    std::string error;
    bool fresh = settings_are_new(host.options.config);
    if (!tools::enter(host, error)) {
        complain(error);
        return false;
    }
    if (fresh && !start_new_settings(host, error)) {
        complain(error);
        host.options.config.clear(); // no settings file that would go Direct
        tools::leave(host, 1);
        return false;
    }
    return true;
}

// SIGINT and SIGTERM (and SIGHUP, the terminal closing) arrive on a
// descriptor the loop polls. They are blocked before the component starts its
// threads, which inherit the mask, so that none of them takes the signal
// instead.
int signal_descriptor() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0)
        return -1;
    return signalfd(-1, &set, SFD_CLOEXEC);
}

int wait_ms(Clock::time_point now, const std::optional<Clock::time_point>& deadline) {
    if (!deadline)
        return -1;
    if (*deadline <= now)
        return 0;
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(*deadline - now).count();
    return static_cast<int>(std::min<long long>(ms, 60000));
}

// Until a signal, the player leaving (with --exit-with-player) or the bus
// failing; 0, or 1 when the bus failed.
int follow_until_told(int signals) {
    for (;;) {
        std::vector<BusEvent> events;
        std::string error;
        if (!process_bus(events, error)) {
            complain(error);
            return 1;
        }
        for (const BusEvent& event : events)
            handle_event(event);
        handle_deadlines();
        if (player_has_left())
            return 0;
        if (!events.empty())
            continue; // handling them may have read more from the bus
        BusPoll bus = bus_poll();
        int timeout = wait_ms(Clock::now(), next_deadline());
        if (bus.timeout_ms >= 0 && (timeout < 0 || bus.timeout_ms < timeout))
            timeout = bus.timeout_ms;
        pollfd fds[2] = {{signals, POLLIN, 0}, {bus.fd, bus.events, 0}};
        if (poll(fds, bus.fd >= 0 ? 2 : 1, timeout) < 0 && errno != EINTR) {
            complain("poll failed");
            return 1;
        }
        if (fds[0].revents != 0) {
            signalfd_siginfo info{};
            if (read(signals, &info, sizeof info) == sizeof info)
                tools::trace(std::string("mpris: ") + strsignal(static_cast<int>(info.ssi_signo)));
            return 0;
        }
    }
}

} // namespace

int follow_player(const tools::RunOptions& options, const FollowOptions& follow) {
    int signals = signal_descriptor();
    if (signals < 0) {
        complain("cannot take SIGINT and SIGTERM");
        return 1;
    }
    std::string error;
    if (!connect_bus(error)) {
        complain(error);
        close(signals);
        return 1;
    }
    tools::HostState host;
    host.options = options;
    if (!enter_with_settings(host)) {
        disconnect_bus();
        close(signals);
        return 1;
    }
    tools::start(host);
    begin_following(follow);
    int status = follow_until_told(signals);
    status = tools::leave(host, status);
    disconnect_bus();
    close(signals);
    return status;
}

int edit_settings(const tools::RunOptions& options, const std::vector<std::string>& words) {
    tools::Step step;
    std::string error;
    if (!tools::parse_step_words(words, step, error)) {
        complain(error);
        return 2;
    }
    tools::HostState host;
    host.options = options;
    if (!enter_with_settings(host))
        return 1;
    if (!tools::preferences(host, step, error)) {
        complain(error);
        return tools::leave(host, 2);
    }
    return tools::leave(host, 0);
}

} // namespace lumivox::mpris
