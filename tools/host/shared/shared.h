// The player's shared library, as the substitute supplies it: __stdcall, so
// that x86 exports the decorated names (_stricmp_utf8@8, ...).
#pragma once

#include "tools/host/player_api.h"

#ifdef _WIN32
#define LUMIVOX_PLAYER_SHARED __stdcall
#else
#define LUMIVOX_PLAYER_SHARED
#endif

extern "C" {
int LUMIVOX_PLAYER_SHARED stricmp_utf8(const char* a, const char* b);
int LUMIVOX_PLAYER_SHARED stricmp_utf8_max(const char* a, const char* b, size_t bytes);
int LUMIVOX_PLAYER_SHARED stricmp_utf8_partial(const char* text, const char* needle, size_t count);
#ifdef _WIN32
HANDLE LUMIVOX_PLAYER_SHARED uCreateFile(const char* path, DWORD access, DWORD share,
                                         LPSECURITY_ATTRIBUTES security, DWORD creation,
                                         DWORD flags, HANDLE template_file);
BOOL LUMIVOX_PLAYER_SHARED uSetDlgItemText(HWND dialog, UINT id, const char* text);
BOOL LUMIVOX_PLAYER_SHARED uGetDlgItemText(HWND dialog, UINT id, lumivox::tools::string_base& out);
LRESULT LUMIVOX_PLAYER_SHARED uSendMessageText(HWND window, UINT message, WPARAM parameter,
                                               const char* text);
#endif
}
