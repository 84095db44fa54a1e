// Several targets at once: tonvara-cli uploading (and verifying) one profile to three simulator
// programs against the same upload to one, each run as a user runs the program. Three targets
// should take about the time of one: the limit on the ratio is 1.35. Prints a table and, last,
// the ratios of the best times. Measures only; the exit status says whether every run
// succeeded, never how fast.
#include "CliTiming.h"
#include "FactoryValues.h"
#include "ProfileData.h"
#include "ProfileFile.h"
#include "SimProcess.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

using namespace tonvara;

namespace {

constexpr int kRuns = 3;
constexpr int kTargets = 3;
constexpr double kLimit = 1.35;

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::vector<std::unique_ptr<SimProcess>> sims;
    for (int i = 0; i < kTargets; ++i) {
        sims.push_back(std::make_unique<SimProcess>());
        if (!sims.back()->start()) {
            std::fprintf(stderr, "cli: simulator did not start: %s\n",
                         qPrintable(sims.back()->errorString()));
            return 1;
        }
    }
    QTemporaryDir dir;
    const QString profile = dir.filePath("bench.Lumaroch");
    // Mute on: no 1.5 s pause, so the ratio shows the transfers rather than the pause.
    ProfileData data = profileFromStore(factoryStore());
    data.mute = true;
    if (!saveProfileFile(profile, data).ok) {
        std::fprintf(stderr, "cli: cannot write %s\n", qPrintable(profile));
        return 1;
    }

    const auto ports = [&](int count) {
        QStringList arguments;
        for (int i = 0; i < count; ++i)
            arguments << "--port" << sims[std::size_t(i)]->device();
        return arguments;
    };
    std::vector<CliRow> rows = {
        {"upload x1", QStringList{"upload"} + ports(1) + QStringList{profile}},
        {"upload x3", QStringList{"upload"} + ports(kTargets) + QStringList{profile}},
        {"verify x1", QStringList{"upload", "--verify"} + ports(1) + QStringList{profile}},
        {"verify x3", QStringList{"upload", "--verify"} + ports(kTargets) + QStringList{profile}},
    };
    const bool allOk = timeRows(rows, kRuns);
    const double uploadRatio = rows[1].best / rows[0].best;
    const double verifyRatio = rows[3].best / rows[2].best;
    std::printf("three_targets_upload_ratio=%.2f three_targets_verify_ratio=%.2f limit=%.2f\n",
                uploadRatio, verifyRatio, kLimit);
    for (auto &sim : sims)
        sim->stop();
    return allOk ? 0 : 1;
}
