#include "sstp/request.h"
#include "sstp/transport.h"
#include "tests/support/recording_transport.h"

#include <gtest/gtest.h>
#include <string>

namespace lumivox {
namespace {

using test::deliveries;
using test::script_of;
using test::use_recording_transport;

const std::string head = "SEND SSTP/1.1\r\nSender: foobar2000\r\n"
                         "Option: nodescript,notranslate\r\nScript: ";

TEST(SstpRequest, StartupScriptIsByteExact) {
    use_recording_transport();
    ASSERT_TRUE(send_sstp_request("\\0\\s[0]foobar2000 is starting up.\\e", trailer_utf8));
    auto sent = deliveries();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].bytes,
              head + "\\0\\s[0]foobar2000 is starting up.\\e\r\nCharset: UTF-8\r\n\r\n");
    EXPECT_EQ(sent[0].bytes.size(), 130u);
}

TEST(SstpRequest, EmptyScriptLengthsAndTrailers) {
    const struct {
        const CharsetTrailer* trailer;
        size_t length;
        const char* ending;
    } cases[] = {
        {trailer_plain, 79, "\r\n\r\n"},
        {trailer_utf8, 95, "\r\nCharset: UTF-8\r\n\r\n"},
        {trailer_shift_jis, 99, "\r\nCharset: Shift_JIS\r\n\r\n"},
    };
    for (const auto& c : cases) {
        use_recording_transport();
        send_sstp_request("", c.trailer);
        auto sent = deliveries();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].bytes, head + c.ending);
        EXPECT_EQ(sent[0].bytes.size(), c.length);
    }
}

TEST(SstpRequest, ScriptIsSentUnchangedWithCrLf) {
    use_recording_transport();
    send_sstp_request("a\r\nb\\n", trailer_plain);
    EXPECT_EQ(script_of(deliveries().at(0).bytes), "a\r\nb\\n");
}

// The buffer holds 4095 bytes of request and a NUL: a script of exactly the
// limit fills it, one byte more is cut back to the limit and still ends with
// the whole trailer.
TEST(SstpRequest, FullBufferBoundaries) {
    const struct {
        const CharsetTrailer* trailer;
        size_t limit;
    } cases[] = {{trailer_plain, 4016}, {trailer_utf8, 4000}, {trailer_shift_jis, 3996}};
    for (const auto& c : cases) {
        for (size_t length : {c.limit - 1, c.limit, c.limit + 1, size_t{10000}}) {
            use_recording_transport();
            std::string script(length, 'x');
            send_sstp_request(script.c_str(), c.trailer);
            std::string bytes = deliveries().at(0).bytes;
            size_t kept = std::min(length, c.limit);
            EXPECT_EQ(bytes.size(), 75 + kept + c.trailer->length) << length;
            EXPECT_LE(bytes.size(), 4095u);
            EXPECT_EQ(bytes.substr(0, 75), head);
            EXPECT_EQ(bytes.substr(bytes.size() - c.trailer->length),
                      std::string(c.trailer->text, c.trailer->length));
        }
    }
}

TEST(SstpRequest, UtfEightScriptIsCutBeforeACharacter) {
    use_recording_transport();
    // 3999 ASCII bytes, then a 3-byte character straddling the 4000-byte limit.
    std::string script(3999, 'a');
    script += "\xE3\x81\x82";
    send_sstp_request(script.c_str(), trailer_utf8);
    EXPECT_EQ(script_of(deliveries().at(0).bytes), std::string(3999, 'a'));
}

TEST(SstpRequest, NoTransportMeansNoDelivery) {
    SstpTransport saved = active_transport;
    active_transport = {nullptr, nullptr};
    EXPECT_FALSE(send_sstp_request("x", trailer_utf8));
    active_transport = saved;
}

TEST(SstpRequest, ReportsTheTransportsAnswer) {
    use_recording_transport(0);
    EXPECT_FALSE(send_sstp_request("x", trailer_utf8));
    use_recording_transport(1);
    EXPECT_TRUE(send_sstp_request("x", trailer_utf8));
}

} // namespace
} // namespace lumivox
