// The six-byte command frame and the single bytes of the target's line protocol.
// Header only: the target simulator uses these codes without the transmit/receive code.
#pragma once

#include <array>
#include <cstdint>

namespace tonvara {

inline constexpr std::uint8_t FrameLead = 0xCD;
inline constexpr std::uint8_t SyncByte = 0xFC;
inline constexpr std::uint8_t AckByte = 0x33;
inline constexpr std::uint8_t ModelByte = 0x6E;
inline constexpr std::uint8_t KeyResetByte = 0xFE;

namespace Command {
inline constexpr std::uint8_t UploadWrite = 0x00;
inline constexpr std::uint8_t Read = 0x01;
inline constexpr std::uint8_t LiveWrite = 0x02;
inline constexpr std::uint8_t Identify = 0xE2;
inline constexpr std::uint8_t UploadEnd = 0xEF;
} // namespace Command

namespace Group {
inline constexpr std::uint8_t Music = 0;
inline constexpr std::uint8_t Mic = 1;
inline constexpr std::uint8_t KtvEff = 2;
inline constexpr std::uint8_t StartMode = 3;
inline constexpr std::uint8_t MinLevel = 4;
inline constexpr std::uint8_t MaxLevel = 5;
inline constexpr std::uint8_t StartLevel = 6;
inline constexpr std::uint8_t Mute = 7;
inline constexpr std::uint8_t Lock = 8;
inline constexpr std::uint8_t Exciter = 10;
inline constexpr std::uint8_t Key = 11;
inline constexpr std::uint8_t InputSelect = 12;
} // namespace Group

struct CommandFrame
{
    std::uint8_t lead = FrameLead;
    std::uint8_t command = 0;
    std::uint8_t group = 0;
    std::uint8_t mode = 0;
    std::uint8_t address = 0;
    std::uint8_t value = 0;

    std::array<std::uint8_t, 6> bytes() const { return {lead, command, group, mode, address, value}; }
    bool operator==(const CommandFrame &) const = default;
};

inline constexpr int kFrameSize = 6;

} // namespace tonvara
