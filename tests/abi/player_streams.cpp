#include "player_streams.h"

#include "report.h"

namespace abi {
namespace {

using namespace player;

class AbortToken final : public abort_callback {
  public:
    bool is_aborting() override { return false; }
    HANDLE get_abort_event() override { return nullptr; }
};

constinit AbortToken token;

void check_token(const char* call, abort_callback& abort) {
    if (&abort != &token)
        fault("%s: the abort token is %p, not the one the host passed (%p)", call,
              static_cast<void*>(&abort), static_cast<void*>(&token));
}

const char* reader_data;
size_t reader_size;
size_t reader_position;

size_t take(void* out, size_t size) {
    size_t left = reader_size - reader_position;
    size_t n = size < left ? size : left;
    memcpy(out, reader_data + reader_position, n);
    reader_position += n;
    return n;
}

uint64_t pass_over(uint64_t size) {
    size_t left = reader_size - reader_position;
    size_t n = size < left ? static_cast<size_t>(size) : left;
    reader_position += n;
    return n;
}

// read_object and skip_object throw in the player when the data runs out; this
// host reports it instead, since nothing may unwind through the component.
class BlobReader final : public stream_reader {
  public:
    size_t read(void* data, size_t size, abort_callback& abort) override {
        check_token("stream_reader::read", abort);
        return take(data, size);
    }
    void read_object(void* data, size_t size, abort_callback& abort) override {
        check_token("stream_reader::read_object", abort);
        if (take(data, size) != size)
            fault("stream_reader::read_object: %llu bytes asked past the end of the blob",
                  static_cast<unsigned long long>(size));
    }
    uint64_t skip(uint64_t size, abort_callback& abort) override {
        check_token("stream_reader::skip", abort);
        return pass_over(size);
    }
    void skip_object(uint64_t size, abort_callback& abort) override {
        check_token("stream_reader::skip_object", abort);
        if (pass_over(size) != size)
            fault("stream_reader::skip_object: %llu bytes asked past the end of the blob",
                  static_cast<unsigned long long>(size));
    }
};

Bytes written;

class BlobWriter final : public stream_writer {
  public:
    void write(const void* data, size_t size, abort_callback& abort) override {
        check_token("stream_writer::write", abort);
        bytes_append(written, data, size);
    }
};

constinit BlobReader reader;
constinit BlobWriter writer;

size_t measure(const char* text, size_t length) {
    size_t n = 0;
    while (n < length && text[n] != '\0')
        ++n;
    return n;
}

} // namespace

void PlayerString::add_string(const char* text, size_t length) {
    bytes_append(text_, text, measure(text, length));
}

void PlayerString::set_string(const char* text, size_t length) {
    // The text may point into this string's own storage.
    Bytes copy;
    bytes_append(copy, text, measure(text, length));
    bytes_clear(text_);
    bytes_append(text_, copy.data, copy.size);
    bytes_free(copy);
}

void PlayerString::truncate(size_t length) {
    if (length < text_.size) {
        text_.size = length;
        text_.data[length] = '\0';
    }
}

char* PlayerString::lock_buffer(size_t length) {
    bytes_append(text_, "", 0); // storage for the terminator at least
    if (text_.capacity < length + 1) {
        text_.data = static_cast<char*>(realloc(text_.data, length + 1));
        text_.capacity = length + 1;
    }
    text_.data[length] = '\0';
    if (text_.size > length)
        text_.size = length;
    return text_.data;
}

void PlayerString::unlock_buffer() {
    if (text_.data != nullptr)
        text_.size = strlen(text_.data);
}

abort_callback& abort_token() {
    return token;
}

stream_reader* open_blob_reader(const void* data, size_t size) {
    reader_data = static_cast<const char*>(data);
    reader_size = size;
    reader_position = 0;
    return &reader;
}

size_t blob_reader_left() {
    return reader_size - reader_position;
}

stream_writer* open_blob_writer() {
    bytes_clear(written);
    return &writer;
}

const Bytes& blob_written() {
    return written;
}

} // namespace abi
