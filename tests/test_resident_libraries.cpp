// The GL driver stays mapped after the device and its window are gone: what
// it keeps for itself stays reachable, not lost (tests/lsan.supp relies on
// it), and the next context finds it loaded.
#include <gtest/gtest.h>

#include <link.h>

#include <set>
#include <string>

#include "support/graphics_fixture.h"

namespace {
std::set<std::string> LoadedLibraries() {
    std::set<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* library, std::size_t, void* out) {
            if (library->dlpi_name && *library->dlpi_name)
                static_cast<std::set<std::string>*>(out)->insert(library->dlpi_name);
            return 0;
        },
        &names);
    return names;
}

class ResidentLibraries : public GraphicsTest {
protected:
    void TearDown() override {}
};
}  // namespace

TEST_F(ResidentLibraries, EverythingLoadedWithTheContextOutlivesIt) {
    const std::set<std::string> withContext = LoadedLibraries();
    GraphicsTest::TearDown();
    const std::set<std::string> after = LoadedLibraries();
    for (const std::string& name : withContext) EXPECT_EQ(after.count(name), 1u) << name << " was unloaded";
}
