// Each ghost's window is a message-only window on a thread of its own with
// its own message loop, as a ghost's window lives on the mascot host's
// thread rather than on the sender's.
#include "tools/ghost/ghost_platform.h"

#include <future>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>
#include <windows.h>

namespace lumivox::ghost {

namespace {

const wchar_t class_name[] = L"LumivoxGhostWindow";

std::mutex threads_mutex;
std::vector<std::pair<platform::WindowHandle, std::thread>> threads;

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_COPYDATA: {
        const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
        // The ghost's place, doubled, plus 1 for its kero window.
        auto tag = static_cast<size_t>(GetWindowLongPtrW(window, GWLP_USERDATA));
        // A message left hanging has long been given up by its sender.
        int64_t answer = receive_copy_data(tag / 2, tag % 2 != 0, record->dwData,
                                           static_cast<const char*>(record->lpData),
                                           static_cast<uint32_t>(record->cbData));
        return answer > 0 ? TRUE : FALSE;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

bool register_class() {
    static const bool registered = [] {
        WNDCLASSW window_class{};
        window_class.lpfnWndProc = &window_procedure;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = class_name;
        return RegisterClassW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

void run_window(size_t ghost, bool kero, std::promise<HWND>& ready) {
    HWND window = nullptr;
    if (register_class())
        window = CreateWindowExW(0, class_name, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (window != nullptr)
        SetWindowLongPtrW(window, GWLP_USERDATA, static_cast<LONG_PTR>(ghost * 2 + (kero ? 1 : 0)));
    ready.set_value(window);
    if (window == nullptr)
        return;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
}

} // namespace

platform::WindowHandle open_ghost_window(size_t ghost, bool kero) {
    std::promise<HWND> ready;
    std::future<HWND> created = ready.get_future();
    std::thread thread([ghost, kero, &ready] { run_window(ghost, kero, ready); });
    HWND window = created.get();
    if (window == nullptr) {
        thread.join();
        return 0;
    }
    auto handle = reinterpret_cast<platform::WindowHandle>(window);
    std::lock_guard<std::mutex> lock(threads_mutex);
    threads.emplace_back(handle, std::move(thread));
    return handle;
}

void close_ghost_window(platform::WindowHandle window) {
    std::thread thread;
    {
        std::lock_guard<std::mutex> lock(threads_mutex);
        for (auto it = threads.begin(); it != threads.end(); ++it) {
            if (it->first == window) {
                thread = std::move(it->second);
                threads.erase(it);
                break;
            }
        }
    }
    if (!thread.joinable())
        return;
    PostMessageW(reinterpret_cast<HWND>(window), WM_CLOSE, 0, 0);
    thread.join();
}

} // namespace lumivox::ghost
