#include "tools/ceutil/ceutil.h"

#include "platform/base/installation.h"
#include "platform/base/kernel.h"
#include "platform/base/status.h"
#include "platform/base/unicode.h"
#include "platform/ce/database.h"
#include "platform/ce/machine.h"
#include "platform/ce/object_store.h"
#include "platform/ce/registry.h"
#include "tools/ceutil/property_text.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace ceutil {

namespace {

const char* const kUsage =
    R"(usage: ceutil [--handheld DIR] COMMAND ...
  init                                 make a new handheld (an existing one is kept)
  dbs                                  databases with type, sort orders, record count
  dump NAME [--json]                   every record of a database with every property
  add NAME PROP... [--create]          add a record, print its identifier
                                       (--create: make a missing database, type 0)
  set NAME OID PROP...                 change properties of a record
  delete NAME OID                      delete a record
  create NAME [--type N] [--sort NUMBER:TYPE[:desc]]...
                                       create a database (at most four sort orders)
  drop NAME                            delete a database with its records
  reg get ROOT KEY VALUE               ROOT is HKCU or HKLM
  reg set ROOT KEY VALUE (--dword N | --sz TEXT)
                                       TEXT takes the escapes of lpwstr
  categories add NAME...               add names to "\Categories Database"
  categories list
  --help                               this help
  --version                            the version
PROP is NUMBER:TYPE=VALUE, TYPE one of i2 ui2 i4 ui4 bool filetime lpwstr blob;
lpwstr (and reg set --sz) takes \r \n \t \\, blob is hex, filetime a decimal count.
Without --handheld: $JOTTERWICK_HANDHELD, else ~/.local/share/jotterwick/handheld.
)";

const std::u16string kCategories = u"\\Categories Database";
constexpr CEPROPID kCategoryName = 0x4001001F;

struct Context {
    std::ostream& out;
    std::ostream& err;

    int Usage(const std::string& problem) {
        err << platform::ArgumentErrorText("ceutil", problem);
        return kBadUsage;
    }
    int Fail(const std::string& problem) {
        err << "ceutil: " << problem << "\n";
        return kFailed;
    }
    // The platform's last error, with its message when there is one.
    int FailLast(const std::string& what) {
        const std::string& message = platform::LastErrorMessage();
        return Fail(what + " (error " + std::to_string(GetLastError()) +
                    (message.empty() ? "" : ": " + message) + ")");
    }
};

// An open database handle, closed at the end of the scope.
class Database {
public:
    ~Database() {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    bool Open(const std::u16string& name) {
        m_oid = 0;
        m_handle = CeOpenDatabase(&m_oid, name.c_str(), 0, 0, nullptr);
        return m_handle != INVALID_HANDLE_VALUE;
    }
    HANDLE handle() const { return m_handle; }
    CEOID oid() const { return m_oid; }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    CEOID m_oid = 0;
};

std::optional<CEOID> ParseOid(const std::string& text) {
    CEOID oid = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), oid);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty() || oid == 0)
        return std::nullopt;
    return oid;
}

// Opens a database, reporting a missing one as ceutil does.
int OpenOrFail(Context& c, Database& db, const std::string& name) {
    if (db.Open(unicode::ToUtf16(name)))
        return kOk;
    if (GetLastError() == ERROR_FILE_NOT_FOUND)
        return c.Fail("no database named \"" + name + "\"");
    return c.FailLast("cannot open \"" + name + "\"");
}

// Reads every property of the current record.
bool ReadCurrent(HANDLE h, ce::PropertyList* properties) {
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    const CEOID oid = CeReadRecordProps(h, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size);
    properties->clear();
    if (oid) {
        const auto* values = reinterpret_cast<const CEPROPVAL*>(buffer);
        for (WORD i = 0; i < count; ++i)
            if (auto p = ce::PropertyFromValue(values[i]); p.ok())
                properties->push_back(std::move(p.value()));
    }
    LocalFree(buffer);
    return oid != 0;
}

std::string SortText(const SORTORDERSPEC& spec) {
    const char* type = TypeName(PropType(spec.propid));
    std::string text = std::to_string(PropNumber(spec.propid)) + ":" + (type ? type : "?");
    if (spec.dwFlags & CEDB_SORT_DESCENDING)
        text += ":desc";
    if (spec.dwFlags & CEDB_SORT_CASEINSENSITIVE)
        text += ":nocase";
    return text;
}

