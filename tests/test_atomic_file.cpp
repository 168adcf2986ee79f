// Replacing the player's files: exclusive temporary files, links that are
// never written through, failures that leave the old file, and the clean-up
// of temporaries an interrupted save left.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/fs/atomic_file.h"

namespace stdfs = std::filesystem;

namespace {
std::string ReadText(const stdfs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
void WriteText(const stdfs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vortwing-atomic-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_root = pattern;
        m_victim = m_root / "unrelated.txt";
        WriteText(m_victim, "keep me");
    }
    void TearDown() override { stdfs::remove_all(m_root); }
    size_t Entries() const {
        return static_cast<size_t>(std::distance(stdfs::directory_iterator(m_root), stdfs::directory_iterator()));
    }
    stdfs::path m_root, m_victim;
};
}  // namespace

TEST_F(AtomicFileTest, ExclusiveCreationRefusesAnythingAlreadyThereLinksIncluded) {
    const stdfs::path fresh = m_root / "fresh";
    const int descriptor = fs::CreateExclusive(fresh.string());
    ASSERT_GE(descriptor, 0);
    ::close(descriptor);
    EXPECT_LT(fs::CreateExclusive(fresh.string()), 0);
    EXPECT_EQ(errno, EEXIST);

    stdfs::create_symlink(m_victim, m_root / "link");
    EXPECT_LT(fs::CreateExclusive((m_root / "link").string()), 0);
    stdfs::create_symlink(m_root / "nowhere", m_root / "dangling");
    EXPECT_LT(fs::CreateExclusive((m_root / "dangling").string()), 0);
    EXPECT_FALSE(stdfs::exists(m_root / "nowhere"));
    EXPECT_EQ(ReadText(m_victim), "keep me");
}

TEST_F(AtomicFileTest, WritesReplaceTheTargetAndLeaveNoTemporary) {
    const stdfs::path target = m_root / "Ranking.qdf";
    std::string reason;
    ASSERT_TRUE(fs::WriteFileAtomically(target.string(), "abcdef", 6, &reason)) << reason;
    ASSERT_TRUE(fs::WriteFileAtomically(target.string(), "xyz", 3, &reason)) << reason;
    EXPECT_EQ(ReadText(target), "xyz");
    EXPECT_EQ(Entries(), 2u);  // the target and the unrelated file

    // A link at the name earlier versions used for the temporary file is
    // neither followed nor in the way.
    stdfs::create_symlink(m_victim, m_root / "Ranking.qdf.tmp");
    ASSERT_TRUE(fs::WriteFileAtomically(target.string(), "123456", 6, &reason)) << reason;
    EXPECT_EQ(ReadText(target), "123456");
    EXPECT_FALSE(stdfs::is_symlink(target));
    EXPECT_EQ(ReadText(m_victim), "keep me");
}

TEST_F(AtomicFileTest, LinksAtEveryTemporaryNameMakeTheWriteFailWithoutTouchingTheirFile) {
    const stdfs::path target = m_root / "Ranking.qdf";
    WriteText(target, "old!!!");
    for (unsigned serial = 0; serial < 2000; ++serial)
        stdfs::create_symlink(m_victim, fs::TemporaryNameFor(target.string(), serial));
    std::string reason;
    EXPECT_FALSE(fs::WriteFileAtomically(target.string(), "new!!!", 6, &reason));
    EXPECT_NE(reason.find("File exists"), std::string::npos) << reason;
    EXPECT_NE(reason.find(m_root.string()), std::string::npos) << reason;
    EXPECT_EQ(ReadText(target), "old!!!");
    EXPECT_EQ(ReadText(m_victim), "keep me");
}

TEST_F(AtomicFileTest, AFailedReplaceKeepsTheTargetAndRemovesItsTemporary) {
    const stdfs::path target = m_root / "Ranking.qdf";
    stdfs::create_directories(target / "inside");
    std::string reason;
    EXPECT_FALSE(fs::WriteFileAtomically(target.string(), "abcdef", 6, &reason));
    EXPECT_NE(reason.find(target.string()), std::string::npos) << reason;
    EXPECT_TRUE(stdfs::is_directory(target / "inside"));
    EXPECT_EQ(Entries(), 2u);

    EXPECT_FALSE(fs::WriteFileAtomically((m_root / "missing/Ranking.qdf").string(), "abcdef", 6, &reason));
    EXPECT_NE(reason.find("No such file or directory"), std::string::npos) << reason;
}

TEST_F(AtomicFileTest, CopiesNeverReplaceWhatIsThere) {
    std::string reason;
    ASSERT_TRUE(fs::CopyFileIfAbsent(m_victim.string(), (m_root / "copy").string(), &reason)) << reason;
    EXPECT_EQ(ReadText(m_root / "copy"), "keep me");
    WriteText(m_root / "copy", "mine");
    EXPECT_FALSE(fs::CopyFileIfAbsent(m_victim.string(), (m_root / "copy").string(), &reason));
    EXPECT_EQ(ReadText(m_root / "copy"), "mine");
    stdfs::create_symlink(m_root / "nowhere", m_root / "dangling");
    EXPECT_FALSE(fs::CopyFileIfAbsent(m_victim.string(), (m_root / "dangling").string(), &reason));
    EXPECT_FALSE(stdfs::exists(m_root / "nowhere"));
    EXPECT_FALSE(fs::CopyFileIfAbsent((m_root / "absent").string(), (m_root / "copy2").string(), &reason));
    EXPECT_EQ(Entries(), 3u);  // victim, copy, dangling
}

TEST_F(AtomicFileTest, StaleTemporariesOfEndedProcessesAreRemovedAndNothingElse) {
    const std::string target = (m_root / "Ranking.qdf").string();
    const std::string ended = target + ".tmp-999999999-3";    // no such process
    const std::string own = fs::TemporaryNameFor(target, 7);  // no write of ours is in flight
    const std::string endedLink = target + ".tmp-999999998-0";
    const std::string running = target + ".tmp-1-5";  // init is always running
    WriteText(ended, "stale");
    WriteText(own, "stale");
    stdfs::create_symlink(m_victim, endedLink);
    WriteText(running, "in flight");
    stdfs::create_directory(target + ".tmp-999999997-1");
    for (const char* other : {"Ranking.qdf", "Ranking.qdf.tmp", "notes.tmp-abc", "x.tmp-12-", ".tmp-999999996-1",
                              "y.tmp--3", "z.tmp-999999995-1x"})
        WriteText(m_root / other, "not ours");

    EXPECT_EQ(fs::RemoveStaleTemporaries(m_root.string()), 3);
    EXPECT_FALSE(stdfs::exists(ended));
    EXPECT_FALSE(stdfs::exists(own));
    EXPECT_FALSE(stdfs::is_symlink(endedLink));
    EXPECT_EQ(ReadText(m_victim), "keep me");
    EXPECT_TRUE(stdfs::exists(running));
    EXPECT_TRUE(stdfs::is_directory(target + ".tmp-999999997-1"));
    EXPECT_EQ(Entries(), 10u);
    EXPECT_EQ(fs::RemoveStaleTemporaries((m_root / "missing").string()), 0);
}
