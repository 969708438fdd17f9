// The program's one window: its class, its creation and its window procedure.
#pragma once

#include <windows.h>

void register_main_window_class(HINSTANCE instance);
HWND create_main_window(HINSTANCE instance, int show);
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
