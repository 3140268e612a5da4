#include "platform/folders.h"

#include <cstring>
#include <windows.h>

namespace lumivox::platform {

namespace {

constexpr int wide_units = 4096;

// UTF-8 to UTF-16 into out; false when it does not convert or fit.
bool widen(const char* text, WCHAR* out) {
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, out, wide_units) > 0;
}

} // namespace

uint32_t program_folder(char* out, uint32_t size) {
    WCHAR exe[wide_units];
    DWORD units = GetModuleFileNameW(nullptr, exe, wide_units);
    if (units == 0 || units >= static_cast<DWORD>(wide_units))
        return 0;
    while (units > 0 && exe[units - 1] != L'\\' && exe[units - 1] != L'/')
        --units;
    if (units == 0 || size > 0x7FFFFFFFu)
        return 0;
    int bytes = WideCharToMultiByte(CP_UTF8, 0, exe, static_cast<int>(units), out,
                                    static_cast<int>(size) - 1, nullptr, nullptr);
    if (bytes <= 0)
        return 0;
    out[bytes] = '\0';
    return static_cast<uint32_t>(bytes);
}

uint32_t home_lyrics_folder(char*, uint32_t) {
    return 0;
}

bool make_folders(const char* path, size_t from) {
    size_t length = std::strlen(path);
    char folder[wide_units];
    if (length >= sizeof folder)
        return false;
    for (size_t i = from; i < length; ++i) {
        if ((path[i] != '\\' && path[i] != '/') || i == 0 || path[i - 1] == ':')
            continue;
        std::memcpy(folder, path, i);
        folder[i] = '\0';
        WCHAR wide[wide_units];
        if (!widen(folder, wide))
            return false;
        if (!CreateDirectoryW(wide, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

bool file_write_new(const char* path, const void* data, size_t n) {
    WCHAR wide[wide_units];
    if (!widen(path, wide) || n > 0x7FFFFFFFu)
        return false;
    HANDLE file =
        CreateFileW(wide, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, data, static_cast<DWORD>(n), &written, nullptr) && written == n;
    ok = CloseHandle(file) && ok;
    if (!ok)
        DeleteFileW(wide);
    return ok;
}

// Without MOVEFILE_REPLACE_EXISTING the move fails where the name is taken.
bool file_rename_new(const char* from, const char* to) {
    WCHAR wide_from[wide_units];
    WCHAR wide_to[wide_units];
    return widen(from, wide_from) && widen(to, wide_to) && MoveFileExW(wide_from, wide_to, 0);
}

void file_remove(const char* path) {
    WCHAR wide[wide_units];
    if (widen(path, wide))
        DeleteFileW(wide);
}

bool file_exists(const char* path) {
    WCHAR wide[wide_units];
    return widen(path, wide) && GetFileAttributesW(wide) != INVALID_FILE_ATTRIBUTES;
}

} // namespace lumivox::platform
