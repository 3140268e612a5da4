#include "platform/window_message.h"

#include <windows.h>

namespace lumivox::platform {

bool send_copy_data(WindowHandle window, uintptr_t data, const void* bytes, uint32_t size,
                    int timeout_ms) {
    COPYDATASTRUCT record{};
    record.dwData = static_cast<ULONG_PTR>(data);
    record.cbData = static_cast<DWORD>(size);
    record.lpData = const_cast<void*>(bytes);
    DWORD_PTR answer = 0;
    // A ghost that hangs must not hold the caller (and the scheduler's lock)
    // for good: a time-out counts as a refusal.
    LRESULT sent = SendMessageTimeoutW(reinterpret_cast<HWND>(window), WM_COPYDATA, 0,
                                       reinterpret_cast<LPARAM>(&record), SMTO_ABORTIFHUNG,
                                       static_cast<UINT>(timeout_ms), &answer);
    return sent != 0 && answer != 0;
}

} // namespace lumivox::platform
