#include "lyric_fixture.h"

#include "text.h"

namespace abi {
namespace {

bool append_wide(wchar_t* out, size_t size, const wchar_t* text) {
    size_t used = wcslen(out);
    size_t n = wcslen(text);
    if (used + n + 1 > size)
        return false;
    memcpy(out + used, text, (n + 1) * sizeof(wchar_t));
    return true;
}

} // namespace

bool make_lyric_folder(LyricFolder& out, const char* lyric_text) {
    memset(&out, 0, sizeof out);
    if (GetTempPathW(400, out.folder) == 0)
        return false;
    char name[64];
    format_to(name, sizeof name, "lumivox-abi-%lu-\xC3\xA9\xE2\x99\xAA", GetCurrentProcessId());
    wchar_t wide_name[64];
    to_wide(name, wide_name, 64);
    if (!append_wide(out.folder, 512, wide_name))
        return false;
    CreateDirectoryW(out.folder, nullptr);

    // The track's own name without its extension, as the lyric file's name.
    wchar_t track[640] = {};
    append_wide(track, 640, out.folder);
    append_wide(track, 640, L"\\Song \u00E9.mp3");
    append_wide(out.lyric_file, 640, out.folder);
    append_wide(out.lyric_file, 640, L"\\Song \u00E9.lrc");

    memcpy(out.track_location, "file://", 7);
    if (!to_utf8(track, out.track_location + 7, sizeof out.track_location - 7))
        return false;

    HANDLE file = CreateFileW(out.lyric_file, win32::generic_write, 0, nullptr,
                              win32::create_always, 0, nullptr);
    if (file == win32::invalid_handle())
        return false;
    DWORD written = 0;
    DWORD size = static_cast<DWORD>(strlen(lyric_text));
    bool ok = WriteFile(file, lyric_text, size, &written, nullptr) && written == size;
    CloseHandle(file);
    return ok;
}

void remove_lyric_folder(const LyricFolder& folder) {
    DeleteFileW(folder.lyric_file);
    RemoveDirectoryW(folder.folder);
}

} // namespace abi
