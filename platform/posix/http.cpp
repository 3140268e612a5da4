// libcurl's multi interface, so that a cancel wakes the fetch's wait at once
// (curl_multi_wakeup) instead of at curl's next progress tick.
#include "platform/http.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <mutex>
#include <new>

namespace lumivox::platform {

struct HttpCancel {
    std::atomic<bool> cancelled{false};
    std::mutex mutex;
    CURLM* multi = nullptr; // the fetch's, while it runs; under mutex
};

namespace {

std::mutex global_mutex;
bool global_ready = false;

bool global_init() {
    std::lock_guard<std::mutex> hold(global_mutex);
    if (!global_ready)
        global_ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return global_ready;
}

struct Body {
    char* data = nullptr;
    size_t length = 0;
    size_t capacity = 0;
    size_t limit = 0;
    bool too_large = false;
    bool out_of_memory = false;
};

size_t on_data(char* data, size_t size, size_t n, void* user) {
    auto* body = static_cast<Body*>(user);
    size_t bytes = size * n;
    if (bytes > body->limit - body->length) {
        body->too_large = true;
        return 0; // refused: curl ends the transfer
    }
    if (body->length + bytes + 1 > body->capacity) {
        size_t capacity = body->capacity == 0 ? 16384 : body->capacity;
        while (capacity < body->length + bytes + 1)
            capacity *= 2;
        if (capacity > body->limit + 1)
            capacity = body->limit + 1;
        auto* grown = static_cast<char*>(std::realloc(body->data, capacity));
        if (grown == nullptr) {
            body->out_of_memory = true;
            return 0;
        }
        body->data = grown;
        body->capacity = capacity;
    }
    std::memcpy(body->data + body->length, data, bytes);
    body->length += bytes;
    body->data[body->length] = '\0';
    return bytes;
}

void set_multi(HttpCancel* cancel, CURLM* multi) {
    if (cancel == nullptr)
        return;
    std::lock_guard<std::mutex> hold(cancel->mutex);
    cancel->multi = multi;
}

bool cancelled(const HttpCancel* cancel) {
    return cancel != nullptr && cancel->cancelled.load();
}

// Runs the transfer until it ends or is cancelled; its result code.
HttpResult run(CURLM* multi, HttpCancel* cancel, CURLcode& code) {
    for (;;) {
        if (cancelled(cancel))
            return HttpResult::cancelled;
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            return HttpResult::failed;
        if (running == 0)
            break;
        // Woken early by data, curl's own timers or a cancel.
        if (curl_multi_poll(multi, nullptr, 0, 1000, nullptr) != CURLM_OK)
            return HttpResult::failed;
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg == CURLMSG_DONE) {
            code = message->data.result;
            return HttpResult::answered;
        }
    }
    return HttpResult::failed;
}

HttpResult outcome(CURLcode code, const Body& body) {
    if (body.too_large || code == CURLE_FILESIZE_EXCEEDED)
        return HttpResult::too_large;
    if (code == CURLE_OPERATION_TIMEDOUT)
        return HttpResult::timed_out;
    return code == CURLE_OK && !body.out_of_memory ? HttpResult::answered : HttpResult::failed;
}

} // namespace

HttpCancel* http_cancel_create() {
    return new (std::nothrow) HttpCancel;
}

void http_cancel_destroy(HttpCancel* cancel) {
    delete cancel;
}

void http_cancel(HttpCancel* cancel) {
    if (cancel == nullptr)
        return;
    cancel->cancelled = true;
    std::lock_guard<std::mutex> hold(cancel->mutex);
    if (cancel->multi != nullptr)
        curl_multi_wakeup(cancel->multi);
}

HttpResult http_get(const char* url, const char* user_agent, const HttpLimits& limits,
                    HttpCancel* cancel, HttpAnswer& answer) {
    answer = {};
    if (cancelled(cancel))
        return HttpResult::cancelled;
    if (!global_init())
        return HttpResult::failed;
    CURL* easy = curl_easy_init();
    CURLM* multi = curl_multi_init();
    Body body;
    body.limit = limits.max_bytes;
    HttpResult result = HttpResult::failed;
    CURLcode code = CURLE_OK;
    if (easy != nullptr && multi != nullptr) {
        curl_easy_setopt(easy, CURLOPT_URL, url);
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_USERAGENT, user_agent);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect_ms));
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.total_ms));
        curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(limits.max_bytes));
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &on_data);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
        if (curl_multi_add_handle(multi, easy) == CURLM_OK) {
            set_multi(cancel, multi);
            result = run(multi, cancel, code);
            set_multi(cancel, nullptr);
            curl_multi_remove_handle(multi, easy);
        }
    }
    if (result == HttpResult::answered)
        result = outcome(code, body);
    if (result == HttpResult::answered) {
        long status = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        answer.status = static_cast<int>(status);
        if (body.data == nullptr)
            body.data = static_cast<char*>(std::calloc(1, 1));
        if (body.data == nullptr) {
            result = HttpResult::failed;
        } else {
            answer.body = body.data;
            answer.length = body.length;
            body.data = nullptr;
        }
    }
    std::free(body.data);
    if (multi != nullptr)
        curl_multi_cleanup(multi);
    if (easy != nullptr)
        curl_easy_cleanup(easy);
    return result;
}

void http_unload() {
    std::lock_guard<std::mutex> hold(global_mutex);
    if (global_ready)
        curl_global_cleanup();
    global_ready = false;
}

} // namespace lumivox::platform
