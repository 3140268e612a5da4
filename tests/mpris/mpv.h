// mpv with its MPRIS plugin on the test's session bus, without sound device
// or display, driven and watched through its IPC socket. What it reports of
// its position is the reference the ghost's lines are timed against.
#pragma once

#include "tests/mpris/child.h"

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace lumivox::mpris_test {

// A silent 44.1 kHz stereo WAV file with a RIFF INFO chunk naming its title
// (INAM) and artist (IART), which mpv reads as the file's tags. At this rate
// mpv's reported position moves in steps of about 50 ms.
void write_wav(const std::string& path, double seconds, const std::string& title,
               const std::string& artist);

// One look at mpv: when (the monotonic clock in ms, as the ghost stamps its
// records), which playlist entry (-1 while paused) and where in it (seconds).
struct Sample {
    double t_ms = 0;
    int entry = -1;
    double position = -1;
};

class Mpv {
  public:
    // Plays the files in order and stays idle at the end (--idle=yes).
    Mpv(const std::string& folder, const std::vector<std::string>& files,
        const std::vector<std::string>& options = {});
    ~Mpv();

    bool ready() const { return socket_ >= 0; }
    // Waits until its plugin has taken its name on the bus.
    bool wait_for_bus(int timeout_ms = 15000);
    // Sends a command (["seek", 8, "absolute"]); its "data", or none on an
    // error.
    std::optional<nlohmann::json> command(const nlohmann::json& words);
    void set_paused(bool paused);
    Sample sample();
    // Samples every 10 ms, keeping each, until done(sample) or the time runs
    // out; false then.
    bool wait_for(const std::function<bool(const Sample&)>& done, int timeout_ms = 30000);
    // Keeps sampling for a while.
    void watch(int ms);
    const std::vector<Sample>& samples() const { return samples_; }

    // Killed at once, as a crash would end it.
    void crash();

  private:
    std::string folder_;
    std::unique_ptr<Child> process_;
    int socket_ = -1;
    int next_id_ = 1;
    std::string buffered_;
    std::vector<Sample> samples_;
};

// When mpv's position passed `seconds` in the entry, from the samples taken
// while it played: each sample at most half a second past it tells the
// passing as its time less the distance, and so does one further past when
// the sample before it was short of it and mpv played steadily in between.
// The earliest such is the answer: the position moves in steps, and a pause
// or a slow look only makes a sample's answer later. None when no sample
// tells.
std::optional<double> passing_time(const std::vector<Sample>& samples, int entry, double seconds);

// The samples, and for each one taken while mpv already named the next entry
// but still played the end of the one before (its position below zero), the
// same look as a look at that one: durations[k] is entry k's length.
std::vector<Sample> with_track_ends(const std::vector<Sample>& samples,
                                    const std::vector<double>& durations);

} // namespace lumivox::mpris_test
