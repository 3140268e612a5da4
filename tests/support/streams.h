// Substitutes of the host's streams and abort token for tests. Like the
// host's own, they report failures by throwing.
#pragma once

#include "base/host_api.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumivox::test {

// What the substitute streams throw: short data, a failed write, an abort.
struct StreamFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class TestAbort final : public HostAbortToken {
  public:
    bool is_aborting() override { return aborting; }
    bool aborting = false;
};

// Reads from bytes given in pieces; a piece may be a run of zero bytes that is
// never stored, so that a record of several GiB costs nothing.
class MemoryInputStream final : public HostInputStream {
  public:
    explicit MemoryInputStream(std::string bytes = {});
    MemoryInputStream& bytes(std::string more);
    MemoryInputStream& zeros(uint64_t n);

    size_t read(void* buffer, size_t n, HostAbortToken& abort) override;
    void read_exact(void* buffer, size_t n, HostAbortToken& abort) override;
    uint64_t skip_up_to(uint64_t n, HostAbortToken& abort) override;
    void skip(uint64_t n, HostAbortToken& abort) override;

    uint64_t position() const { return position_; }
    uint64_t size() const { return size_; }

  private:
    struct Piece {
        uint64_t start;
        std::string bytes; // empty for a run of zeros
        uint64_t length;
    };
    uint64_t copy_out(void* buffer, uint64_t n);

    std::vector<Piece> pieces_;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
};

// Collects what is written; fails once more than fail_after bytes would have
// been written in all (after keeping the bytes up to that point).
class MemoryOutputStream final : public HostOutputStream {
  public:
    void write(const void* data, size_t n, HostAbortToken& abort) override;

    std::string data;
    uint64_t fail_after = UINT64_MAX;
};

} // namespace lumivox::test
