// Checks, on Windows, that the portable core decodes a block sequence, reads a
// file through the Win32 side of the OS layer and converts GBK with code page
// 936 whatever the system's ANSI code page is; that file times read back as
// set, UTF-8 and UTF-16 convert both ways, worker threads run at once, the
// bounded queue hands items over in order and lets a waiting producer go when
// abandoned, and the program knows its own file. Prints "N passed, N failed".
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "check_tally.h"
#include "os/bounded_queue.h"
#include "os/file.h"
#include "os/filesystem.h"
#include "os/process.h"
#include "os/text_encoding.h"
#include "os/thread.h"
#include "package/block_decoder.h"

namespace {

using voz::test::Check;

bool SameTime(const voz::os::FileTime& a, const voz::os::FileTime& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Times set on the open file, after bytes that are still buffered: the bytes
// reach the file and the close does not move the times.
void CheckFileTimes(const voz::os::NativePath& path) {
    using voz::os::FileTime;
    const FileTime creation{1999, 1, 6, 2, 3, 4, 5, 6};  // a Saturday
    const FileTime access{2002, 3, 1, 4, 5, 6, 7, 891};
    const FileTime write{2001, 2, 6, 3, 4, 5, 6, 789};
    const FileTime february30{2001, 2, 0, 30, 3, 4, 5, 6};
    {
        voz::os::OutputFile out;
        Check(out.Create(path) && out.Write("times", 5), "a file to set times on");
        Check(!out.SetTimes(creation, february30, write), "an impossible date is refused");
        Check(out.SetTimes(creation, access, write), "file times are set on the open file");
        Check(out.Close(), "the file closes after its times are set");
    }
    FileTime c{}, a{}, w{};
    Check(voz::os::GetFileTimes(path, c, a, w), "file times are read");
    Check(SameTime(w, write), "the last-write time reads back to the millisecond, day of week included");
    Check(SameTime(a, access), "the last-access time reads back");
    // Wine on a Unix file system keeps no creation time and reports the last write.
    Check(SameTime(c, creation) || SameTime(c, write), "the creation time reads back, or the last write stands in");
    FileTime unused{};
    Check(!voz::os::GetFileTimes(path + L".missing", unused, unused, unused), "a missing file has no times");
    voz::os::InputFile in;
    Check(in.Open(path) && in.Size() == 5, "the bytes written before the times are in the file");
}

void CheckUtf8() {
    const std::string utf8 = "\xE6\xB2\x83\xE5\x85\xB9 \xF0\x9F\x98\x80";  // 沃兹 and a character beyond 16 bits
    auto wide = voz::os::Utf8ToWide(utf8);
    Check(wide && *wide == L"\u6C83\u5179 \U0001F600", "UTF-8 converts to UTF-16, surrogate pair included");
    Check(wide && voz::os::WideToUtf8(*wide) == utf8, "UTF-16 converts back to UTF-8");
    Check(!voz::os::Utf8ToWide("\xC3("), "bytes that are not UTF-8 are refused");
}

void CheckThreads() {
    constexpr unsigned kThreads = 4;
    std::atomic<unsigned> arrived{0};
    std::atomic<bool> together{true};
    voz::os::RunOnThreads(kThreads, [&] {
        // Each waits for the others: this ends only when all run at the same time.
        arrived.fetch_add(1);
        const ULONGLONG giveUp = GetTickCount64() + 10000;
        while (arrived.load() < kThreads) {
            if (GetTickCount64() > giveUp) {
                together = false;
                return;
            }
            Sleep(0);
        }
    });
    Check(together && arrived == kThreads, "the work runs on four threads at once");
    Check(voz::os::ProcessorCount() >= 1, "the machine has a processor");
    const std::wstring self = voz::os::ProgramPath();
    Check(self.size() > 22 && self.compare(self.size() - 22, 22, L"\\windows_core_test.exe") == 0,
          "the program knows its own file");
}

// The Win32 side of the thread and the queue: the items of a producer on its
// own thread arrive in order; a producer waits while the queue is full, and
// abandoning the queue lets it go, dropping what is pending.
void CheckQueue() {
    constexpr int kItems = 20000;
    constexpr int kCapacity = 3;
    voz::os::BoundedQueue<int> queue(kCapacity);
    voz::os::Thread producer;
    Check(producer.Start([&] {
        for (int i = 0; i < kItems; ++i) {
            queue.Push(i);
        }
        queue.Close();
    }),
          "the producer thread starts");
    int expected = 0;
    bool inOrder = true;
    while (std::optional<int> item = queue.Pop()) {
        inOrder = inOrder && *item == expected++;
    }
    producer.Join();
    Check(inOrder && expected == kItems, "the items arrive whole and in order");

    voz::os::BoundedQueue<int> full(kCapacity);
    std::atomic<bool> refused{false};
    std::atomic<int> pushed{0};
    Check(producer.Start([&] {
        for (int i = 0; full.Push(i); ++i) {
            ++pushed;
        }
        refused = true;
    }),
          "a second producer starts on the joined thread");
    const ULONGLONG giveUp = GetTickCount64() + 10000;
    while (pushed < kCapacity && GetTickCount64() < giveUp) {
        Sleep(1);
    }
    Sleep(50);
    Check(pushed == kCapacity && !refused, "the producer waits when the queue is full");
    full.Abandon();
    producer.Join();
    Check(refused && !full.Pop(), "abandoning lets the waiting producer go and drops the pending items");
}

}  // namespace

int main() {
    using namespace voz;
    // A plain block "ab" and a compressed block: literal 'q', then a 5-byte match at offset 0.
    const uint8_t seq[] = {2, 0, 2, 0, 'a', 'b', 6, 0, 2, 0, 0x38, 0xF0};
    uint8_t out[16] = {};
    CBlockDecoder decoder;
    DecodeResult r = decoder.DecodeSequence(out, sizeof out, seq, sizeof seq);
    Check(r.ok() && r.produced == 8 && std::memcmp(out, "abqqqqqq", 8) == 0, "block sequence decodes");

    const std::string gbk = "\xD0\xB6\xD4\xD8";  // 卸载
    auto wide = os::GbkToWide(gbk);
    Check(wide && *wide == L"\u5378\u8F7D", "GBK converts to UTF-16 with code page 936");
    auto back = wide ? os::WideToGbk(*wide) : std::nullopt;
    Check(back && *back == gbk, "UTF-16 converts back to GBK");

    os::NativePath path;
    Check(os::GbkToNative(gbk + ".bin", path), "GBK name becomes a native path");
    {
        os::OutputFile file;
        Check(file.Create(path) && file.Write(seq, sizeof seq) && file.Close(), "file with a Chinese name is written");
    }
    {
        os::InputFile in;
        Check(in.Open(path) && in.Size() == sizeof seq, "file with a Chinese name is read");
        MemoryOutput decoded;
        Check(decoder.DecodeToStream(in, &decoded, sizeof seq).ok() && decoded.Bytes().size() == 8,
              "block sequence decodes from a file");
    }
    CheckFileTimes(path);
    Check(_wremove(path.c_str()) == 0, "the file is deleted once closed");
    CheckUtf8();
    CheckThreads();
    CheckQueue();

    return voz::test::ReportChecks();
}
