// Checks, on Windows, that the portable core decodes a block sequence, reads a
// file through the Win32 side of the OS layer and converts GBK with code page
// 936 whatever the system's ANSI code page is. Prints "N passed, N failed".
#include <cstdio>
#include <cstring>
#include <string>

#include "os/file.h"
#include "os/text_encoding.h"
#include "package/block_decoder.h"

namespace {

int g_passed = 0;
int g_failed = 0;

void Check(bool ok, const char* what) {
    if (ok) {
        ++g_passed;
    } else {
        ++g_failed;
        std::printf("FAILED: %s\n", what);
    }
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
    Check(_wremove(path.c_str()) == 0, "the file is deleted once closed");

    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
