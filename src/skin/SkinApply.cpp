#include "skin/SkinApply.h"

#include "platform/Files.h"
#include "skin/Bounds.h"

namespace cx {

bool SetBoundsFromSkin(HWND control, const std::string& value) {
    if (value.empty()) return false;
    if (auto b = ParseBounds(value)) ui::SetBounds(control, b->left, b->top, b->width, b->height);
    return true;
}

std::shared_ptr<ui::Image> LoadSkinPicture(const std::string& skinDir,
                                           const std::string& fileName) {
    std::string path = skinDir + fileName;
    if (!FileExists(path)) return nullptr;
    return ui::LoadImageFile(path);
}

bool LoadButtonImage(ui::ImageButton& button, ui::ImageButton::State state,
                     const std::string& skinDir, const std::string& fileName) {
    auto picture = LoadSkinPicture(skinDir, fileName);
    if (!picture) return false;
    button.SetPicture(state, std::move(picture));
    return true;
}

}  // namespace cx
