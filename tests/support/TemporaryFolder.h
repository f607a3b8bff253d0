#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace zuvelo::testing {

// A fresh folder under $TMPDIR (or /tmp, or base when given), removed with everything in it when the
// object goes. Paths are bytes, as the player keeps them; path() has no trailing separator.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& base = {})
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = (!base.empty() ? base : tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/zuvelo-test-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create " + pattern);
        m_path = pattern;
    }
    ~TemporaryFolder() { std::filesystem::remove_all(m_path, m_ignored); }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& relativePath) const { return m_path + "/" + relativePath; }
    void makeFolder(const std::string& relativePath) const { std::filesystem::create_directories(*this / relativePath); }
    // Creates relativePath (and the folders on the way) holding exactly these bytes.
    void write(const std::string& relativePath, const std::string& bytes = {}) const
    {
        makeFolder(std::filesystem::path(relativePath).parent_path());
        std::ofstream out(*this / relativePath, std::ios::binary | std::ios::trunc);
        if (!(out << bytes))
            throw std::runtime_error("cannot write " + relativePath);
    }
    // The whole content of relativePath, or "<missing>" when it cannot be read.
    std::string read(const std::string& relativePath) const
    {
        std::ifstream in(*this / relativePath, std::ios::binary);
        return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
    }

private:
    std::string m_path;
    std::error_code m_ignored;
};

} // namespace zuvelo::testing
