// A machine's window station: top-level windows in a file of the machine,
// and one Unix datagram socket per process in the machine's socket folder,
// on which messages for its windows arrive.
//
// The table is data anyone with the machine's folder may have written: a
// socket path in it is only ever unlinked or sent to when it names a socket
// of this user in this machine's own socket folder.
#include "platform/base/window_station.h"

#include "platform/base/case_fold.h"
#include "platform/base/handles.h"
#include "platform/base/private_files.h"
#include "platform/base/unicode.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <random>
#include <vector>

using platform::ReportFailure;
using platform::Result;
using platform::Status;
using platform::sqlite::Connection;
using platform::sqlite::Statement;

namespace platform {

struct StationMachine::Local {
    std::mutex mutex;
    pid_t pid = 0;
    int fd = -1;
    std::string path;
    bool cleanupRegistered = false;
};

} // namespace platform

namespace {

// The table keeps the name the handhelds' object stores have always had it by.
const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS ce_windows(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    pid INTEGER NOT NULL,
    started INTEGER NOT NULL,
    socket TEXT NOT NULL,
    class TEXT NOT NULL,
    class_fold TEXT NOT NULL,
    title TEXT NOT NULL,
    title_fold TEXT NOT NULL);
)";

// Station window handles: 0x40000 + 4 * row, clear of small integers and of
// the window system's own child-window handles.
constexpr std::uintptr_t kHandleBase = 0x40000;
HWND HandleOf(std::int64_t id) {
    return reinterpret_cast<HWND>(kHandleBase + 4 * static_cast<std::uintptr_t>(id));
}
std::int64_t IdOf(HWND hwnd) {
    const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
    if (value < kHandleBase + 4 || (value - kHandleBase) % 4)
        return 0;
    return static_cast<std::int64_t>((value - kHandleBase) / 4);
}

// A datagram: this header, then textUnits UTF-16 units (little-endian host).
struct Wire {
    std::uint64_t hwnd;
    std::uint32_t message;
    std::uint32_t textUnits;
    std::uint64_t wParam;
    std::int64_t lParam;
};
static_assert(sizeof(Wire) == 32);
// Longer texts are cut to this many units, as a window text would be.
constexpr std::size_t kMaxTextUnits = 32768;

// When a process started, in clock ticks since boot ("" when it is gone or a
// zombie): with the pid it names a process without fear of pid reuse.
long long ProcessStart(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The command name may hold spaces and parentheses: fields follow the last ')'.
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    char state = 0;
    long long start = -1;
    const char* fields = text.c_str() + close + 1;
    // state is field 3, starttime field 22.
    if (std::sscanf(fields,
                    " %c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d "
                    "%*d %*d %lld",
                    &state, &start) != 2 ||
        state == 'Z' || state == 'X')
        return -1;
    return start;
}

bool IsAlive(pid_t pid, long long started) {
    return started >= 0 && ProcessStart(pid) == started;
}

using Local = platform::StationMachine::Local;

// Every station of the process, for the clean-up at exit.
std::mutex g_stationsMutex;
std::vector<platform::StationMachine*>& Stations() {
    static auto* stations = new std::vector<platform::StationMachine*>;
    return *stations;
}

// The longest socket file name: "<pid>-<6 digits>.sock".
constexpr std::size_t kSocketNameMax = 10 + 1 + 6 + 5;

std::string AbsolutePath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// A private folder of this user's: made 0700 when missing, refused when it
// is someone else's, a symbolic link, or open to others.
Status CheckPrivateFolder(const std::string& folder) {
    platform::MakePrivateDirectories(folder);
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0)
        return Status::Failure(ERROR_ACCESS_DENIED, "cannot make the socket folder " + folder +
                                                        ": " + std::strerror(errno));
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid() || (info.st_mode & 077))
        return Status::Failure(ERROR_ACCESS_DENIED,
                               "the socket folder " + folder +
                                   " is not a private folder of this user; remove it");
    return Status();
}

