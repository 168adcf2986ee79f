#include "scene/GlobalData.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/fs/atomic_file.h"
#include "platform/fs/path.h"
#include "platform/log/log.h"
#include "platform/win32/messagebox.h"

namespace globaldata {
namespace {
bool g_failureShown = false;

std::string RecordPath(const char* fileName) {
    return ResolveCaseInsensitivePath((std::string(kDirectory) + "/" + fileName).c_str());
}

// The player learns once per run that results are not being kept; later
// failures only go to the diagnostic channel.
void ReportSaveFailure(const std::string& path, const std::string& reason) {
    if (g_failureShown) {
        vlog::Error(vlog::Category::Files, "cannot save %s: %s", path.c_str(), reason.c_str());
        return;
    }
    g_failureShown = true;
    const std::string text = "The result could not be saved to " + path + ":\n" + reason;
    MessageBoxA(nullptr, text.c_str(), "ERROR", MB_OK | MB_ICONERROR);
}
}  // namespace

bool ReadRecord(const char* fileName, void* bytes, std::size_t size) {
    std::FILE* file = std::fopen(RecordPath(fileName).c_str(), "rb");
    if (!file) return false;
    unsigned char buffer[64];
    // One byte more than asked for tells a longer file from an exact one.
    const std::size_t wanted = size + 1;
    const bool fits = wanted <= sizeof buffer;
    const std::size_t got = fits ? std::fread(buffer, 1, wanted, file) : 0;
    std::fclose(file);
    if (!fits || got != size) return false;
    std::copy(buffer, buffer + size, static_cast<unsigned char*>(bytes));
    return true;
}

bool WriteRecord(const char* fileName, const void* bytes, std::size_t size) {
    const std::string target = RecordPath(fileName);
    const std::filesystem::path directory = std::filesystem::path(target).parent_path();
    std::error_code failure;
    std::string reason;
    if (!directory.empty() && !std::filesystem::is_directory(directory, failure)) {
        std::filesystem::create_directories(directory, failure);
        if (failure) reason = "cannot create " + directory.string() + ": " + failure.message();
    }
    if (reason.empty() && fs::WriteFileAtomically(target, bytes, size, &reason)) return true;
    ReportSaveFailure(target, reason);
    return false;
}

void ForgetReportedSaveFailure() { g_failureShown = false; }

bool RemoveRecord(const char* fileName) {
    std::error_code error;
    std::filesystem::remove(RecordPath(fileName), error);
    return !error;
}
}  // namespace globaldata

namespace {
void PutInt16(unsigned char* out, std::int16_t value) {
    const auto bits = static_cast<std::uint16_t>(value);
    out[0] = static_cast<unsigned char>(bits & 0xFF);
    out[1] = static_cast<unsigned char>(bits >> 8);
}

void PutInt32(unsigned char* out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>((bits >> (8 * i)) & 0xFF);
}

std::int16_t GetInt16(const unsigned char* in) { return static_cast<std::int16_t>(in[0] | in[1] << 8); }

std::int32_t GetInt32(const unsigned char* in) {
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) bits |= static_cast<std::uint32_t>(in[i]) << (8 * i);
    return static_cast<std::int32_t>(bits);
}

bool TableIsSound(const RANKING_TABLE& table) {
    for (int place = 0; place < RANKING_PLACES; ++place) {
        if (table.Score[place] < 0) return false;
        if (place > 0 && table.Score[place] > table.Score[place - 1]) return false;
    }
    return true;
}
}  // namespace

LAST_RESULT LoadLastResult() {
    unsigned char bytes[globaldata::kLastResultBytes];
    LAST_RESULT result;
    if (!globaldata::ReadRecord(globaldata::kLastResultFile, bytes, sizeof bytes)) return result;
    result.Score = GetInt32(bytes);
    result.BestCombo = GetInt16(bytes + 4);
    return result;
}

bool SaveLastResult(const LAST_RESULT& result) {
    unsigned char bytes[globaldata::kLastResultBytes];
    PutInt32(bytes, result.Score);
    PutInt16(bytes + 4, result.BestCombo);
    return globaldata::WriteRecord(globaldata::kLastResultFile, bytes, sizeof bytes);
}

RANKING_TABLE LoadRankingTable() {
    unsigned char bytes[globaldata::kRankingBytes];
    if (!globaldata::ReadRecord(globaldata::kRankingFile, bytes, sizeof bytes)) return RANKING_TABLE{};
    RANKING_TABLE table;
    for (int place = 0; place < RANKING_PLACES; ++place) table.Score[place] = GetInt16(bytes + std::size_t{2} * place);
    return TableIsSound(table) ? table : RANKING_TABLE{};
}

bool SaveRankingTable(const RANKING_TABLE& table) {
    unsigned char bytes[globaldata::kRankingBytes];
    for (int place = 0; place < RANKING_PLACES; ++place) PutInt16(bytes + std::size_t{2} * place, table.Score[place]);
    return globaldata::WriteRecord(globaldata::kRankingFile, bytes, sizeof bytes);
}
