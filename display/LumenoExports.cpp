// The twelve exported display functions: argument checks, then the display object.
#include <new>

#include "CDirectDrawVideoShow.h"
#include "lumeno.h"

using lumeno::CDirectDrawVideoShow;

namespace {

CDirectDrawVideoShow* object(LUMENO_HANDLE handle) {
    return static_cast<CDirectDrawVideoShow*>(handle);
}

}  // namespace

extern "C" {

LUMENO_EXPORT int LUMENO_InitObject(LUMENO_HANDLE* out, int width, int height,
                                    LUMENO_HWND mainWindow) {
    if (!out)
        return -1;
    *out = nullptr;
    auto* display = new (std::nothrow) CDirectDrawVideoShow(width, height);
    if (!display)
        return -1;
    int rc = display->setUp(mainWindow);
    if (rc != 0) {
        delete display;
        return rc;
    }
    *out = display;
    return 0;
}

LUMENO_EXPORT void LUMENO_ReleaseObject(LUMENO_HANDLE handle) {
    delete object(handle);
}

LUMENO_EXPORT void LUMENO_ReSetHandle(LUMENO_HANDLE handle, LUMENO_HWND window) {
    if (!handle || !window)
        return;
    object(handle)->reset(window);
}

LUMENO_EXPORT int LUMENO_OpenChannel(LUMENO_HANDLE handle, int channel, LUMENO_HWND window,
                                     const LUMENO_RECT* rect) {
    if (!handle)
        return -1;
    return object(handle)->openChannel(channel, window, rect);
}

LUMENO_EXPORT int LUMENO_CloseChannel(LUMENO_HANDLE handle, int channel) {
    if (!handle)
        return -1;
    return object(handle)->closeChannel(channel);
}

LUMENO_EXPORT int LUMENO_GetChannel(LUMENO_HANDLE handle, int channel) {
    if (!handle)
        return -1;
    return object(handle)->getChannel(channel);
}

LUMENO_EXPORT int LUMENO_ShowImage(LUMENO_HANDLE handle, int channel, const uint8_t* y,
                                   const uint8_t* u, const uint8_t* v) {
    if (!handle)
        return -1;
    return object(handle)->showPlanes(channel, y, u, v);
}

LUMENO_EXPORT int LUMENO_ShowImage2(LUMENO_HANDLE handle, int channel, const uint8_t* buffer,
                                    int /*size*/) {
    if (!handle)
        return -1;
    return object(handle)->showYV12(channel, buffer);
}

LUMENO_EXPORT int LUMENO_CreateSubDX(LUMENO_HANDLE handle, LUMENO_HWND window, int* outIndex) {
    if (!handle || !outIndex)
        return -1;
    return object(handle)->createSub(window, outIndex);
}

LUMENO_EXPORT int LUMENO_DestroySubDX(LUMENO_HANDLE handle, int index) {
    if (!handle)
        return -1;
    return object(handle)->destroySub(index);
}

LUMENO_EXPORT int LUMENO_StartVideoSubDX(LUMENO_HANDLE handle, int index, LUMENO_HWND window,
                                         const LUMENO_RECT* rect) {
    if (!handle)
        return -1;
    return object(handle)->startSub(index, window, rect);
}

LUMENO_EXPORT int LUMENO_StopVideoSubDX(LUMENO_HANDLE handle, int index) {
    if (!handle)
        return -1;
    return object(handle)->stopSub(index);
}

}  // extern "C"
