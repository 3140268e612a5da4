#include "report.h"

namespace abi {
namespace {

SRWLOCK output_lock;
char line[8192];
const char* current_step = "start";
long passed;
long failed;
struct Image {
    const char* name;
    uintptr_t base;
    uintptr_t end;
};
Image images[] = {{"foo_lumivox.dll", 0, 0}, {"lumivox-abi-host.exe", 0, 0}};
DWORD hang_limit;

void write_out(const char* text, size_t length) {
    DWORD written = 0;
    WriteFile(GetStdHandle(win32::std_output), text, static_cast<DWORD>(length), &written, nullptr);
}

void say_list(const char* prefix, const char* format, va_list args) {
    AcquireSRWLockExclusive(&output_lock);
    size_t used = strlen(prefix);
    memcpy(line, prefix, used);
    int n = _vsnprintf(line + used, sizeof line - used - 2, format, args);
    used = n < 0 ? sizeof line - 2 : used + static_cast<size_t>(n);
    line[used++] = '\n';
    write_out(line, used);
    ReleaseSRWLockExclusive(&output_lock);
}

// Shows control bytes so that a script with a stray CR or NUL reads plainly.
void say_escaped(const char* label, const char* text) {
    AcquireSRWLockExclusive(&output_lock);
    size_t used = 0;
    for (const char* p = label; *p != '\0'; ++p)
        line[used++] = *p;
    line[used++] = '"';
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
         *p != 0 && used < sizeof line - 8; ++p) {
        if (*p >= 0x20 && *p != 0x7F) {
            line[used++] = static_cast<char>(*p);
            continue;
        }
        const char* hex = "0123456789ABCDEF";
        line[used++] = '<';
        line[used++] = hex[*p >> 4];
        line[used++] = hex[*p & 15];
        line[used++] = '>';
    }
    line[used++] = '"';
    line[used++] = '\n';
    write_out(line, used);
    ReleaseSRWLockExclusive(&output_lock);
}

void tally_and_exit(const char* why) {
    say("FAIL: %s during step \"%s\"", why, current_step);
    ++failed;
    finish();
    ExitProcess(3);
}

// The image size stands in the PE optional header, at the same place for
// both word sizes.
Image image_of(const char* name, HMODULE module) {
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    uint32_t pe = 0;
    uint32_t size = 0;
    memcpy(&pe, base + 0x3C, 4);
    memcpy(&size, base + pe + 24 + 56, 4);
    return {name, reinterpret_cast<uintptr_t>(module), reinterpret_cast<uintptr_t>(module) + size};
}

long __stdcall on_crash(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD* record = pointers->record;
    uintptr_t at = reinterpret_cast<uintptr_t>(record->address);
    const Image* image = nullptr;
    for (const Image& candidate : images)
        if (at >= candidate.base && at < candidate.end)
            image = &candidate;
    if (image != nullptr)
        say("crash: exception 0x%08lX at %s+0x%llX", record->code, image->name,
            static_cast<unsigned long long>(at - image->base));
    else
        say("crash: exception 0x%08lX at 0x%llX", record->code,
            static_cast<unsigned long long>(at));
    tally_and_exit("the process crashed");
    return 1;
}

DWORD __stdcall watchdog(void*) {
    Sleep(hang_limit);
    tally_and_exit("the run hung");
    return 0;
}

} // namespace

void say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    say_list("", format, args);
    va_end(args);
}

void step(const char* title) {
    current_step = title;
    say("== %s", title);
}

bool check(bool ok, const char* format, ...) {
    va_list args;
    va_start(args, format);
    say_list(ok ? "PASS: " : "FAIL: ", format, args);
    va_end(args);
    __atomic_add_fetch(ok ? &passed : &failed, 1, __ATOMIC_SEQ_CST);
    return ok;
}

void fault(const char* format, ...) {
    va_list args;
    va_start(args, format);
    say_list("FAIL: ", format, args);
    va_end(args);
    __atomic_add_fetch(&failed, 1, __ATOMIC_SEQ_CST);
}

bool check_text(const char* what, const char* actual, const char* expected) {
    bool ok = actual != nullptr && strcmp(actual, expected) == 0;
    check(ok, "%s", what);
    if (!ok) {
        say_escaped("    got:      ", actual != nullptr ? actual : "(null)");
        say_escaped("    expected: ", expected);
    }
    return ok;
}

int finish() {
    say("%ld passed, %ld failed", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}

void guard_process(DWORD hang_limit_ms) {
    images[1] = image_of(images[1].name, GetModuleHandleW(nullptr));
    hang_limit = hang_limit_ms;
    SetUnhandledExceptionFilter(on_crash);
    HANDLE thread = CreateThread(nullptr, 0, watchdog, nullptr, 0, nullptr);
    if (thread != nullptr)
        CloseHandle(thread);
}

void guard_component(HMODULE module) {
    images[0] = image_of(images[0].name, module);
}

} // namespace abi
