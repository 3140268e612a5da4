#include "tools/host/resources.h"

#ifdef _WIN32
#include <windows.h>
// tlhelp32.h needs windows.h first.
#include <tlhelp32.h>
#else
#include <dirent.h>
#endif

namespace lumivox::tools {

namespace {

#ifdef _WIN32
int thread_count() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int n = 0;
    DWORD self = GetCurrentProcessId();
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == self)
            ++n;
    }
    CloseHandle(snapshot);
    return n;
}

int handle_count() {
    DWORD n = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &n) ? static_cast<int>(n) : -1;
}
#else
int entries_in(const char* folder) {
    DIR* dir = opendir(folder);
    if (dir == nullptr)
        return -1;
    int n = 0;
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] != '.')
            ++n;
    }
    closedir(dir);
    return n - 1; // this listing's own descriptor, or nothing for threads
}

int thread_count() {
    return entries_in("/proc/self/task") + 1;
}
int handle_count() {
    return entries_in("/proc/self/fd");
}
#endif

} // namespace

std::string process_resources() {
    return "threads " + std::to_string(thread_count()) + ", handles " +
           std::to_string(handle_count());
}

} // namespace lumivox::tools
