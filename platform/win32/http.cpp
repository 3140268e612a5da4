// WinHTTP, loaded at run time so that the DLL imports nothing more, and used
// asynchronously: the fetching thread waits on its own events, so that a
// cancel or the time limit ends its wait at once, and only that thread
// touches the handles. The callback runs on WinHTTP's threads; a fetch
// returns only after every handle it opened has reported its closing, the
// last call WinHTTP makes into the callback, so that no call can reach the
// component once it is unloaded. WinHTTP's own time-outs are set to what is
// left of the limit, so that a request Wine's WinHTTP does not abort on
// closing still ends in time.
#include "platform/http.h"

#include "platform/library.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include <windows.h>
#include <winhttp.h>

namespace lumivox::platform {

struct HttpCancel {
    HANDLE event; // manual reset: set once, stays set
};

namespace {

LibraryHandle winhttp = nullptr;

constexpr DWORD closing_wait_ms = 60000;

decltype(&WinHttpOpen) http_open = nullptr;
decltype(&WinHttpConnect) http_connect = nullptr;
decltype(&WinHttpOpenRequest) http_open_request = nullptr;
decltype(&WinHttpSendRequest) http_send_request = nullptr;
decltype(&WinHttpReceiveResponse) http_receive_response = nullptr;
decltype(&WinHttpQueryHeaders) http_query_headers = nullptr;
decltype(&WinHttpReadData) http_read_data = nullptr;
decltype(&WinHttpCloseHandle) http_close_handle = nullptr;
decltype(&WinHttpSetTimeouts) http_set_timeouts = nullptr;
decltype(&WinHttpSetOption) http_set_option = nullptr;
decltype(&WinHttpSetStatusCallback) http_set_status_callback = nullptr;
decltype(&WinHttpCrackUrl) http_crack_url = nullptr;

template <typename Function> bool resolve(Function& function, const char* name) {
    function = reinterpret_cast<Function>(library_symbol(winhttp, name));
    return function != nullptr;
}

// Only the fetching thread loads it, once for the process's life.
bool load_winhttp() {
    if (winhttp != nullptr)
        return true;
    winhttp = load_library("winhttp.dll");
    if (winhttp == nullptr)
        return false;
    bool complete = resolve(http_open, "WinHttpOpen") && resolve(http_connect, "WinHttpConnect") &&
                    resolve(http_open_request, "WinHttpOpenRequest") &&
                    resolve(http_send_request, "WinHttpSendRequest") &&
                    resolve(http_receive_response, "WinHttpReceiveResponse") &&
                    resolve(http_query_headers, "WinHttpQueryHeaders") &&
                    resolve(http_read_data, "WinHttpReadData") &&
                    resolve(http_close_handle, "WinHttpCloseHandle") &&
                    resolve(http_set_timeouts, "WinHttpSetTimeouts") &&
                    resolve(http_set_option, "WinHttpSetOption") &&
                    resolve(http_set_status_callback, "WinHttpSetStatusCallback") &&
                    resolve(http_crack_url, "WinHttpCrackUrl");
    if (!complete) {
        free_library(winhttp);
        winhttp = nullptr;
    }
    return complete;
}

// The callback's side of one fetch. It lives on the heap until every handle
// has reported its closing.
struct Exchange {
    HANDLE done = nullptr;   // auto reset: the operation asked for completed
    HANDLE closed = nullptr; // manual reset: every opened handle has closed
    LONG opened = 0;
    LONG closings = 0;
    // The last completion; read after done.
    volatile DWORD error = 0;
    volatile DWORD bytes = 0;
};

void CALLBACK on_status(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length) {
    auto* x = reinterpret_cast<Exchange*>(context);
    if (x == nullptr)
        return;
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        x->error = 0;
        SetEvent(x->done);
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        x->bytes = length;
        x->error = 0;
        SetEvent(x->done);
        break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        x->error = static_cast<const WINHTTP_ASYNC_RESULT*>(info)->dwError;
        if (x->error == 0)
            x->error = ERROR_WINHTTP_INTERNAL_ERROR;
        SetEvent(x->done);
        break;
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
        // The last thing done here, for the last handle.
        if (InterlockedIncrement(&x->closings) == x->opened)
            SetEvent(x->closed);
        break;
    default:
        break;
    }
}

// UTF-8 to UTF-16 into out (units); false when it does not convert or fit.
bool widen(const char* text, wchar_t* out, int units) {
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, out, units) > 0;
}

