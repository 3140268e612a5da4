#include "tools/host/config_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace lumivox::tools {

namespace {

// The host's streams report failures by throwing, as the component expects.
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
        if (n > data_.size() - position_)
            throw StreamError("the data ends " + std::to_string(data_.size() - position_) +
                              " bytes into a record of " + std::to_string(n) + " bytes at offset " +
                              std::to_string(position_));
        read(buffer, n, abort);
    }
    uint64_t skip(uint64_t n, abort_callback&) override {
        uint64_t count = std::min<uint64_t>(n, data_.size() - position_);
        position_ += static_cast<size_t>(count);
        return count;
    }
    void skip_object(uint64_t n, abort_callback& abort) override {
        if (n > data_.size() - position_)
            throw StreamError("a record of " + std::to_string(n) + " bytes at offset " +
                              std::to_string(position_) + " runs past the end");
        skip(n, abort);
    }

  private:
    std::vector<unsigned char> data_;
    size_t position_ = 0;
};

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
    try {
        client->set_config(&stream, abort);
    } catch (const StreamError& e) {
        error = "the configuration file \"" + path + "\" is damaged: " + e.what();
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
