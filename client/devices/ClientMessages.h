// Window message numbers of the client (WM_USER = 1024 based, kept for their meaning).
#pragma once

namespace vantor::client {

inline constexpr unsigned kMsgSetResult = 1223;
inline constexpr unsigned kMsgConnecting = 1830;
inline constexpr unsigned kMsgRefusedOrTimedOut = 1831;
inline constexpr unsigned kMsgOffline = 1836;
inline constexpr unsigned kMsgSetSplit = 1842;          // UM_SETSPLIT
inline constexpr unsigned kMsgShowControlPanel = 1843;  // UM_SHOWCONTROLPANEL
inline constexpr unsigned kMsgHideControlPanel = 1844;  // UM_HIDECONTROLPANEL
inline constexpr unsigned kMsgStartup = 1845;
inline constexpr unsigned kMsgOnlineOrThumbnail = 2024;
inline constexpr unsigned kMsgDeviceAdded = 5424;
inline constexpr unsigned kMsgDeviceRemoved = 5426;
inline constexpr unsigned kMsgSettingsButton = 5427;
inline constexpr unsigned kMsgAreaButton = 5428;
// Requests from the layout to the main window (this client's own, above the shared range).
inline constexpr unsigned kMsgLockRequest = 5500;
inline constexpr unsigned kMsgUserManageRequest = 5501;
// From a device object: a snapshot could not be written (wParam the device, lParam 0). The
// device model has no widgets; the main window shows the failure box.
inline constexpr unsigned kMsgSnapshotFailed = 5510;
inline constexpr unsigned kMsgPellionHello = 10024;
inline constexpr unsigned kMsgPellionClose = 10025;

}  // namespace vantor::client
