#include "app/AppPaths.h"

namespace cx {

AppPathSet& AppPaths() {
    static AppPathSet paths;
    return paths;
}

}  // namespace cx