int Dbs(Context& c) {
    HANDLE find = CeFindFirstDatabase(0);
    if (find == INVALID_HANDLE_VALUE)
        return c.FailLast("cannot list databases");
    for (CEOID oid; (oid = CeFindNextDatabase(find)) != 0;) {
        CEOIDINFO info{};
        if (!CeOidGetInfo(oid, &info))
            continue;
        const CEDBASEINFO& db = info.infDatabase;
        std::string sorts;
        for (WORD i = 0; i < db.wNumSortOrder; ++i)
            sorts += (i ? ", " : "") + SortText(db.rgSortSpecs[i]);
        c.out << "\"" << unicode::ToUtf8(db.szDbaseName) << "\" oid " << oid << " type "
              << db.dwDbaseType << " records " << db.wNumRecords << " sort [" << sorts << "]\n";
    }
    const bool ended = GetLastError() == ERROR_NO_MORE_ITEMS;
    CloseHandle(find);
    return ended ? kOk : c.FailLast("cannot list databases");
}

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char ch : utf8) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += static_cast<char>(ch);
        } else if (ch < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", ch);
            out += escape;
        } else {
            out += static_cast<char>(ch);
        }
    }
    return out + "\"";
}

std::string JsonValue(const ce::Property& p) {
    switch (p.type()) {
    case CEVT_LPWSTR:
        return JsonString(unicode::ToUtf8(p.text));
    case CEVT_BLOB:
        return JsonString(ValueText(p));
    default:
        return ValueText(p);
    }
}

int Dump(Context& c, const std::string& name, bool json) {
    Database db;
    if (int status = OpenOrFail(c, db, name))
        return status;
    bool first = true;
    int status = kOk;
    if (json)
        c.out << "[";
    for (CEOID oid = CeSeekDatabase(db.handle(), CEDB_SEEK_BEGINNING, 0, nullptr); oid;
         oid = CeSeekDatabase(db.handle(), CEDB_SEEK_CURRENT, 1, nullptr)) {
        ce::PropertyList properties;
        // A damaged record is named and left out; the others are still shown.
        if (!ReadCurrent(db.handle(), &properties)) {
            status = c.FailLast("record " + std::to_string(oid) + " of \"" + name + "\" in " +
                                ce::HandheldDirectory() + "/objectstore.db cannot be read");
            continue;
        }
        if (json) {
            c.out << (first ? "\n" : ",\n") << "  {\"oid\": " << oid << ", \"properties\": [";
            for (std::size_t i = 0; i < properties.size(); ++i)
                c.out << (i ? ", " : "") << "{\"number\": " << properties[i].number()
                      << ", \"type\": \"" << TypeName(properties[i].type())
                      << "\", \"value\": " << JsonValue(properties[i]) << "}";
            c.out << "]}";
        } else {
            c.out << "record " << oid << "\n";
            for (const auto& p : properties)
                c.out << "  " << p.number() << ":" << TypeName(p.type()) << " = "
                      << (p.type() == CEVT_LPWSTR ? "\"" + ValueText(p) + "\"" : ValueText(p))
                      << "\n";
        }
        first = false;
    }
    if (json)
        c.out << (first ? "]\n" : "\n]\n");
    return status;
}

// Parses PROP arguments; a bad one is a usage error.
int ParseProperties(Context& c, const std::vector<std::string>& args, std::size_t from,
                    ce::PropertyList* properties) {
    for (std::size_t i = from; i < args.size(); ++i) {
        auto p = ParseProperty(args[i]);
        if (!p.ok())
            return c.Usage(p.status().message());
        properties->push_back(std::move(p.value()));
    }
    return kOk;
}

CEOID WriteProperties(HANDLE h, CEOID oid, ce::PropertyList& properties) {
    std::vector<CEPROPVAL> values;
    for (auto& p : properties)
        values.push_back(ToPropVal(p));
    return CeWriteRecordProps(h, oid, static_cast<WORD>(values.size()), values.data());
}

