// What the component relies on from its host: the operation tables of its
// text objects, streams and abort token, and the functions of the host's
// shared library. Every text that crosses this interface is UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace lumivox {

// What the host hands in where it only collects text: one operation,
// append, the first slot of every text object.
class TextReceiver {
  public:
    virtual void append(const char* text, size_t max) = 0;

  protected:
    ~TextReceiver() = default;
};

// The host's text object. The slot order of these operations is part of the
// interface: the component's TextBuffer implements the same table, so texts
// can go either way. Sizes are the host's size_t: 8 bytes on x64.
class HostText : public TextReceiver {
  public:
    virtual const char* get() = 0;
    virtual void set(const char* text, size_t max) = 0;
    virtual void truncate(size_t n) = 0;
    virtual size_t length() = 0;
    virtual char* lock_buffer(size_t n) = 0;
    virtual void unlock_buffer() = 0;

  protected:
    ~HostText() = default;
};

// "All ones": the whole NUL-terminated text.
constexpr size_t whole_text = ~size_t{0};

// The host's abort token. The component only hands it back to the host's
// streams with each operation; it never calls it.
class HostAbortToken {
  public:
    virtual bool is_aborting() = 0;

  protected:
    ~HostAbortToken() = default;
};

// The host's input stream. Failures (short data, an abort, an I/O error) are
// C++ exceptions thrown by the host's object; the component lets them pass
// back to the host after its own clean-up.
class HostInputStream {
  public:
    // 0: reads up to n bytes; the count read, fewer only at the end.
    virtual size_t read(void* buffer, size_t n, HostAbortToken& abort) = 0;
    // 1: reads exactly n bytes, or fails.
    virtual void read_exact(void* buffer, size_t n, HostAbortToken& abort) = 0;
    // 2: skips up to n bytes, giving the count; not used by the component.
    virtual uint64_t skip_up_to(uint64_t n, HostAbortToken& abort) = 0;
    // 3: skips exactly n bytes, or fails.
    virtual void skip(uint64_t n, HostAbortToken& abort) = 0;

  protected:
    ~HostInputStream() = default;
};

// The host's output stream; failures are thrown as for the input stream.
class HostOutputStream {
  public:
    // 0: writes n bytes, or fails.
    virtual void write(const void* data, size_t n, HostAbortToken& abort) = 0;

  protected:
    ~HostOutputStream() = default;
};

} // namespace lumivox

// Functions of the host's shared library, imported by name. The host exports
// them as __stdcall: on x86 that decides both who pops the arguments and the
// imported names (_stricmp_utf8@8, ...); on x64 there is one convention.
#ifdef _WIN32
#define LUMIVOX_SHARED_API __stdcall
#else
#define LUMIVOX_SHARED_API
#endif

extern "C" {

// 0 when the two texts are equal ignoring case.
int LUMIVOX_SHARED_API stricmp_utf8(const char* a, const char* b);
// 0 when the first n bytes of a and b are equal ignoring case.
int LUMIVOX_SHARED_API stricmp_utf8_max(const char* a, const char* b, size_t n);
// 0 when text begins with the first n characters of needle, ignoring case.
int LUMIVOX_SHARED_API stricmp_utf8_partial(const char* text, const char* needle, size_t n);

#ifdef _WIN32
HANDLE LUMIVOX_SHARED_API uCreateFile(const char* path, DWORD access, DWORD share,
                                      LPSECURITY_ATTRIBUTES security, DWORD creation, DWORD flags,
                                      HANDLE template_file);
BOOL LUMIVOX_SHARED_API uSetDlgItemText(HWND dialog, UINT id, const char* text);
BOOL LUMIVOX_SHARED_API uGetDlgItemText(HWND dialog, UINT id, lumivox::HostText* out);
LRESULT LUMIVOX_SHARED_API uSendMessageText(HWND window, UINT message, WPARAM parameter,
                                            const char* text);
#endif
}
