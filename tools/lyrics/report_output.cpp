#include "tools/lyrics/report_output.h"

#include "timeline/lookup.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

namespace lumivox::lyrics {

namespace {

// How a verdict is named for tools (key) and for people (text).
struct Names {
    const char* key;
    const char* text;
};

Names names_of(CandidateVerdict verdict) {
    switch (verdict) {
    case CandidateVerdict::not_found:
        return {"not_found", "not found"};
    case CandidateVerdict::lrc_not_allowed:
        return {"lrc_not_allowed", ".lrc files not allowed (\"Allow .lrc file\" is off)"};
    case CandidateVerdict::not_a_script:
        return {"not_a_script", "found, but no @SakuraScript=1"};
    case CandidateVerdict::ghost_absent:
        return {"ghost_absent", "names a ghost that is not running"};
    case CandidateVerdict::no_lines:
        return {"no_lines", "no time-tagged lines"};
    case CandidateVerdict::failed:
        return {"failed", "could not be read"};
    case CandidateVerdict::leaves_folder:
        return {"leaves_folder", "not tried: the tags lead out of the folder"};
    case CandidateVerdict::chosen:
        return {"chosen", "chosen"};
    }
    return {"?", "?"};
}

// Only the lines left out are reported: the others have no names.
Names names_of(LineVerdict verdict) {
    switch (verdict) {
    case LineVerdict::no_time_tag:
        return {"no_time_tag", "no time tag"};
    case LineVerdict::tag_without_time:
        return {"tag_without_time", "a tag without a time"};
    case LineVerdict::no_lyric:
        return {"no_lyric", "no text right after the last ]"};
    case LineVerdict::too_long:
        return {"too_long", "longer than a line may be"};
    case LineVerdict::accepted:
    case LineVerdict::directive:
    case LineVerdict::blank:
    case LineVerdict::pause:
        break;
    }
    return {nullptr, nullptr};
}

Names names_of(CharsetReason reason) {
    switch (reason) {
    case CharsetReason::kind:
        return {"kind", "as its kind is read"};
    case CharsetReason::player_text:
        return {"player_text", "the player's text"};
    case CharsetReason::declared:
        return {"declared", "named by @SakuraScriptCharset"};
    case CharsetReason::byte_order_mark:
        return {"byte_order_mark", "byte-order mark"};
    case CharsetReason::valid_utf8:
        return {"valid_utf8", "valid UTF-8"};
    case CharsetReason::judged:
        return {"judged", "judged"};
    case CharsetReason::fits_none:
        return {"fits_none", "neither UTF-8 nor any charset judged: sent as it stands"};
    }
    return {"?", "?"};
}

// "charset UTF-8 (converted from GBK: judged, runner-up Big5)".
std::string charset_text(const Report& report) {
    std::string why = names_of(report.charset_reason).text;
    if (report.charset_reason == CharsetReason::judged) {
        why = "converted from " + report.read_as + ": judged, " +
              (report.runner_up.empty() ? "no runner-up" : "runner-up " + report.runner_up);
    }
    return "charset " + report.charset + " (" + why + ")";
}

std::string count_of(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

nlohmann::json text_or_null(const std::string& text) {
    return text.empty() ? nlohmann::json() : nlohmann::json(text);
}

// A file of the track's folder by its name; lyrics from a tag by the tag's.
std::string shown_name(const std::string& name, const std::string& folder) {
    if (!folder.empty() && name.compare(0, folder.size(), folder) == 0)
        return name.substr(folder.size());
    for (const char* field : lyric_field_names) {
        if (name == field)
            return "the tag " + name;
    }
    return name;
}

} // namespace

std::string clock_time(int32_t ms) {
    char text[32];
    long long value = ms;
    std::snprintf(text, sizeof text, "%s%02lld:%02lld.%03lld", value < 0 ? "-" : "",
                  std::llabs(value) / 60000, std::llabs(value) / 1000 % 60,
                  std::llabs(value) % 1000);
    return text;
}

std::string report_text(const std::string& subject, const Report& report, bool show_lines) {
    std::string out;
    if (show_lines) {
        for (const CandidateRow& row : report.candidates)
            out += subject + ": " + names_of(row.verdict).text + "\n";
    } else {
        out += "Lyric candidates for " + subject + " in " + report.folder +
               ", in the order they are tried:\n";
        for (const CandidateRow& row : report.candidates) {
            std::string verdict = names_of(row.verdict).text;
            verdict.resize(std::max<size_t>(verdict.size(), 34), ' ');
            out += "  " + verdict + "  " + shown_name(row.name, report.folder) + "\n";
        }
    }
    if (show_lines) {
        bool any = false;
        for (const LineRow& line : report.lines) {
            const char* why = names_of(line.verdict).text;
            if (why == nullptr)
                continue;
            if (!any)
                out += "Lines left out:\n";
            any = true;
            out += "  line " + std::to_string(line.number) + ": " + why + ": " + line.text + "\n";
        }
        any = false;
        for (const LineRow& line : report.lines) {
            if (line.verdict != LineVerdict::pause)
                continue;
            if (!any)
                out += "Pauses (blank timed lines, where the singing stops):\n";
            any = true;
            out += "  line " + std::to_string(line.number) + ": " + line.text + "\n";
        }
    }
    if (!report.download.empty())
        out += "Asked LRCLIB" +
               (report.download_url.empty() ? std::string() : " (" + report.download_url + ")") +
               ": " + report.download + "\n";
    if (!report.sung) {
        out += "Nothing is sung.\n";
        return out;
    }
    size_t pauses = 0;
    for (const SungLine& line : report.sung_lines)
        pauses += line.pause ? 1 : 0;
    out += "Sung from " + shown_name(report.chosen, report.folder) + ": " +
           count_of(report.sung_lines.size() - pauses, "line", "lines") +
           (pauses != 0 ? " and " + count_of(pauses, "pause", "pauses") : "") + ", " +
           charset_text(report) + "\n";
    for (const SungLine& line : report.sung_lines)
        out += "  " + clock_time(line.time_ms) + "  " +
               (line.pause ? "(pause: the singing stops)" : line.script) + "\n";
    return out;
}

std::string report_json(const std::string& subject, const Report& report, bool show_lines) {
    nlohmann::json out;
    out[show_lines ? "file" : "track"] = subject;
    out["candidates"] = nlohmann::json::array();
    for (const CandidateRow& row : report.candidates)
        out["candidates"].push_back({{"name", row.name}, {"verdict", names_of(row.verdict).key}});
    if (show_lines) {
        out["skipped"] = nlohmann::json::array();
        out["pauses"] = nlohmann::json::array();
        for (const LineRow& line : report.lines) {
            if (const char* why = names_of(line.verdict).key)
                out["skipped"].push_back(
                    {{"line", line.number}, {"why", why}, {"text", line.text}});
            if (line.verdict == LineVerdict::pause)
                out["pauses"].push_back({{"line", line.number}, {"text", line.text}});
        }
    }
    if (!report.download.empty())
        out["download"] = {{"url", report.download_url}, {"answer", report.download}};
    out["sung"] = report.sung;
    out["chosen"] = report.sung ? nlohmann::json(report.chosen) : nlohmann::json();
    out["charset"] = report.sung ? nlohmann::json(report.charset) : nlohmann::json();
    // Why, also when nothing is sung: for the file read last.
    out["charset_reason"] = names_of(report.charset_reason).key;
    out["read_as"] = text_or_null(report.read_as);
    out["runner_up"] = text_or_null(report.runner_up);
    out["lines"] = nlohmann::json::array();
    for (const SungLine& line : report.sung_lines)
        out["lines"].push_back(
            {{"time_ms", line.time_ms},
             {"time", clock_time(line.time_ms)},
             {"pause", line.pause},
             {"script", line.pause ? nlohmann::json() : nlohmann::json(line.script)}});
    // Shift_JIS lyrics are not UTF-8: such bytes become U+FFFD here.
    return out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

} // namespace lumivox::lyrics
