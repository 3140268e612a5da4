// The few Win32, Winsock and C library functions this host needs, declared
// by hand: the host is built with clang for Microsoft's ABI on a machine that
// has no Windows headers. Import libraries come from the .def files beside.
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

extern "C" {

using BOOL = int;
using BYTE = unsigned char;
using WORD = unsigned short;
using DWORD = unsigned long;
using UINT = unsigned int;
using HANDLE = void*;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using SOCKET = uintptr_t;

struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;

struct SRWLOCK {
    void* state;
};
struct CONDITION_VARIABLE {
    void* state;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    long x;
    long y;
    DWORD privately_used;
};

struct EXCEPTION_RECORD {
    DWORD code;
    DWORD flags;
    EXCEPTION_RECORD* next;
    void* address;
    DWORD parameter_count;
    uintptr_t parameters[15];
};
struct EXCEPTION_POINTERS {
    EXCEPTION_RECORD* record;
    void* context;
};

struct sockaddr_in4 {
    short family;
    unsigned short port; // network byte order
    BYTE address[4];
    char zero[8];
};

using THREAD_START = DWORD(__stdcall*)(void*);
using EXCEPTION_FILTER = long(__stdcall*)(EXCEPTION_POINTERS*);

// kernel32
__declspec(dllimport) HANDLE __stdcall GetStdHandle(DWORD which);
__declspec(dllimport) BOOL __stdcall WriteFile(HANDLE file, const void* data, DWORD size,
                                               DWORD* written, void* overlapped);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(UINT code);
__declspec(dllimport) DWORD __stdcall GetTickCount();
__declspec(dllimport) void __stdcall Sleep(DWORD ms);
__declspec(dllimport) DWORD __stdcall GetLastError();
__declspec(dllimport) DWORD __stdcall GetCurrentProcessId();
__declspec(dllimport) HANDLE
    __stdcall CreateThread(void* security, size_t stack, THREAD_START start, void* parameter,
                           DWORD flags, DWORD* id);
__declspec(dllimport) DWORD __stdcall WaitForSingleObject(HANDLE handle, DWORD ms);
__declspec(dllimport) BOOL __stdcall CloseHandle(HANDLE handle);
__declspec(dllimport) HMODULE __stdcall LoadLibraryW(const wchar_t* path);
__declspec(dllimport) void* __stdcall GetProcAddress(HMODULE module, const char* name);
__declspec(dllimport) BOOL __stdcall FreeLibrary(HMODULE module);
__declspec(dllimport) DWORD __stdcall GetModuleFileNameW(HMODULE module, wchar_t* path, DWORD size);
__declspec(dllimport) HMODULE __stdcall GetModuleHandleW(const wchar_t* name);
__declspec(dllimport) DWORD __stdcall GetTempPathW(DWORD size, wchar_t* path);
__declspec(dllimport) BOOL __stdcall CreateDirectoryW(const wchar_t* path, void* security);
__declspec(dllimport) BOOL __stdcall RemoveDirectoryW(const wchar_t* path);
__declspec(dllimport) BOOL __stdcall DeleteFileW(const wchar_t* path);
__declspec(dllimport) HANDLE
    __stdcall CreateFileW(const wchar_t* path, DWORD access, DWORD share, void* security,
                          DWORD disposition, DWORD flags, HANDLE template_file);
__declspec(dllimport) int __stdcall MultiByteToWideChar(UINT code_page, DWORD flags,
                                                        const char* text, int size, wchar_t* wide,
                                                        int wide_size);
__declspec(dllimport) int __stdcall WideCharToMultiByte(UINT code_page, DWORD flags,
                                                        const wchar_t* wide, int wide_size,
                                                        char* text, int size,
                                                        const char* default_char,
                                                        BOOL* used_default);
__declspec(dllimport) void __stdcall AcquireSRWLockExclusive(SRWLOCK* lock);
__declspec(dllimport) void __stdcall ReleaseSRWLockExclusive(SRWLOCK* lock);
__declspec(dllimport) BOOL
    __stdcall SleepConditionVariableSRW(CONDITION_VARIABLE* condition, SRWLOCK* lock, DWORD ms,
                                        DWORD flags);
__declspec(dllimport) void __stdcall WakeAllConditionVariable(CONDITION_VARIABLE* condition);
__declspec(dllimport) EXCEPTION_FILTER __stdcall SetUnhandledExceptionFilter(EXCEPTION_FILTER f);
__declspec(dllimport) HANDLE __stdcall GetProcessHeap();
__declspec(dllimport) void* __stdcall HeapAlloc(HANDLE heap, DWORD flags, size_t size);
__declspec(dllimport) BOOL __stdcall HeapFree(HANDLE heap, DWORD flags, void* block);

// user32
__declspec(dllimport) HWND
    __stdcall CreateWindowExW(DWORD ex_style, const wchar_t* window_class, const wchar_t* title,
                              DWORD style, int x, int y, int width, int height, HWND parent,
                              void* menu, HINSTANCE instance, void* parameter);
__declspec(dllimport) BOOL __stdcall DestroyWindow(HWND window);
__declspec(dllimport) BOOL __stdcall IsWindow(HWND window);
__declspec(dllimport) HWND __stdcall GetParent(HWND window);
__declspec(dllimport) HWND __stdcall GetDlgItem(HWND dialog, int id);
__declspec(dllimport) UINT __stdcall GetDlgItemTextW(HWND dialog, int id, wchar_t* text, int size);
__declspec(dllimport) BOOL __stdcall SetDlgItemTextW(HWND dialog, int id, const wchar_t* text);
__declspec(dllimport) int __stdcall GetWindowTextLengthW(HWND window);
__declspec(dllimport) LRESULT __stdcall SendMessageW(HWND window, UINT message, WPARAM w, LPARAM l);
__declspec(dllimport) BOOL
    __stdcall PeekMessageW(MSG* message, HWND window, UINT first, UINT last, UINT remove);
__declspec(dllimport) BOOL __stdcall TranslateMessage(const MSG* message);
__declspec(dllimport) LRESULT __stdcall DispatchMessageW(const MSG* message);

// ws2_32
__declspec(dllimport) int __stdcall WSAStartup(WORD version, void* data);
__declspec(dllimport) int __stdcall WSACleanup();
__declspec(dllimport) SOCKET __stdcall socket(int family, int type, int protocol);
__declspec(dllimport) int __stdcall bind(SOCKET s, const sockaddr_in4* address, int size);
__declspec(dllimport) int __stdcall listen(SOCKET s, int backlog);
__declspec(dllimport) SOCKET __stdcall accept(SOCKET s, void* address, int* size);
__declspec(dllimport) int __stdcall connect(SOCKET s, const sockaddr_in4* address, int size);
__declspec(dllimport) int __stdcall recv(SOCKET s, char* data, int size, int flags);
__declspec(dllimport) int __stdcall send(SOCKET s, const char* data, int size, int flags);
__declspec(dllimport) int __stdcall shutdown(SOCKET s, int how);
__declspec(dllimport) int __stdcall closesocket(SOCKET s);

// msvcrt
__declspec(dllimport) int __cdecl _vsnprintf(char* out, size_t size, const char* format,
                                             va_list args);
__declspec(dllimport) void* __cdecl malloc(size_t size);
__declspec(dllimport) void* __cdecl realloc(void* block, size_t size);
__declspec(dllimport) void __cdecl free(void* block);
__declspec(dllimport) size_t __cdecl strlen(const char* text);
__declspec(dllimport) int __cdecl strcmp(const char* a, const char* b);
__declspec(dllimport) int __cdecl strncmp(const char* a, const char* b, size_t n);
__declspec(dllimport) const char* __cdecl strstr(const char* text, const char* needle);
__declspec(dllimport) size_t __cdecl wcslen(const wchar_t* text);
void* __cdecl memcpy(void* to, const void* from, size_t size);
void* __cdecl memset(void* to, int value, size_t size);
int __cdecl memcmp(const void* a, const void* b, size_t size);
}

namespace win32 {

constexpr DWORD std_output = static_cast<DWORD>(-11);
constexpr DWORD infinite = 0xFFFFFFFF;
constexpr UINT utf8 = 65001;
constexpr DWORD generic_write = 0x40000000;
constexpr DWORD create_always = 2;
inline HANDLE invalid_handle() {
    return reinterpret_cast<HANDLE>(intptr_t(-1));
}
constexpr SOCKET invalid_socket = ~SOCKET(0);

} // namespace win32
