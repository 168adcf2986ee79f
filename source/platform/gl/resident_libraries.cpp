#include "platform/gl/resident_libraries.h"

#include <dlfcn.h>
#include <link.h>

#include <string>
#include <vector>

namespace gl {
namespace {
int CollectName(dl_phdr_info* library, std::size_t, void* names) {
    if (library->dlpi_name && *library->dlpi_name)
        static_cast<std::vector<std::string>*>(names)->push_back(library->dlpi_name);
    return 0;
}
}  // namespace

void KeepLoadedLibrariesResident() {
    std::vector<std::string> names;
    dl_iterate_phdr(CollectName, &names);
    // RTLD_NOLOAD only finds a library already loaded and adds RTLD_NODELETE
    // to it; the reference it takes is never given back.
    for (const std::string& name : names) dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}
}  // namespace gl