DWORD remaining(DWORD started, DWORD total) {
    DWORD spent = GetTickCount() - started;
    return spent >= total ? 0 : total - spent;
}

struct Fetch {
    Exchange* x;
    HANDLE cancel;
    DWORD started;
    DWORD total;
    HINTERNET handles[3] = {}; // session, connection, request
};

// Waits for the operation just started; its outcome.
HttpResult await(Fetch& f) {
    DWORD left = remaining(f.started, f.total);
    HANDLE events[2] = {f.x->done, f.cancel};
    DWORD woken = WaitForMultipleObjects(f.cancel != nullptr ? 2 : 1, events, FALSE, left);
    if (woken == WAIT_OBJECT_0 + 1)
        return HttpResult::cancelled;
    if (woken == WAIT_TIMEOUT)
        return HttpResult::timed_out;
    if (woken == WAIT_FAILED)
        return HttpResult::failed;
    if (f.x->error == ERROR_WINHTTP_TIMEOUT)
        return HttpResult::timed_out;
    return f.x->error == 0 ? HttpResult::answered : HttpResult::failed;
}

// Every wait inside WinHTTP bounded by what is left of the limit.
void bound_waits(HINTERNET handle, DWORD connect_ms, DWORD left) {
    int connect = static_cast<int>(connect_ms < left ? connect_ms : left);
    int rest = static_cast<int>(left);
    http_set_timeouts(handle, connect, connect, rest, rest);
    DWORD response = left;
    http_set_option(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &response, sizeof response);
}

// A handle whose closing the callback will report: it carries the
// exchange as its context.
bool add_handle(Fetch& f, int index, HINTERNET handle) {
    if (handle == nullptr)
        return false;
    f.handles[index] = handle;
    ++f.x->opened;
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(f.x);
    http_set_option(handle, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context);
    return true;
}

// The session, with the callback that reports on it and its children;
// without the callback it is closed again at once.
bool open_session(Fetch& f, const wchar_t* agent) {
    HINTERNET session = http_open(agent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    if (session == nullptr)
        return false;
    if (http_set_status_callback(session, &on_status,
                                 WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS |
                                     WINHTTP_CALLBACK_FLAG_HANDLES,
                                 0) == WINHTTP_INVALID_STATUS_CALLBACK) {
        http_close_handle(session);
        return false;
    }
    return add_handle(f, 0, session);
}

// Room for an address whose tags, percent-encoded, take up to three times
// their bytes.
constexpr DWORD url_units = 8192;

struct Address {
    wchar_t host[256];
    wchar_t path[2 * url_units];
    INTERNET_PORT port;
    bool secure;
};

bool crack(const char* url, Address& address) {
    wchar_t wide[url_units];
    if (!widen(url, wide, url_units))
        return false;
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = address.host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = address.path;
    parts.dwUrlPathLength = url_units;
    wchar_t extra[url_units];
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = url_units;
    if (!http_crack_url(wide, 0, 0, &parts))
        return false;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return false;
    // The query goes with the path.
    size_t path_units = std::wcslen(address.path);
    size_t extra_units = std::wcslen(extra);
    if (path_units + extra_units + 1 > 2 * url_units)
        return false;
    std::memcpy(address.path + path_units, extra, (extra_units + 1) * sizeof(wchar_t));
    if (address.path[0] == L'\0') {
        address.path[0] = L'/';
        address.path[1] = L'\0';
    }
    address.port = parts.nPort;
    address.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    return true;
}

HttpResult read_body(Fetch& f, uint32_t limit, HttpAnswer& answer) {
    size_t capacity = 16384;
    auto* body = static_cast<char*>(std::malloc(capacity));
    size_t length = 0;
    for (;;) {
        if (body == nullptr)
            return HttpResult::failed;
        if (length + 8192 + 1 > capacity) {
            size_t grown_capacity = capacity * 2;
            if (grown_capacity > size_t{limit} + 8192 + 1)
                grown_capacity = size_t{limit} + 8192 + 1;
            auto* grown = static_cast<char*>(std::realloc(body, grown_capacity));
            if (grown == nullptr) {
                std::free(body);
                return HttpResult::failed;
            }
            body = grown;
            capacity = grown_capacity;
        }
        f.x->bytes = 0;
        if (!http_read_data(f.handles[2], body + length, 8192, nullptr)) {
            std::free(body);
            return HttpResult::failed;
        }
        HttpResult step = await(f);
        if (step != HttpResult::answered) {
            std::free(body);
            return step;
        }
        DWORD got = f.x->bytes;
        if (got == 0)
            break;
        length += got;
        if (length > limit) {
            std::free(body);
            return HttpResult::too_large;
        }
    }
    body[length] = '\0';
    answer.body = body;
    answer.length = length;
    return HttpResult::answered;
}

HttpResult exchange(Fetch& f, const Address& address, const wchar_t* agent,
                    const HttpLimits& limits, HttpAnswer& answer) {
    if (!open_session(f, agent))
        return HttpResult::failed;
    bound_waits(f.handles[0], limits.connect_ms, remaining(f.started, f.total));
    if (!add_handle(f, 1, http_connect(f.handles[0], address.host, address.port, 0)))
        return HttpResult::failed;
    if (!add_handle(f, 2,
                    http_open_request(f.handles[1], L"GET", address.path, nullptr,
                                      WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                      address.secure ? WINHTTP_FLAG_SECURE : 0)))
        return HttpResult::failed;
    bound_waits(f.handles[2], limits.connect_ms, remaining(f.started, f.total));
    if (!http_send_request(f.handles[2], WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA,
                           0, 0, reinterpret_cast<DWORD_PTR>(f.x)))
        return HttpResult::failed;
    HttpResult step = await(f);
    if (step != HttpResult::answered)
        return step;
    if (!http_receive_response(f.handles[2], nullptr))
        return HttpResult::failed;
    step = await(f);
    if (step != HttpResult::answered)
        return step;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!http_query_headers(f.handles[2], WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return HttpResult::failed;
    DWORD announced = 0;
    size = sizeof announced;
    if (http_query_headers(f.handles[2], WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &announced, &size,
                           WINHTTP_NO_HEADER_INDEX) &&
        announced > limits.max_bytes)
        return HttpResult::too_large;
    bound_waits(f.handles[2], limits.connect_ms, remaining(f.started, f.total));
    step = read_body(f, limits.max_bytes, answer);
    if (step == HttpResult::answered)
        answer.status = static_cast<int>(status);
    return step;
}

} // namespace

HttpCancel* http_cancel_create() {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr)
        return nullptr;
    auto* cancel = static_cast<HttpCancel*>(std::malloc(sizeof(HttpCancel)));
    if (cancel == nullptr) {
        CloseHandle(event);
        return nullptr;
    }
    cancel->event = event;
    return cancel;
}

