#include "tests/win/support/SpareVolume.h"

#include <windows.h>

#include <cstdio>
#include <functional>

#include "tests/win/support/TestSupport.h"

namespace test {
namespace {

// Starts a host program and waits, up to ten seconds, until `done` holds: Wine gives no
// handle that tells when a host program has ended, nor any that may be closed.
void RunHost(std::string command, const std::function<bool()>& done) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    for (int i = 0; i < 500 && !done(); ++i) {
        ::Sleep(20);
    }
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Takes the first drive letter from `first`, stepping by `step` within Q: to Y:, that names
// nothing yet: its root and the link in the prefix's dosdevices that would make it name a folder.
void TakeFreeLetter(char first, int step, const std::string& prefix, std::string& root, std::string& link) {
    for (char letter = first; letter >= 'Q' && letter <= 'Y'; letter = static_cast<char>(letter + step)) {
        const std::string candidate = std::string(1, letter) + ":";
        if (::GetDriveTypeA((candidate + "\\").c_str()) == DRIVE_NO_ROOT_DIR && !Exists(candidate + "\\")) {
            root = candidate;
            link = prefix + "/dosdevices/" + static_cast<char>(letter - 'A' + 'a') + ":";
            return;
        }
    }
}

}  // namespace

SpareVolume::SpareVolume() {
    // Wine names every Windows path by the prefix's dosdevices folder: ".../dosdevices/c:/".
    const std::string unixC = UnixPathOf("C:\\");
    const size_t devices = unixC.rfind("/dosdevices/");
    if (devices == std::string::npos) {
        m_why = "not under Wine: no host path for C:\\ (" + unixC + ")";
        return;
    }
    if (!DirExists("Z:\\dev\\shm")) {
        m_why = "the host has no /dev/shm";
        return;
    }
    char name[64];
    std::snprintf(name, sizeof name, "ixo-volume-%lu", ::GetCurrentProcessId());
    m_hostFolder = std::string("Z:\\dev\\shm\\") + name;
    RemoveTree(m_hostFolder);
    MakeDir(m_hostFolder);
    TakeFreeLetter('Q', 1, unixC.substr(0, devices), m_root, m_link);
    if (m_root.empty()) {
        m_why = "no free drive letter from Q: to Y:";
        return;
    }
    // -f: a link a crashed run left behind for a letter that leads nowhere now.
    RunHost("/bin/ln -sfn /dev/shm/" + std::string(name) + " " + m_link, [this] { return Exists(m_root + "\\"); });
    if (!Exists(m_root + "\\")) {
        m_why = "the drive letter " + m_root + " did not appear";
        return;
    }
    // The point of it all: a rename onto it must fail as between two disks.
    const std::string probe = m_root + "\\probe";
    TempDir local("volume-probe");
    WriteFileBytes(local / "probe", "probe");
    if (::MoveFileExA((local / "probe").c_str(), probe.c_str(), 0) || ::GetLastError() != ERROR_NOT_SAME_DEVICE) {
        ::DeleteFileA(probe.c_str());
        m_why = m_root + " is on the temporary folder's own volume";
    }
}

FolderDrive::FolderDrive(const std::string& folder) {
    const std::string unixC = UnixPathOf("C:\\");
    const size_t devices = unixC.rfind("/dosdevices/");
    const std::string target = UnixPathOf(folder);
    if (devices == std::string::npos || target.empty()) {
        m_why = "not under Wine: no host path for C:\\ (" + unixC + ")";
        return;
    }
    TakeFreeLetter('Y', -1, unixC.substr(0, devices), m_root, m_link);
    if (m_root.empty()) {
        m_why = "no free drive letter from Q: to Y:";
        return;
    }
    RunHost("/bin/ln -sfn \"" + target + "\" " + m_link, [this] { return Exists(m_root + "\\"); });
    if (!Exists(m_root + "\\")) {
        m_why = "the drive letter " + m_root + " did not appear";
    }
}

FolderDrive::~FolderDrive() {
    if (!m_root.empty()) {
        RunHost("/bin/rm -f " + m_link, [this] { return !Exists(m_root + "\\"); });
    }
}

SpareVolume::~SpareVolume() {
    if (!m_root.empty()) {
        for (const std::string& entry : ListNames(m_root)) {
            RemoveTree(m_root + "\\" + entry);
        }
        RunHost("/bin/rm -f " + m_link, [this] { return !Exists(m_root + "\\"); });
    }
    if (!m_hostFolder.empty()) {
        RemoveTree(m_hostFolder);
    }
}

}  // namespace test
