#include "timeline/lyric_folders.h"

#include "base/host_api.h"
#include "component/settings.h" // upward: the user's settings
#include "platform/file.h"

#include <cstring>
#include <initializer_list>

namespace lumivox {

namespace {

char user_folder[lyric_folder_size];
char profile_folder[lyric_folder_size];
char home_folder[lyric_folder_size];

constexpr char scheme[] = "file://";
constexpr size_t scheme_length = sizeof scheme - 1;

bool is_separator(char c) {
    return c == platform::path_separator() || c == '/';
}

// folder (without a scheme) and then tail, with one separator between them
// and one at the end, into out; "" when folder is empty or it does not fit.
void set_folder(char* out, const char* folder, const char* tail) {
    out[0] = '\0';
    if (folder == nullptr)
        return;
    if (stricmp_utf8_max(folder, scheme, scheme_length) == 0)
        folder += scheme_length;
    size_t length = std::strlen(folder);
    size_t tail_length = std::strlen(tail);
    if (length == 0 || length + tail_length + 3 > lyric_folder_size)
        return;
    std::memcpy(out, folder, length);
    const char separator = platform::path_separator();
    if (!is_separator(out[length - 1]))
        out[length++] = separator;
    if (tail_length > 0) {
        std::memcpy(out + length, tail, tail_length);
        length += tail_length;
        out[length++] = separator;
    }
    out[length] = '\0';
}

// What the player writes for c in a file name: c itself, a separator, or
// its replacement.
const char* replacement(char c, char* one) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\') {
        one[0] = platform::path_separator();
        return one;
    }
    if (c == '*')
        return "x";
    if (c == '"')
        return "''";
    if (byte < 0x20 || byte == 0x7F || std::strchr(":<>?|", c) != nullptr)
        return "_";
    one[0] = c;
    return one;
}

// Appends the tag as the player makes it part of a file name; nullptr when
// it does not fit before limit.
char* append_replaced(char* at, const char* tag, const char* limit) {
    for (const char* c = tag; *c != '\0'; ++c) {
        char one[2] = {0, 0};
        const char* part = replacement(*c, one);
        size_t n = std::strlen(part);
        if (n > static_cast<size_t>(limit - at))
            return nullptr;
        std::memcpy(at, part, n);
        at += n;
    }
    return at;
}

// A part that stays inside its folder: not empty, and not only dots and
// spaces (".." leaves it; Windows trims trailing dots and spaces, so ". ."
// would too).
bool stays_inside(const char* part, const char* end) {
    for (const char* c = part; c < end; ++c) {
        if (*c != '.' && *c != ' ')
            return true;
    }
    return false;
}

bool parts_stay_inside(const char* name, const char* end) {
    const char* part = name;
    for (const char* c = name; c <= end; ++c) {
        if (c == end || *c == platform::path_separator()) {
            if (!stays_inside(part, c))
                return false;
            part = c + 1;
        }
    }
    return true;
}

} // namespace

size_t lyric_folders(const char* (&folders)[3]) {
    set_folder(user_folder, cfg_lyrics_folder.get(), "");
    size_t n = 0;
    for (const char* folder : {user_folder, profile_folder, home_folder}) {
        if (folder[0] != '\0')
            folders[n++] = folder;
    }
    return n;
}

void set_profile_lyrics_folder(const char* profile_path) {
    set_folder(profile_folder, profile_path, "lyrics");
}

const char* profile_lyrics_folder() {
    return profile_folder;
}

void set_home_lyrics_folder(const char* folder) {
    set_folder(home_folder, folder, "");
}

char* lyric_name_in_folder(const char* folder, const char* artist, const char* title,
                           size_t extension_room, char* out, size_t size) {
    if (title == nullptr || title[0] == '\0' || (artist != nullptr && artist[0] == '\0'))
        return nullptr;
    size_t folder_length = std::strlen(folder);
    if (size < extension_room + 1 || folder_length > size - extension_room - 1)
        return nullptr;
    const char* limit = out + size - extension_room - 1;
    std::memcpy(out, folder, folder_length);
    char* name = out + folder_length;
    char* end = name;
    if (artist != nullptr) {
        end = append_replaced(end, artist, limit);
        if (end == nullptr || 3 > limit - end)
            return nullptr;
        std::memcpy(end, " - ", 3);
        end += 3;
    }
    end = append_replaced(end, title, limit);
    if (end == nullptr || !parts_stay_inside(name, end))
        return nullptr;
    *end = '\0';
    return end;
}

} // namespace lumivox
