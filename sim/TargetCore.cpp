#include "TargetCore.h"

#include "FactoryValues.h"

namespace tonvara::sim {

namespace {

bool knownCommand(std::uint8_t command)
{
    switch (command) {
    case Command::UploadWrite:
    case Command::Read:
    case Command::LiveWrite:
    case Command::Identify:
    case Command::UploadEnd:
        return true;
    default:
        return false;
    }
}

std::tuple<int, int, int> keyOf(std::uint8_t group, std::uint8_t mode, std::uint8_t address)
{
    return {group, mode, address};
}

} // namespace

TargetCore::TargetCore(TargetOptions options) : m_options(options)
{
    const ParameterStore factory = factoryStore();
    for (TableId id : kAllTables) {
        const TableShape shape = shapeOf(id);
        for (int row = 0; row < shape.rowCount; ++row) {
            for (int slot = 0; slot < shape.slotCount; ++slot) {
                const ParamCell &cell = factory.cellAt(id, row, slot);
                m_settings[keyOf(shape.group, static_cast<std::uint8_t>(shape.modeBase + row),
                                 cell.address)] = cell.value;
            }
        }
    }
    for (int k = 0; k < kVolSetCount; ++k) {
        const VolSet &v = factory.volSet[static_cast<std::size_t>(k)];
        const auto index = static_cast<std::uint8_t>(k);
        m_settings[keyOf(Group::StartMode, 0, index)] = v.startMode;
        m_settings[keyOf(Group::MinLevel, 0, index)] = v.minLevel;
        m_settings[keyOf(Group::MaxLevel, 0, index)] = v.maxLevel;
        m_settings[keyOf(Group::StartLevel, 0, index)] = v.startLevel;
    }
    m_settings[keyOf(Group::Mute, 0, 0)] = factory.mute ? 1 : 0;
    m_settings[keyOf(Group::Lock, 0, 0)] = factory.lock ? 1 : 0;
    m_settings[keyOf(Group::Exciter, 0, 0)] = factory.exciter ? 1 : 0;
    m_settings[keyOf(Group::InputSelect, 0, 0)] = factory.inputSelect;
}

bool TargetCore::accepts(std::uint8_t command, std::uint8_t group)
{
    if (command == Command::Identify || command == Command::UploadEnd)
        return true;
    const bool upload = command == Command::UploadWrite;
    const bool read = command == Command::Read;
    const bool live = command == Command::LiveWrite;
    switch (group) {
    case Group::Music:
    case Group::Mic:
    case Group::KtvEff:
    case Group::Mute:
    case Group::Exciter:
    case Group::InputSelect:
        return upload || read || live;
    // Start mode, the level limits and the lock take effect only through an upload.
    case Group::StartMode:
    case Group::MinLevel:
    case Group::MaxLevel:
    case Group::Lock:
        return upload || read;
    // The start level is live only; an upload leaves it alone.
    case Group::StartLevel:
        return read || live;
    case Group::Key:
        return live;
    default:
        return false;
    }
}

TargetCore::Reaction TargetCore::feed(const std::uint8_t *data, std::size_t size)
{
    Reaction reaction;
    if (m_options.closeAfter == 0)
        m_closed = true;
    for (std::size_t i = 0; i < size && !m_closed; ++i)
        feedByte(data[i], reaction);
    reaction.closeLine = m_closed;
    return reaction;
}

TargetCore::Reaction TargetCore::keyReset()
{
    Reaction reaction;
    m_keyIndex = kNaturalKey;
    if (!m_closed && !silentNow())
        reaction.bytes.push_back(KeyResetByte);
    reaction.closeLine = m_closed;
    return reaction;
}

void TargetCore::feedByte(std::uint8_t byte, Reaction &reaction)
{
    if (m_partial.empty()) {
        if (byte == FrameLead) {
            m_partial.push_back(byte);
        } else if (byte == SyncByte) {
            ++reaction.syncBytes;
            if (m_options.syncEcho && !silentNow())
                reaction.bytes.push_back(SyncByte);
        } else {
            reaction.dropped.push_back(byte);
        }
        return;
    }

    m_partial.push_back(byte);
    // A lead followed by no known command was noise: drop the lead and look at the byte
    // again, since it may itself start the next frame or be the keep-alive.
    if (m_partial.size() == 2 && !knownCommand(byte)) {
        reaction.dropped.push_back(m_partial.front());
        m_partial.clear();
        feedByte(byte, reaction);
        return;
    }
    if (m_partial.size() < static_cast<std::size_t>(kFrameSize))
        return;

    const CommandFrame frame{m_partial[0], m_partial[1], m_partial[2],
                             m_partial[3], m_partial[4], m_partial[5]};
    m_partial.clear();
    takeFrame(frame, reaction);
}

void TargetCore::takeFrame(const CommandFrame &frame, Reaction &reaction)
{
    m_frames.push_back(frame);
    reaction.frames.push_back(frame);
    const int count = framesReceivedCount();

    // A silent target neither answers nor applies what it receives: it behaves as if gone.
    const bool answering = m_options.silentAfter < 0 || count <= m_options.silentAfter;
    if (answering) {
        if (const std::optional<std::uint8_t> answer = answerTo(frame)) {
            ++m_answers;
            if (m_options.garbageEvery > 0 && m_answers % m_options.garbageEvery == 0)
                reaction.bytes.push_back(kGarbageByte);
            reaction.bytes.push_back(*answer);
        }
    }
    if (m_options.closeAfter >= 0 && count >= m_options.closeAfter)
        m_closed = true;
}

std::optional<std::uint8_t> TargetCore::answerTo(const CommandFrame &frame)
{
    if (frame.command == Command::Identify)
        return m_options.modelByte;
    if (frame.command == Command::UploadEnd) {
        m_uploadEnded = true;
        return AckByte;
    }
    if (!accepts(frame.command, frame.group))
        return std::nullopt;
    if (frame.group == Group::Key) {
        if (frame.value == m_options.refusedKey) {
            m_keyIndex = kNaturalKey;
            return kKeyRefusedByte;
        }
        m_keyIndex = frame.value;
        return AckByte;
    }
    const auto it = m_settings.find(keyOf(frame.group, frame.mode, frame.address));
    // A setting this target does not have: no answer, so the sender's mistake shows as a
    // time-out instead of passing unnoticed.
    if (it == m_settings.end())
        return std::nullopt;
    if (frame.command == Command::Read)
        return it->second;
    if (frame.command == Command::UploadWrite)
        m_uploadEnded = false;
    it->second = frame.value;
    return AckByte;
}

bool TargetCore::silentNow() const
{
    return m_options.silentAfter >= 0 && framesReceivedCount() >= m_options.silentAfter;
}

std::uint8_t TargetCore::setting(std::uint8_t group, std::uint8_t mode, std::uint8_t address) const
{
    const auto it = m_settings.find(keyOf(group, mode, address));
    return it == m_settings.end() ? 0 : it->second;
}

void TargetCore::setSetting(std::uint8_t group, std::uint8_t mode, std::uint8_t address,
                            std::uint8_t value)
{
    m_settings[keyOf(group, mode, address)] = value;
}

bool TargetCore::hasSetting(std::uint8_t group, std::uint8_t mode, std::uint8_t address) const
{
    return m_settings.contains(keyOf(group, mode, address));
}

} // namespace tonvara::sim
