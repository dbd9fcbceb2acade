// Files for the native and the Windows test programs alike: a private temporary folder, whole
// files read and written, and the little-endian fields of a saved file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <system_error>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it. One that
// cannot be made throws, which fails the test that wanted it.
class CTempFolder {
public:
    CTempFolder()
    {
        // A random name, another while it is taken: test programs run side by side.
        std::random_device random;
        const std::filesystem::path temp = std::filesystem::temp_directory_path();
        do
            root = temp / ("morvik-test." + std::to_string(random()));
        while (!std::filesystem::create_directory(root));
    }
    ~CTempFolder() { Remove(); }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    std::string Folder() const { return root.string(); }
    std::string Path(const std::string& name) const { return (root / name).string(); }

    // The names in `folder` (by default this one), so stray temporary files show in a message.
    std::set<std::string> Names(const std::string& folder = std::string()) const
    {
        std::set<std::string> names;
        std::error_code error;  // a folder that cannot be read has no names
        const std::string where = folder.empty() ? Folder() : folder;
        for (const auto& entry : std::filesystem::directory_iterator(where, error))
            names.insert(entry.path().filename().string());
        return names;
    }

    // Removes the folder and everything in it; false if anything stayed (on Windows, a file
    // still open, or the folder current).
    bool Remove()
    {
        std::error_code error;
        constexpr std::uintmax_t kFailed = static_cast<std::uintmax_t>(-1);
        if (!root.empty() && std::filesystem::remove_all(root, error) == kFailed)
            return false;
        root.clear();
        return true;
    }

private:
    std::filesystem::path root;
};

// The whole file; empty if it cannot be read.
inline std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// Replaces the file by `bytes`; false if that failed.
inline bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

// The 32-bit little-endian field at `offset`, as the WAV header keeps its sizes.
inline std::uint32_t LittleEndianAt(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}
