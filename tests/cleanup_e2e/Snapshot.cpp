#include "Snapshot.h"

#include "harness/TestKit.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace cx::test {

namespace {
void Walk(HKEY key, const std::string& name, Entries& out) {
    out.insert(Lower(name));
    reg::Key view(key);
    for (const auto& v : view.Values()) {
        std::string data(reinterpret_cast<const char*>(v.data.data()), v.data.size());
        out.insert(Lower(name + "\\" + v.name) + "=" + std::to_string(v.type) + ":" + data);
    }
    for (const auto& sub : view.SubKeyNames()) {
        HKEY child = nullptr;
        if (RegOpenKeyExA(key, sub.c_str(), 0, KEY_READ, &child) == ERROR_SUCCESS)
            Walk(child, name + "\\" + sub, out);
    }
    // `view` closes `key` here.
}
}  // namespace

void SnapshotRegistry(HKEY root, const std::string& hiveName, const std::string& path,
                      Entries& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    Walk(key, hiveName + "\\" + path, out);
}

void SnapshotFolder(const std::string& dir, Entries& out) {
    std::string base = dir;
    while (!base.empty() && base.back() == '\\') base.pop_back();
    out.insert(Lower(base));
    ForEachEntry(AnsiToWide(base), [&](const std::wstring& wide, const WIN32_FIND_DATAW& fd) {
        const std::string full = WideToAnsi(wide);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            SnapshotFolder(full, out);
        else
            out.insert(Lower(full) + "|" + std::to_string(fd.nFileSizeLow) + "|" +
                       ReadWholeFile(full));
    });
}

bool StartsWithPath(const std::string& entry, const std::string& prefix) {
    std::string p = Lower(prefix);
    while (!p.empty() && p.back() == '\\') p.pop_back();
    if (entry.compare(0, p.size(), p) != 0) return false;
    return entry.size() == p.size() || entry[p.size()] == '\\' || entry[p.size()] == '|' ||
           entry[p.size()] == '=';
}

Entries Minus(const Entries& a, const Entries& b) {
    Entries out;
    for (const auto& e : a)
        if (!b.count(e)) out.insert(e);
    return out;
}

}  // namespace cx::test
