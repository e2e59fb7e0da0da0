#include "skin/SkinApply.h"

#include <map>
#include <mutex>

#include "platform/Files.h"
#include "platform/Strings.h"
#include "skin/Bounds.h"

namespace cx {

namespace {

// The pictures in use, by file: both side panels, for one, name the same
// picture, and each copy of a decoded picture is its full size in memory.
// Only weak references: a picture no control holds any more is freed.
struct HeldPicture {
    FILETIME written{};
    ULONGLONG size = 0;
    std::weak_ptr<ui::Image> picture;
};

std::map<std::string, HeldPicture>& HeldPictures() {
    static std::map<std::string, HeldPicture> held;
    return held;
}

}  // namespace

bool SetBoundsFromSkin(HWND control, const std::string& value) {
    if (value.empty()) return false;
    if (auto b = ParseBounds(value)) ui::SetBounds(control, b->left, b->top, b->width, b->height);
    return true;
}

std::shared_ptr<ui::Image> LoadSkinPicture(const std::string& skinDir,
                                           const std::string& fileName) {
    std::string path = skinDir + fileName;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return nullptr;
    const ULONGLONG size = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    static std::mutex guard;  // a progress window may load its picture on its own thread
    std::lock_guard<std::mutex> lock(guard);
    auto& held = HeldPictures();
    const std::string key = Lower(path);
    auto it = held.find(key);
    if (it != held.end() && it->second.size == size &&
        CompareFileTime(&it->second.written, &data.ftLastWriteTime) == 0)
        if (auto picture = it->second.picture.lock()) return picture;
    auto picture = ui::LoadImageFile(path);
    // Entries of freed pictures go as others come, so the map stays as small
    // as the set of files a skin names.
    for (auto e = held.begin(); e != held.end();)
        e = e->second.picture.expired() ? held.erase(e) : std::next(e);
    held[key] = HeldPicture{data.ftLastWriteTime, size, picture};
    return picture;
}

bool LoadButtonImage(ui::ImageButton& button, ui::ImageButton::State state,
                     const std::string& skinDir, const std::string& fileName) {
    auto picture = LoadSkinPicture(skinDir, fileName);
    if (!picture) return false;
    button.SetPicture(state, std::move(picture));
    return true;
}

}  // namespace cx