int Add(Context& c, std::vector<std::string> args) {
    bool create = false;
    std::erase_if(args, [&](const std::string& a) { return a == "--create" && (create = true); });
    if (args.size() < 2)
        return c.Usage("add needs a database name");
    ce::PropertyList properties;
    if (int status = ParseProperties(c, args, 2, &properties))
        return status;
    Database db;
    if (!db.Open(unicode::ToUtf16(args[1]))) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND || !create)
            return OpenOrFail(c, db, args[1]);
        if (!CeCreateDatabase(unicode::ToUtf16(args[1]).c_str(), 0, 0, nullptr))
            return c.FailLast("cannot create \"" + args[1] + "\"");
        if (int status = OpenOrFail(c, db, args[1]))
            return status;
    }
    const CEOID oid = WriteProperties(db.handle(), 0, properties);
    if (!oid)
        return c.FailLast("cannot add the record");
    c.out << oid << "\n";
    return kOk;
}

// Opens the database and finds the record; reports either missing.
int OpenRecord(Context& c, Database& db, const std::string& name, const std::string& oidText,
               CEOID* oid) {
    const auto parsed = ParseOid(oidText);
    if (!parsed)
        return c.Usage("bad object identifier: " + oidText);
    if (int status = OpenOrFail(c, db, name))
        return status;
    if (CeSeekDatabase(db.handle(), CEDB_SEEK_CEOID, *parsed, nullptr) != *parsed)
        return c.Fail("no record " + oidText + " in \"" + name + "\"");
    *oid = *parsed;
    return kOk;
}

int Set(Context& c, const std::vector<std::string>& args) {
    if (args.size() < 4)
        return c.Usage("set needs a database name, an object identifier and properties");
    ce::PropertyList properties;
    if (int status = ParseProperties(c, args, 3, &properties))
        return status;
    Database db;
    CEOID oid = 0;
    if (int status = OpenRecord(c, db, args[1], args[2], &oid))
        return status;
    if (!WriteProperties(db.handle(), oid, properties))
        return c.FailLast("cannot write record " + args[2]);
    return kOk;
}

int Delete(Context& c, const std::vector<std::string>& args) {
    if (args.size() != 3)
        return c.Usage("delete needs a database name and an object identifier");
    Database db;
    CEOID oid = 0;
    if (int status = OpenRecord(c, db, args[1], args[2], &oid))
        return status;
    if (!CeDeleteRecord(db.handle(), oid))
        return c.FailLast("cannot delete record " + args[2]);
    return kOk;
}

int Create(Context& c, const std::vector<std::string>& args) {
    if (args.size() < 2)
        return c.Usage("create needs a database name");
    DWORD type = 0;
    std::vector<SORTORDERSPEC> sorts;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (i + 1 >= args.size())
            return c.Usage(args[i] + " needs a value");
        const std::string& value = args[++i];
        if (args[i - 1] == "--type") {
            auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), type);
            if (ec != std::errc() || ptr != value.data() + value.size())
                return c.Usage("bad type: " + value);
        } else if (args[i - 1] == "--sort") {
            // NUMBER:TYPE[:desc], parsed through a dummy value of that type.
            std::string spec = value;
            DWORD flags = 0;
            if (spec.size() > 5 && spec.ends_with(":desc")) {
                flags = CEDB_SORT_DESCENDING;
                spec.resize(spec.size() - 5);
            }
            const auto colon = spec.find(':');
            const auto typeId =
                colon == std::string::npos ? std::nullopt : TypeFromName(spec.substr(colon + 1));
            auto number =
                ParseProperty(spec.substr(0, colon == std::string::npos ? 0 : colon) + ":ui4=0");
            if (!typeId || !number.ok())
                return c.Usage("a sort order is NUMBER:TYPE[:desc]: " + value);
            sorts.push_back({MakePropId(number->number(), *typeId), flags});
        } else {
            return c.Usage("unknown option " + args[i - 1]);
        }
    }
    const CEOID oid = CeCreateDatabase(unicode::ToUtf16(args[1]).c_str(), type,
                                       static_cast<WORD>(sorts.size()), sorts.data());
    if (!oid)
        return c.FailLast("cannot create \"" + args[1] + "\"");
    c.out << oid << "\n";
    return kOk;
}

