// The lyric loader over whole files and texts. The first byte chooses the
// variant: bit 0-1 the template (none, the default one, or the input's text
// up to its first NUL, the file following), bit 2 the script default, bits
// 3-4 the trailer the candidate starts with (0-2), or 3 for a text in memory
// (a track's lyrics field), bit 5 whether a named ghost is present, bit 6
// whether lyric scripts are trusted (otherwise they are filtered).
// Files whose charset is told are judged (an .lrc, or a .txt in "Default"),
// and converted when they read as one of the double-byte charsets; .lrc
// syntax adds blanks after the tags, lone CR line ends and pauses.
// A file is read as the lookup reads its kind: with the script default an
// .lrc file (its syntax, its charset told from its bytes), without it a .ssl
// file, or a .txt file in the page's "Default" charset when the trailer is
// the plain one. The file's bytes go to a memory file read through its /proc
// path, so the loader opens and reads it as it would any lyric file; a text
// is handed over as it stands, NUL bytes and all.
#include "fuzz/fuzz_support.h"

#include "component/settings.h"
#include "sstp/request.h"
#include "sync/scheduler.h"
#include "sync/sync_objects.h"
#include "timeline/charset_guess.h"
#include "timeline/load_report.h"
#include "timeline/loader.h"
#include "timeline/script_filter.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace lumivox {
namespace {

int file = -1;
std::string path;

// Whether the load judged the file and converted its lines to UTF-8.
bool converted = false;

void on_charset(const CharsetReport& report) {
    converted = report.reason == CharsetReason::judged;
    fuzz::require(!converted || (report.read_as != nullptr && current_trailer == trailer_utf8),
                  "a converted file names its charset and is sent as UTF-8");
}

void on_line(const char*, LineVerdict) {}

// Telling an observer of every line makes a judged file's first pass read
// every line converted, where it otherwise reads those it can as they stand:
// both must give the same Timeline.
const LoadObserver observer = {nullptr, nullptr, &on_charset};
const LoadObserver line_observer = {nullptr, &on_line, &on_charset};

struct Loaded {
    int32_t time;
    bool pause;
    std::string text;
    bool operator==(const Loaded&) const = default;
};

std::vector<Loaded> loaded_entries() {
    std::vector<Loaded> out;
    for (int32_t i = 0; i < count; ++i)
        out.push_back(
            {entries[i].time, is_pause(entries[i]), is_pause(entries[i]) ? "" : entries[i].text});
    return out;
}

void write_file(const uint8_t* data, size_t size) {
    fuzz::require(ftruncate(file, 0) == 0, "the memory file empties");
    size_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(file, data + done, size - done, static_cast<off_t>(done));
        fuzz::require(n > 0, "the memory file takes the input");
        done += static_cast<size_t>(n);
    }
}

bool known_trailer(const CharsetTrailer* trailer) {
    return trailer == trailer_plain || trailer == trailer_utf8 || trailer == trailer_shift_jis;
}

// A filtered text: it fits one request; where the template leaves room, it
// is the prefix, a lyric that filtering again leaves as it is, and the
// suffix, and nothing before the suffix is left to pair with it.
void check_filtered(const std::string& text) {
    uint32_t limit = max_script_length(current_trailer);
    fuzz::require(text.size() <= limit, "a composed text fits one request");
    std::string prefix = template_prefix != nullptr ? template_prefix : "";
    std::string suffix =
        template_prefix != nullptr ? template_prefix + prefix.size() + 1 : std::string();
    if (prefix.size() + suffix.size() >= limit)
        return;
    fuzz::require(text.size() >= prefix.size() + suffix.size() &&
                      text.compare(0, prefix.size(), prefix) == 0 &&
                      text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0,
                  "a composed text is the prefix, the lyric and the suffix");
    std::string lyric = text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
    LeadBytes lead = line_lead_bytes();
    std::string again(2 * lyric.size() + 1, '\0');
    uint32_t n =
        filter_lyric_script(lyric.data(), static_cast<uint32_t>(lyric.size()), lead, again.data());
    fuzz::require(again.compare(0, n, lyric) == 0 && n == lyric.size(),
                  "a stored lyric is what the filter gives");
    std::string before_suffix = text.substr(0, text.size() - suffix.size());
    fuzz::require(whole_units_length(before_suffix.c_str(),
                                     static_cast<uint32_t>(before_suffix.size()),
                                     lead) == before_suffix.size(),
                  "nothing before the suffix pairs with it");
}

// The lyric of a text, between the template's prefix and suffix; false when
// the template leaves it no room of its own.
bool lyric_of(const std::string& text, std::string& lyric) {
    std::string prefix = template_prefix != nullptr ? template_prefix : "";
    std::string suffix =
        template_prefix != nullptr ? template_prefix + prefix.size() + 1 : std::string();
    if (prefix.size() + suffix.size() >= max_script_length(current_trailer))
        return false;
    lyric = text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
    return true;
}

