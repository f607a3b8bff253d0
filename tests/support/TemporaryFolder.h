#pragma once

#include <cstdlib>
#include <iterator>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace zuvelo::testing {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when the object goes.
// Paths are bytes, as the player keeps them: path() has no trailing separator.
class TemporaryFolder {
public:
    TemporaryFolder()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/zuvelo-test-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
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
