#pragma once
// A second volume for the tests of moves across volumes: a free drive letter of the test's
// own Wine prefix, mapped for the test's lifetime to a fresh folder on another host file
// system (/dev/shm, which is in memory), where a rename from the temporary folder fails
// as it does between two disks.
#include <string>

namespace test {

class SpareVolume {
public:
    SpareVolume();
    SpareVolume(const SpareVolume&) = delete;
    SpareVolume& operator=(const SpareVolume&) = delete;
    // Removes everything on it, the letter and the host folder.
    ~SpareVolume();

    // False when no such volume could be made (not under Wine, no free letter, no /dev/shm,
    // or the folder turned out to be on the temporary folder's own volume); Why() says why.
    bool IsReady() const { return m_why.empty(); }
    const std::string& Why() const { return m_why; }
    // The root, without a trailing backslash ("Q:"), and an entry below it.
    const std::string& Root() const { return m_root; }
    std::string operator/(const std::string& name) const { return m_root + "\\" + name; }

private:
    std::string m_root;
    std::string m_hostFolder;  // the Windows path of the host folder, below Z:
    std::string m_link;        // the host path of the drive letter's link
    std::string m_why;
};

// A free drive letter of the test's own Wine prefix that stands, for the test's lifetime,
// for a folder the test names (as a drive mapped to a folder, or subst, does on Windows).
class FolderDrive {
public:
    explicit FolderDrive(const std::string& folder);
    FolderDrive(const FolderDrive&) = delete;
    FolderDrive& operator=(const FolderDrive&) = delete;
    // Removes the letter; the folder stays.
    ~FolderDrive();

    bool IsReady() const { return m_why.empty(); }
    const std::string& Why() const { return m_why; }
    // The root, without a trailing backslash ("Q:").
    const std::string& Root() const { return m_root; }

private:
    std::string m_root;
    std::string m_link;
    std::string m_why;
};

}  // namespace test