int Drop(Context& c, const std::vector<std::string>& args) {
    if (args.size() != 2)
        return c.Usage("drop needs a database name");
    CEOID oid = 0;
    {
        Database db;
        if (int status = OpenOrFail(c, db, args[1]))
            return status;
        oid = db.oid();
    }
    if (!CeDeleteDatabase(oid))
        return c.FailLast("cannot delete \"" + args[1] + "\"");
    return kOk;
}

// A registry call that failed other than for a missing key or value: the
// store's own message when it left one, which names the file and what to do.
int RegistryFailure(Context& c, const std::string& what, LONG error) {
    if (GetLastError() != static_cast<DWORD>(error))
        SetLastError(static_cast<DWORD>(error));
    return c.FailLast(what);
}

int Registry(Context& c, const std::vector<std::string>& args) {
    if (args.size() < 5 || (args[1] != "get" && args[1] != "set"))
        return c.Usage("reg get|set ROOT KEY VALUE ...");
    HKEY root = args[2] == "HKCU"   ? HKEY_CURRENT_USER
                : args[2] == "HKLM" ? HKEY_LOCAL_MACHINE
                                    : nullptr;
    if (!root)
        return c.Usage("ROOT is HKCU or HKLM");
    const std::u16string key = unicode::ToUtf16(args[3]), name = unicode::ToUtf16(args[4]);
    HKEY opened = nullptr;
    if (args[1] == "get") {
        if (args.size() != 5)
            return c.Usage("reg get takes ROOT KEY VALUE");
        SetLastError(ERROR_SUCCESS);
        LONG error = RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened);
        if (error == ERROR_FILE_NOT_FOUND)
            return c.Fail("no key " + args[2] + "\\" + args[3]);
        if (error != ERROR_SUCCESS)
            return RegistryFailure(c, "cannot open key " + args[2] + "\\" + args[3], error);
        DWORD type = 0, size = 0;
        error = RegQueryValueExW(opened, name.c_str(), nullptr, &type, nullptr, &size);
        std::vector<BYTE> data(size);
        if (error == ERROR_SUCCESS)
            error = RegQueryValueExW(opened, name.c_str(), nullptr, &type, data.data(), &size);
        RegCloseKey(opened);
        if (error == ERROR_FILE_NOT_FOUND)
            return c.Fail("no value \"" + args[4] + "\" in " + args[2] + "\\" + args[3]);
        if (error != ERROR_SUCCESS)
            return RegistryFailure(c, "cannot read \"" + args[4] + "\"", error);
        data.resize(size);
        if (type == REG_DWORD && data.size() == 4) {
            DWORD value = 0;
            std::memcpy(&value, data.data(), 4);
            c.out << value << "\n";
        } else if (type == REG_SZ) {
            std::u16string text(data.size() / 2, u'\0');
            std::memcpy(text.data(), data.data(), text.size() * 2);
            text = text.substr(0, text.find(u'\0'));
            c.out << unicode::ToUtf8(text) << "\n";
        } else {
            ce::Property blob{MakePropId(0, CEVT_BLOB), 0, {}, data};
            c.out << ValueText(blob) << "\n";
        }
        return kOk;
    }
    if (args.size() != 7 || (args[5] != "--dword" && args[5] != "--sz"))
        return c.Usage("reg set takes ROOT KEY VALUE (--dword N | --sz TEXT)");
    std::vector<BYTE> data;
    DWORD type = REG_SZ;
    if (args[5] == "--dword") {
        auto parsed = ParseProperty("0:ui4=" + args[6]);
        if (!parsed.ok())
            return c.Usage("bad number: " + args[6]);
        const auto value = static_cast<DWORD>(parsed->scalar);
        data.resize(4);
        std::memcpy(data.data(), &value, 4);
        type = REG_DWORD;
    } else {
        // The same escapes as a note's text values, so one text reads alike in both.
        auto parsed = ParseProperty("0:lpwstr=" + args[6]);
        if (!parsed.ok())
            return c.Usage(parsed.status().message());
        const std::u16string& text = parsed->text;
        data.resize((text.size() + 1) * 2);
        std::memcpy(data.data(), text.c_str(), data.size());
    }
    SetLastError(ERROR_SUCCESS);
    LONG error = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                                 nullptr);
    if (error != ERROR_SUCCESS)
        return RegistryFailure(c, "cannot create key " + args[2] + "\\" + args[3], error);
    error =
        RegSetValueExW(opened, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(opened);
    if (error != ERROR_SUCCESS)
        return RegistryFailure(c, "cannot set \"" + args[4] + "\"", error);
    return kOk;
}

