#include "timeline/lrclib.h"

#include "base/version.h"
#include "timeline/lookup.h"
#include "timeline/script_filter.h"

#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>

namespace lumivox {

const char* lrclib_user_agent() {
    static const std::string agent =
        std::string("Lumivox/") + component_version + " (https://lumivox.invalid/)";
    return agent.c_str();
}

namespace {

void append_encoded(std::string& out, const char* text) {
    static const char digits[] = "0123456789ABCDEF";
    for (const char* c = text; *c != '\0'; ++c) {
        auto byte = static_cast<unsigned char>(*c);
        bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                          (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' ||
                          byte == '.' || byte == '~';
        if (unreserved) {
            out += static_cast<char>(byte);
        } else {
            out += '%';
            out += digits[byte >> 4];
            out += digits[byte & 15];
        }
    }
}

// Reads only the top-level object's three members, building nothing else:
// an answer of any shape costs no more memory than its strings.
class AnswerReader final : public nlohmann::json_sax<nlohmann::json> {
  public:
    bool object = false;
    bool instrumental = false;
    bool has_plain = false;
    bool has_synced = false;
    std::string synced;

    bool null() override {
        if (depth_ == 1 && key_ == Key::synced)
            has_synced = false;
        else if (depth_ == 1 && key_ == Key::plain)
            has_plain = false;
        return value_seen();
    }
    bool boolean(bool value) override {
        if (depth_ == 1 && key_ == Key::instrumental)
            instrumental = value;
        return value_seen();
    }
    bool number_integer(number_integer_t) override { return value_seen(); }
    bool number_unsigned(number_unsigned_t) override { return value_seen(); }
    bool number_float(number_float_t, const string_t&) override { return value_seen(); }
    bool string(string_t& value) override {
        if (depth_ == 1 && key_ == Key::synced) {
            has_synced = true;
            synced.swap(value);
        } else if (depth_ == 1 && key_ == Key::plain) {
            has_plain = value.find_first_not_of(" \t\r\n") != std::string::npos;
        }
        return value_seen();
    }
    bool binary(binary_t&) override { return value_seen(); }
    bool start_object(std::size_t) override {
        if (depth_ == 0)
            object = true;
        return open();
    }
    bool key(string_t& name) override {
        if (depth_ == 1)
            key_ = name == "syncedLyrics"   ? Key::synced
                   : name == "plainLyrics"  ? Key::plain
                   : name == "instrumental" ? Key::instrumental
                                            : Key::other;
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

  private:
    enum class Key { other, synced, plain, instrumental };
    size_t depth_ = 0;
    Key key_ = Key::other;

    bool open() {
        value_seen();
        ++depth_;
        return true;
    }
    bool close() {
        --depth_;
        return true;
    }
    // A member's value is read: the next value at this depth has a key of
    // its own.
    bool value_seen() {
        if (depth_ == 1)
            key_ = Key::other;
        return true;
    }
};

} // namespace

std::string lrclib_request_url(const std::string& server, const LrclibQuery& query) {
    std::string url = server;
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    url += "/api/get?artist_name=";
    append_encoded(url, query.artist);
    url += "&track_name=";
    append_encoded(url, query.title);
    if (query.album != nullptr && query.album[0] != '\0') {
        url += "&album_name=";
        append_encoded(url, query.album);
    }
    if (query.length_seconds > 0 && query.length_seconds < 1e7) {
        url += "&duration=";
        url += std::to_string(static_cast<long long>(std::llround(query.length_seconds)));
    }
    return url;
}

LrclibVerdict read_lrclib_answer(const char* json, size_t length, std::string& synced_lyrics) {
    AnswerReader reader;
    bool parsed = false;
    try {
        parsed = nlohmann::json::sax_parse(json, json + length, &reader,
                                           nlohmann::json::input_format_t::json, true);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        parsed = false;
    }
    if (!parsed || !reader.object)
        return LrclibVerdict::malformed;
    if (reader.has_synced && holds_time_tagged_line(reader.synced.c_str())) {
        synced_lyrics.swap(reader.synced);
        return LrclibVerdict::synced;
    }
    if (reader.instrumental)
        return LrclibVerdict::instrumental;
    return reader.has_plain ? LrclibVerdict::plain_only : LrclibVerdict::no_lyrics;
}

std::string downloaded_lrc(const std::string& synced_lyrics) {
    std::string out;
    size_t at = 0;
    while (at < synced_lyrics.size()) {
        size_t end = synced_lyrics.find_first_of("\r\n", at);
        if (end == std::string::npos)
            end = synced_lyrics.size();
        if (synced_lyrics[at] == '[') {
            for (size_t i = at; i < end; ++i) {
                if (synced_lyrics[i] != '\0')
                    out += synced_lyrics[i];
            }
            out += '\n';
        }
        at = end + 1;
    }
    return out;
}

std::string saved_lrc(const std::string& lrc) {
    std::string out;
    std::string filtered;
    size_t at = 0;
    while (at < lrc.size()) {
        size_t end = lrc.find('\n', at);
        if (end == std::string::npos)
            end = lrc.size();
        size_t length = end - at;
        if (length > UINT32_MAX / 2 - 1)
            break;
        filtered.resize(2 * length + 1);
        uint32_t n = filter_lyric_script(lrc.data() + at, static_cast<uint32_t>(length), nullptr,
                                         filtered.data());
        out.append(filtered.data(), n);
        out += '\n';
        at = end + 1;
    }
    return out;
}

} // namespace lumivox
