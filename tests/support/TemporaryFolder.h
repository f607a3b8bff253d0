#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace zuvelo::testing {

// A fresh folder, removed with everything in it when the object goes: under $TMPDIR (or /tmp), or
// under base when one is given (a small file system the test mounted, say).
// Paths are bytes, as the player keeps them: path() has no trailing separator.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& base = {})
    {
        const char* tmp = std::getenv("TMPDIR");
        const std::string parent = !base.empty() ? base : tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
        std::string pattern = parent + "/zuvelo-test-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder under " + parent);
        m_path = pattern;
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& relativePath) const { return m_path + "/" + relativePath; }

    // Creates relativePath (and the folders on the way) holding exactly these bytes.
    void write(const std::string& relativePath, const std::string& bytes = {}) const
    {
        const std::filesystem::path full = m_path + "/" + relativePath;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream out(full, std::ios::binary | std::ios::trunc);
        out << bytes;
        if (!out)
            throw std::runtime_error("cannot write " + full.string());
    }

    // The whole content of relativePath, or "<missing>" when it cannot be read.
    std::string read(const std::string& relativePath) const
    {
        std::ifstream in(m_path + "/" + relativePath, std::ios::binary);
        if (!in)
            return "<missing>";
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    void makeFolder(const std::string& relativePath) const
    {
        std::filesystem::create_directories(m_path + "/" + relativePath);
    }

private:
    std::string m_path;
};

} // namespace zuvelo::testing
