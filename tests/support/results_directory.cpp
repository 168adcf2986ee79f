#include "support/results_directory.h"

#include <unistd.h>

#include "platform/fs/atomic_file.h"
#include "platform/fs/user_dirs.h"

std::string PointResultsDirectoryAt(const std::string& directory) { return fs::SetResultsDirectory(directory); }

void PlantLinksAtTemporaryNames(const std::string& target, const std::string& victim) {
    // Far more serial numbers than one test process ever uses.
    for (unsigned serial = 0; serial < 2000; ++serial)
        ::symlink(victim.c_str(), fs::TemporaryNameFor(target, serial).c_str());
}
