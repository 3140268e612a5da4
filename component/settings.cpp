#include "component/settings.h"

#include "component/service_api.h"

#include <cstring>
#include <iterator>

namespace lumivox {

namespace {

// The stored layout of the two words. cfg_options: bits 0-1 the charset
// index, bit 8 .lrc files, bit 12 Direct SSTP. cfg_features: bit 0 the sung
// lyrics, bit 4 the start-up and exit scripts, bit 8 the announcement. A
// blob's other bits are kept as read; the page writes them as 0. A part
// missing from a switch below is a compiler warning.

constexpr uint32_t txt_charset_field = 0x3;

constexpr uint32_t option_bit(Option option) {
    switch (option) {
    case Option::lrc_allowed:
        return 0x100;
    case Option::direct_sstp:
        return 0x1000;
    // A bit older versions never read and keep as it stands.
    case Option::lyric_script_trusted:
        return 0x10000;
    }
    return 0;
}

constexpr uint32_t feature_bit(Feature feature) {
    switch (feature) {
    case Feature::send_singing:
        return 0x1;
    case Feature::send_startup_exit:
        return 0x10;
    case Feature::send_playing:
        return 0x100;
    }
    return 0;
}

constexpr uint32_t with_bit(uint32_t word, uint32_t bit, bool on) {
    return on ? word | bit : word & ~bit;
}

// cfg_lyric_download: bit 0 downloads from LRCLIB; other bits are kept.
constexpr uint32_t lrclib_download_bit = 0x1;

} // namespace

constinit const uint32_t default_options =
    option_bit(Option::lrc_allowed) | option_bit(Option::direct_sstp);
constinit const uint32_t default_features = feature_bit(Feature::send_singing) |
                                            feature_bit(Feature::send_startup_exit) |
                                            feature_bit(Feature::send_playing);

bool option_set(Option option, uint32_t options) {
    return (options & option_bit(option)) != 0;
}

bool feature_set(Feature feature, uint32_t features) {
    return (features & feature_bit(feature)) != 0;
}

TxtCharset txt_charset(uint32_t options) {
    return static_cast<TxtCharset>(options & txt_charset_field);
}

constinit const uint32_t default_lyric_download = 0;

bool lrclib_download(uint32_t word) {
    return (word & lrclib_download_bit) != 0;
}

uint32_t with_lrclib_download(uint32_t word, bool on) {
    return with_bit(word, lrclib_download_bit, on);
}

bool component_enabled(uint32_t features) {
    return features != 0;
}

uint32_t with_option(uint32_t options, Option option, bool on) {
    return with_bit(options, option_bit(option), on);
}

uint32_t with_feature(uint32_t features, Feature feature, bool on) {
    return with_bit(features, feature_bit(feature), on);
}

uint32_t with_txt_charset(uint32_t options, TxtCharset charset) {
    return (options & ~txt_charset_field) | (static_cast<uint32_t>(charset) & txt_charset_field);
}

constinit uint32_t cfg_options = default_options;
constinit uint32_t cfg_features = default_features;
constinit uint32_t cfg_lyric_download = default_lyric_download;
namespace {
constinit StaticTextBuffer primary_storage;
constinit StaticTextBuffer startup_storage;
constinit StaticTextBuffer exit_storage;
constinit StaticTextBuffer playing_storage;
constinit StaticTextBuffer lyrics_folder_storage;
constinit StaticTextBuffer lrclib_server_storage;
} // namespace

constinit TextBuffer& cfg_primary = primary_storage.text;
constinit TextBuffer& cfg_startup_script = startup_storage.text;
constinit TextBuffer& cfg_exit_script = exit_storage.text;
constinit TextBuffer& cfg_playing_script = playing_storage.text;
constinit TextBuffer& cfg_lyrics_folder = lyrics_folder_storage.text;
constinit TextBuffer& cfg_lrclib_server = lrclib_server_storage.text;

static_assert(sizeof default_primary - 1 == 15);
static_assert(sizeof default_startup_script - 1 == 35);
static_assert(sizeof default_exit_script - 1 == 31);
static_assert(sizeof default_playing_script - 1 == 55);

namespace {

constexpr size_t guid_size = sizeof(Guid);

// One setting of the blob: a word or a text, named by its GUID.
struct SettingRecord {
    Guid guid;
    uint32_t* word; // the value of a word setting, or nullptr
    uint32_t default_word;
    TextBuffer* text; // the value of a text setting, or nullptr
    const char* default_text;
    SettingRecord* next;
};

SettingRecord options_record = {
    {0x3576092F, 0xF888, 0x41B5, {0xB1, 0x52, 0x0A, 0x13, 0x9F, 0x39, 0xEA, 0xC2}},
    &cfg_options,
    default_options,
    nullptr,
    nullptr,
    nullptr};
SettingRecord features_record = {
    {0x723775BE, 0x9E4F, 0x4758, {0xB4, 0xBF, 0xA5, 0x67, 0x88, 0x23, 0xA8, 0x47}},
    &cfg_features,
    default_features,
    nullptr,
    nullptr,
    nullptr};
SettingRecord primary_record = {
    {0x85A40A4F, 0x9166, 0x4C23, {0xBA, 0xFA, 0xDC, 0xB0, 0x1A, 0x49, 0x51, 0xB0}},
    nullptr,
    0,
    &cfg_primary,
    default_primary,
    nullptr};
SettingRecord startup_record = {
    {0xC668B272, 0x325B, 0x4DDA, {0x8A, 0x27, 0x76, 0x57, 0xB7, 0xB4, 0xC1, 0x4D}},
    nullptr,
    0,
    &cfg_startup_script,
    default_startup_script,
    nullptr};
SettingRecord exit_record = {
    {0x63209D6D, 0x3749, 0x4052, {0xAA, 0xB2, 0x51, 0xAD, 0xFE, 0x03, 0x2A, 0xB9}},
    nullptr,
    0,
    &cfg_exit_script,
    default_exit_script,
    nullptr};
SettingRecord playing_record = {
    {0x9D35619A, 0x5975, 0x43C0, {0x85, 0x86, 0x1E, 0x29, 0x6E, 0x79, 0xFC, 0x1C}},
    nullptr,
    0,
    &cfg_playing_script,
    default_playing_script,
    nullptr};

SettingRecord lyric_download_record = {
    {0x1DBB9740, 0xBFA3, 0x42C1, {0xBA, 0x72, 0x73, 0xF6, 0xD1, 0x39, 0xC3, 0x8A}},
    &cfg_lyric_download,
    default_lyric_download,
    nullptr,
    nullptr,
    nullptr};
SettingRecord lyrics_folder_record = {
    {0xF617BFE1, 0x2553, 0x4FBB, {0x92, 0x11, 0x3A, 0xDB, 0x5D, 0xBA, 0xEE, 0x59}},
    nullptr,
    0,
    &cfg_lyrics_folder,
    "",
    nullptr};
SettingRecord lrclib_server_record = {
    {0x81A9C6D8, 0xB76D, 0x4E3C, {0x94, 0xA5, 0x1E, 0x88, 0xB3, 0x75, 0xD7, 0xCD}},
    nullptr,
    0,
    &cfg_lrclib_server,
    default_lrclib_server,
    nullptr};

// The order of loading. Each of the first six goes to the front of the
// list; the later ones follow them at its end, so that a blob begins as
// older versions wrote it.
constexpr size_t first_settings = 6;
SettingRecord* const load_order[] = {
    &options_record,        &features_record,      &primary_record,
    &startup_record,        &exit_record,          &playing_record,
    &lyric_download_record, &lyrics_folder_record, &lrclib_server_record};

SettingRecord* head = nullptr;
bool registered = false;

void put_le32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t get_le32(const uint8_t* in) {
    return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
           static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

void guid_bytes(const Guid& guid, uint8_t* out) {
    put_le32(out, guid.data1);
    out[4] = static_cast<uint8_t>(guid.data2);
    out[5] = static_cast<uint8_t>(guid.data2 >> 8);
    out[6] = static_cast<uint8_t>(guid.data3);
    out[7] = static_cast<uint8_t>(guid.data3 >> 8);
    std::memcpy(out + 8, guid.data4, 8);
}

// The record's three operations, in the host's order: write its data, read
// its data of a given size, report its data size.

void write_data(SettingRecord& record, HostOutputStream& out, HostAbortToken& abort) {
    if (record.word != nullptr) {
        uint8_t bytes[4];
        put_le32(bytes, *record.word);
        out.write(bytes, sizeof bytes, abort);
        return;
    }
    out.write(record.text->get(), record.text->length(), abort);
}

// A text record is read into a buffer of its own and takes the setting's
// place only once it is read whole: a failed read leaves the setting as it
// was. A size that cannot be allocated (a 4 GiB record, say) leaves the
// setting as it was too and skips the record, so that the records after it
// are still read when the stream holds them.
void read_text(TextBuffer& text, HostInputStream& in, uint32_t size, HostAbortToken& abort) {
    if (size == 0) {
        text.truncate(0);
        return;
    }
    TextBuffer incoming;
    char* storage = incoming.lock_buffer(size);
    if (storage == nullptr) {
        in.skip(size, abort);
        return;
    }
    {
        // The text ends at the first NUL among the bytes read.
        UnlockGuard unlock(incoming);
        in.read_exact(storage, size, abort);
    }
    text.swap(incoming);
}

void read_data(SettingRecord& record, HostInputStream& in, uint32_t size, HostAbortToken& abort) {
    if (record.text != nullptr) {
        read_text(*record.text, in, size, abort);
        return;
    }
    // A word takes the first 4 bytes of a long record; a short record
    // leaves it unchanged. The rest of the record is skipped.
    uint32_t rest = size;
    if (size >= 4) {
        uint8_t bytes[4];
        in.read_exact(bytes, sizeof bytes, abort);
        *record.word = get_le32(bytes);
        rest -= 4;
    }
    if (rest != 0)
        in.skip(rest, abort);
}

uint32_t data_size(SettingRecord& record) {
    return record.word != nullptr ? 4u : record.text->length();
}

SettingRecord* find_record(const uint8_t* guid) {
    for (SettingRecord* record = head; record != nullptr; record = record->next) {
        uint8_t bytes[guid_size];
        guid_bytes(record->guid, bytes);
        if (std::memcmp(bytes, guid, guid_size) == 0)
            return record;
    }
    return nullptr;
}

} // namespace

void settings_register() {
    if (registered)
        return;
    registered = true;
    SettingRecord* tail = nullptr;
    for (size_t i = 0; i < std::size(load_order); ++i) {
        SettingRecord* record = load_order[i];
        if (record->word != nullptr) {
            *record->word = record->default_word;
        } else {
            record->text->truncate(0);
            record->text->append(record->default_text, whole_text);
        }
        if (i < first_settings) {
            record->next = head;
            head = record;
            if (tail == nullptr)
                tail = record;
        } else {
            tail->next = record;
            tail = record;
        }
    }
}

void settings_release() {
    for (SettingRecord* record : load_order) {
        if (record->text != nullptr)
            record->text->release();
        record->next = nullptr;
    }
    head = nullptr;
    registered = false;
}

void write_blob(HostOutputStream& out, HostAbortToken& abort) {
    for (SettingRecord* record = head; record != nullptr; record = record->next) {
        uint32_t size = data_size(*record);
        uint8_t guid[guid_size];
        guid_bytes(record->guid, guid);
        out.write(guid, sizeof guid, abort);
        uint8_t size_bytes[4];
        put_le32(size_bytes, size);
        out.write(size_bytes, sizeof size_bytes, abort);
        if (size != 0)
            write_data(*record, out, abort);
    }
}

void read_blob(HostInputStream& in, HostAbortToken& abort) {
    for (;;) {
        uint8_t guid[guid_size];
        if (in.read(guid, sizeof guid, abort) < sizeof guid)
            return;
        uint8_t size_bytes[4];
        in.read_exact(size_bytes, sizeof size_bytes, abort);
        uint32_t size = get_le32(size_bytes);
        if (SettingRecord* record = find_record(guid); record != nullptr)
            read_data(*record, in, size, abort);
        else
            in.skip(size, abort);
    }
}

// In the order of loading.
void reset_defaults() {
    for (SettingRecord* record : load_order) {
        if (record->word != nullptr)
            *record->word = record->default_word;
        else
            record->text->set(record->default_text, whole_text);
    }
}

} // namespace lumivox
