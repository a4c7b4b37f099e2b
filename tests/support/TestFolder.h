// A temporary folder for one test, removed with everything in it at the end.
#pragma once

#include <string>
#include <vector>

namespace qv::test
{

class CQVTestFolder
{
public:
    // Creates a fresh folder under $TMPDIR (or /tmp); Path() is empty if that failed.
    explicit CQVTestFolder(const std::string& prefix = "vantrel-test");
    ~CQVTestFolder();
    CQVTestFolder(const CQVTestFolder&) = delete;
    CQVTestFolder& operator=(const CQVTestFolder&) = delete;

    // With a trailing "/".
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& relative) const { return m_path + relative; }

private:
    std::string m_path;
};

// Whole-file helpers for tests.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool ReadFileBytes(const std::string& path, std::string* pBytes);
// Relative paths of every file below the folder, sorted.
std::vector<std::string> ListFiles(const std::string& folder);
bool CopyFile(const std::string& from, const std::string& to, bool executable);

} // namespace qv::test