// Where the machine's sockets live: its run/ folder when a socket path
// there fits an address, else a folder named after a hash of the machine's
// absolute path under $XDG_RUNTIME_DIR/jotterwick or /tmp/jotterwick-<uid>.
// Every process of the machine works it out alike.
Result<std::string> SocketFolder(platform::StationMachine& machine) {
    const std::string machineFolder = AbsolutePath(machine.Folder());
    const std::string run = machineFolder + "/run";
    platform::MakePrivateDirectories(run);
    if (run.size() + 1 + kSocketNameMax < sizeof(sockaddr_un{}.sun_path))
        return run;
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (unsigned char c : machineFolder)
        hash = (hash ^ c) * 1099511628211ull;
    char name[17];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    std::string base = "/tmp/jotterwick-" + std::to_string(geteuid());
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime && *runtime == '/' && std::strlen(runtime) < 48 && access(runtime, W_OK) == 0)
        base = std::string(runtime) + "/jotterwick";
    for (const std::string& folder : {base, base + "/" + name})
        JW_RETURN_IF_FAILED(CheckPrivateFolder(folder));
    return base + "/" + name;
}

// Whether `path` is a socket of this user directly in the socket folder:
// the only files the station unlinks or sends to.
bool IsStationSocket(platform::StationMachine& machine, const std::string& path) {
    auto folder = SocketFolder(machine);
    if (!folder.ok() || path.size() <= folder->size() + 1 ||
        path.compare(0, folder->size(), *folder) || path[folder->size()] != '/' ||
        path.find('/', folder->size() + 1) != std::string::npos)
        return false;
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) && info.st_uid == geteuid();
}

struct WindowRow {
    std::int64_t id = 0;
    pid_t pid = 0;
    long long started = -1;
    std::string socket;
};

std::string Fold(LPCWSTR text) {
    return unicode::ToUtf8(platform::FoldCase(text));
}

// A connection to the machine's station file, its table made on first use.
class StationFile {
public:
    static Result<StationFile> Open(platform::StationMachine& machine) {
        JW_ASSIGN_OR_RETURN(auto connection, machine.OpenStationFile());
        if (connection->FirstUse("window_station")) {
            JW_RETURN_IF_FAILED(connection->Exec(kSchema));
        }
        return StationFile(machine, std::move(connection));
    }
    platform::StationMachine& machine() { return m_machine; }
    Connection& connection() { return *m_connection; }
    Result<Statement*> Prepare(const std::string& sql) {
        Status status;
        Statement* statement = m_connection->Prepare(sql, &status);
        if (!statement)
            return status;
        return statement;
    }

private:
    StationFile(platform::StationMachine& machine, std::shared_ptr<Connection> connection)
        : m_machine(machine), m_connection(std::move(connection)) {}
    platform::StationMachine& m_machine;
    std::shared_ptr<Connection> m_connection;
};

Status RemoveRow(StationFile& store, const WindowRow& row) {
    JW_ASSIGN_OR_RETURN(auto s, store.Prepare("DELETE FROM ce_windows WHERE id=?1"));
    if (IsStationSocket(store.machine(), row.socket))
        unlink(row.socket.c_str());
    return s->Bind(1, row.id).Run();
}

Status Retitle(StationFile& store, std::int64_t id, const std::u16string& title) {
    JW_ASSIGN_OR_RETURN(auto s,
                        store.Prepare("UPDATE ce_windows SET title=?1, title_fold=?2 WHERE id=?3"));
    Status status = s->Bind(1, unicode::ToUtf8(title))
                        .Bind(2, unicode::ToUtf8(platform::FoldCase(title)))
                        .Bind(3, id)
                        .Run();
    if (status.ok() && store.connection().changes() == 0)
        return Status::Failure(ERROR_INVALID_WINDOW_HANDLE, "no such window");
    return status;
}

Result<std::optional<WindowRow>> FindRow(StationFile& store, std::int64_t id) {
    JW_ASSIGN_OR_RETURN(
        Statement * q,
        store.Prepare("SELECT id, pid, started, socket FROM ce_windows WHERE id=?1"));
    platform::sqlite::ResetWhenDone qDone(q);
    q->Bind(1, id);
    std::optional<WindowRow> row;
    auto step = q->Step();
    if (step == Statement::StepResult::Error)
        return q->status();
    if (step == Statement::StepResult::Row)
        row = WindowRow{q->ColumnInt64(0), static_cast<pid_t>(q->ColumnInt64(1)), q->ColumnInt64(2),
                        q->ColumnText(3)};
    return row;
}

