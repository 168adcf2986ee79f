// The last-result and ranking files as the ranking scene reads them: any
// bytes in place of either file read as a sound record or as the defaults.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "scene/GlobalData.h"
#include "support/fuzz_support.h"

namespace {
std::string g_home;

void RemoveHome() {
    std::error_code ignored;
    std::filesystem::remove_all(g_home, ignored);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::PrepareEnvironment();
    // Files go to a directory of the fuzzer's own, wherever the program
    // keeps them: the current directory or the per-user one.
    char pattern[] = "/dev/shm/vortwing-fuzz-XXXXXX";
    char fallback[] = "/tmp/vortwing-fuzz-XXXXXX";
    const char* home = mkdtemp(pattern);
    if (!home) home = mkdtemp(fallback);
    if (!home || chdir(home) != 0) __builtin_trap();
    g_home = home;
    setenv("HOME", home, 1);
    setenv("XDG_DATA_HOME", home, 1);
    std::atexit(RemoveHome);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool stored = globaldata::WriteRecord(globaldata::kLastResultFile, data, size);
    const LAST_RESULT result = LoadLastResult();
    if (stored && size != globaldata::kLastResultBytes && (result.Score != 0 || result.BestCombo != 0)) std::abort();

    const bool rankingStored = globaldata::WriteRecord(globaldata::kRankingFile, data, size);
    const RANKING_TABLE table = LoadRankingTable();
    for (int place = 0; place < RANKING_PLACES; ++place) {
        if (table.Score[place] < 0) std::abort();
        if (place > 0 && table.Score[place] > table.Score[place - 1]) std::abort();
    }

    // The record reader with every size a caller could ask for.
    unsigned char record[80];
    const std::size_t asked = size > 0 ? data[0] % sizeof record : 0;
    if (globaldata::ReadRecord(globaldata::kRankingFile, record, asked) && rankingStored && asked != size) std::abort();
    return 0;
}
