#include "component/settings.h"

#include "component/text_buffer.h"
#include "tests/support/streams.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumivox {
namespace {

using test::MemoryInputStream;
using test::MemoryOutputStream;
using test::StreamFailure;
using test::TestAbort;

std::string from_hex(const char* hex) {
    std::string bytes;
    for (size_t i = 0; hex[i] != '\0' && hex[i + 1] != '\0'; i += 2)
        bytes.push_back(static_cast<char>(std::stoi(std::string(hex + i, 2), nullptr, 16)));
    return bytes;
}

// The GUIDs as stored in the blob.
const std::string playing_guid = from_hex("9a61359d7559c04385861e296e79fc1c");
const std::string exit_guid = from_hex("6d9d206349375240aab251adfe032ab9");
const std::string startup_guid = from_hex("72b268c65b32da4d8a277657b7b4c14d");
const std::string primary_guid = from_hex("4f0aa4856691234cbafadcb01a4951b0");
const std::string features_guid = from_hex("be7537724f9e5847b4bfa5678823a847");
const std::string options_guid = from_hex("2f09763588f8b541b1520a139f39eac2");
const std::string download_guid = from_hex("4097bb1da3bfc142ba7273f6d139c38a");
const std::string folder_guid = from_hex("e1bf17f65325bb4f92113adb5dbaee59");
const std::string server_guid = from_hex("d8c6a9816db73c4e94a51e88b375d7cd");
const std::string unknown_guid = from_hex("00112233445566778899aabbccddeeff");

std::string le32(uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

// A record whose size field may disagree with its data.
std::string record(const std::string& guid, uint32_t size, const std::string& data) {
    return guid + le32(size) + data;
}
std::string record(const std::string& guid, const std::string& data) {
    return record(guid, static_cast<uint32_t>(data.size()), data);
}

struct Values {
    uint32_t options = default_options;
    uint32_t features = default_features;
    std::string primary = default_primary;
    std::string startup = default_startup_script;
    std::string exit = default_exit_script;
    std::string playing = default_playing_script;
    uint32_t download = 0;
    std::string folder;
    std::string server = "https://lrclib.net";
    bool operator==(const Values&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Values& v) {
    return out << std::hex << "{0x" << v.options << ", 0x" << v.features << std::dec << ", \""
               << v.primary << "\", \"" << v.startup << "\", \"" << v.exit << "\", \"" << v.playing
               << "\", " << v.download << ", \"" << v.folder << "\", \"" << v.server << "\"}";
}

Values current() {
    return {cfg_options,
            cfg_features,
            cfg_primary.get(),
            cfg_startup_script.get(),
            cfg_exit_script.get(),
            cfg_playing_script.get(),
            cfg_lyric_download,
            cfg_lyrics_folder.get(),
            cfg_lrclib_server.get()};
}

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        settings_release();
        settings_register();
    }
    void TearDown() override { settings_release(); }

    std::string blob() {
        MemoryOutputStream out;
        write_blob(out, abort);
        return out.data;
    }

    TestAbort abort;
};

// The six settings first, as older versions write them, then the later ones.
TEST_F(SettingsTest, WritesTheDefaultBlobAndReadsItBack) {
    const std::string six =
        record(playing_guid, default_playing_script) + record(exit_guid, default_exit_script) +
        record(startup_guid, default_startup_script) + record(primary_guid, default_primary) +
        record(features_guid, le32(0x111)) + record(options_guid, le32(0x1100));
    ASSERT_EQ(six.size(), 264u);
    const std::string expected = six + record(download_guid, le32(0)) + record(folder_guid, "") +
                                 record(server_guid, "https://lrclib.net");
    std::string written = blob();
    EXPECT_EQ(written, expected);

    MemoryInputStream in(written);
    read_blob(in, abort);
    EXPECT_EQ(current(), Values{});
    EXPECT_EQ(in.position(), in.size());
}

TEST_F(SettingsTest, RoundTripsChangedValues) {
    cfg_options = 0xFFFFFFFF;
    cfg_features = 0;
    cfg_primary.set("", whole_text);
    cfg_startup_script.set("\xe3\x81\x82 start", whole_text);
    cfg_lyric_download = 1;
    cfg_lyrics_folder.set("C:\\Lyrics", whole_text);
    cfg_lrclib_server.set("", whole_text);
    const Values changed = current();
    std::string written = blob();
    EXPECT_EQ(written.size(), (264u - 15 - 35 + 9) + 24 + (20 + 9) + 20);

    reset_defaults();
    EXPECT_EQ(current(), Values{});
    MemoryInputStream in(written);
    read_blob(in, abort);
    EXPECT_EQ(current(), changed);
}

TEST_F(SettingsTest, ReadsEveryKindOfRecord) {
    auto with = [](auto change) {
        Values v;
        change(v);
        return v;
    };
    struct Case {
        const char* name;
        std::string blob;
        Values expected;
    };
    const Case cases[] = {
        {"empty blob", "", Values{}},
        {"unknown GUID skipped", record(unknown_guid, "abcdefg") + record(options_guid, le32(7)),
         with([](Values& v) { v.options = 7; })},
        {"short word record", record(options_guid, "\x01\x02") + record(features_guid, le32(5)),
         with([](Values& v) { v.features = 5; })},
        {"empty word record", record(options_guid, "") + record(features_guid, le32(5)),
         with([](Values& v) { v.features = 5; })},
        {"long word record",
         record(options_guid, le32(9) + "tail") + record(features_guid, le32(5)),
         with([](Values& v) {
             v.options = 9;
             v.features = 5;
         })},
        {"empty text", record(primary_guid, ""), with([](Values& v) { v.primary = ""; })},
        {"NUL inside a text",
         record(primary_guid, std::string("ab\0cd", 5)) + record(options_guid, le32(3)),
         with([](Values& v) {
             v.primary = "ab";
             v.options = 3;
         })},
        {"duplicate GUIDs", record(exit_guid, "one") + record(exit_guid, "two"),
         with([](Values& v) { v.exit = "two"; })},
        {"stray tail", record(playing_guid, "p") + "0123456789",
         with([](Values& v) { v.playing = "p"; })},
        {"the later settings",
         record(server_guid, "http://127.0.0.1:8080") + record(download_guid, le32(1)) +
             record(folder_guid, "/music/lyrics"),
         with([](Values& v) {
             v.server = "http://127.0.0.1:8080";
             v.download = 1;
             v.folder = "/music/lyrics";
         })},
        // What an older version wrote: the later settings keep their defaults.
        {"an older blob",
         record(playing_guid, "p") + record(exit_guid, "e") + record(startup_guid, "s") +
             record(primary_guid, "%ILYX") + record(features_guid, le32(1)) +
             record(options_guid, le32(0x100)),
         with([](Values& v) {
             v.playing = "p";
             v.exit = "e";
             v.startup = "s";
             v.primary = "%ILYX";
             v.features = 1;
             v.options = 0x100;
         })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset_defaults();
        MemoryInputStream in(c.blob);
        read_blob(in, abort);
        EXPECT_EQ(current(), c.expected);
        EXPECT_EQ(in.position(), in.size());
    }
}

TEST_F(SettingsTest, ATextTooLargeToHoldIsSkippedWhole) {
    // 4 GiB cannot be held by a 32-bit capacity: the text keeps its value, the
    // record is skipped, and what follows is read.
    MemoryInputStream in(record(primary_guid, 0xFFFFFFFFu, ""));
    in.zeros(0xFFFFFFFFu).bytes(record(options_guid, le32(42)));
    read_blob(in, abort);
    Values expected;
    expected.options = 42;
    EXPECT_EQ(current(), expected);

    // When the stream ends inside the record, its failure passes to the host.
    reset_defaults();
    MemoryInputStream short_stream(record(features_guid, le32(1)) +
                                   record(primary_guid, 0xFFFFFFFFu, "abc"));
    EXPECT_THROW(read_blob(short_stream, abort), StreamFailure);
    expected = Values{};
    expected.features = 1;
    EXPECT_EQ(current(), expected);
}

TEST_F(SettingsTest, StreamFailuresPassThroughAndLeaveNoHalfText) {
    struct Case {
        const char* name;
        std::string blob;
    };
    const Case cases[] = {
        {"text cut short", record(startup_guid, 10, "abcd")},
        {"size cut short", startup_guid + "\x05\x00"},
        {"word cut short", record(options_guid, 4, "\x01\x02")},
        {"skip past the end", record(unknown_guid, 100, "xyz")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset_defaults();
        MemoryInputStream in(record(exit_guid, "applied") + c.blob);
        EXPECT_THROW(read_blob(in, abort), StreamFailure);
        Values expected;
        expected.exit = "applied";
        EXPECT_EQ(current(), expected);
    }

    // An abort from the host stops reading and writing alike.
    abort.aborting = true;
    MemoryInputStream in(record(options_guid, le32(1)));
    EXPECT_THROW(read_blob(in, abort), StreamFailure);
    EXPECT_EQ(cfg_options, default_options);
    MemoryOutputStream out;
    EXPECT_THROW(write_blob(out, abort), StreamFailure);
    abort.aborting = false;

    MemoryOutputStream failing;
    failing.fail_after = 100;
    EXPECT_THROW(write_blob(failing, abort), StreamFailure);
    EXPECT_EQ(failing.data, blob().substr(0, 100));
}

TEST_F(SettingsTest, ResetPutsEverySettingBack) {
    cfg_options = 1;
    cfg_features = 2;
    cfg_primary.set("p", whole_text);
    cfg_startup_script.set("s", whole_text);
    cfg_exit_script.set("e", whole_text);
    cfg_playing_script.truncate(0);
    cfg_lyric_download = 1;
    cfg_lyrics_folder.set("f", whole_text);
    cfg_lrclib_server.set("s", whole_text);
    reset_defaults();
    EXPECT_EQ(current(), Values{});
}

// The named parts against the stored layout, which other programs' blobs
// and older configurations fix: a wrong bit here reads every user's
// settings wrongly.
TEST_F(SettingsTest, NamedPartsReadAndComposeTheStoredWords) {
    struct OptionsCase {
        uint32_t word;
        TxtCharset charset;
        bool lrc;
        bool direct;
    };
    const OptionsCase options_cases[] = {
        {0x1100, TxtCharset::system, true, true}, // the default
        {0x0001, TxtCharset::utf8, false, false},
        {0x1002, TxtCharset::shift_jis, false, true},
        {0x0103, TxtCharset::unnamed, true, false},
        {0xFFFFEEFC, TxtCharset::system, false, false}, // every other bit set
    };
    for (const OptionsCase& c : options_cases) {
        SCOPED_TRACE(c.word);
        EXPECT_EQ(txt_charset(c.word), c.charset);
        EXPECT_EQ(lrc_allowed(c.word), c.lrc);
        EXPECT_EQ(direct_sstp(c.word), c.direct);
        uint32_t composed = with_option(with_txt_charset(0, c.charset), Option::lrc_allowed, c.lrc);
        EXPECT_EQ(with_option(composed, Option::direct_sstp, c.direct), c.word & 0x1103u);
    }

    struct FeaturesCase {
        uint32_t word;
        bool singing;
        bool startup_exit;
        bool playing;
        bool enabled;
    };
    const FeaturesCase features_cases[] = {
        {0x111, true, true, true, true},
        {0x010, false, true, false, true},
        {0x101, true, false, true, true},
        {0x2, false, false, false, true}, // a bit no part names still counts
        {0x0, false, false, false, false},
    };
    for (const FeaturesCase& c : features_cases) {
        SCOPED_TRACE(c.word);
        EXPECT_EQ(send_singing(c.word), c.singing);
        EXPECT_EQ(send_startup_exit(c.word), c.startup_exit);
        EXPECT_EQ(send_playing(c.word), c.playing);
        EXPECT_EQ(component_enabled(c.word), c.enabled);
        uint32_t composed = with_feature(0, Feature::send_singing, c.singing);
        composed = with_feature(composed, Feature::send_startup_exit, c.startup_exit);
        EXPECT_EQ(with_feature(composed, Feature::send_playing, c.playing), c.word & 0x111u);
    }

    // Composing keeps every other bit; the charset takes only its field.
    EXPECT_EQ(with_option(0xFFFFFFFF, Option::lrc_allowed, false), 0xFFFFFEFFu);
    EXPECT_EQ(with_feature(0xFFFFFFFF, Feature::send_playing, false), 0xFFFFFEFFu);
    EXPECT_EQ(with_txt_charset(0xFFFFFFFF, TxtCharset::utf8), 0xFFFFFFFDu);
    EXPECT_EQ(with_txt_charset(0x1000, static_cast<TxtCharset>(6)), 0x1002u);

    // Without a word, the setting as it stands at the call.
    cfg_options = 0x1002;
    cfg_features = 0x100;
    EXPECT_EQ(txt_charset(), TxtCharset::shift_jis);
    EXPECT_FALSE(lrc_allowed());
    EXPECT_TRUE(direct_sstp());
    EXPECT_TRUE(send_playing());
    EXPECT_FALSE(send_singing());
    cfg_features = 0;
    EXPECT_FALSE(component_enabled());

    // The download is bit 0 of its word; the other bits are kept.
    EXPECT_FALSE(lrclib_download(0xFFFFFFFE));
    EXPECT_TRUE(lrclib_download(1));
    EXPECT_EQ(with_lrclib_download(0xF0, true), 0xF1u);
    EXPECT_EQ(with_lrclib_download(0xF1, false), 0xF0u);
    EXPECT_FALSE(lrclib_download());
}

TEST(TextBuffer, FollowsTheCapacityRule) {
    struct Case {
        uint32_t before; // length set first, 0 for none
        uint32_t length; // length set then
        uint32_t capacity;
    };
    const Case cases[] = {
        {0, 16, 32},  {0, 15, 32},  {0, 14, 16},  {60, 40, 48},
        {60, 50, 64}, {60, 47, 64}, {60, 46, 48}, {60, 0, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.before) + " then " + std::to_string(c.length));
        TextBuffer text;
        if (c.before != 0) {
            text.set(std::string(c.before, 'b').c_str(), whole_text);
            EXPECT_EQ(text.capacity(), 64u);
        }
        std::string value(c.length, 'x');
        text.set(value.c_str(), whole_text);
        EXPECT_EQ(text.capacity(), c.capacity);
        EXPECT_EQ(text.get(), value);
        EXPECT_EQ(text.length(), c.length);
    }
}

TEST(TextBuffer, RunsTheHostsTextOperations) {
    TextBuffer text;
    EXPECT_STREQ(text.get(), "");
    EXPECT_EQ(text.length(), 0u);
    text.truncate(0);
    text.append("hello world", 5);
    text.append("!", whole_text);
    EXPECT_STREQ(text.get(), "hello!");
    text.truncate(10);
    EXPECT_STREQ(text.get(), "hello!");
    text.truncate(4);
    EXPECT_STREQ(text.get(), "hell");
    EXPECT_EQ(text.capacity(), 16u);

    // Own text in, also from behind a truncation.
    text.append(text.get(), whole_text);
    EXPECT_STREQ(text.get(), "hellhell");
    text.set(text.get() + 4, whole_text);
    EXPECT_STREQ(text.get(), "hell");

    // The length comes from the first NUL when the buffer is given back.
    char* storage = text.lock_buffer(40);
    ASSERT_NE(storage, nullptr);
    EXPECT_EQ(text.capacity(), 48u);
    std::memcpy(storage, "abc\0def", 8);
    text.unlock_buffer();
    EXPECT_STREQ(text.get(), "abc");
    EXPECT_EQ(text.length(), 3u);
    EXPECT_EQ(text.capacity(), 16u);

    // Every byte overwritten: the storage grows for the terminator.
    storage = text.lock_buffer(15);
    ASSERT_NE(storage, nullptr);
    std::memset(storage, 'z', text.capacity());
    text.unlock_buffer();
    EXPECT_EQ(text.length(), 16u);
    EXPECT_EQ(text.get(), std::string(16, 'z'));

    // A size beyond 32-bit storage is refused and changes nothing.
    EXPECT_EQ(text.lock_buffer(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(text.get(), std::string(16, 'z'));

    // Locking for less than the text: the text ends at the lock's terminator.
    text.set(std::string(60, 'q').c_str(), whole_text);
    ASSERT_NE(text.lock_buffer(2), nullptr);
    EXPECT_LE(text.length(), 2u);
    text.unlock_buffer();
    EXPECT_EQ(text.get(), std::string(2, 'q'));
    EXPECT_EQ(text.capacity(), 16u);
}

} // namespace
} // namespace lumivox
