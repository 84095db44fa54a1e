#include "CliOptions.h"

namespace tonvara::cli {

namespace {

enum class Opt
{
    Port,
    Output,
    Verify,
    Json,
    Metrics,
    Room,
    DryRun
};

struct OptionRule
{
    Opt id;
    const char *longName;
    char shortName; // 0 when none
    bool takesValue;
};

constexpr OptionRule kPort{Opt::Port, "port", 'p', true};
constexpr OptionRule kOutput{Opt::Output, "output", 'o', true};
constexpr OptionRule kVerify{Opt::Verify, "verify", 0, false};
constexpr OptionRule kJson{Opt::Json, "json", 0, false};
constexpr OptionRule kMetrics{Opt::Metrics, "metrics", 0, true};
constexpr OptionRule kRoom{Opt::Room, "room", 0, true};
constexpr OptionRule kDryRun{Opt::DryRun, "dry-run", 0, false};

QList<OptionRule> rulesOf(Verb verb)
{
    switch (verb) {
    case Verb::Ports:
        return {kJson};
    case Verb::Read:
        return {kPort, kOutput, kJson};
    case Verb::Upload:
        return {kPort, kVerify, kJson};
    case Verb::VenueCheck:
        return {kJson, kMetrics};
    case Verb::VenueBackup:
        return {kJson};
    case Verb::VenueApply:
        return {kJson, kRoom, kDryRun};
    case Verb::VenueAccept:
        return {kJson, kRoom};
    case Verb::Diff:
    case Verb::Venue:
    case Verb::None:
        break;
    }
    return {};
}

Verb venueVerbFrom(const QString &word)
{
    if (word == QLatin1String("check"))
        return Verb::VenueCheck;
    if (word == QLatin1String("backup"))
        return Verb::VenueBackup;
    if (word == QLatin1String("apply"))
        return Verb::VenueApply;
    if (word == QLatin1String("accept"))
        return Verb::VenueAccept;
    return Verb::None;
}

Verb verbFrom(const QString &word)
{
    if (word == QLatin1String("ports"))
        return Verb::Ports;
    if (word == QLatin1String("read"))
        return Verb::Read;
    if (word == QLatin1String("upload"))
        return Verb::Upload;
    if (word == QLatin1String("diff"))
        return Verb::Diff;
    if (word == QLatin1String("venue"))
        return Verb::Venue;
    return Verb::None;
}

bool isHelp(const QString &argument)
{
    return argument == QLatin1String("--help") || argument == QLatin1String("-h");
}

// The rule an option argument names ("--port", "--port=X", "-p"), or null.
const OptionRule *findRule(const QList<OptionRule> &rules, const QString &name)
{
    for (const OptionRule &rule : rules) {
        if (name == QLatin1String("--") + QLatin1String(rule.longName))
            return &rule;
        if (rule.shortName && name == QStringLiteral("-") + QLatin1Char(rule.shortName))
            return &rule;
    }
    return nullptr;
}

// Checks what a command needs once every argument is in.
QString missingParts(const Options &options)
{
    switch (options.verb) {
    case Verb::Ports:
        if (!options.files.isEmpty())
            return QStringLiteral("unexpected argument '%1'").arg(options.files.first());
        return {};
    case Verb::Read:
        if (options.ports.isEmpty())
            return QStringLiteral("no --port given");
        if (options.ports.size() > 1)
            return QStringLiteral("read takes one --port, %1 given").arg(options.ports.size());
        if (options.output.isEmpty())
            return QStringLiteral("no --output file given");
        if (!options.files.isEmpty())
            return QStringLiteral("unexpected argument '%1'").arg(options.files.first());
        return {};
    case Verb::Upload:
        if (options.ports.isEmpty())
            return QStringLiteral("no --port given");
        if (options.files.isEmpty())
            return QStringLiteral("no profile file given");
        if (options.files.size() > 1)
            return QStringLiteral("one profile file expected, %1 given").arg(options.files.size());
        return {};
    case Verb::Diff:
        if (options.files.size() != 2)
            return QStringLiteral("two profile files expected, %1 given").arg(options.files.size());
        return {};
    case Verb::VenueCheck:
    case Verb::VenueBackup:
    case Verb::VenueApply:
    case Verb::VenueAccept:
        if (options.files.isEmpty())
            return QStringLiteral("no venue file given");
        if (options.files.size() > 1)
            return QStringLiteral("one venue file expected, %1 given").arg(options.files.size());
        if (options.verb == Verb::VenueAccept && options.rooms.size() != 1)
            return options.rooms.isEmpty()
                       ? QStringLiteral("no --room given: accept takes the room to accept")
                       : QStringLiteral("accept takes one --room, %1 given")
                             .arg(options.rooms.size());
        return {};
    case Verb::Venue:
    case Verb::None:
        break;
    }
    return {};
}

} // namespace

QString verbName(Verb verb)
{
    switch (verb) {
    case Verb::Ports:
        return QStringLiteral("ports");
    case Verb::Read:
        return QStringLiteral("read");
    case Verb::Upload:
        return QStringLiteral("upload");
    case Verb::Diff:
        return QStringLiteral("diff");
    case Verb::Venue:
        return QStringLiteral("venue");
    case Verb::VenueCheck:
        return QStringLiteral("venue check");
    case Verb::VenueBackup:
        return QStringLiteral("venue backup");
    case Verb::VenueApply:
        return QStringLiteral("venue apply");
    case Verb::VenueAccept:
        return QStringLiteral("venue accept");
    case Verb::None:
        break;
    }
    return {};
}

ParseResult parseArguments(const QStringList &arguments)
{
    ParseResult result;
    Options &options = result.options;
    const auto fail = [&result](const QString &error) {
        result.error = error;
        return result;
    };

    if (arguments.isEmpty())
        return fail(QStringLiteral("no command given"));
    const QString &first = arguments.first();
    if (isHelp(first)) {
        options.help = true;
        return result;
    }
    if (first == QLatin1String("--version")) {
        options.version = true;
        return result;
    }
    options.verb = verbFrom(first);
    if (options.verb == Verb::None)
        return fail(QStringLiteral("unknown command '%1'").arg(first));
    qsizetype firstArgument = 1;
    if (options.verb == Verb::Venue) {
        // "venue ACTION": the action is part of the command.
        const QString action = arguments.value(1);
        if (isHelp(action)) {
            options.help = true;
            return result;
        }
        if (action.isEmpty())
            return fail(QStringLiteral("no venue command given: check, backup, apply or accept"));
        options.verb = venueVerbFrom(action);
        if (options.verb == Verb::None) {
            options.verb = Verb::Venue;
            return fail(QStringLiteral("unknown venue command '%1': check, backup, apply or "
                                       "accept")
                            .arg(action));
        }
        firstArgument = 2;
    }

    const QList<OptionRule> rules = rulesOf(options.verb);
    bool optionsEnded = false;
    for (qsizetype i = firstArgument; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) ||
            argument == QLatin1String("-")) {
            options.files.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (isHelp(argument)) {
            options.help = true;
            return result;
        }
        const qsizetype equals =
            argument.startsWith(QLatin1String("--")) ? argument.indexOf('=') : -1;
        const QString name = equals < 0 ? argument : argument.left(equals);
        const OptionRule *rule = findRule(rules, name);
        if (!rule)
            return fail(QStringLiteral("unknown option '%1'").arg(name));
        QString value;
        if (rule->takesValue) {
            if (equals >= 0) {
                value = argument.mid(equals + 1);
            } else {
                if (i + 1 >= arguments.size())
                    return fail(QStringLiteral("option '%1' needs a value").arg(name));
                value = arguments.at(++i);
            }
            if (value.isEmpty())
                return fail(QStringLiteral("option '%1' needs a value").arg(name));
        } else if (equals >= 0) {
            return fail(QStringLiteral("option '%1' takes no value").arg(name));
        }

        switch (rule->id) {
        case Opt::Port:
            if (options.ports.contains(value))
                return fail(QStringLiteral("port '%1' given twice").arg(value));
            options.ports.append(value);
            break;
        case Opt::Output:
            if (!options.output.isEmpty())
                return fail(QStringLiteral("--output given twice"));
            options.output = value;
            break;
        case Opt::Verify:
            options.verify = true;
            break;
        case Opt::Json:
            options.json = true;
            break;
        case Opt::Metrics:
            if (!options.metrics.isEmpty())
                return fail(QStringLiteral("--metrics given twice"));
            options.metrics = value;
            break;
        case Opt::Room:
            if (options.rooms.contains(value, Qt::CaseInsensitive))
                return fail(QStringLiteral("room '%1' given twice").arg(value));
            options.rooms.append(value);
            break;
        case Opt::DryRun:
            options.dryRun = true;
            break;
        }
    }
    const QString missing = missingParts(options);
    if (!missing.isEmpty())
        return fail(missing);
    return result;
}