// Makes the handheld's folder and its object store; a handheld already there
// is left as it is. A desktop's folder is refused, so the two stay apart.
int Init(Context& c, const std::vector<std::string>& args) {
    if (args.size() != 1)
        return c.Usage("init takes no arguments");
    const std::filesystem::path dir = ce::ChosenHandheldDirectory();
    std::error_code error;
    if (!std::filesystem::exists(dir / "objectstore.db", error) &&
        (std::filesystem::exists(dir / "registry.db", error) ||
         std::filesystem::exists(dir / "outlook.db", error)))
        return c.Fail(dir.string() + " is a desktop; a handheld needs a folder of its own");
    auto store = ce::StoreSession::Open();
    if (!store.ok())
        return c.Fail("cannot make a handheld at " + dir.string() + ": " +
                      store.status().message());
    return kOk;
}

int Categories(Context& c, const std::vector<std::string>& args) {
    if (args.size() < 2 || (args[1] != "add" && args[1] != "list") ||
        (args[1] == "list" && args.size() != 2) || (args[1] == "add" && args.size() < 3))
        return c.Usage("categories add NAME... | categories list");
    Database db;
    if (!db.Open(kCategories)) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            return c.FailLast("cannot open the categories database");
        if (args[1] == "list")
            return kOk; // no database, no categories
        if (!CeCreateDatabase(kCategories.c_str(), 0, 0, nullptr) || !db.Open(kCategories))
            return c.FailLast("cannot create the categories database");
    }
    if (args[1] == "add") {
        for (std::size_t i = 2; i < args.size(); ++i) {
            ce::PropertyList name{{kCategoryName, 0, unicode::ToUtf16(args[i]), {}}};
            if (!WriteProperties(db.handle(), 0, name))
                return c.FailLast("cannot add category \"" + args[i] + "\"");
        }
        return kOk;
    }
    for (CEOID oid = CeSeekDatabase(db.handle(), CEDB_SEEK_BEGINNING, 0, nullptr); oid;
         oid = CeSeekDatabase(db.handle(), CEDB_SEEK_CURRENT, 1, nullptr)) {
        ce::PropertyList properties;
        if (!ReadCurrent(db.handle(), &properties))
            return c.FailLast("cannot read record " + std::to_string(oid));
        if (const ce::Property* p = ce::FindProperty(properties, PropNumber(kCategoryName));
            p && p->type() == CEVT_LPWSTR)
            c.out << unicode::ToUtf8(p->text) << "\n";
    }
    return kOk;
}

} // namespace

int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    Context c{out, err};
    std::vector<std::string> args = arguments;
    if (!args.empty() && args[0] == "--handheld") {
        if (args.size() < 2)
            return c.Usage("--handheld needs a directory");
        ce::SetHandheldDirectory(args[1]);
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty())
        return c.Usage("no command");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h") {
        out << kUsage;
        return kOk;
    }
    if (command == "--version") {
        out << platform::VersionText("ceutil");
        return kOk;
    }
    if (command == "init")
        return Init(c, args);
    if (command == "dbs")
        return args.size() == 1 ? Dbs(c) : c.Usage("dbs takes no arguments");
    if (command == "dump") {
        const bool json = args.size() == 3 && args[2] == "--json";
        if (args.size() != 2 && !json)
            return c.Usage("dump NAME [--json]");
        return Dump(c, args[1], json);
    }
    if (command == "add")
        return Add(c, args);
    if (command == "set")
        return Set(c, args);
    if (command == "delete")
        return Delete(c, args);
    if (command == "create")
        return Create(c, args);
    if (command == "drop")
        return Drop(c, args);
    if (command == "reg")
        return Registry(c, args);
    if (command == "categories")
        return Categories(c, args);
    return c.Usage("unknown command " + command);
}

} // namespace ceutil
