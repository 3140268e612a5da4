#include "tools/ghost/app/balloon.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

namespace lumivox::ghost {

namespace {

std::string label;
std::mutex mutex;
std::condition_variable changed;
std::deque<std::string> queue;
bool stopping = false;
std::thread shower;

bool is_alnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int number_in_brackets(const std::string& s, size_t open) {
    int value = 0;
    for (size_t i = open + 1; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
        value = value * 10 + (s[i] - '0');
    return value;
}

size_t after_brackets(const std::string& s, size_t at) {
    if (at >= s.size() || s[at] != '[')
        return at;
    size_t close = s.find(']', at);
    return close == std::string::npos ? s.size() : close + 1;
}

// Waits up to ms; true when a newer script or a stop cut the wait short.
bool interrupted_during(int ms) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(ms),
                            [] { return stopping || !queue.empty(); });
}

void show(const std::string& script) {
    int shown_scope = -1;
    bool new_line = true;
    for (const BalloonPiece& piece : render_script(script)) {
        if (piece.scope < 0) {
            std::fflush(stdout);
            if (interrupted_during(piece.wait_ms))
                break;
            continue;
        }
        for (char c : piece.text) {
            if (c == '\n') {
                new_line = true;
                continue;
            }
            // A line starts when the text first appears, so that an empty
            // line before a change of scope shows nothing.
            if (new_line || shown_scope != piece.scope) {
                std::printf("%s%s%s ", shown_scope < 0 ? "" : "\n", label.c_str(),
                            piece.scope == 0 ? ":" : " (1):");
                shown_scope = piece.scope;
                new_line = false;
            }
            std::putchar(c);
        }
    }
    if (shown_scope >= 0)
        std::putchar('\n');
    std::fflush(stdout);
}

void run() {
    for (;;) {
        std::string script;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [] { return stopping || !queue.empty(); });
            if (stopping)
                return;
            script = queue.front();
            queue.pop_front();
        }
        show(script);
    }
}

} // namespace

std::vector<BalloonPiece> render_script(const std::string& s) {
    std::vector<BalloonPiece> pieces;
    int scope = 0;
    auto text = [&](const std::string& t) {
        if (!pieces.empty() && pieces.back().scope == scope)
            pieces.back().text += t;
        else
            pieces.push_back({scope, t, 0});
    };
    for (size_t i = 0; i < s.size();) {
        if (s[i] != '\\') {
            text(std::string(1, s[i++]));
            continue;
        }
        if (i + 1 >= s.size())
            break;
        char c = s[i + 1];
        if (c == '\\') {
            text("\\");
            i += 2;
        } else if (c == '0' || c == 'h' || c == '1' || c == 'u') {
            scope = (c == '0' || c == 'h') ? 0 : 1;
            i += 2;
        } else if (c == 'n') {
            text("\n");
            i = after_brackets(s, i + 2);
        } else if (c == 'e') {
            break;
        } else if (c == '_' && i + 2 < s.size() && s[i + 2] == 'w' && i + 3 < s.size() &&
                   s[i + 3] == '[') {
            pieces.push_back({-1, "", number_in_brackets(s, i + 3)});
            i = after_brackets(s, i + 3);
        } else if (c == 'w' && i + 2 < s.size() && s[i + 2] >= '1' && s[i + 2] <= '9') {
            pieces.push_back({-1, "", (s[i + 2] - '0') * 50});
            i += 3;
        } else {
            // Any other command is hidden: its mark, its name, its [arguments].
            i += 1;
            bool bracket_only = false;
            if (i < s.size() && (s[i] == '_' || s[i] == '!' || s[i] == '&')) {
                bracket_only = s[i] != '_';
                ++i;
            }
            if (!bracket_only && i < s.size() && is_alnum(s[i]))
                ++i;
            i = after_brackets(s, i);
        }
    }
    return pieces;
}

void balloon_start(const std::string& name) {
    label = name;
    stopping = false;
    shower = std::thread(run);
}

void balloon_show(const std::string& script) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        queue.push_back(script);
    }
    changed.notify_all();
}

void balloon_stop() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    if (shower.joinable())
        shower.join();
}

} // namespace lumivox::ghost