// What every load leaves: nothing after a failure; otherwise count sorted
// entries whose texts each belong to exactly one entry and can be sent, and
// pauses only where they end a line.
void check_timeline(int32_t loaded, bool filtered) {
    fuzz::require(known_trailer(current_trailer), "current_trailer is one of the endings");
    fuzz::require(loaded == count, "the result is the entry count");
    if (loaded == 0) {
        fuzz::require(entries == nullptr, "a failed load leaves no table");
        fuzz::require(template_prefix == nullptr, "a failed load leaves no template");
        return;
    }
    fuzz::require(loaded > 0 && entries != nullptr, "a load gives a table");
    std::unordered_set<const char*> owned;
    for (int32_t i = 0; i < count; ++i) {
        const TimedLine& line = entries[i];
        if (is_pause(line)) {
            fuzz::require(!line.shared, "a pause shares no text");
            fuzz::require(i > 0 && !is_pause(entries[i - 1]) && entries[i - 1].time != line.time &&
                              (i + 1 == count || entries[i + 1].time != line.time),
                          "a pause comes after a line, at a time of its own");
        }
        fuzz::require(line.time >= 0 && (i == 0 || line.time > 0),
                      "only the first entry may start at 0, none before");
        fuzz::require(i == 0 || entries[i - 1].time <= line.time, "entries sorted by time");
        if (!line.shared && !is_pause(line))
            fuzz::require(owned.insert(line.text).second, "a text has one owner");
    }
    for (int32_t i = 0; i < count; ++i) {
        if (entries[i].shared)
            fuzz::require(entries[i].text != nullptr && owned.count(entries[i].text) == 1,
                          "a shared text has an owner");
    }
    for (const char* text : owned) {
        // A template that alone outgrows a request leaves a text cut
        // within its prefix.
        if (template_prefix != nullptr) {
            size_t prefix = std::strlen(template_prefix);
            size_t shown = std::min(prefix, std::strlen(text));
            fuzz::require(std::strncmp(text, template_prefix, shown) == 0 &&
                              (shown == prefix || prefix > max_script_length(current_trailer)),
                          "every text begins with the template's prefix");
        }
        fuzz::check_request(text, current_trailer);
        if (filtered)
            check_filtered(text);
        std::string lyric;
        if (converted && lyric_of(text, lyric))
            fuzz::require(valid_utf8(lyric.data(), static_cast<uint32_t>(lyric.size())),
                          "a converted lyric is whole UTF-8");
    }
}

} // namespace
} // namespace lumivox

using namespace lumivox;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    sync_objects_create();
    fuzz::use_checking_transport(1);
    file = memfd_create("lumivox-fuzz-lyric", MFD_CLOEXEC);
    fuzz::require(file >= 0, "a memory file");
    path = "/proc/self/fd/" + std::to_string(file);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    uint8_t variant = data[0];
    const uint8_t* bytes = data + 1;
    size_t length = size - 1;

    char* template_text = nullptr;
    switch (variant & 3) {
    case 1:
        template_text = fuzz::heap_text(reinterpret_cast<const uint8_t*>(default_primary),
                                        sizeof default_primary - 1);
        break;
    case 2:
    case 3: {
        template_text = fuzz::heap_text(bytes, length);
        size_t taken = std::min(length, std::strlen(template_text) + 1);
        bytes += taken;
        length -= taken;
        break;
    }
    default:
        template_text = fuzz::heap_text(bytes, 0);
        break;
    }
    int32_t script_default = (variant >> 2) & 1;
    uint8_t trailer = (variant >> 3) & 3;
    bool memory = trailer == 3;
    current_trailer = &charset_trailers[trailer % 3];
    LyricFormat format{script_default != 0,
                       script_default != 0 || current_trailer == trailer_plain};
    fuzz::set_probe_answer((variant >> 5) & 1);
    bool trusted = ((variant >> 6) & 1) != 0;
    cfg_options = with_option(default_options, Option::lyric_script_trusted, trusted);
    fuzz::reset_deliveries();
    converted = false;

    int32_t loaded = 0;
    const CharsetTrailer* start = current_trailer;
    if (memory) {
        loaded = load_lyric_text(reinterpret_cast<const char*>(bytes), length, template_text,
                                 "lyrics", false, &observer);
        fuzz::require(current_trailer == trailer_utf8, "a text is sent as UTF-8");
    } else {
        write_file(bytes, length);
        loaded = load_lyric_file(path.c_str(), template_text, script_default, format, &observer);
    }
    check_timeline(loaded, !trusted);
    if (converted) {
        std::vector<Loaded> first = loaded_entries();
        sync_stop();
        current_trailer = start;
        int32_t again =
            load_lyric_file(path.c_str(), template_text, script_default, format, &line_observer);
        fuzz::require(again == loaded && loaded_entries() == first,
                      "a judged file loads alike with its lines observed");
    }
    std::free(template_text);

    // Freed as the next track's stop frees it; no run was started, so
    // nothing is sent.
    sync_stop();
    fuzz::require(entries == nullptr && count == 0 && template_prefix == nullptr,
                  "the stop frees the Timeline");
    fuzz::require(fuzz::delivered() == 0, "a load sends nothing");
    return 0;
}
