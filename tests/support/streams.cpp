#include "tests/support/streams.h"

#include <algorithm>
#include <cstring>

namespace lumivox::test {

namespace {

void check_abort(HostAbortToken& abort) {
    if (abort.is_aborting())
        throw StreamFailure("aborted");
}

} // namespace

MemoryInputStream::MemoryInputStream(std::string bytes) {
    this->bytes(std::move(bytes));
}

MemoryInputStream& MemoryInputStream::bytes(std::string more) {
    uint64_t length = more.size();
    pieces_.push_back({size_, std::move(more), length});
    size_ += length;
    return *this;
}

MemoryInputStream& MemoryInputStream::zeros(uint64_t n) {
    pieces_.push_back({size_, std::string(), n});
    size_ += n;
    return *this;
}

uint64_t MemoryInputStream::copy_out(void* buffer, uint64_t n) {
    n = std::min(n, size_ - position_);
    auto* out = static_cast<char*>(buffer);
    uint64_t done = 0;
    for (const Piece& piece : pieces_) {
        if (done == n)
            break;
        uint64_t at = position_ + done;
        if (at < piece.start || at >= piece.start + piece.length)
            continue;
        uint64_t within = at - piece.start;
        uint64_t take = std::min(n - done, piece.length - within);
        if (piece.bytes.empty())
            std::memset(out + done, 0, static_cast<size_t>(take));
        else
            std::memcpy(out + done, piece.bytes.data() + within, static_cast<size_t>(take));
        done += take;
    }
    position_ += done;
    return done;
}

size_t MemoryInputStream::read(void* buffer, size_t n, HostAbortToken& abort) {
    check_abort(abort);
    return static_cast<size_t>(copy_out(buffer, n));
}

// Like a file that ends early: what is there is read, then the failure.
void MemoryInputStream::read_exact(void* buffer, size_t n, HostAbortToken& abort) {
    check_abort(abort);
    if (copy_out(buffer, n) != n)
        throw StreamFailure("short read");
}

uint64_t MemoryInputStream::skip_up_to(uint64_t n, HostAbortToken& abort) {
    check_abort(abort);
    uint64_t step = std::min(n, size_ - position_);
    position_ += step;
    return step;
}

void MemoryInputStream::skip(uint64_t n, HostAbortToken& abort) {
    if (skip_up_to(n, abort) != n)
        throw StreamFailure("short skip");
}

void MemoryOutputStream::write(const void* bytes, size_t n, HostAbortToken& abort) {
    check_abort(abort);
    uint64_t room = fail_after - std::min<uint64_t>(fail_after, data.size());
    if (n > room) {
        data.append(static_cast<const char*>(bytes), static_cast<size_t>(room));
        throw StreamFailure("write failed");
    }
    data.append(static_cast<const char*>(bytes), n);
}

} // namespace lumivox::test
