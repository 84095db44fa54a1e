// The target's protocol, as an independent peer of the editor: parses the frames it receives,
// keeps its own copy of every setting, and produces the bytes it answers with. It knows
// nothing of time or transport; the simulator program paces it on a pseudo-terminal and the
// tests' in-memory line paces it on virtual time. Single-threaded.
#pragma once

#include "CommandFrame.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace tonvara::sim {

struct TargetOptions
{
    std::uint8_t modelByte = ModelByte; // answer to Identify
    int silentAfter = -1;               // stop answering after this many frames (-1: never)
    bool syncEcho = true;               // echo the keep-alive byte
    int garbageEvery = 0;               // put a stray byte before every N-th answer (0: never)
    int closeAfter = -1;                // close the line after this many frames (-1: never)
    int refusedKey = -1;                // a KEY write of this key is refused (-1: none)
};

// What the target answers to a KEY it refuses: anything but AckByte.
inline constexpr std::uint8_t kKeyRefusedByte = 0x35;

// The stray byte of garbageEvery: none of the protocol's own bytes, so it shows up as noise.
inline constexpr std::uint8_t kGarbageByte = 0x5A;

class TargetCore
{
  public:
    // One reaction to received bytes: what to send back, in order, and whether the line closes.
    struct Reaction
    {
        std::vector<std::uint8_t> bytes;
        bool closeLine = false;
        // What the bytes were taken as, for tracing: complete frames, keep-alive bytes, and
        // bytes dropped while resynchronising.
        std::vector<CommandFrame> frames;
        int syncBytes = 0;
        std::vector<std::uint8_t> dropped;
    };

    explicit TargetCore(TargetOptions options = {});

    // Feeds bytes from the editor. A frame is six bytes starting with FrameLead; a lone SyncByte
    // outside a frame is the keep-alive. Bytes that fit neither are dropped, as a target
    // resynchronising on the next FrameLead would.
    Reaction feed(const std::uint8_t *data, std::size_t size);
    // The unsolicited key-reset byte, as the target sends it when its key returns to natural.
    static std::uint8_t keyResetByte() { return KeyResetByte; }
    // The key returns to natural: sends keyResetByte() unless the target is silent or closed.
    Reaction keyReset();

    // Settings by (group, mode, address): groups 0-2 per mode table cell; groups 3-6 per VOL(SET)
    // index in address; groups 7, 8, 10, 12 at mode 0 address 0. Starts at the factory values.
    std::uint8_t setting(std::uint8_t group, std::uint8_t mode, std::uint8_t address) const;
    void setSetting(std::uint8_t group, std::uint8_t mode, std::uint8_t address,
                    std::uint8_t value);
    bool hasSetting(std::uint8_t group, std::uint8_t mode, std::uint8_t address) const;
    // Every setting, for comparing with the editor's store and for --dump.
    const std::map<std::tuple<int, int, int>, std::uint8_t> &settings() const { return m_settings; }

    const std::vector<CommandFrame> &framesReceived() const { return m_frames; }
    int framesReceivedCount() const { return static_cast<int>(m_frames.size()); }
    // True once UploadEnd closed an upload; the next UploadWrite starts a new one.
    bool uploadEnded() const { return m_uploadEnded; }
    // The key the last key write chose (natural, 5, at start and after a key reset).
    std::uint8_t keyIndex() const { return m_keyIndex; }
    bool lineClosed() const { return m_closed; }
    TargetOptions &options() { return m_options; }

    // Whether the target takes this command for this group (the others go unanswered).
    static bool accepts(std::uint8_t command, std::uint8_t group);

  private:
    void feedByte(std::uint8_t byte, Reaction &reaction);
    void takeFrame(const CommandFrame &frame, Reaction &reaction);
    std::optional<std::uint8_t> answerTo(const CommandFrame &frame);
    bool silentNow() const;

    TargetOptions m_options;
    std::map<std::tuple<int, int, int>, std::uint8_t> m_settings;
    std::vector<CommandFrame> m_frames;
    std::vector<std::uint8_t> m_partial;
    int m_answers = 0;
    std::uint8_t m_keyIndex = 5;
    bool m_uploadEnded = false;
    bool m_closed = false;
};

} // namespace tonvara::sim
