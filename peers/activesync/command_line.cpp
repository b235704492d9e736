#include "peers/activesync/command_line.h"

namespace jsync {

const char kUsage[] =
    "usage: jsync [--handheld DIR] [--desktop DIR] [--partner 1|2] [--prefer desktop|device]\n"
    "             [--dry-run] [--combine] [--allow-mass-delete] [--watch]\n"
    "       jsync [--handheld DIR] [--desktop DIR] [--partner 1|2] options\n"
    "       jsync [--handheld DIR] [--desktop DIR] status\n"
    "       jsync [--handheld DIR] partners\n"
    "       jsync [--handheld DIR] forget --partner 1|2\n"
    "Synchronizes the notes of a handheld with Outlook's Notes folder on a desktop.\n"
    "  --handheld DIR       the handheld's directory\n"
    "  --desktop DIR        the desktop's directory\n"
    "  --partner 1|2        the handheld's partner slot for this desktop\n"
    "  --prefer desktop|device\n"
    "                       a note changed on both sides takes this side's version\n"
    "                       (default: both versions are kept on both sides)\n"
    "  --dry-run            show what would be done, note by note; change nothing\n"
    "  --combine            combine both sides as in a first synchronization: equal\n"
    "                       notes paired, every other note copied, nothing deleted\n"
    "  --allow-mass-delete  delete even when more than half of a side's notes would go\n"
    "  --watch              keep synchronizing as notes change, until interrupted\n"
    "  options              open the desktop store's options dialog\n"
    "  status               the partnership with this desktop: its object type, partner\n"
    "                       slot, last synchronization and the notes waiting on each\n"
    "                       side; nothing is synchronized or changed\n"
    "  partners             list the handheld's two partner slots\n"
    "  forget --partner N   end the partnership in slot N, freeing it\n"
    "  --help               show this help\n"
    "  --version            show the version\n";

std::optional<Options> ParseCommandLine(const std::vector<std::string>& args, std::string* error) {
    Options options;
    bool commandGiven = false;
    auto fail = [&](std::string why) -> std::optional<Options> {
        *error = std::move(why);
        return std::nullopt;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string* {
            return i + 1 < args.size() ? &args[++i] : nullptr;
        };
        if (arg == "--handheld" || arg == "--desktop" || arg == "--partner" || arg == "--prefer") {
            const std::string* text = value();
            if (!text || text->empty())
                return fail(arg + " needs a value");
            if (arg == "--handheld") {
                options.handheld = *text;
            } else if (arg == "--desktop") {
                options.desktop = *text;
            } else if (arg == "--partner") {
                if (*text != "1" && *text != "2")
                    return fail("--partner takes 1 or 2, not " + *text);
                options.partner = static_cast<UINT>((*text)[0] - '0');
            } else if (*text == "desktop") {
                options.policy = ConflictPolicy::PreferDesktop;
            } else if (*text == "device") {
                options.policy = ConflictPolicy::PreferDevice;
            } else {
                return fail("--prefer takes desktop or device, not " + *text);
            }
        } else if (arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--combine") {
            options.combine = true;
        } else if (arg == "--allow-mass-delete") {
            options.allowMassDelete = true;
        } else if (arg == "--watch") {
            options.watch = true;
        } else if (arg == "--help" || arg == "-h") {
            options.command = Command::Help;
            return options;
        } else if (arg == "--version") {
            options.command = Command::Version;
            return options;
        } else if (arg == "status" && !commandGiven) {
            options.command = Command::Status;
            commandGiven = true;
        } else if (arg == "options" && !commandGiven) {
            options.command = Command::Options;
            commandGiven = true;
        } else if (arg == "partners" && !commandGiven) {
            options.command = Command::Partners;
            commandGiven = true;
        } else if (arg == "forget" && !commandGiven) {
            options.command = Command::Forget;
            commandGiven = true;
        } else {
            return fail("unexpected argument: " + arg);
        }
    }
    if (options.command == Command::Options &&
        (options.dryRun || options.watch || options.allowMassDelete ||
         options.policy != ConflictPolicy::KeepBoth))
        return fail("options takes only --handheld, --desktop and --partner");
    const bool synchronizing = options.dryRun || options.watch || options.allowMassDelete ||
                               options.combine || options.policy != ConflictPolicy::KeepBoth;
    if (options.command == Command::Status && (synchronizing || options.partner))
        return fail("status takes only --handheld and --desktop");
    if (options.command == Command::Partners &&
        (synchronizing || options.desktop || options.partner))
        return fail("partners takes only --handheld");
    if (options.command == Command::Forget && (synchronizing || options.desktop))
        return fail("forget takes only --handheld and --partner");
    if (options.command == Command::Forget && !options.partner)
        return fail("forget needs --partner 1 or --partner 2");
    if (options.watch && options.dryRun)
        return fail("--watch and --dry-run do not go together");
    return options;
}

} // namespace jsync
