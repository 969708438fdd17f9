// The hooks of platform_hooks.h that only pass on to the layer's inside; the others live with what they
// describe (the object count and window DCs in the GDI).
#include "host.h"
#include "platform_hooks.h"

namespace platform {

HWND first_window() {
    return input::first_window();
}

bool start_host(std::string* reason) {
    return host::start(reason);
}

void stop_host() {
    host::stop();
}

} // namespace platform