// The live window behind hwnd; a window of a dead process is removed.
Result<WindowRow> LiveWindow(StationFile& store, HWND hwnd) {
    JW_ASSIGN_OR_RETURN(auto row, FindRow(store, IdOf(hwnd)));
    if (!row)
        return Status::Failure(ERROR_INVALID_WINDOW_HANDLE, "no such window");
    if (!IsAlive(row->pid, row->started)) {
        RemoveRow(store, *row);
        return Status::Failure(ERROR_INVALID_WINDOW_HANDLE, "the window's process has ended");
    }
    return *row;
}

bool IsOwn(Local& local, const WindowRow& row) {
    std::lock_guard lock(local.mutex);
    return local.pid == getpid() && row.socket == local.path;
}

// Sends one datagram, waiting (up to a few seconds) while the receiver's
// queue is full rather than dropping the message.
Status Send(const std::string& socketPath, const Wire& header, const std::u16string& text) {
    std::vector<BYTE> datagram(sizeof header + text.size() * sizeof(char16_t));
    std::memcpy(datagram.data(), &header, sizeof header);
    if (!text.empty())
        std::memcpy(datagram.data() + sizeof header, text.data(), text.size() * sizeof(char16_t));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path)
        return Status::Failure(ERROR_INVALID_PARAMETER, "socket path too long: " + socketPath);
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Status::Failure(ERROR_NOT_ENOUGH_MEMORY, std::strerror(errno));
    Status status;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        status =
            Status::Failure(ERROR_INVALID_WINDOW_HANDLE, "the window's process does not listen: " +
                                                             std::string(std::strerror(errno)));
    } else {
        for (int waited = 0;; waited += 100) {
            if (send(fd, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL) >= 0)
                break;
            if ((errno != EAGAIN && errno != EWOULDBLOCK) || waited >= 5000) {
                status =
                    Status::Failure(ERROR_NOT_ENOUGH_MEMORY, "cannot queue the message: " +
                                                                 std::string(std::strerror(errno)));
                break;
            }
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, 100);
        }
    }
    close(fd);
    return status;
}

Result<int> EnsureSocket(platform::StationMachine& machine) {
    auto& local = machine.local();
    std::lock_guard lock(local.mutex);
    if (local.fd >= 0 && local.pid == getpid())
        return local.fd;
    // A forked child does not listen on its parent's socket.
    local.fd = -1;
    JW_ASSIGN_OR_RETURN(auto folder, SocketFolder(machine));
    std::random_device random;
    const std::string path = folder + "/" + std::to_string(getpid()) + "-" +
                             std::to_string(random() % 1000000) + ".sock";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return Status::Failure(ERROR_INVALID_PARAMETER, "socket path too long: " + path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Status::Failure(ERROR_NOT_ENOUGH_MEMORY, std::strerror(errno));
    unlink(path.c_str());
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        const std::string error = std::strerror(errno);
        close(fd);
        return Status::Failure(ERROR_ACCESS_DENIED, "cannot listen on " + path + ": " + error);
    }
    local.fd = fd;
    local.pid = getpid();
    local.path = path;
    return fd;
}

// At exit: this process's windows go away with it.
void RemoveOwnWindows(platform::StationMachine& machine) {
    auto& local = machine.local();
    std::string path;
    {
        std::lock_guard lock(local.mutex);
        if (local.pid != getpid() || local.fd < 0)
            return;
        path = local.path;
    }
    auto store = StationFile::Open(machine);
    if (store.ok()) {
        auto s = store->Prepare("DELETE FROM ce_windows WHERE socket=?1");
        if (s.ok())
            s.value()->Bind(1, path).Run();
    }
    unlink(path.c_str());
}

void RemoveEveryStationsWindows() {
    std::vector<platform::StationMachine*> stations;
    {
        std::lock_guard lock(g_stationsMutex);
        stations = Stations();
    }
    for (platform::StationMachine* machine : stations)
        RemoveOwnWindows(*machine);
}

