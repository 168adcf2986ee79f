// The two small records the game keeps in the directory "GlobalData" (which
// the platform places in the player's own data directory): the last cleared
// mission's result ("Global.qdf") and the three-place ranking table
// ("Ranking.qdf"). Both are fixed-size, little-endian, without header.
//
// A file is only believed when it has exactly the record's size; anything
// else (missing, short, overlong) reads as the defaults. Writes go to a
// temporary file created exclusively beside the real one, are flushed to disk
// and then renamed over it, so an interrupted write leaves the previous file
// untouched. A write that fails is shown to the player in a message box, the
// first time in a run.
#pragma once
#include <cstddef>
#include <cstdint>

struct LAST_RESULT {
    std::int32_t Score = 0;      // human enemies killed
    std::int16_t BestCombo = 0;  // highest combo of the mission
};

constexpr int RANKING_PLACES = 3;

struct RANKING_TABLE {
    std::int16_t Score[RANKING_PLACES] = {0, 0, 0};  // best first
};

namespace globaldata {
constexpr const char* kDirectory = "GlobalData";
constexpr const char* kLastResultFile = "Global.qdf";
constexpr const char* kRankingFile = "Ranking.qdf";
constexpr std::size_t kLastResultBytes = 6;
constexpr std::size_t kRankingBytes = 6;

// The file's bytes when it holds exactly size bytes; false otherwise (and
// bytes untouched).
bool ReadRecord(const char* fileName, void* bytes, std::size_t size);
// Replaces the file with the bytes in one step, creating the directory when
// it is missing. False when anything failed; the old file is then as it was.
bool WriteRecord(const char* fileName, const void* bytes, std::size_t size);
// The next failed write shows its message box again (a fresh run's state).
void ForgetReportedSaveFailure();
// Removes the file; false only when it exists and could not be removed.
bool RemoveRecord(const char* fileName);
}  // namespace globaldata

// The last result, or zeros when the file is missing or not 6 bytes long.
LAST_RESULT LoadLastResult();
bool SaveLastResult(const LAST_RESULT& result);

// A table that is damaged (wrong size, a negative score, or scores out of
// order, none of which this program ever writes) reads as the default table
// of three zeros.
RANKING_TABLE LoadRankingTable();
bool SaveRankingTable(const RANKING_TABLE& table);
