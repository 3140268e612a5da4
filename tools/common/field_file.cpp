#include "tools/common/field_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include "tools/common/wide_text.h"
#endif

namespace lumivox::tools {

namespace {

// The whole file, without any newline conversion; errno tells why not.
bool read_bytes(const std::string& path, std::string& out) {
    errno = 0;
#ifdef _WIN32
    std::FILE* file = _wfopen(widen(path).c_str(), L"rb");
#else
    std::FILE* file = std::fopen(path.c_str(), "rb");
#endif
    if (file == nullptr)
        return false;
    out.clear();
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        out.append(buffer, n);
    // A folder opens but does not read.
    bool ok = std::ferror(file) == 0;
    int reason = errno;
    std::fclose(file);
    errno = reason;
    return ok;
}

} // namespace

bool field_value(const std::string& name, const std::string& value, std::string& out,
                 std::string& error) {
    if (value.empty() || value[0] != '@') {
        out = value;
        return true;
    }
    std::string path = value.substr(1);
    if (!read_bytes(path, out)) {
        error = "cannot read \"" + path + "\" (" + name + "=" + value + ")";
        if (errno != 0)
            error += std::string(": ") + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace lumivox::tools
