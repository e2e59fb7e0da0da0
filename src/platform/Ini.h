#pragma once
// INI files through the private-profile functions: no cache, every write goes
// straight to the file and every read opens it anew.
#include <string>

namespace cx {

class IniFile {
public:
    explicit IniFile(std::string path) : path_(std::move(path)) {}
    const std::string& path() const noexcept { return path_; }

    // Values are read into a buffer of 2048 characters, so at most 2047 are kept.
    static constexpr int kValueBuffer = 2048;

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    // Throws AppError "Unable to write to <path>" when the write fails.
    void WriteString(const std::string& section, const std::string& key,
                     const std::string& value) const;
    void WriteBool(const std::string& section, const std::string& key, bool value) const;

private:
    std::string path_;
};

}  // namespace cx