Status Deliver(StationFile& store, const WindowRow& row, HWND hwnd, UINT msg, WPARAM wParam,
               LPARAM lParam, const std::u16string& text) {
    if (!IsStationSocket(store.machine(), row.socket))
        return Status::Failure(ERROR_INVALID_WINDOW_HANDLE,
                               "the window's socket " + row.socket +
                                   " is not a socket of this machine's socket folder");
    Wire header{reinterpret_cast<std::uintptr_t>(hwnd), msg,
                static_cast<std::uint32_t>(std::min(text.size(), kMaxTextUnits)),
                static_cast<std::uint64_t>(wParam), static_cast<std::int64_t>(lParam)};
    return Send(row.socket, header, text.substr(0, header.textUnits));
}

} // namespace

namespace platform {

StationMachine::StationMachine() : m_local(std::make_unique<Local>()) {}

StationMachine::~StationMachine() {
    std::lock_guard lock(g_stationsMutex);
    std::erase(Stations(), this);
}

HWND StationMachine::FindStationWindow(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
    return platform::AtBoundary<HWND>(nullptr, [&]() -> Result<HWND> {
        JW_ASSIGN_OR_RETURN(auto store, StationFile::Open(*this));
        // Newest first, as the top of the z-order would be.
        JW_ASSIGN_OR_RETURN(auto s,
                            store.Prepare("SELECT id, pid, started, socket FROM ce_windows WHERE "
                                          "(:anyClass OR class_fold=:class) AND "
                                          "(:anyTitle OR title_fold=:title) ORDER BY id DESC"));
        Statement* q = s;
        q->Bind(":anyClass", lpClassName ? 0 : 1)
            .Bind(":class", lpClassName ? Fold(lpClassName) : std::string())
            .Bind(":anyTitle", lpWindowName ? 0 : 1)
            .Bind(":title", lpWindowName ? Fold(lpWindowName) : std::string());
        std::vector<WindowRow> dead;
        HWND found = nullptr;
        Statement::StepResult step;
        while (!found && (step = q->Step()) == Statement::StepResult::Row) {
            WindowRow row{q->ColumnInt64(0), static_cast<pid_t>(q->ColumnInt64(1)),
                          q->ColumnInt64(2), q->ColumnText(3)};
            if (IsAlive(row.pid, row.started))
                found = HandleOf(row.id);
            else
                dead.push_back(row);
        }
        q->Reset();
        for (const auto& row : dead)
            RemoveRow(store, row);
        if (!found)
            return Status::Failure(ERROR_NOT_FOUND, "no such window");
        return found;
    });
}

BOOL StationMachine::PostStationMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return platform::AtBoundary<BOOL>(FALSE, [&]() -> Result<BOOL> {
        JW_ASSIGN_OR_RETURN(auto store, StationFile::Open(*this));
        JW_ASSIGN_OR_RETURN(auto row, LiveWindow(store, hWnd));
        JW_RETURN_IF_FAILED(Deliver(store, row, hWnd, Msg, wParam, lParam, {}));
        return TRUE;
    });
}

BOOL StationMachine::SetStationWindowText(HWND hWnd, LPCWSTR lpString) {
    const std::u16string text = lpString ? lpString : u"";
    return platform::AtBoundary<BOOL>(FALSE, [&]() -> Result<BOOL> {
        JW_ASSIGN_OR_RETURN(auto store, StationFile::Open(*this));
        JW_ASSIGN_OR_RETURN(auto row, LiveWindow(store, hWnd));
        // The text is the window's title: others find it by the new one.
        Status status = Retitle(store, row.id, text);
        if (status.ok())
            status = Deliver(store, row, hWnd, WM_SETTEXT, 0, 0, text);
        if (!status.ok())
            return status;
        return TRUE;
    });
}

BOOL StationMachine::IsLiveStationWindow(HWND hWnd) {
    return platform::AtBoundary<BOOL>(FALSE, [&]() -> Result<BOOL> {
        JW_ASSIGN_OR_RETURN(auto store, StationFile::Open(*this));
        JW_RETURN_IF_FAILED(LiveWindow(store, hWnd));
        return TRUE;
    });
}

DWORD StationMachine::StationWindowProcess(HWND hWnd) {
    return platform::AtBoundary<DWORD>(0, [&]() -> Result<DWORD> {
        JW_ASSIGN_OR_RETURN(auto store, StationFile::Open(*this));
        JW_ASSIGN_OR_RETURN(auto row, LiveWindow(store, hWnd));
        return static_cast<DWORD>(row.pid);
    });
}

