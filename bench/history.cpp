// The cost of the undo history when it is full: memory held by its 1000 steps when every one is
// a whole-editor step (an Import or a Read, two copies of every setting each), against a stated
// 8 MiB (a few percent of the editor's resident size); and the bookkeeping time of one step
// (record, then undo and redo), against 1 % of the 7.3 ms one frame and its answer take on the
// line. Plain model code, no window. Measures and prints; asserts nothing.
// Output, last line: memory_ratio=M step_time_ratio=T
#include "EditHistory.h"
#include "FactoryValues.h"

#include <malloc.h>

#include <chrono>
#include <cstdio>

using namespace tonvara;

namespace {

constexpr double kMemoryLimitMiB = 8.0;
constexpr double kStepLimitUs = 73.0; // 1 % of a frame and its answer at 9600 baud

std::size_t heapInUse()
{
    return mallinfo2().uordblks;
}

} // namespace

int main()
{
    const ParameterStore factory = factoryStore();
    ParameterStore changed = factory;

    // Whole-editor steps: each holds the store before and after.
    const std::size_t heapBefore = heapInUse();
    {
        EditHistory history;
        for (std::size_t i = 0; i < history.capacity() + 100; ++i) {
            changed.cellAt(TableId::Music, 0, 0).value = static_cast<std::uint8_t>(i % 21);
            history.record(EditStep::whole("Import", factory, changed));
        }
        const double mib = static_cast<double>(heapInUse() - heapBefore) / (1024.0 * 1024.0);
        std::printf("whole-editor steps=%zu heap_mib=%.2f (limit %.1f)\n", history.undoCount(), mib,
                    kMemoryLimitMiB);

        // Setting steps, the usual kind: record one, undo it, redo it, many times over.
        EditHistory settings;
        const SettingRef setting = SettingRef::cell(TableId::Music, 1, 3);
        constexpr int kRounds = 100000;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kRounds; ++i) {
            settings.record(EditStep::change(setting, i % 21, (i + 1) % 21));
            // The editor reads the step before it moves over it.
            if (settings.nextUndo())
                settings.stepBack();
            if (settings.nextRedo())
                settings.stepForward();
        }
        const double us =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count() /
            kRounds;
        std::printf("setting step record+undo+redo us=%.3f (limit %.0f)\n", us, kStepLimitUs);
        std::printf("memory_ratio=%.3f step_time_ratio=%.5f\n", mib / kMemoryLimitMiB,
                    us / kStepLimitUs);
    }
    return 0;
}
