#include "peers/outlook/notes_command.h"

#include "peers/outlook/automation_client.h"
#include "peers/outlook/dispatch_ids.h"
#include "peers/outlook/message_store.h"
#include "peers/outlook/registration.h"
#include "platform/base/installation.h"
#include "platform/base/unicode.h"
#include "platform/win32/machine.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

namespace outlook {

namespace {

constexpr char kUsage[] =
    "usage: outlook-notes [--desktop DIR] COMMAND\n"
    "  list [--json]                 the notes of the Notes folder\n"
    "  show ENTRYID                  one note\n"
    "  add (--body TEXT | --body-file FILE) [--color N] [--categories \"A, B\"]\n"
    "      [--entryid HEX] [--entryid-length N]\n"
    "                                a new note; prints its EntryID\n"
    "  edit ENTRYID [--body TEXT | --body-file FILE] [--color N] [--categories TEXT]\n"
    "  --body-file FILE              the body is the file's text (- standard input)\n"
    "  delete ENTRYID\n"
    "  categories [add NAME]         Outlook's category master list, or NAME added\n"
    "  user [NAME]                   the current user (NAME sets it)\n"
    "  register                      registers the automation server\n"
    "  --help                        this help\n"
    "  --version                     the version\n"
    "colours: 0 blue, 1 green, 2 red, 3 yellow, 4 white\n";

struct UsageError {
    std::string message;
};

// A failed step with what to tell the user; exit status 1.
struct Failure {
    std::string message;
};

std::string Utf8(const std::u16string& text) {
    return unicode::ToUtf8(text);
}

const char* ColorName(LONG color) {
    static const char* names[] = {"blue", "green", "red", "yellow", "white"};
    return color >= 0 && color <= kHighestColor ? names[color] : "?";
}

std::string FormatDate(DATE date) {
    SYSTEMTIME st;
    if (!VariantTimeToSystemTime(date, &st))
        return "?";
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", st.wYear, st.wMonth, st.wDay,
                  st.wHour, st.wMinute, st.wSecond);
    return text;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string Describe(const CallError& error) {
    char text[64];
    if (error.result == DISP_E_EXCEPTION) {
        std::snprintf(text, sizeof text, "Outlook error %u: ", error.code);
        return text + Utf8(error.description);
    }
    std::snprintf(text, sizeof text, "automation call failed (0x%08X)",
                  static_cast<unsigned>(error.result));
    return text;
}

void Check(HRESULT hr, const CallError& error, const std::string& what) {
    if (FAILED(hr))
        throw Failure{what + ": " + Describe(error)};
}

struct NoteFields {
    std::string entryId;
    std::string body;
    std::string categories;
    LONG color = 0;
    DATE created = 0;
    DATE modified = 0;
};

// The automation objects a command works through.
class Session {
public:
    Session() {
        const HRESULT hr = CreateOutlookApplication(&m_application);
        if (FAILED(hr)) {
            // Outlook tells no more than its result; the store itself says
            // which file failed and what to do.
            if (auto store = MessageStore::ForCurrentDesktop(); !store.ok())
                throw Failure{store.status().message()};
            char text[80];
            std::snprintf(text, sizeof text, "cannot start Outlook.Application (0x%08X)",
                          static_cast<unsigned>(hr));
            throw Failure{text};
        }
        CallError error;
        Check(m_application.InvokeObject(kGetNamespace, DISPATCH_METHOD, {TextArgument(u"MAPI")},
                                         &m_nameSpace, &error),
              error, "GetNamespace");
    }

    AutomationObject Folder() {
        AutomationObject folder;
        CallError error;
        Check(m_nameSpace.InvokeObject(kGetDefaultFolder, DISPATCH_METHOD,
                                       {LongArgument(kFolderNotes)}, &folder, &error),
              error, "GetDefaultFolder");
        return folder;
    }

    AutomationObject Find(const std::string& entryId) {
        AutomationObject item;
        CallError error;
        const HRESULT hr =
            m_nameSpace.InvokeObject(kGetItemFromID, DISPATCH_METHOD,
                                     {TextArgument(unicode::ToUtf16(entryId))}, &item, &error);
        if (hr == DISP_E_EXCEPTION && error.code == 4096)
            throw Failure{"no note with EntryID " + entryId};
        Check(hr, error, "GetItemFromID");
        return item;
    }

