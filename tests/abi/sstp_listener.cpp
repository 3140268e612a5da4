#include "sstp_listener.h"

#include "report.h"

namespace abi {
namespace {

constexpr int max_requests = 64;
constexpr char request_head[] =
    "SEND SSTP/1.1\r\nSender: foobar2000\r\nOption: nodescript,notranslate\r\nScript: ";
// The transport reads one reply of at least 12 bytes and takes the status
// from bytes 9 to 11.
constexpr char reply[] = "SSTP/1.1 200 OK\r\n\r\n";

SRWLOCK lock;
CONDITION_VARIABLE arrived;
SstpRequest requests[max_requests];
int request_count;
SOCKET listening = win32::invalid_socket;
HANDLE thread;
bool stopping; // read by the accept loop, set by listener_stop
char incoming[8192];
BYTE winsock_data[1024];

sockaddr_in4 ghost_address() {
    sockaddr_in4 address = {};
    address.family = 2; // AF_INET
    address.port = static_cast<unsigned short>((9801 >> 8) | ((9801 & 0xFF) << 8));
    address.address[0] = 127;
    address.address[3] = 1;
    return address;
}

void copy_line(char* out, size_t size, const char* from, const char* end) {
    size_t n = static_cast<size_t>(end - from);
    if (n >= size)
        n = size - 1;
    memcpy(out, from, n);
    out[n] = '\0';
}

// Splits one request into its script and charset, and tells whether it has
// exactly the shape the component builds.
void parse(const char* text, SstpRequest& out) {
    out.script[0] = '\0';
    out.charset[0] = '\0';
    size_t head = sizeof request_head - 1;
    out.well_formed = strncmp(text, request_head, head) == 0;
    const char* script = out.well_formed ? text + head : strstr(text, "Script: ");
    if (script == nullptr)
        return;
    if (!out.well_formed)
        script += 8;
    const char* script_end = strstr(script, "\r\n");
    if (script_end == nullptr) {
        out.well_formed = false;
        return;
    }
    copy_line(out.script, sizeof out.script, script, script_end);
    const char* rest = script_end + 2;
    if (strncmp(rest, "Charset: ", 9) == 0) {
        const char* charset_end = strstr(rest, "\r\n");
        if (charset_end == nullptr) {
            out.well_formed = false;
            return;
        }
        copy_line(out.charset, sizeof out.charset, rest + 9, charset_end);
        rest = charset_end + 2;
    }
    out.well_formed = out.well_formed && strcmp(rest, "\r\n") == 0;
}

void serve(SOCKET client) {
    size_t used = 0;
    incoming[0] = '\0';
    while (strstr(incoming, "\r\n\r\n") == nullptr && used < sizeof incoming - 1) {
        int n = recv(client, incoming + used, static_cast<int>(sizeof incoming - 1 - used), 0);
        if (n <= 0)
            break;
        used += static_cast<size_t>(n);
        incoming[used] = '\0';
    }
    if (used == 0)
        return;
    DWORD tick = GetTickCount();
    // Recorded before the reply goes out, so that the component's send has
    // been seen by the time its call returns.
    AcquireSRWLockExclusive(&lock);
    if (request_count < max_requests) {
        SstpRequest& request = requests[request_count];
        parse(incoming, request);
        request.tick = tick;
        ++request_count;
    } else {
        fault("sstp listener: more than %d requests", max_requests);
    }
    WakeAllConditionVariable(&arrived);
    ReleaseSRWLockExclusive(&lock);
    send(client, reply, sizeof reply - 1, 0);
    shutdown(client, 1); // SD_SEND
}

DWORD __stdcall accept_loop(void*) {
    while (!__atomic_load_n(&stopping, __ATOMIC_SEQ_CST)) {
        SOCKET client = accept(listening, nullptr, nullptr);
        if (client == win32::invalid_socket) {
            Sleep(5);
            continue;
        }
        if (!__atomic_load_n(&stopping, __ATOMIC_SEQ_CST))
            serve(client);
        closesocket(client);
    }
    return 0;
}

} // namespace

bool listener_start() {
    if (WSAStartup(0x0202, winsock_data) != 0)
        return false;
    listening = socket(2, 1, 6);
    if (listening == win32::invalid_socket)
        return false;
    sockaddr_in4 address = ghost_address();
    if (bind(listening, &address, sizeof address) != 0 || listen(listening, 8) != 0) {
        closesocket(listening);
        listening = win32::invalid_socket;
        return false;
    }
    thread = CreateThread(nullptr, 0, accept_loop, nullptr, 0, nullptr);
    return thread != nullptr;
}

void listener_stop() {
    if (thread != nullptr) {
        // accept() is woken by a last connection of our own.
        __atomic_store_n(&stopping, true, __ATOMIC_SEQ_CST);
        SOCKET wake = socket(2, 1, 6);
        sockaddr_in4 address = ghost_address();
        connect(wake, &address, sizeof address);
        closesocket(wake);
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
        thread = nullptr;
    }
    if (listening != win32::invalid_socket)
        closesocket(listening);
    listening = win32::invalid_socket;
    WSACleanup();
}

int listener_count() {
    AcquireSRWLockExclusive(&lock);
    int n = request_count;
    ReleaseSRWLockExclusive(&lock);
    return n;
}

bool listener_wait(int index, DWORD deadline) {
    AcquireSRWLockExclusive(&lock);
    for (;;) {
        if (request_count > index)
            break;
        long left = static_cast<long>(deadline - GetTickCount());
        if (left <= 0)
            break;
        SleepConditionVariableSRW(&arrived, &lock, static_cast<DWORD>(left), 0);
    }
    bool there = request_count > index;
    ReleaseSRWLockExclusive(&lock);
    return there;
}

const SstpRequest& listener_request(int index) {
    return requests[index];
}

} // namespace abi
