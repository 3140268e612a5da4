#include "tools/host/config_file.h"

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace lumivox::tools {

namespace {

// The host's streams report a failure as the player's do: the component's
// call into the stream does not return, and neither does its set_config.
// Where GCC's exceptions cross the component's frames (x64, the native
// lane) that is a throw. On x86 the player's exception passes over the
// component's frames, which take no part in it; a GCC exception cannot do
// that, since each module unwinds only the frames it registered itself, so
// the failure jumps back over them to the caller instead.
#if defined(_WIN32) && !defined(_WIN64)
constexpr bool failures_jump = true;
#else
constexpr bool failures_jump = false;
#endif

struct StreamError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class NeverAbort final : public abort_callback {
  public:
    bool is_aborting() override { return false; }
};

class MemoryInput final : public stream_reader {
  public:
    explicit MemoryInput(std::vector<unsigned char> data) : data_(std::move(data)) {}
    size_t read(void* buffer, size_t n, abort_callback&) override {
        size_t count = std::min(n, data_.size() - position_);
        std::memcpy(buffer, data_.data() + position_, count);
        position_ += count;
        return count;
    }
    void read_object(void* buffer, size_t n, abort_callback& abort) override {
        if (n > data_.size() - position_) {
            failure_ = "the data ends " + std::to_string(data_.size() - position_) +
                       " bytes into a record of " + std::to_string(n) + " bytes at offset " +
                       std::to_string(position_);
            fail();
        }
        read(buffer, n, abort);
    }
    uint64_t skip(uint64_t n, abort_callback&) override {
        uint64_t count = std::min<uint64_t>(n, data_.size() - position_);
        position_ += static_cast<size_t>(count);
        return count;
    }
    void skip_object(uint64_t n, abort_callback& abort) override {
        if (n > data_.size() - position_) {
            failure_ = "a record of " + std::to_string(n) + " bytes at offset " +
                       std::to_string(position_) + " runs past the end";
            fail();
        }
        skip(n, abort);
    }

    // Where failures jump, the place they jump back to.
    std::jmp_buf* resume = nullptr;
    const std::string& failure() const { return failure_; }

  private:
    // Nothing but the stream itself lives in the frames it leaves.
    [[noreturn]] void fail() {
        if constexpr (failures_jump)
            std::longjmp(*resume, 1);
        else
            throw StreamError(failure_);
    }

    std::vector<unsigned char> data_;
    size_t position_ = 0;
    std::string failure_;
};

// The component reads its settings from the stream; false when the stream
// failed. Only trivial objects live here across a jump back.
bool hand_over(foobar2000_client* client, MemoryInput* stream, abort_callback* abort) {
    if constexpr (failures_jump) {
        std::jmp_buf resume;
        stream->resume = &resume;
        if (setjmp(resume) != 0)
            return false;
        client->set_config(stream, *abort);
    } else {
        try {
            client->set_config(stream, *abort);
        } catch (const StreamError&) {
            return false;
        }
    }
    return true;
}

class MemoryOutput final : public stream_writer {
  public:
    void write(const void* data, size_t n, abort_callback&) override {
        const auto* bytes = static_cast<const unsigned char*>(data);
        data_.insert(data_.end(), bytes, bytes + n);
    }
    const std::vector<unsigned char>& data() const { return data_; }

  private:
    std::vector<unsigned char> data_;
};

} // namespace

bool read_config_file(foobar2000_client* client, const std::string& path, std::string& error) {
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in && errno == ENOENT)
        return true; // nothing stored yet
    // Anything else that cannot be read is reported rather than taken for no
    // settings, which exit would then write over.
    std::vector<unsigned char> data;
    try {
        if (in)
            data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        in.setstate(std::ios::badbit);
    }
    if (!in || in.bad()) {
        int why = errno;
        error = "cannot read the configuration file \"" + path + "\"" +
                (why != 0 ? std::string(": ") + std::strerror(why) : std::string());
        return false;
    }
    MemoryInput stream(std::move(data));
    NeverAbort abort;
    if (!hand_over(client, &stream, &abort)) {
        error = "the configuration file \"" + path + "\" is damaged: " + stream.failure();
        return false;
    }
    return true;
}

bool write_config_file(foobar2000_client* client, const std::string& path, std::string& error) {
    MemoryOutput stream;
    NeverAbort abort;
    client->get_config(&stream, abort);
    // Written beside the file, then moved over it, so that a failed write
    // never leaves half a configuration behind.
    std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(stream.data().data()),
                  static_cast<std::streamsize>(stream.data().size()));
        if (!out) {
            error = "cannot write the configuration file \"" + temporary + "\"";
            return false;
        }
    }
    std::remove(path.c_str());
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot replace the configuration file \"" + path + "\"";
        return false;
    }
    return true;
}

} // namespace lumivox::tools