QString helpText(Verb verb)
{
    switch (verb) {
    case Verb::Ports:
        return QStringLiteral(
            "Usage: tonvara-cli ports [--json]\n"
            "\n"
            "Lists COM1 to COM12 and what answers on each. Every port that opens is asked\n"
            "for its model (Identify) and nothing else. Each line names the port, its device\n"
            "and what was found: target, another model (with its byte), text (a device\n"
            "server's notice, such as \"Port already in use\", quoted), silent, not allowed\n"
            "(with the group to join, or that only the owner may open it), busy (with the\n"
            "program holding it) or absent; for a tcp://HOST:PORT entry (a serial device\n"
            "server), refused or unreachable.\n"
            "\n"
            "COM numbers stand for the devices the system lists (/dev/ttyS*, /dev/ttyUSB*,\n"
            "/dev/ttyACM* ... in its order), or for the entries of TONVARA_PORTS (':' between\n"
            "them), which may also be tcp://HOST:PORT.\n"
            "\n"
            "  --json      one JSON object per port instead of the text line\n"
            "  -h, --help  this help\n"
            "\n"
            "Exit status: 0 when the list was made, 2 on a usage error.\n");
    case Verb::Read:
        return QStringLiteral(
            "Usage: tonvara-cli read --port PORT --output FILE.Lumaroch [--json]\n"
            "\n"
            "Reads every stored setting from the target on PORT (the editor's Read: 211\n"
            "frames) and saves them as a profile, exactly as the editor's Save does. A name\n"
            "without the .Lumaroch extension gets it; an existing profile is updated in place.\n"
            "A file that cannot be created or replaced there is refused before the port is\n"
            "opened. Nothing is written to the target, not even the current modes.\n"
            "\n"
            "  -p, --port PORT      COMn (the editor's numbering), a device path such as\n"
            "                       /dev/ttyUSB0, or tcp://HOST:PORT for a serial device server\n"
            "  -o, --output FILE    the profile to write\n"
            "  --json               the result as one JSON object\n"
            "  -h, --help           this help\n"
            "\n"
            "Exit status: 0 read and saved, 1 failed, 2 usage error.\n");
    case Verb::Upload:
        return QStringLiteral(
            "Usage: tonvara-cli upload [--verify] [--json] --port PORT [--port PORT ...]\n"
            "                          FILE.Lumaroch\n"
            "\n"
            "Checks the whole profile as the editor's Import does, then sends it to the target\n"
            "on every PORT at the same time, each on its own line, exactly as the editor's\n"
            "Upload does (212 frames). A bad file is refused before anything is sent anywhere.\n"
            "Prints one line per port, for example\n"
            "  /dev/ttyUSB3: uploaded and verified in 3.1 s\n"
            "  COM2: failed: no answer to frame 17 of 212\n"
            "\n"
            "  -p, --port PORT  COMn (the editor's numbering), a device path such as\n"
            "                   /dev/ttyUSB0, or tcp://HOST:PORT; give it once per target\n"
            "                   (the same port under two names is refused)\n"
            "  --verify         then read the settings back and compare them with the file\n"
            "  --json           one JSON object per port instead of the text line\n"
            "  -h, --help       this help\n"
            "\n"
            "Exit status: 0 every port done, 1 some port failed (the others are still done),\n"
            "2 usage error or a bad file.\n");
    case Verb::Diff:
        return QStringLiteral(
            "Usage: tonvara-cli diff FILE_A FILE_B\n"
            "\n"
            "Compares two profiles setting by setting, as the editor would import them, and\n"
            "prints one line per setting that differs: its profile key, the setting in words\n"
            "and both values as the window shows them, each named after its file.\n"
            "\n"
            "  -h, --help  this help\n"
            "\n"
            "Exit status: 0 equal, 1 different, 2 usage error or a bad file.\n");
    case Verb::Venue:
        return QStringLiteral(
            "Usage: tonvara-cli venue check|backup|apply|accept VENUE [OPTIONS]\n"
            "\n"
            "Keeps every room of a venue on its approved settings. VENUE is an INI file:\n"
            "\n"
            "  [Venue]\n"
            "  Name=Harbour\n"
            "  Backups=backups            ; optional, the default\n"
            "\n"
            "  [Room Bar]\n"
            "  Port=tcp://10.0.0.12:4001  ; COMn, a device path or tcp://HOST:PORT\n"
            "  Baseline=rooms/bar.Lumaroch\n"
            "\n"
            "Relative paths are relative to the venue file's folder. The whole file, every\n"
            "port and every baseline (as Import checks it) is checked before any port is\n"
            "touched; a fault is reported as FILE:LINE: reason, exit status 2.\n"
            "\n"
            "Commands (each runs every room at once; --help after one describes it):\n"
            "  check [--metrics FILE]          compare every room with its baseline\n"
            "  backup                          read every room into the backups folder\n"
            "  apply [--room NAME]... [--dry-run]\n"
            "                                  back up, then upload the baseline where a\n"
            "                                  room differs, and verify\n"
            "  accept --room NAME              make what a room holds its baseline\n"
            "\n"
            "Each takes --json: one JSON document on standard output.\n");
    case Verb::VenueCheck:
        return QStringLiteral(
            "Usage: tonvara-cli venue check VENUE [--json] [--metrics FILE]\n"
            "\n"
            "Reads every room (Identify and Read only: nothing is written to a target) and\n"
            "compares it with its baseline. One line per room: it matches its baseline, N\n"
            "settings differ (then one line per setting, as diff words it), or why it could\n"
            "not be read.\n"
            "\n"
            "  --metrics FILE  also write the result for node_exporter's textfile collector\n"
            "                  (Prometheus text format), replaced whole\n"
            "  --json          one JSON document instead of the lines\n"
            "  -h, --help      this help\n"
            "\n"
            "Exit status: 0 every room matches, 1 a room differs or could not be read,\n"
            "2 usage error or a bad venue file.\n");
    case Verb::VenueBackup:
        return QStringLiteral(
            "Usage: tonvara-cli venue backup VENUE [--json]\n"
            "\n"
            "Reads every room into BACKUPS/<UTC time>/<room>.Lumaroch, one folder per run\n"
            "(for example backups/20261211T143000Z/Bar.Lumaroch). A room that fails leaves\n"
            "no file.\n"
            "\n"
            "  --json      one JSON document instead of the lines\n"
            "  -h, --help  this help\n"
            "\n"
            "Exit status: 0 every room saved, 1 a room failed, 2 usage error or a bad venue\n"
            "file.\n");
    case Verb::VenueApply:
        return QStringLiteral(
            "Usage: tonvara-cli venue apply VENUE [--room NAME]... [--dry-run] [--json]\n"
            "\n"
            "For every room (or those named): reads it and saves a backup first, as backup\n"
            "does; where it differs from its baseline, uploads the whole baseline as upload\n"
            "does and reads it back to verify. A room that matches, or that could not be\n"
            "read or backed up, gets no write at all.\n"
            "\n"
            "  --room NAME  only this room (again for more)\n"
            "  --dry-run    print what would change; write nothing, to no room and no file\n"
            "  --json       one JSON document instead of the lines\n"
            "  -h, --help   this help\n"
            "\n"
            "Exit status: 0 every room ends matching its baseline, 1 otherwise, 2 usage\n"
            "error or a bad venue file.\n");
    case Verb::VenueAccept:
        return QStringLiteral(
            "Usage: tonvara-cli venue accept VENUE --room NAME [--json]\n"
            "\n"
            "Reads the room and makes what it holds its baseline. The old baseline is first\n"
            "copied into a new backups folder as \"<room> baseline.Lumaroch\"; the baseline\n"
            "is then updated in place as Save writes profiles, replaced whole.\n"
            "\n"
            "  --room NAME  the room to accept\n"
            "  --json       one JSON document instead of the lines\n"
            "  -h, --help   this help\n"
            "\n"
            "Exit status: 0 accepted, 1 failed, 2 usage error or a bad venue file.\n");
    case Verb::None:
        break;
    }
    return QStringLiteral(
        "Usage: tonvara-cli COMMAND [OPTIONS]\n"
        "\n"
        "Reads, uploads and verifies the settings of targets from a shell, and compares\n"
        "profiles. No display is needed.\n"
        "\n"
        "Commands:\n"
        "  ports [--json]                          what answers on COM1 to COM12\n"
        "  read --port PORT --output FILE          read a target into a profile\n"
        "  upload [--verify] [--json] --port PORT [--port PORT ...] FILE\n"
        "                                          send a profile to one or more targets\n"
        "  diff FILE_A FILE_B                      compare two profiles\n"
        "  venue check|backup|apply|accept VENUE   keep a venue's rooms on their baselines\n"
        "  serve VENUE [--listen ADDRESS:PORT] [--token-file FILE]\n"
        "                                          a page and an HTTP API for the rooms' live\n"
        "                                          settings\n"
        "\n"
        "'tonvara-cli COMMAND --help' describes each command; see also tonvara-cli(1).\n"
        "Exit status: 0 all well, 1 some port failed or diff found differences,\n"
        "2 usage error or a bad file.\n");
}

QString usageErrorText(Verb verb, const QString &error)
{
    const QString program = QString::fromLatin1(kProgramName);
    const QString who = verb == Verb::None ? program : program + QLatin1Char(' ') + verbName(verb);
    const QString help =
        verb == Verb::None ? program + QStringLiteral(" --help") : who + QStringLiteral(" --help");
    return QStringLiteral("%1: %2\nTry '%3'.").arg(who, error, help);
}

} // namespace tonvara::cli
