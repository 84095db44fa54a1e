// The frames one live change puts on the line, as the window's controls send them: a table cell
// in its own mode, a whole mode row (a mode choice, the connection's synchronisation), a start
// level, the switches and the KEY. Shared by the editor and the venue server so that both send
// the same bytes for the same change. Plain data and one send helper; any thread that owns the
// link it sends on.
#pragma once

#include "CommandFrame.h"
#include "ParameterStore.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tonvara {

class TargetLink;

struct LiveFrame
{
    CommandFrame frame;
    bool collectReply = false;
    std::uint8_t expectedLength = 0;
    bool pauseWhenZero = false;
    bool operator==(const LiveFrame &) const = default;
};

// A LiveWrite answered by the acknowledgement alone.
LiveFrame liveWrite(int group, int mode, int address, int value, bool pauseWhenZero = false);
// The cell of a table row, sent in that row's mode whichever mode is current.
LiveFrame cellFrame(const ParameterStore &store, TableId table, int row, int slot);
// Every cell of a row in slot order: what choosing that mode sends.
std::vector<LiveFrame> modeRowFrames(const ParameterStore &store, TableId table, int row);
// The row the mode number of a mode list selects (KTV rows for 0 and 1, EFF rows from 20).
std::vector<LiveFrame> modeFrames(const ParameterStore &store, int list, int modeNumber);
LiveFrame startLevelFrame(int group, int level);
// Mute off waits before its answer is awaited, as the target needs.
LiveFrame muteFrame(bool on);
LiveFrame exciterFrame(bool on);
LiveFrame inputFrame(int input);
// The KEY frame collects its one-byte answer: anything but AckByte means the target refused it.
LiveFrame keyFrame(int key);

// A start level above its group's maximum is lowered to the maximum, as the slider does.
int startLevelWithinMaximum(int level, int maximum);

// One frame through the link's sendFrame; true when it was answered.
bool sendLiveFrame(TargetLink &link, const LiveFrame &frame);
// In order, stopping at the first that fails; true when every one was answered.
bool sendLiveFrames(TargetLink &link, std::span<const LiveFrame> frames);

} // namespace tonvara
