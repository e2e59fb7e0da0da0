#pragma once
// The user's own notes on programs, kept by Carvexo under the user's hive and
// never in a program's uninstall key: that key belongs to the publisher (its
// "Comments" value is theirs), and a machine-wide program's key is not the
// user's to write.
//
// Layout: <root>\<path>\<hive>\ holds one REG_SZ value per program, named by
// the program's registry key name. <hive> is "HKEY_LOCAL_MACHINE" or
// "HKEY_CURRENT_USER", so the same key name under both hives keeps two notes.
// A key name becomes a value name and never part of a key path: a value name
// may hold any character, "\" included, so a name such as "A\B" is one value
// and cannot reach a key "B" below a key "A" or another program's note.
// Registry value names compare without regard to case, as key names do, so a
// note follows its program whatever case the key name is read in.
#include <windows.h>

#include <optional>
#include <string>
#include <utility>

namespace cx::inv {

inline constexpr const char* kCommentStorePath = "Software\\Carvexo\\Comments";

class CommentStore {
public:
    // Tests may keep the store elsewhere; the program uses HKEY_CURRENT_USER\kCommentStorePath.
    explicit CommentStore(HKEY root = HKEY_CURRENT_USER, std::string path = kCommentStorePath)
        : root_(root), path_(std::move(path)) {}

    // Only these two hives hold programs; anything else the service might
    // report names no program and is refused.
    static bool IsKnownHive(const std::string& hive);

    // The stored note, or nothing when there is none, the hive or name is not
    // acceptable, or the stored value is not a string. Never throws.
    std::optional<std::string> Read(const std::string& hive, const std::string& registryName) const;
    // Stores the note; an empty text removes it. Throws AppError when the hive
    // or name is not acceptable or the registry refuses; the store is then as
    // it was, as far as the registry allows.
    void Write(const std::string& hive, const std::string& registryName,
               const std::string& text) const;
    // Removes the note; no note is no error. Throws AppError when it stays.
    void Remove(const std::string& hive, const std::string& registryName) const;

private:
    std::string HivePath(const std::string& hive) const;
    HKEY root_;
    std::string path_;
};

}  // namespace cx::inv