HWND StationMachine::CreateStationWindow(LPCWSTR className, LPCWSTR title) {
    return platform::AtBoundary<HWND>(nullptr, [&]() -> Result<HWND> {
        JW_RETURN_IF_FAILED(EnsureSocket(*this));
        {
            std::lock_guard lock(m_local->mutex);
            if (!m_local->cleanupRegistered) {
                m_local->cleanupRegistered = true;
                std::lock_guard stationsLock(g_stationsMutex);
                if (Stations().empty())
                    std::atexit(RemoveEveryStationsWindows);
                Stations().push_back(this);
            }
        }
        JW_ASSIGN_OR_RETURN(auto store, StationFile::Open(*this));
        JW_ASSIGN_OR_RETURN(
            auto s, store.Prepare("INSERT INTO ce_windows(pid, started, socket, class, class_fold, "
                                  "title, title_fold) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)"));
        const char16_t* cls = className ? className : u"";
        const char16_t* text = title ? title : u"";
        std::string socket;
        {
            std::lock_guard lock(m_local->mutex);
            socket = m_local->path;
        }
        Status status = s->Bind(1, static_cast<std::int64_t>(getpid()))
                            .Bind(2, ProcessStart(getpid()))
                            .Bind(3, socket)
                            .Bind(4, unicode::ToUtf8(cls))
                            .Bind(5, Fold(cls))
                            .Bind(6, unicode::ToUtf8(text))
                            .Bind(7, Fold(text))
                            .Run();
        if (!status.ok())
            return status;
        return HandleOf(store.connection().LastInsertRowid());
    });
}

BOOL StationMachine::DestroyStationWindow(HWND hwnd) {
    return platform::AtBoundary<BOOL>(FALSE, [&]() -> Result<BOOL> {
        JW_ASSIGN_OR_RETURN(auto store, StationFile::Open(*this));
        JW_ASSIGN_OR_RETURN(auto row, FindRow(store, IdOf(hwnd)));
        if (!row || !IsOwn(*m_local, *row))
            return Status::Failure(ERROR_INVALID_WINDOW_HANDLE, "not a window of this process");
        JW_ASSIGN_OR_RETURN(auto s, store.Prepare("DELETE FROM ce_windows WHERE id=?1"));
        JW_RETURN_IF_FAILED(s->Bind(1, row->id).Run());
        return TRUE;
    });
}

BOOL StationMachine::SetStationWindowTitle(HWND hwnd, LPCWSTR title) {
    return platform::AtBoundary<BOOL>(FALSE, [&]() -> Result<BOOL> {
        JW_ASSIGN_OR_RETURN(auto store, StationFile::Open(*this));
        JW_RETURN_IF_FAILED(Retitle(store, IdOf(hwnd), title ? title : u""));
        return TRUE;
    });
}

int StationMachine::StationSocket() {
    auto& local = *m_local;
    std::lock_guard lock(local.mutex);
    return local.pid == getpid() ? local.fd : -1;
}

bool StationMachine::ReceiveStationMessage(StationMessage* message, int timeoutMs) {
    const int fd = StationSocket();
    if (fd < 0 || !message)
        return false;
    std::vector<BYTE> buffer(sizeof(Wire) + kMaxTextUnits * sizeof(char16_t));
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, timeoutMs);
        if (ready <= 0)
            return false;
        const ssize_t got = recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            return false;
        }
        // A datagram that does not fit the header and its declared text is dropped.
        Wire header{};
        if (static_cast<std::size_t>(got) < sizeof header)
            continue;
        std::memcpy(&header, buffer.data(), sizeof header);
        if (header.textUnits > kMaxTextUnits ||
            static_cast<std::size_t>(got) != sizeof header + header.textUnits * sizeof(char16_t))
            continue;
        message->hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(header.hwnd));
        message->message = header.message;
        message->wParam = static_cast<WPARAM>(header.wParam);
        message->lParam = static_cast<LPARAM>(header.lParam);
        message->text.resize(header.textUnits);
        if (header.textUnits)
            std::memcpy(message->text.data(), buffer.data() + sizeof header,
                        header.textUnits * sizeof(char16_t));
        return true;
    }
}

} // namespace platform
