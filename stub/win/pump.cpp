#include "stub/win/pump.h"

#include <algorithm>

void PumpMessages(DWORD sleepMilliseconds) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Sleep(sleepMilliseconds);
}

void PumpWait(DWORD milliseconds) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const DWORD slice = std::min<DWORD>(25, std::max<DWORD>(1, milliseconds / 10));
    for (;;) {
        QueryPerformanceCounter(&now);
        const LONGLONG elapsed = (now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
        if (elapsed >= milliseconds) return;
        PumpMessages(slice);
    }
}
