#include "tools/lyrics/settings_file.h"

#include "component/settings.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace lumivox::lyrics {

namespace {

struct ShortBlob : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class NoAbort final : public HostAbortToken {
  public:
    bool is_aborting() override { return false; }
};

// The blob's bytes, failing as the host's stream does: by throwing.
class BlobStream final : public HostInputStream {
  public:
    explicit BlobStream(std::string bytes) : bytes_(std::move(bytes)) {}

    size_t read(void* buffer, size_t n, HostAbortToken&) override {
        size_t got = std::min(n, bytes_.size() - position_);
        std::memcpy(buffer, bytes_.data() + position_, got);
        position_ += got;
        return got;
    }
    void read_exact(void* buffer, size_t n, HostAbortToken& abort) override {
        if (read(buffer, n, abort) != n)
            throw ShortBlob("the blob ends inside a record");
    }
    uint64_t skip_up_to(uint64_t n, HostAbortToken&) override {
        uint64_t got = std::min<uint64_t>(n, bytes_.size() - position_);
        position_ += static_cast<size_t>(got);
        return got;
    }
    void skip(uint64_t n, HostAbortToken& abort) override {
        if (skip_up_to(n, abort) != n)
            throw ShortBlob("the blob ends inside a record");
    }

  private:
    std::string bytes_;
    size_t position_ = 0;
};

} // namespace

bool load_settings(const std::string& path, std::string& error) {
    settings_register();
    if (path.empty())
        return true;
    std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())),
                     std::ios::binary);
    if (!in) {
        error = "cannot read the settings file \"" + path + "\"";
        return false;
    }
    BlobStream stream{std::string(std::istreambuf_iterator<char>(in), {})};
    NoAbort abort;
    try {
        read_blob(stream, abort);
    } catch (const std::exception& e) {
        error = "the settings file \"" + path + "\" is damaged: " + e.what();
        return false;
    }
    return true;
}

} // namespace lumivox::lyrics
