// A venue check runs every room at once: tonvara-cli venue check of 3 and of 24 rooms (24
// simulator programs, as 24 rooms behind device servers) against reading one room with
// tonvara-cli read, each run as a user runs the program. Limits: 3 rooms 1.35, 24 rooms 1.3.
// Prints a table and, last, the ratios of the best times. Measures only; the exit status says
// whether every run did what it should, never how fast.
#include "CliTiming.h"
#include "FactoryValues.h"
#include "ProfileData.h"
#include "ProfileFile.h"
#include "SimProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

using namespace tonvara;

namespace {

constexpr int kRuns = 3;
constexpr int kRooms = 24;
constexpr int kFewRooms = 3;
constexpr double kLimitFew = 1.35;
constexpr double kLimitMany = 1.3;

// A venue of the first count simulators, every baseline the factory profile they hold.
QString writeVenue(const QTemporaryDir &dir, const std::vector<std::unique_ptr<SimProcess>> &sims,
                   int count, const QString &baseline)
{
    const QString path = dir.filePath(QStringLiteral("venue%1.venue").arg(count));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("[Venue]\nName=Bench\n");
    for (int i = 0; i < count; ++i)
        file.write(QStringLiteral("[Room %1]\nPort=%2\nBaseline=%3\n")
                       .arg(i + 1)
                       .arg(sims[std::size_t(i)]->device(), baseline)
                       .toUtf8());
    return path;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::vector<std::unique_ptr<SimProcess>> sims;
    for (int i = 0; i < kRooms; ++i) {
        sims.push_back(std::make_unique<SimProcess>());
        if (!sims.back()->start()) {
            std::fprintf(stderr, "venue: simulator %d did not start: %s\n", i + 1,
                         qPrintable(sims.back()->errorString()));
            return 1;
        }
    }
    QTemporaryDir dir;
    const QString baseline = dir.filePath("baseline.Lumaroch");
    if (!saveProfileFile(baseline, profileFromStore(factoryStore())).ok) {
        std::fprintf(stderr, "venue: cannot write %s\n", qPrintable(baseline));
        return 1;
    }

    std::vector<CliRow> rows = {
        {"read x1",
         {"read", "--port", sims[0]->device(), "--output", dir.filePath("read.Lumaroch")}},
        {"check x1", {"venue", "check", writeVenue(dir, sims, 1, baseline)}},
        {"check x3", {"venue", "check", writeVenue(dir, sims, kFewRooms, baseline)}},
        {"check x24", {"venue", "check", writeVenue(dir, sims, kRooms, baseline)}},
    };
    const bool allOk = timeRows(rows, kRuns);
    const double oneRoom = rows[0].best;
    std::printf("venue_check_1_ratio=%.2f venue_check_3_ratio=%.2f limit=%.2f "
                "venue_check_24_ratio=%.2f limit=%.2f\n",
                rows[1].best / oneRoom, rows[2].best / oneRoom, kLimitFew, rows[3].best / oneRoom,
                kLimitMany);
    for (auto &sim : sims)
        sim->stop();
    return allOk ? 0 : 1;
}
