#include "platform/AppPaths.h"

namespace cx {

AppPathSet& AppPaths() {
    static AppPathSet paths;
    return paths;
}

HideFlags& Hide() {
    static HideFlags flags;
    return flags;
}

}  // namespace cx
