#include "config_blob.h"

#include "report.h"

namespace abi {
namespace {

enum Field {
    options,
    features,
    primary,
    startup,
    exit_script,
    playing,
    lyric_download,
    lyrics_folder,
    lrclib_server,
    field_count
};

// Each setting's GUID as it stands in the blob.
const char* const field_guids[field_count] = {
    "2f09763588f8b541b1520a139f39eac2", "be7537724f9e5847b4bfa5678823a847",
    "4f0aa4856691234cbafadcb01a4951b0", "72b268c65b32da4d8a277657b7b4c14d",
    "6d9d206349375240aab251adfe032ab9", "9a61359d7559c04385861e296e79fc1c",
    "4097bb1da3bfc142ba7273f6d139c38a", "e1bf17f65325bb4f92113adb5dbaee59",
    "d8c6a9816db73c4e94a51e88b375d7cd",
};

const char* const field_names[field_count] = {
    "options",        "features",       "primary template", "startup script", "exit script",
    "playing script", "lyric download", "lyrics folder",    "LRCLIB server",
};

bool is_word(int field) {
    return field == options || field == features || field == lyric_download;
}

uint32_t expected_word(const Settings& s, int field) {
    return field == options ? s.options : field == features ? s.features : s.lyric_download;
}

int hex_digit(char c) {
    return c <= '9' ? c - '0' : c - 'a' + 10;
}

void guid_bytes(Field field, BYTE* out) {
    for (int i = 0; i < 16; ++i)
        out[i] = static_cast<BYTE>(hex_digit(field_guids[field][2 * i]) * 16 +
                                   hex_digit(field_guids[field][2 * i + 1]));
}

void append_record(Bytes& out, Field field, const void* data, uint32_t size) {
    BYTE guid[16];
    guid_bytes(field, guid);
    bytes_append(out, guid, 16);
    bytes_append(out, &size, 4);
    bytes_append(out, data, size);
}

void append_word(Bytes& out, Field field, uint32_t value) {
    append_record(out, field, &value, 4);
}

void append_text(Bytes& out, Field field, const char* text) {
    append_record(out, field, text, static_cast<uint32_t>(strlen(text)));
}

const char* expected_text(const Settings& s, int field) {
    const char* texts[] = {nullptr,   nullptr, s.primary,       s.startup,      s.exit,
                           s.playing, nullptr, s.lyrics_folder, s.lrclib_server};
    return texts[field];
}

} // namespace

void build_blob(const Settings& settings, Bytes& out) {
    bytes_clear(out);
    append_word(out, options, settings.options);
    append_word(out, features, settings.features);
    append_text(out, primary, settings.primary);
    append_text(out, startup, settings.startup);
    append_text(out, exit_script, settings.exit);
    append_text(out, playing, settings.playing);
    append_word(out, lyric_download, settings.lyric_download);
    append_text(out, lyrics_folder, settings.lyrics_folder);
    append_text(out, lrclib_server, settings.lrclib_server);
}

void check_blob(const char* when, const Bytes& blob, const Settings& expected) {
    int seen[field_count] = {};
    size_t at = 0;
    bool well_formed = true;
    while (at < blob.size) {
        uint32_t size = 0;
        if (blob.size - at < 20) {
            well_formed = false;
            break;
        }
        memcpy(&size, blob.data + at + 16, 4);
        if (blob.size - at - 20 < size) {
            well_formed = false;
            break;
        }
        const char* data = blob.data + at + 20;
        int field = 0;
        for (; field < field_count; ++field) {
            BYTE guid[16];
            guid_bytes(static_cast<Field>(field), guid);
            if (memcmp(guid, blob.data + at, 16) == 0)
                break;
        }
        at += 20 + size;
        if (field == field_count) {
            check(false, "%s: the blob holds a record of no known setting", when);
            continue;
        }
        ++seen[field];
        char label[160];
        format_to(label, sizeof label, "%s: %s read back", when, field_names[field]);
        if (is_word(field)) {
            uint32_t value = 0;
            if (size == 4)
                memcpy(&value, data, 4);
            uint32_t want = expected_word(expected, field);
            check(size == 4 && value == want, "%s 0x%lX (expected 0x%lX)", label,
                  static_cast<unsigned long>(value), static_cast<unsigned long>(want));
            continue;
        }
        Bytes text;
        bytes_append(text, data, size);
        check_text(label, bytes_text(text), expected_text(expected, field));
        bytes_free(text);
    }
    check(well_formed, "%s: the blob is a sequence of whole records (%llu bytes)", when,
          static_cast<unsigned long long>(blob.size));
    bool each_once = true;
    for (int field = 0; field < field_count; ++field)
        each_once = each_once && seen[field] == 1;
    check(each_once, "%s: every setting written exactly once", when);
}

} // namespace abi