void http_cancel_destroy(HttpCancel* cancel) {
    if (cancel == nullptr)
        return;
    CloseHandle(cancel->event);
    std::free(cancel);
}

void http_cancel(HttpCancel* cancel) {
    if (cancel != nullptr)
        SetEvent(cancel->event);
}

HttpResult http_get(const char* url, const char* user_agent, const HttpLimits& limits,
                    HttpCancel* cancel, HttpAnswer& answer) {
    answer = {};
    if (cancel != nullptr && WaitForSingleObject(cancel->event, 0) == WAIT_OBJECT_0)
        return HttpResult::cancelled;
    if (!load_winhttp())
        return HttpResult::failed;
    Address address;
    wchar_t agent[256];
    if (!crack(url, address) || !widen(user_agent, agent, 256))
        return HttpResult::failed;
    auto* x = new (std::nothrow) Exchange;
    if (x == nullptr)
        return HttpResult::failed;
    x->done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    x->closed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HttpResult result = HttpResult::failed;
    Fetch f{x, cancel != nullptr ? cancel->event : nullptr, GetTickCount(), limits.total_ms};
    if (x->done != nullptr && x->closed != nullptr)
        result = exchange(f, address, agent, limits, answer);
    if (result != HttpResult::answered) {
        std::free(answer.body);
        answer = {};
    }
    // Children first; each reports its closing through the callback.
    bool any = false;
    for (int i = 2; i >= 0; --i) {
        if (f.handles[i] != nullptr) {
            http_close_handle(f.handles[i]);
            any = true;
        }
    }
    // WinHTTP's own time-outs end what it still does well before this; were
    // a closing never reported, the exchange is left to the callback rather
    // than freed under it.
    if (any && WaitForSingleObject(x->closed, closing_wait_ms) != WAIT_OBJECT_0)
        return result;
    if (x->done != nullptr)
        CloseHandle(x->done);
    if (x->closed != nullptr)
        CloseHandle(x->closed);
    delete x;
    return result;
}

// WinHTTP stays loaded: its own threads still run its code after the last
// handle has reported its closing (Wine's crash there when the library was
// freed right after a download was cancelled), and it gives no sign of when
// they have left it. Its reference is the process's until it exits.
void http_unload() {}

} // namespace lumivox::platform
