// The player's text object and configuration streams, handed to the
// component where it reports a text or reads and writes its settings.
#pragma once

#include "player_abi.h"
#include "text.h"

namespace abi {

class PlayerString final : public player::string_base {
  public:
    ~PlayerString() { bytes_free(text_); }
    void add_string(const char* text, size_t length) override;
    const char* get_ptr() override { return bytes_text(text_); }
    void set_string(const char* text, size_t length) override;
    void truncate(size_t length) override;
    size_t get_length() override { return text_.size; }
    char* lock_buffer(size_t length) override;
    void unlock_buffer() override;

  private:
    Bytes text_;
};

player::abort_callback& abort_token();

// A reader over the caller's bytes; what is left unread afterwards.
player::stream_reader* open_blob_reader(const void* data, size_t size);
size_t blob_reader_left();

// A writer that collects what the component writes.
player::stream_writer* open_blob_writer();
const Bytes& blob_written();

} // namespace abi
