#include "platform/fs/user_dirs.h"

#include <filesystem>
#include <system_error>

#include "platform/fs/path.h"

namespace fs {
std::string ResultsDirectory() {
    // The results sit in "GlobalData" under the current (data) directory.
    std::error_code ignored;
    return std::filesystem::absolute(ResolveCaseInsensitivePath("GlobalData"), ignored).string();
}
}  // namespace fs
