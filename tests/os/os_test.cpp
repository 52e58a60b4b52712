// The POSIX side of the OS layer that vozpack and the installation rest on:
// file times, files in use, free space, worker threads and the program's own path.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "os/file.h"
#include "os/filesystem.h"
#include "os/process.h"
#include "os/thread.h"
#include "test_support.h"

namespace voz {
namespace {

struct TimeCase {
    int64_t seconds;
    long nanoseconds;
    os::FileTime expected;  // year, month, day of week, day, hour, minute, second, milliseconds
};

TEST(OsFileTimes, ReadsLastWriteAndLastAccessToTheMillisecondInUtc) {
    const TimeCase cases[] = {
        {981173106, 789999999, {2001, 2, 6, 3, 4, 5, 6, 789}},  // a Saturday; nanoseconds cut, not rounded
        {2147483648, 1000000, {2038, 1, 2, 19, 3, 14, 8, 1}},   // past the 32-bit seconds
        {946684799, 0, {1999, 12, 5, 31, 23, 59, 59, 0}},
    };
    test::TempDir dir;
    const std::string path = (dir / "file.bin").string();
    test::WriteText(path, "x");
    for (const TimeCase& c : cases) {
        // The last access one second after the last write, to tell them apart.
        timespec times[2] = {{static_cast<time_t>(c.seconds + 1), c.nanoseconds},
                             {static_cast<time_t>(c.seconds), c.nanoseconds}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        os::FileTime creation{}, access{}, write{};
        ASSERT_TRUE(os::GetFileTimes(path, creation, access, write));
        EXPECT_EQ(std::memcmp(&write, &c.expected, sizeof write), 0) << c.seconds;
        os::FileTime later = c.expected;
        later.wSecond = static_cast<uint16_t>((later.wSecond + 1) % 60);
        EXPECT_EQ(access.wSecond, later.wSecond) << c.seconds;
        EXPECT_EQ(access.wMilliseconds, c.expected.wMilliseconds) << c.seconds;
        // The birth time where the file system keeps one (the file was made now), else the last write.
        EXPECT_TRUE(creation.wYear >= 2020 || std::memcmp(&creation, &write, sizeof write) == 0) << creation.wYear;
    }
    os::FileTime unused{};
    EXPECT_FALSE(os::GetFileTimes((dir / "missing").string(), unused, unused, unused));
}

TEST(OsFileTimes, SetOnTheOpenFileAfterItsBufferedBytes) {
    const os::FileTime access{2002, 3, 1, 4, 5, 6, 7, 891};
    const os::FileTime write{2001, 2, 6, 3, 4, 5, 6, 789};
    test::TempDir dir;
    const std::string path = (dir / "file.bin").string();
    const std::string bytes(100000, 'v');  // more than one buffer, and a buffered rest
    {
        os::OutputFile out;
        ASSERT_TRUE(out.Create(path));
        ASSERT_TRUE(out.Write(bytes.data(), bytes.size()));
        const os::FileTime impossible[] = {{2001, 2, 0, 29, 0, 0, 0, 0},
                                           {2001, 13, 0, 1, 0, 0, 0, 0},
                                           {1600, 12, 0, 31, 0, 0, 0, 0},
                                           {2001, 1, 0, 1, 24, 0, 0, 0},
                                           {2001, 1, 0, 1, 0, 0, 0, 1000}};
        for (const os::FileTime& time : impossible) {
            EXPECT_FALSE(out.SetTimes(write, access, time)) << time.wYear << "-" << time.wMonth;
            EXPECT_FALSE(out.SetTimes(write, time, write)) << time.wYear << "-" << time.wMonth;
        }
        ASSERT_TRUE(out.SetTimes(write, access, write));
        ASSERT_TRUE(out.Close());
    }
    os::FileTime creation{}, readAccess{}, readWrite{};  // read first: reading the bytes may move the access time
    ASSERT_TRUE(os::GetFileTimes(path, creation, readAccess, readWrite));
    EXPECT_EQ(std::memcmp(&readWrite, &write, sizeof write), 0) << "the close kept the last-write time";
    EXPECT_EQ(std::memcmp(&readAccess, &access, sizeof access), 0);
    EXPECT_EQ(test::ReadBytes(path), std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

// What the installation asks of the file system before it replaces files:
// a new file never goes over an existing one, a rename replaces, sizes, locks
// held by another opening, and the space of the volume.
TEST(OsFiles, NewFilesRenamesSizesLocksAndSpace) {
    test::TempDir dir;
    const std::string path = (dir / "a.bin").string();
    const std::string other = (dir / "b.bin").string();
    bool exists = true;
    {
        os::OutputFile out;
        ASSERT_TRUE(out.CreateNew(path, exists));
        EXPECT_FALSE(exists);
        ASSERT_TRUE(out.Write("abc", 3) && out.Close());
    }
    os::OutputFile again;
    EXPECT_FALSE(again.CreateNew(path, exists));
    EXPECT_TRUE(exists) << "something stands at the path";
    EXPECT_FALSE(again.CreateNew((dir / "missing/x").string(), exists));
    EXPECT_FALSE(exists) << "a missing folder is no file in the way";
    EXPECT_EQ(test::ReadText(path), "abc");

    EXPECT_EQ(os::FileSize(path), std::optional<uint64_t>(3));
    EXPECT_FALSE(os::FileSize(dir.path().string()));
    EXPECT_FALSE(os::FileSize(other));
    test::WriteText(other, "longer");
    ASSERT_TRUE(os::MoveFileReplacing(other, path));
    EXPECT_EQ(test::ReadText(path), "longer");
    EXPECT_FALSE(os::FileSize(other));

    EXPECT_FALSE(os::IsFileInUse(path));
    EXPECT_FALSE(os::IsFileInUse(other));
    const int held = open(path.c_str(), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(fcntl(held, F_OFD_SETLK, &lock), 0);
    EXPECT_TRUE(os::IsFileInUse(path));
    close(held);
    EXPECT_FALSE(os::IsFileInUse(path));

    os::DiskSpace space;
    ASSERT_TRUE(os::GetDiskSpace(dir.path().string(), space));
    EXPECT_GT(space.freeBytes, 0u);
    EXPECT_GE(space.clusterBytes, 512u);
    EXPECT_FALSE(os::GetDiskSpace((dir / "missing").string(), space));
}

TEST(OsProcess, RunsTheWorkOnAllThreadsAtOnce) {
    for (unsigned threads : {1u, 2u, 5u}) {
        std::atomic<unsigned> arrived{0};
        std::mutex mutex;
        std::set<std::thread::id> ids;
        bool together = true;
        os::RunOnThreads(threads, [&] {
            {
                std::lock_guard<std::mutex> lock(mutex);
                ids.insert(std::this_thread::get_id());
            }
            // Each waits for the others: this ends only when all run at the same time.
            arrived.fetch_add(1);
            auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (arrived.load() < threads) {
                if (std::chrono::steady_clock::now() > give_up) {
                    together = false;
                    return;
                }
                std::this_thread::yield();
            }
        });
        EXPECT_TRUE(together) << threads;
        EXPECT_EQ(ids.size(), threads);
        EXPECT_EQ(ids.count(std::this_thread::get_id()), 1u) << "the calling thread is one of them";
    }
    EXPECT_GE(os::ProcessorCount(), 1u);
}

TEST(OsProcess, KnowsItsOwnFile) {
    const std::string path = os::ProgramPath();
    EXPECT_EQ(std::filesystem::path(path).filename(), "voz_tests");
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
}

}  // namespace
}  // namespace voz
