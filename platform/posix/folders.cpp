#include "platform/folders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumivox::platform {

namespace {

// text and a tail into out; its length, or 0 when it does not fit.
uint32_t join(const char* text, size_t length, const char* tail, char* out, uint32_t size) {
    size_t tail_length = std::strlen(tail);
    if (length + tail_length + 1 > size)
        return 0;
    std::memcpy(out, text, length);
    std::memcpy(out + length, tail, tail_length + 1);
    return static_cast<uint32_t>(length + tail_length);
}

} // namespace

uint32_t program_folder(char* out, uint32_t size) {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return 0;
    exe[n] = '\0';
    char* slash = std::strrchr(exe, '/');
    if (slash == nullptr)
        return 0;
    return join(exe, static_cast<size_t>(slash + 1 - exe), "", out, size);
}

uint32_t home_lyrics_folder(char* out, uint32_t size) {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/')
        return 0;
    size_t length = std::strlen(home);
    while (length > 1 && home[length - 1] == '/')
        --length;
    return join(home, length, length == 1 ? ".lyrics/" : "/.lyrics/", out, size);
}

bool make_folders(const char* path, size_t from) {
    size_t length = std::strlen(path);
    char folder[4096];
    if (length >= sizeof folder)
        return false;
    for (size_t i = from; i < length; ++i) {
        if (path[i] != '/' || i == 0)
            continue;
        std::memcpy(folder, path, i);
        folder[i] = '\0';
        if (mkdir(folder, 0777) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

bool file_write_new(const char* path, const void* data, size_t n) {
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const auto* bytes = static_cast<const char*>(data);
    bool ok = true;
    while (ok && n > 0) {
        ssize_t written = write(fd, bytes, n);
        if (written < 0 && errno == EINTR)
            continue;
        ok = written > 0;
        if (ok) {
            bytes += written;
            n -= static_cast<size_t>(written);
        }
    }
    ok = close(fd) == 0 && ok;
    if (!ok)
        unlink(path);
    return ok;
}

// A hard link takes the name only if it is free; a file system without
// them falls back to a rename after a look.
bool file_rename_new(const char* from, const char* to) {
    if (link(from, to) == 0) {
        unlink(from);
        return true;
    }
    if (errno == EEXIST || file_exists(to))
        return false;
    return std::rename(from, to) == 0;
}

void file_remove(const char* path) {
    unlink(path);
}

bool file_exists(const char* path) {
    struct stat info;
    return stat(path, &info) == 0;
}

} // namespace lumivox::platform
