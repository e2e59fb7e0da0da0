#pragma once
// Applying skin values to controls: bounds texts and pictures from the skin folder.
#include <windows.h>

#include <memory>
#include <string>

#include "widgets/Controls.h"
#include "widgets/Image.h"

namespace cx {

// False when the value is empty (nothing changes). A value of fewer than four
// parts leaves the control as it is; a part that is not a number throws.
bool SetBoundsFromSkin(HWND control, const std::string& value);

// The picture skinDir + fileName, or null when no such file exists. A file that
// exists but cannot be decoded throws. skinDir ends in "\".
std::shared_ptr<ui::Image> LoadSkinPicture(const std::string& skinDir, const std::string& fileName);

// Loads one state picture of an image button; false (picture unchanged) when
// the file does not exist.
bool LoadButtonImage(ui::ImageButton& button, ui::ImageButton::State state,
                     const std::string& skinDir, const std::string& fileName);

}  // namespace cx
