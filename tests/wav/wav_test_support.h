// Helpers of the writer suites: a private temporary folder and whole-file reads.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it.
class CTempFolder {
public:
    CTempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "wavtest.XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            root = pattern;
    }
    ~CTempFolder()
    {
        std::error_code ignored;  // nothing useful to do if cleaning up fails
        if (!root.empty())
            std::filesystem::remove_all(root, ignored);
    }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    bool Exists() const { return !root.empty(); }
    std::string Path(const std::string& name) const { return (root / name).string(); }

    // The names in the folder, so stray temporary files show up in a failure message.
    std::set<std::string> Names() const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(root))
            names.insert(entry.path().filename().string());
        return names;
    }

private:
    std::filesystem::path root;
};

inline std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file),
                                     std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}
