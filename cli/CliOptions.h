// The command line of tonvara-cli: which command, its ports, files and switches, or why the
// arguments make no sense. Pure parsing, no file or port is touched. Any thread.
#pragma once

#include <QString>
#include <QStringList>

namespace tonvara::cli {

enum class Verb
{
    None, // only --help or --version
    Ports,
    Read,
    Upload,
    Diff,
    Venue, // "venue" alone: only its --help
    VenueCheck,
    VenueBackup,
    VenueApply,
    VenueAccept
};

// Exit statuses: all well; some port failed (or diff found differences); usage or bad file.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

inline constexpr const char *kProgramName = "tonvara-cli";

struct Options
{
    Verb verb = Verb::None;
    bool help = false;    // --help: print the help of the verb (or the overview) and stop
    bool version = false; // --version
    QStringList ports;    // --port, in the order given
    QString output;       // read: --output
    QStringList files;    // upload: the profile; diff: the two profiles
    bool verify = false;  // upload: read back and compare
    bool json = false;    // one JSON object per port instead of the text line
    QString metrics;      // venue check: --metrics
    QStringList rooms;    // venue apply and accept: --room, in the order given
    bool dryRun = false;  // venue apply: --dry-run
};

struct ParseResult
{
    Options options;
    QString error; // a usage error, without the program name; empty when the line is good
    bool ok() const { return error.isEmpty(); }
};

// arguments without the program name.
ParseResult parseArguments(const QStringList &arguments);

// The overview (no verb) or the help of one command, as --help prints them.
QString helpText(Verb verb);
// "tonvara-cli upload: <error>" and the line that says where help is.
QString usageErrorText(Verb verb, const QString &error);
QString verbName(Verb verb);

} // namespace tonvara::cli
