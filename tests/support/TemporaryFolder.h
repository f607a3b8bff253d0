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
inline std::filesystem::path fsPath(const std::string& path) { return std::u8string(path.begin(), path.end()); }

// A fresh folder under $TMPDIR (or the system's temporary folder, or base when given), removed
// with everything in it when the object goes. Paths are UTF-8 bytes, as the player keeps them,
// with the platform's separator after path(), which has none at its end.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& base = {})
    {
        const auto parent = base.empty() ? std::filesystem::temp_directory_path() : fsPath(base);
        for (std::random_device random; m_path.empty();) {
            const auto candidate = (parent / ("zuvelo-test-" + std::to_string(random()))).u8string();
            if (std::filesystem::create_directory(candidate))
                m_path.assign(candidate.begin(), candidate.end());
        }
    }
    ~TemporaryFolder() { std::filesystem::remove_all(fsPath(m_path), m_ignored); }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& relativePath) const { return m_path + kSeparator + relativePath; }
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
    static constexpr char kSeparator = std::filesystem::path::preferred_separator;
    std::string m_path;
    std::error_code m_ignored;
};

} // namespace zuvelo::testing
