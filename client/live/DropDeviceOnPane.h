// Putting a device's live video into the panes: a drop from the device list onto the grid.
//
// Thread: user-interface thread. Blocks for as long as the device's StartVideo does.
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>

namespace vantor::client {

class CCDevInfo;
class CVideoPane;
class PaneSource;

inline constexpr int kRecorderChannels = 4;

// Starts channel `channel` of a recorder in `pane`; nonzero when the stream started (the pane
// then plays, so it is no longer free).
using ChannelStarter = std::function<int(int channel, CVideoPane* pane)>;

// Channel 0 goes into `first`; channels 1-3 each into the pane that is free at that moment,
// and a channel is skipped when no pane is free. A channel that does not start leaves its pane
// free for the next one. Returns the number of channels started.
int StartRecorderChannels(PaneSource& panes, CVideoPane* first, const ChannelStarter& start);

// Opens `device` in the idle pane under `screen_point`, with the device's owner window set to
// `owner` (the main window). Cameras, switches, alarm cameras, door-bells and cameras without
// pan/tilt start their video there; a recorder starts its four channels (see above). Returns
// false when no idle pane is under the point or the device's StartVideo answers 0 (an offline
// device); true otherwise, also for kinds that show no video.
bool DropDeviceOnPane(PaneSource& panes, CCDevInfo& device, QPoint screen_point, QObject* owner);

}  // namespace vantor::client
