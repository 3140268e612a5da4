// The configuration blob reader over any bytes, through a memory stream that
// throws on short data as the host's does. After each read the settings must
// hold together and survive a write and a read back unchanged.
#include "fuzz/fuzz_support.h"

#include "component/settings.h"
#include "tests/support/streams.h"

#include <cstring>
#include <string>

// Allocations above 64 MiB fail here as on a machine short of memory: a
// record may claim up to 4 GiB, and the reader must cope when the text's
// storage cannot be had (the stream holds far less anyway).
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=64";
}

namespace lumivox {
namespace {

struct Values {
    uint32_t options;
    uint32_t features;
    std::string texts[4];
    bool operator==(const Values&) const = default;
};

TextBuffer* const texts[4] = {&cfg_primary, &cfg_startup_script, &cfg_exit_script,
                              &cfg_playing_script};

Values snapshot() {
    Values v{cfg_options, cfg_features, {}};
    for (int i = 0; i < 4; ++i) {
        TextBuffer& text = *texts[i];
        const char* bytes = text.get();
        fuzz::require(bytes != nullptr, "a text is never null");
        fuzz::require(std::strlen(bytes) == text.length(), "a text's length is up to its NUL");
        fuzz::require(text.capacity() == 0 || text.length() < text.capacity(),
                      "a text's NUL lies within its storage");
        v.texts[i].assign(bytes, text.length());
    }
    return v;
}

std::string written_blob() {
    test::TestAbort abort;
    test::MemoryOutputStream out;
    write_blob(out, abort);
    return out.data;
}

} // namespace
} // namespace lumivox

using namespace lumivox;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    settings_register();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reset_defaults();
    test::TestAbort abort;
    test::MemoryInputStream in(std::string(reinterpret_cast<const char*>(data), size));
    try {
        read_blob(in, abort);
    } catch (const test::StreamFailure&) {
        // The host catches its stream's failure; what was read stays applied.
    }
    Values read = snapshot();

    // Whatever was read is written back whole and reads back the same.
    std::string blob = written_blob();
    reset_defaults();
    test::MemoryInputStream again(blob);
    read_blob(again, abort);
    fuzz::require(again.position() == again.size(), "the written blob is read whole");
    fuzz::require(snapshot() == read, "the settings survive a write and a read");
    fuzz::require(written_blob() == blob, "the blob is written alike twice");
    return 0;
}
