#include "LiveFrames.h"

#include "TargetLink.h"

#include <algorithm>

namespace tonvara {

namespace {

std::uint8_t u8(int value)
{
    return static_cast<std::uint8_t>(value);
}

} // namespace

LiveFrame liveWrite(int group, int mode, int address, int value, bool pauseWhenZero)
{
    LiveFrame live;
    live.frame =
        CommandFrame{FrameLead, Command::LiveWrite, u8(group), u8(mode), u8(address), u8(value)};
    live.pauseWhenZero = pauseWhenZero;
    return live;
}

LiveFrame cellFrame(const ParameterStore &store, TableId table, int row, int slot)
{
    const ParamCell &cell = store.cellAt(table, row, slot);
    return liveWrite(shapeOf(table).group, ParameterStore::modeNumberOfRow(table, row),
                     cell.address, cell.value);
}

std::vector<LiveFrame> modeRowFrames(const ParameterStore &store, TableId table, int row)
{
    std::vector<LiveFrame> frames;
    if (row < 0 || row >= shapeOf(table).rowCount)
        return frames;
    for (int slot = 0; slot < shapeOf(table).slotCount; ++slot)
        frames.push_back(cellFrame(store, table, row, slot));
    return frames;
}

std::vector<LiveFrame> modeFrames(const ParameterStore &store, int list, int modeNumber)
{
    if (list == 0)
        return modeRowFrames(store, TableId::Music, modeNumber);
    if (list == 1)
        return modeRowFrames(store, TableId::Mic, modeNumber);
    if (modeNumber < 20)
        return modeRowFrames(store, TableId::Ktv, modeNumber);
    return modeRowFrames(store, TableId::Eff, ParameterStore::rowOfMode(TableId::Eff, modeNumber));
}

LiveFrame startLevelFrame(int group, int level)
{
    return liveWrite(Group::StartLevel, 0, group, level);
}

LiveFrame muteFrame(bool on)
{
    return liveWrite(Group::Mute, 0, 0, on ? 1 : 0, /*pauseWhenZero=*/true);
}

LiveFrame exciterFrame(bool on)
{
    return liveWrite(Group::Exciter, 0, 0, on ? 1 : 0);
}

LiveFrame inputFrame(int input)
{
    return liveWrite(Group::InputSelect, 0, 0, input);
}

LiveFrame keyFrame(int key)
{
    LiveFrame live = liveWrite(Group::Key, 0, 0, key);
    live.collectReply = true;
    live.expectedLength = 1;
    return live;
}

int startLevelWithinMaximum(int level, int maximum)
{
    return std::min(level, maximum);
}

bool sendLiveFrame(TargetLink &link, const LiveFrame &live)
{
    const CommandFrame &f = live.frame;
    return link.sendFrame(live.collectReply, live.expectedLength, f.command, f.group, f.mode,
                          f.address, f.value, live.pauseWhenZero);
}

bool sendLiveFrames(TargetLink &link, std::span<const LiveFrame> frames)
{
    return std::all_of(frames.begin(), frames.end(),
                       [&link](const LiveFrame &live) { return sendLiveFrame(link, live); });
}

} // namespace tonvara
