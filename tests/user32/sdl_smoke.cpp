// The SDL host on a real (virtual) display: a window that repaints on a 10 ms timer, is resized by the
// program and closes itself. Exits 0 when every step happened.
#include <windows.h>

#include <cstdio>

namespace {

int ticks = 0;
int paints = 0;
int sizes = 0;
LONG last_width = 0;

LRESULT CALLBACK smoke_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_TIMER:
        ++ticks;
        if (ticks == 20) {
            MoveWindow(window, 0, 0, 320, 200, FALSE);
        }
        if (ticks == 40) {
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return 0;
    case WM_SIZE:
        ++sizes;
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        last_width = client.right;
        HBRUSH brush = CreateSolidBrush(RGB(ticks * 6, 128, 255 - ticks * 6));
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        EndPaint(window, &paint);
        ++paints;
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSEXA cls = {};
    cls.cbSize = sizeof cls;
    cls.style = CS_HREDRAW | CS_VREDRAW;
    cls.lpfnWndProc = smoke_procedure;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    cls.lpszClassName = "smoke";
    RegisterClassExA(&cls);
    HWND window = CreateWindowExA(0, "smoke", "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        std::fputs("smoke: no window\n", stderr);
        return 2;
    }
    ShowWindow(window, show);
    UpdateWindow(window);
    SetTimer(window, 1, 10, nullptr);
    DWORD start = GetTickCount();
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DWORD elapsed = GetTickCount() - start;
    std::printf("ticks %d, paints %d, sizes %d, width %ld, %lu ms\n", ticks, paints, sizes,
                static_cast<long>(last_width), static_cast<unsigned long>(elapsed));
    bool ok =
        msg.wParam == 0 && ticks == 40 && paints >= 41 && sizes >= 2 && last_width == 320 && elapsed >= 390;
    return ok ? 0 : 3;
}
