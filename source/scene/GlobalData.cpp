#include "scene/GlobalData.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/fs/path.h"

namespace globaldata {
namespace {
std::string RecordPath(const char* fileName) {
    return ResolveCaseInsensitivePath((std::string(kDirectory) + "/" + fileName).c_str());
}

bool WriteAll(int descriptor, const unsigned char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(descriptor, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Makes the rename itself durable; a directory that cannot be synced is not
// an error worth losing the result over.
void SyncDirectory(const std::string& directory) {
    const int descriptor = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
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
    std::error_code ignored;
    const std::filesystem::path target(RecordPath(fileName));
    const std::filesystem::path directory = target.parent_path();
    if (!std::filesystem::is_directory(directory, ignored)) std::filesystem::create_directories(directory, ignored);

    const std::string temporary = target.string() + ".tmp";
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0) return false;
    bool written = WriteAll(descriptor, static_cast<const unsigned char*>(bytes), size);
    written = ::fsync(descriptor) == 0 && written;
    written = ::close(descriptor) == 0 && written;
    if (!written || std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    SyncDirectory(directory.string());
    return true;
}

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
    for (int place = 0; place < RANKING_PLACES; ++place) table.Score[place] = GetInt16(bytes + 2 * place);
    return TableIsSound(table) ? table : RANKING_TABLE{};
}

bool SaveRankingTable(const RANKING_TABLE& table) {
    unsigned char bytes[globaldata::kRankingBytes];
    for (int place = 0; place < RANKING_PLACES; ++place) PutInt16(bytes + 2 * place, table.Score[place]);
    return globaldata::WriteRecord(globaldata::kRankingFile, bytes, sizeof bytes);
}
