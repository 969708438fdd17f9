#include "app/main_window.h"

#include "draw/surface.h"
#include "scene/scene.h"

#include <cstdio>

namespace {

const char main_window_cls[] = "main_window_cls";
const UINT_PTR repaint_timer_id = 1;
const UINT repaint_period_ms = 10;

// One frame: composed off-screen on a bitmap the size of the client area, then copied to the window in one
// block transfer, so the user never sees a half-drawn frame.
void paint_main_window(HWND window) {
    PAINTSTRUCT paint;
    HDC paint_dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    int width = client.right - client.left;
    int height = client.bottom - client.top;

    HBITMAP frame = CreateCompatibleBitmap(paint_dc, width, height);
    HDC frame_dc = CreateCompatibleDC(paint_dc);
    HGDIOBJ previous_bitmap = SelectObject(frame_dc, frame);

    HGDIOBJ previous_brush = SelectObject(frame_dc, GetSysColorBrush(COLOR_WINDOWFRAME));
    BitBlt(frame_dc, 0, 0, client.right, client.bottom, NULL, 0, 0, PATCOPY);
    SelectObject(frame_dc, previous_brush);

    draw_frame(frame_dc, width, height);

    BitBlt(paint_dc, 0, 0, client.right, client.bottom, frame_dc, 0, 0, SRCCOPY);
    SelectObject(frame_dc, previous_bitmap);
    DeleteDC(frame_dc);
    DeleteObject(frame);
    EndPaint(window, &paint);
}

void forward_key(UINT message, WPARAM wparam, LPARAM lparam) {
    bool pressed = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    bool auto_repeat = pressed && (lparam & (1L << 30)) != 0;
    int scan_code = static_cast<int>((lparam >> 16) & 0xFF);
    on_key_event(pressed, auto_repeat, scan_code, static_cast<int>(wparam));
}

enum mouse_event mouse_event_of(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN:
        return left_button_down;
    case WM_LBUTTONUP:
        return left_button_up;
    case WM_RBUTTONDOWN:
        return right_button_down;
    case WM_RBUTTONUP:
        return right_button_up;
    default:
        return mouse_move;
    }
}

// Client coordinates arrive as two unsigned 16-bit words of lParam.
void forward_mouse(UINT message, WPARAM wparam, LPARAM lparam) {
    int x = LOWORD(lparam);
    int y = HIWORD(lparam);
    on_mouse_event(mouse_event_of(message), x, y, wparam);
}

} // namespace

void register_main_window_class(HINSTANCE instance) {
    LOGBRUSH black = {BS_SOLID, 0, 0};
    WNDCLASSEXA cls = {};
    cls.cbSize = sizeof cls;
    cls.style = CS_HREDRAW | CS_VREDRAW;
    cls.lpfnWndProc = main_window_proc;
    cls.cbClsExtra = 0;
    cls.cbWndExtra = 0;
    cls.hInstance = instance;
    cls.hIcon = NULL;
    cls.hCursor = LoadCursorA(NULL, IDC_ARROW);
    cls.hbrBackground = CreateBrushIndirect(&black);
    cls.lpszMenuName = NULL;
    cls.lpszClassName = main_window_cls;
    cls.hIconSm = NULL;
    RegisterClassExA(&cls);
}

HWND create_main_window(HINSTANCE instance, int show) {
    HWND window = CreateWindowExA(0, main_window_cls, "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                  CW_USEDEFAULT, 0, NULL, NULL, instance, NULL);
    if (window != NULL) {
        ShowWindow(window, show);
        UpdateWindow(window);
    }
    return window;
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        paint_main_window(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        forward_key(message, wparam, lparam);
        break;
    case WM_TIMER:
        RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        forward_mouse(message, wparam, lparam);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    register_main_window_class(instance);
    HWND window = create_main_window(instance, show);
    if (window == NULL) {
        // Without a window nothing could ever end the message loop: leave at once instead of hanging.
        std::fputs("mirrors: cannot create the main window\n", stderr);
        return 1;
    }
    SetTimer(window, repaint_timer_id, repaint_period_ms, NULL);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) != 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
