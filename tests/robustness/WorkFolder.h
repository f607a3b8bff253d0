#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace zuvelo::testing {

// A fresh folder, removed with everything in it at the end: under the system's temporary folder,
// or under base when one is given (a small file system the test mounted, say).
class WorkFolder {
public:
    explicit WorkFolder(const std::string& base = {})
    {
        const std::filesystem::path parent = base.empty() ? std::filesystem::temp_directory_path()
                                                          : std::filesystem::path(base);
        std::string pattern = (parent / "zuvelo-robust-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed under " + parent.string());
        m_path = pattern;
    }
    ~WorkFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

    // Writes bytes to the file at relative path, creating folders on the way.
    void write(const std::string& relative, const std::string& bytes = {}) const
    {
        const std::filesystem::path file = std::filesystem::path(m_path) / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
    }

    std::string read(const std::string& relative) const
    {
        std::ifstream in(std::filesystem::path(m_path) / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::string m_path;
};

} // namespace zuvelo::testing
