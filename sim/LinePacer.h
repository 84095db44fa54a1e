// Times the simulator's answers as a 9600 baud 8N1 line would: a byte takes ten bit times to
// arrive, bytes on one direction of the line follow each other, and an answer can only start
// once the frame it answers has fully arrived. Optionally a USB adapter's latency timer on the
// editor's side: received bytes are passed on only when the timer next runs out, at a multiple of
// its period. Pure arithmetic on time points, so tests can check the law without a clock. Owned
// by TargetSimulator; single-threaded.
#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

namespace tonvara::sim {

class LinePacer
{
  public:
    using Clock = std::chrono::steady_clock;
    using Time = Clock::time_point;
    using Duration = std::chrono::nanoseconds;

    // One start bit, eight data bits and one stop bit at 9600 baud: about 1.0417 ms.
    static constexpr Duration kByteTime{10'000'000'000 / 9600};

    explicit LinePacer(Duration extraDelay = Duration::zero()) : m_extraDelay(extraDelay) {}

    // A byte read from the editor at readTime: the moment its last bit has arrived, after any
    // byte still on the line before it.
    Time received(Time readTime);
    // Answer bytes to something that arrived completely at `ready`: the moment each of them
    // has fully reached the editor. Later answers queue behind earlier ones.
    std::vector<Time> answer(Time ready, std::size_t count);

    void setExtraDelay(Duration extraDelay) { m_extraDelay = extraDelay; }
    Duration extraDelay() const { return m_extraDelay; }
    // Zero: no adapter holds the bytes.
    void setLatencyTimer(Duration period) { m_latencyTimer = period; }

  private:
    // When an adapter holding a byte that came off the line at `arrived` passes it on.
    Time heldByAdapter(Time arrived) const;

    Duration m_extraDelay{};
    Duration m_latencyTimer{};
    Time m_receiveIdle{};
    Time m_sendIdle{};
};

} // namespace tonvara::sim
