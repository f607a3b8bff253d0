#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace zuvelo::testing {

// A path of the player's (UTF-8 bytes) as the standard library takes it: on Windows a plain
// char string would pass through the ANSI code page; on Linux the bytes pass unchanged.
inline std::filesystem::path fsPath(const std::string& path)
{
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

// A fresh folder under $TMPDIR (or the system's temporary folder, or base when given), removed
// with everything in it when the object goes. Paths are UTF-8 bytes, as the player keeps them,
// with the platform's separator after path(), which has none at its end.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& base = {})
    {
        namespace fs = std::filesystem;
        const fs::path parent = base.empty() ? fs::temp_directory_path() : fsPath(base);
        std::random_device random;
        for (int attempt = 0; m_path.empty(); ++attempt) {
            const fs::path candidate = parent / ("zuvelo-test-" + std::to_string(random()));
            if (fs::create_directory(candidate, m_ignored)) {
                const std::u8string bytes = candidate.u8string();
                m_path.assign(bytes.begin(), bytes.end());
            } else if (attempt == 100) {
                throw std::runtime_error("cannot create a folder in " + parent.string());
            }
        }
    }
    ~TemporaryFolder() { std::filesystem::remove_all(fsPath(m_path), m_ignored); }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& relativePath) const
    {
        return m_path + char(std::filesystem::path::preferred_separator) + relativePath;
    }
    void makeFolder(const std::string& relativePath) const { std::filesystem::create_directories(fsPath(*this / relativePath)); }
    // Creates relativePath (and the folders on the way) holding exactly these bytes.
    void write(const std::string& relativePath, const std::string& bytes = {}) const
    {
        std::filesystem::create_directories(fsPath(*this / relativePath).parent_path());
        std::ofstream out(fsPath(*this / relativePath), std::ios::binary | std::ios::trunc);
        if (!(out << bytes))
            throw std::runtime_error("cannot write " + relativePath);
    }
    // The whole content of relativePath, or "<missing>" when it cannot be read.
    std::string read(const std::string& relativePath) const
    {
        std::ifstream in(fsPath(*this / relativePath), std::ios::binary);
        return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
    }

private:
    std::string m_path;
    std::error_code m_ignored;
};

} // namespace zuvelo::testing