    AutomationObject NewNote() {
        AutomationObject item;
        CallError error;
        Check(m_application.InvokeObject(kCreateItem, DISPATCH_METHOD,
                                         {LongArgument(kItemTypeNote)}, &item, &error),
              error, "CreateItem");
        return item;
    }

    std::string CurrentUser() {
        DISPID id;
        if (FAILED(m_nameSpace.IdOfName(u"CurrentUser", &id)))
            throw Failure{"the name space has no CurrentUser"};
        std::u16string name;
        CallError error;
        Check(m_nameSpace.GetText(id, &name, &error), error, "CurrentUser");
        return Utf8(name);
    }

private:
    AutomationObject m_application;
    AutomationObject m_nameSpace;
};

NoteFields Read(const AutomationObject& item) {
    NoteFields note;
    std::u16string text;
    CallError error;
    Check(item.GetText(kEntryID, &text, &error), error, "EntryID");
    note.entryId = Utf8(text);
    Check(item.GetText(kBody, &text, &error), error, "Body");
    note.body = Utf8(text);
    Check(item.GetText(kCategories, &text, &error), error, "Categories");
    note.categories = Utf8(text);
    Check(item.GetLong(kColor, &note.color, &error), error, "Color");
    Check(item.GetDate(kCreationTime, &note.created, &error), error, "CreationTime");
    Check(item.GetDate(kLastModificationTime, &note.modified, &error), error,
          "LastModificationTime");
    return note;
}

// Options after the command: --name VALUE pairs and --flags from `flags`.
std::map<std::string, std::string> ParseOptions(const std::vector<std::string>& args,
                                                std::size_t from,
                                                std::initializer_list<const char*> valued,
                                                std::initializer_list<const char*> flags) {
    std::map<std::string, std::string> options;
    for (std::size_t i = from; i < args.size(); ++i) {
        bool known = false;
        for (const char* name : valued) {
            if (args[i] == name) {
                if (i + 1 >= args.size())
                    throw UsageError{args[i] + " needs a value"};
                options[name] = args[++i];
                known = true;
            }
        }
        for (const char* name : flags) {
            if (args[i] == name) {
                options[name] = "";
                known = true;
            }
        }
        if (!known)
            throw UsageError{"unexpected argument: " + args[i]};
    }
    return options;
}

LONG ParseColor(const std::string& text) {
    if (text.size() != 1 || text[0] < '0' || text[0] > '4')
        throw UsageError{"--color takes 0 to 4"};
    return text[0] - '0';
}

// A body typed in a shell has LF lines; Outlook's note editor writes CR LF,
// which is the line break the handheld's title rule and editor expect.
std::string WithCrLfLines(const std::string& typed) {
    std::string body;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        if (typed[i] == '\n' && (i == 0 || typed[i - 1] != '\r'))
            body += '\r';
        body += typed[i];
    }
    return body;
}

// The stored body's lines as a shell shows them: CR LF becomes LF.
// Titles in lists are cut to this many characters.
constexpr std::size_t kTitleLimit = 80;

std::string WithShellLines(const std::string& body) {
    std::string shown;
    for (std::size_t i = 0; i < body.size(); ++i)
        if (!(body[i] == '\r' && i + 1 < body.size() && body[i + 1] == '\n'))
            shown += body[i];
    return shown;
}

void ApplyEdits(const AutomationObject& item, const std::map<std::string, std::string>& options) {
    CallError error;
    if (auto found = options.find("--body"); found != options.end())
        Check(item.Put(kBody, TextArgument(unicode::ToUtf16(WithCrLfLines(found->second))), &error),
              error, "Body");
    if (auto found = options.find("--categories"); found != options.end())
        Check(item.Put(kCategories, TextArgument(unicode::ToUtf16(found->second)), &error), error,
              "Categories");
    if (auto found = options.find("--color"); found != options.end())
        Check(item.Put(kColor, LongArgument(ParseColor(found->second)), &error), error, "Color");
}

// Reads the body of --body-file into "--body": the file's text as it is, or
// standard input for "-".
void TakeBodyFile(std::map<std::string, std::string>& options, std::istream& in) {
    const auto file = options.find("--body-file");
    if (file == options.end())
        return;
    if (options.count("--body"))
        throw UsageError{"--body and --body-file do not go together"};
    std::string body;
    if (file->second == "-") {
        body.assign(std::istreambuf_iterator<char>(in), {});
        if (in.bad())
            throw Failure{"cannot read the body from standard input"};
    } else {
        std::ifstream stream(file->second, std::ios::binary);
        if (!stream)
            throw Failure{"cannot open " + file->second};
        body.assign(std::istreambuf_iterator<char>(stream), {});
        if (stream.bad())
            throw Failure{"cannot read " + file->second};
    }
    options.erase(file);
    options["--body"] = std::move(body);
}

void Save(const AutomationObject& item) {
    CallError error;
    Check(item.Invoke(kSave, DISPATCH_METHOD, {}, nullptr, &error), error, "Save");
}

// The first line, as it may be shown on a terminal.
std::string Title(const std::string& body) {
    return unicode::Printable(body.substr(0, body.find_first_of("\r\n")), kTitleLimit);
}

int List(Session& session, bool json, std::ostream& out) {
    AutomationObject folder = session.Folder();
    AutomationObject items;
    CallError error;
    Check(folder.InvokeObject(kItems, DISPATCH_PROPERTYGET, {}, &items, &error), error, "Items");
    LONG count = 0;
    Check(items.GetLong(kCount, &count, &error), error, "Count");
    if (json)
        out << "[";
    for (LONG i = 1; i <= count; ++i) {
        AutomationObject item;
        Check(items.InvokeObject(kItem, DISPATCH_METHOD, {LongArgument(i)}, &item, &error), error,
              "Item");
        const NoteFields note = Read(item);
        if (json) {
            out << (i > 1 ? ",\n " : "\n ") << "{\"entryId\": " << JsonString(note.entryId)
                << ", \"body\": " << JsonString(note.body)
                << ", \"categories\": " << JsonString(note.categories)
                << ", \"color\": " << note.color
                << ", \"created\": " << JsonString(FormatDate(note.created))
                << ", \"modified\": " << JsonString(FormatDate(note.modified)) << "}";
        } else {
            out << note.entryId << "  " << ColorName(note.color) << "  "
                << FormatDate(note.modified) << "  [" << unicode::Printable(note.categories)
                << "]  " << Title(note.body) << "\n";
        }
    }
    if (json)
        out << (count ? "\n]\n" : "]\n");
    return 0;
}

int Show(Session& session, const std::string& entryId, std::ostream& out) {
    const NoteFields note = Read(session.Find(entryId));
    out << "EntryID: " << note.entryId << "\n"
        << "Color: " << note.color << " (" << ColorName(note.color) << ")\n"
        << "Categories: " << unicode::Printable(note.categories) << "\n"
        << "Created: " << FormatDate(note.created) << "\n"
        << "Modified: " << FormatDate(note.modified) << "\n\n"
        << unicode::Printable(WithShellLines(note.body), 0, u"\n\t") << "\n";
    return 0;
}

int Run(const std::vector<std::string>& args, const std::string& serverPath, std::istream& in,
        std::ostream& out) {
    std::size_t at = 0;
    if (at < args.size() && args[at] == "--desktop") {
        if (at + 1 >= args.size())
            throw UsageError{"--desktop needs a directory"};
        win32::SetDesktopDirectory(args[at + 1]);
        at += 2;
    }
    if (at >= args.size())
        throw UsageError{"no command"};
    const std::string command = args[at++];
    if (command == "--help" || command == "-h") {
        out << kUsage;
        return 0;
    }
    if (command == "--version") {
        out << platform::VersionText("outlook-notes");
        return 0;
    }
    auto operand = [&](const char* what) {
        if (at >= args.size() || args[at].rfind("--", 0) == 0)
            throw UsageError{command + " needs " + what};
        return args[at++];
    };
    if (command == "register") {
        ParseOptions(args, at, {}, {});
        if (!RegisterServer(serverPath))
            throw Failure{"cannot write the registration into the desktop registry"};
        return 0;
    }
    // Commands must know their arguments before anything is registered or opened.
    std::map<std::string, std::string> options;
    std::string entryId, name;
    if (command == "list") {
        options = ParseOptions(args, at, {}, {"--json"});
    } else if (command == "show" || command == "delete") {
        entryId = operand("an EntryID");
        ParseOptions(args, at, {}, {});
    } else if (command == "add") {
        options = ParseOptions(
            args, at,
            {"--body", "--body-file", "--color", "--categories", "--entryid", "--entryid-length"},
            {});
        if (!options.count("--body") && !options.count("--body-file"))
            throw UsageError{"add needs --body or --body-file"};
        if (options.count("--color"))
            ParseColor(options["--color"]);
    } else if (command == "edit") {
        entryId = operand("an EntryID");
        options = ParseOptions(args, at, {"--body", "--body-file", "--color", "--categories"}, {});
        if (options.empty())
            throw UsageError{"edit needs --body, --body-file, --color or --categories"};
        if (options.count("--color"))
            ParseColor(options["--color"]);
    } else if (command == "categories") {
        if (at < args.size()) {
            if (args[at++] != "add")
                throw UsageError{"categories takes only: add NAME"};
            name = operand("a name");
            ParseOptions(args, at, {}, {});
            if (name.empty())
                throw UsageError{"a category needs a name"};
        }
    } else if (command == "user") {
        if (at < args.size())
            name = operand("a name");
        ParseOptions(args, at, {}, {});
    } else {
        throw UsageError{"unknown command: " + command};
    }

    TakeBodyFile(options, in);

    if (!IsServerRegistered() && !RegisterServer(serverPath))
        throw Failure{"cannot register Outlook.Application in the desktop registry"};

    if (command == "categories") {
        if (!name.empty()) {
            if (!AddMasterCategory(name)) {
                if (GetLastError() == ERROR_INVALID_PARAMETER)
                    throw UsageError{"a category name can be neither blank nor hold a character "
                                     "of the list separator"};
                throw Failure{"cannot write the category master list"};
            }
            return 0;
        }
        for (const std::string& each : ReadMasterCategories())
            out << each << "\n";
        return 0;
    }
    if (command == "user" && !name.empty()) {
        // Outlook takes its user from the profile, not through automation.
        auto store = MessageStore::ForCurrentDesktop();
        if (!store.ok() || !store.value()->SetCurrentUser(unicode::ToUtf16(name)).ok())
            throw Failure{"cannot write outlook.db"};
        return 0;
    }

    Session session;
    if (command == "user") {
        out << session.CurrentUser() << "\n";
        return 0;
    }
    if (command == "list")
        return List(session, options.count("--json") > 0, out);
    if (command == "show")
        return Show(session, entryId, out);
    if (command == "delete") {
        AutomationObject item = session.Find(entryId);
        CallError error;
        Check(item.Invoke(kDelete, DISPATCH_METHOD, {}, nullptr, &error), error, "Delete");
        return 0;
    }
    if (command == "edit") {
        AutomationObject item = session.Find(entryId);
        ApplyEdits(item, options);
        Save(item);
        return 0;
    }
    // add
    if (auto length = options.find("--entryid-length"); length != options.end()) {
#ifndef JOTTERWICK_TEST_HOOKS
        // The stand-in of a build without the test hooks keeps its own length.
        throw UsageError{"--entryid-length is only in a build with the test hooks"};
#endif
        char* end = nullptr;
        const unsigned long n = std::strtoul(length->second.c_str(), &end, 10);
        if (length->second.empty() || *end || n == 0 || n > 4096)
            throw UsageError{"--entryid-length takes 1 to 4096"};
        setenv("JOTTERWICK_OUTLOOK_ENTRYID_LENGTH", length->second.c_str(), 1);
    }
    AutomationObject item = session.NewNote();
    ApplyEdits(item, options);
    if (auto chosen = options.find("--entryid"); chosen != options.end()) {
        CallError error;
        Check(item.Put(kEntryID, TextArgument(unicode::ToUtf16(chosen->second)), &error), error,
              "EntryID");
    }
    Save(item);
    std::u16string newId;
    CallError error;
    Check(item.GetText(kEntryID, &newId, &error), error, "EntryID");
    out << Utf8(newId) << "\n";
    return 0;
}

} // namespace

int RunNotesCommand(const std::vector<std::string>& arguments, const std::string& serverPath,
                    std::istream& in, std::ostream& out, std::ostream& err) {
    // Exceptions carry a command's outcome inside this program only.
    try {
        return Run(arguments, serverPath, in, out);
    } catch (const UsageError& usage) {
        err << platform::ArgumentErrorText("outlook-notes", usage.message);
        return 2;
    } catch (const Failure& failure) {
        err << "outlook-notes: " << failure.message << "\n";
        return 1;
    }
}

} // namespace outlook
