#include "support/machine.h"

#include "platform/base/private_files.h"
#include "platform/ce/machine.h"
#include "platform/win32/machine.h"
#include "platform/win32/registry.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

TempMachines::TempMachines() {
    char pattern[] = "/tmp/jotterwick-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        throw std::runtime_error("cannot create a temporary directory");
    m_root = pattern;
    m_handheld = m_root + "/handheld";
    m_desktop = m_root + "/desktop";
    // Private, as the programs make a machine's folder.
    platform::MakePrivateDirectories(m_handheld);
    platform::MakePrivateDirectories(m_desktop);
    ce::SetHandheldDirectory(m_handheld);
    win32::SetDesktopDirectory(m_desktop);
    // The programs a test starts find them as a person points them there.
    setenv("JOTTERWICK_HANDHELD", m_handheld.c_str(), 1);
    setenv("JOTTERWICK_DESKTOP", m_desktop.c_str(), 1);
}

TempMachines::~TempMachines() {
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args) {
    char pattern[] = "/tmp/jotterwick-child-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0)
        throw std::runtime_error("cannot create an output file");
    m_outputPath = pattern;
    m_pid = fork();
    if (m_pid == 0) {
        dup2(fd, STDOUT_FILENO);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(fd);
    if (m_pid < 0)
        throw std::runtime_error("cannot start " + program);
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0)
        Stop();
    unlink(m_outputPath.c_str());
}

int ChildProcess::Stop() {
    if (m_pid <= 0)
        return -1;
    kill(m_pid, SIGTERM);
    return Wait();
}

int ChildProcess::Wait() {
    if (m_pid <= 0)
        return -1;
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM ? 0 : -1;
}

std::string ChildProcess::Output() const {
    std::ifstream in(m_outputPath);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool DesktopKeyExists(HKEY root, const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string BuiltProgram(const std::string& relativePath) {
    const char* dir = std::getenv("JOTTERWICK_BUILD_DIR");
    return std::string(dir ? dir : ".") + "/" + relativePath;
}

} // namespace testsupport
