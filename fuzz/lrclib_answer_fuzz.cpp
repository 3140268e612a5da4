// An LRCLIB answer of any bytes, read as the download reads it: the JSON
// reader, the lines kept of synced lyrics, the lines saved, and their load,
// which filters them whatever the settings say.
#include "fuzz/fuzz_support.h"

#include "component/settings.h"
#include "sstp/request.h"
#include "sync/sync_objects.h"
#include "timeline/loader.h"
#include "timeline/lookup.h"
#include "timeline/lrclib.h"
#include "timeline/script_filter.h"
#include "timeline/timeline.h"

#include <cstdlib>
#include <cstring>
#include <string>

using namespace lumivox;

namespace {

// What the filter leaves as it is: the text went through it already.
bool filtered_already(const char* text) {
    size_t length = std::strlen(text);
    std::string again(2 * length + 1, '\0');
    uint32_t n = filter_lyric_script(text, static_cast<uint32_t>(length), nullptr, again.data());
    return n == length && std::memcmp(again.data(), text, length) == 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    sync_objects_create();
    fuzz::use_checking_transport(1);
    // The user trusts lyric files: downloaded ones are filtered all the same.
    cfg_options = with_option(default_options, Option::lyric_script_trusted, true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A heap copy of exactly the input, so that ASan sees a read past it.
    auto* json = static_cast<char*>(std::malloc(size == 0 ? 1 : size));
    fuzz::require(json != nullptr, "memory for the answer");
    std::memcpy(json, data, size);
    std::string synced;
    LrclibVerdict verdict = read_lrclib_answer(json, size, synced);
    std::free(json);
    if (verdict != LrclibVerdict::synced) {
        fuzz::require(synced.empty(), "only synced lyrics are given back");
        return 0;
    }
    fuzz::require(holds_time_tagged_line(synced.c_str()), "synced lyrics hold a timed line");

    std::string lrc = downloaded_lrc(synced);
    size_t at = 0;
    while (at < lrc.size()) {
        size_t end = lrc.find('\n', at);
        fuzz::require(end != std::string::npos, "every kept line ends in LF");
        fuzz::require(lrc[at] == '[', "every kept line starts with [");
        fuzz::require(std::memchr(lrc.data() + at, '\0', end - at) == nullptr &&
                          std::memchr(lrc.data() + at, '\r', end - at) == nullptr,
                      "no NUL or CR inside a kept line");
        at = end + 1;
    }
    std::string saved = saved_lrc(lrc);
    fuzz::require(saved_lrc(saved) == saved, "the saved lines are filtered already");

    free_timeline();
    int32_t loaded = load_lyric_text(lrc.data(), lrc.size(), "%ILYX", "LRCLIB", true);
    fuzz::require(loaded == count, "the load answers the entry count");
    fuzz::require(current_trailer == trailer_utf8, "downloaded lines are sent as UTF-8");
    for (int32_t i = 0; i < count; ++i) {
        if (entries[i].shared || is_pause(entries[i]))
            continue;
        fuzz::require(filtered_already(entries[i].text), "every sung line is filtered");
        fuzz::check_request(entries[i].text, current_trailer);
    }
    free_timeline();
    return 0;
}
