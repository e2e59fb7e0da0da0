#pragma once
// Owners for the GDI+ flat-API objects the layered window and its labels hold
// or make for one draw. Internal to the widget library.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>

namespace cx::ui::gdip {

using namespace Gdiplus;

// Calls the flat API's release function; derived object types (a solid fill is
// a brush, a bitmap an image) convert to the type it takes.
template <auto Release>
struct Free {
    template <typename T>
    void operator()(T* p) const noexcept {
        Release(p);
    }
};

using GraphicsPtr = std::unique_ptr<GpGraphics, Free<&DllExports::GdipDeleteGraphics>>;
using ImagePtr = std::unique_ptr<GpImage, Free<&DllExports::GdipDisposeImage>>;
using FontPtr = std::unique_ptr<GpFont, Free<&DllExports::GdipDeleteFont>>;
using FormatPtr = std::unique_ptr<GpStringFormat, Free<&DllExports::GdipDeleteStringFormat>>;
using BrushPtr = std::unique_ptr<GpSolidFill, Free<&DllExports::GdipDeleteBrush>>;
using PenPtr = std::unique_ptr<GpPen, Free<&DllExports::GdipDeletePen>>;

}  // namespace cx::ui::gdip
