// Lumeno: display channels that put decoded YUV 4:2:0 pictures into X11 windows.
//
// A display object is made for one main window and one picture size. It owns its own X
// connection, four YV12 picture surfaces of that size (surface n belongs to channel n) and a
// table of 16 channels, each naming the window the channel draws into. A picture shown on a
// channel is copied into the channel's surface and then scaled onto the channel's window
// (libswscale into an MIT-SHM image, or a plain XPutImage where shared memory is not offered).
// Up to five sub-displays, each a full display object for another window, mirror the pictures
// given to LUMENO_ShowImage.
//
// Window handles are X11 window ids (XID). Handles are the object's address.
//
// Threads: every function may be called from any thread. Each display object serialises its
// own calls with one lock, so a draw running on a decoder thread and a channel change on the
// user-interface thread never overlap; a sub-display being destroyed waits for a mirrored draw
// in progress and is never drawn on afterwards. Lock order: parent object, then sub-display.
//
// Blocking: a draw sends its picture and returns without a round trip; each channel alternates
// two images and waits only when the server has not yet taken the older one (MIT-SHM
// completion). The first draw on a window asks for its geometry once; later changes come as
// events. A picture is therefore on the screen shortly after the call, not at its return.
// X protocol errors never end the process: each display records the errors of its own
// connection. A destroyed window is reported by the next draw (8); any other X error makes the
// next draw on the channel rebuild its objects for the window, as lost surfaces are restored.
//
// Results: 0 success; -1 null handle (functions without a result do nothing); the other codes
// are listed per function. Set-up codes (InitObject, CreateSubDX): 2 the X display cannot be
// opened; 3 the main window does not exist; 4 the main window's visual is not 24/32-bit true
// colour; 5 the picture size is not usable (1..kLumenoMaxPictureSide, picture surfaces
// cannot be allocated); 6 the drawing context cannot be made; 7 the X server reported an error
// while the objects were made.
//
// Trace: every channel open, close and reset writes
// "Set %d channel info,ShowHWND=%d,pShowWnd=%d\r\n" to standard output.
#pragma once

#include <stdint.h>

#if defined(LUMENO_BUILDING)
#define LUMENO_EXPORT __attribute__((visibility("default")))
#else
#define LUMENO_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned long LUMENO_HWND;  // X11 window id
typedef void* LUMENO_HANDLE;

#define LUMENO_CHANNEL_COUNT 16    // entries of the channel table
#define LUMENO_SURFACE_COUNT 4     // channels 0..3 can show pictures
#define LUMENO_SUBDISPLAY_COUNT 5  // sub-display slots
#define kLumenoMaxPictureSide 8192

// A rectangle in the window's coordinates; stored with the channel (the has-rectangle flag
// selects the insets of the destination, see LUMENO_ShowImage).
typedef struct {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
} LUMENO_RECT;

// Makes a display object for pictures of width x height on the main window (which also
// becomes the window of no channel: channels are opened separately). 0 and *out set; -1 when
// out is null or the object cannot be allocated; 2..7 set-up failure, *out null.
LUMENO_EXPORT int LUMENO_InitObject(LUMENO_HANDLE* out, int width, int height,
                                    LUMENO_HWND mainWindow);

// Destroys every sub-display, closes the X connection and frees the object. The handle is
// invalid afterwards; no other call on it may be running or follow.
LUMENO_EXPORT void LUMENO_ReleaseObject(LUMENO_HANDLE handle);

// Moves the display to another main window: rebuilds the X objects for it and opens channel
// 0 on it with the has-rectangle flag set. Nothing when the handle or the window is 0. A
// failed rebuild is not reported: every draw then returns 9 until a later reset succeeds.
LUMENO_EXPORT void LUMENO_ReSetHandle(LUMENO_HANDLE handle, LUMENO_HWND window);

// Opens channel (0..15) on window; rect may be null. 0, or 1 when channel > 15 or window is 0
// (the channel is then left as it was).
LUMENO_EXPORT int LUMENO_OpenChannel(LUMENO_HANDLE handle, int channel, LUMENO_HWND window,
                                     const LUMENO_RECT* rect);
// Clears the channel's entry. 0, or 1 when channel > 15.
LUMENO_EXPORT int LUMENO_CloseChannel(LUMENO_HANDLE handle, int channel);
// 0 when channel <= 15 and open, else 1.
LUMENO_EXPORT int LUMENO_GetChannel(LUMENO_HANDLE handle, int channel);

// Shows a three-plane picture (Y width x height, U and V (width/2) x (height/2), rows packed)
// on the channel. The planes are read during the call only.
// Destination: the channel's window; with the has-rectangle flag inset 1 pixel left and
// right, 19 at the top, 18 at the bottom; without it the whole window.
// 0 drawn (and then mirrored on every active sub-display's same channel); 1 not copied or
// channel not open (the picture is still copied into the surface); 8 the put failed (window
// gone, empty destination); 9 channel >= 4 or no surface.
LUMENO_EXPORT int LUMENO_ShowImage(LUMENO_HANDLE handle, int channel, const uint8_t* y,
                                   const uint8_t* u, const uint8_t* v);
// As LUMENO_ShowImage from one YV12 buffer (Y, then V, then U); size is not used; without the
// has-rectangle flag the destination is inset 1 pixel on every side; no mirroring. With the
// has-rectangle flag, when the window's geometry changed during the put the main window is cleared
// for a redraw.
LUMENO_EXPORT int LUMENO_ShowImage2(LUMENO_HANDLE handle, int channel, const uint8_t* buffer,
                                    int size);

// Sets up a sub-display for window in the first inactive slot. 0 and *outIndex (0..4); -2 when
// all five slots are active or the set-up fails; -1 null handle or outIndex.
LUMENO_EXPORT int LUMENO_CreateSubDX(LUMENO_HANDLE handle, LUMENO_HWND window, int* outIndex);
// Destroys the slot's sub-display; waits for a mirrored draw in progress. 0 (also for an
// index above 4 or an inactive slot).
LUMENO_EXPORT int LUMENO_DestroySubDX(LUMENO_HANDLE handle, int index);
// Opens channel 0 of the slot's sub-display on window (rect may be null). 0, or -2 when the
// index is above 4, the slot is inactive or the window is 0.
LUMENO_EXPORT int LUMENO_StartVideoSubDX(LUMENO_HANDLE handle, int index, LUMENO_HWND window,
                                         const LUMENO_RECT* rect);
// Closes channel 0 of the slot's sub-display. 0 (also for an index above 4).
LUMENO_EXPORT int LUMENO_StopVideoSubDX(LUMENO_HANDLE handle, int index);

#ifdef __cplusplus
}
#endif
