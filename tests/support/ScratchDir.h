#pragma once
// A fresh folder under the system's temporary folder for one test, removed with
// everything in it at destruction.
#include <string>
#include <vector>

namespace vorlap::test {

// Every entry name in a folder, "." and ".." left out, sorted.
std::vector<std::string> folderEntries(const std::string& path);

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string path(const std::string& name) const { return m_path + "/" + name; }
    // The names in the folder (hidden ones included), sorted.
    std::vector<std::string> entries() const { return folderEntries(m_path); }

private:
    std::string m_path;
};

} // namespace vorlap::test
