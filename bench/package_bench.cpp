// Decoder speed against zlib's inflate on the same data, and start-up (package
// load) cost against the size of the installed files.
//
// VOZ_BENCH_CORPUS names a client tree (bench/run.sh makes one). Speeds are
// reported as bytes_per_second of decoded output.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "os/file.h"
#include "package/block_decoder.h"
#include "package/package_loader.h"
#include "packer/package_writer.h"
#include "packer/source_tree.h"

namespace {

using namespace voz;
namespace fs = std::filesystem;

struct Corpus {
    std::vector<std::vector<uint8_t>> raw;     // each file's bytes
    std::vector<std::vector<uint8_t>> blocks;  // each file as a block sequence
    std::vector<std::vector<uint8_t>> zlib;    // each file deflated at zlib's default level
    uint64_t rawBytes = 0;
    uint64_t blockBytes = 0;
    uint64_t zlibBytes = 0;
    size_t largest = 0;
    fs::path fullSetup;   // the corpus packed into a setup file
    fs::path smallSetup;  // the same tables, every file cut to 1 KiB
};

std::vector<uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteSetup(const PackageSource& package, const fs::path& path) {
    os::OutputFile out;
    out.Create(path.string());
    std::vector<uint8_t> stub(kStubSize, 0);
    out.Write(stub.data(), stub.size());
    WritePackage(package, out);
    out.Close();
}

const Corpus& GetCorpus() {
    static Corpus* corpus = [] {
        const char* root = std::getenv("VOZ_BENCH_CORPUS");
        if (root == nullptr) {
            std::cerr << "VOZ_BENCH_CORPUS must name a client tree (see bench/run.sh)\n";
            std::exit(2);
        }
        auto* c = new Corpus();
        PackageSource full;
        PackageSource small;
        std::vector<std::string> problems;
        ScanSourceTree(root, full, problems);
        ScanSourceTree(root, small, problems);
        for (FileSource& file : small.files) {
            std::vector<uint8_t> bytes = ReadAll(std::get<os::NativePath>(file));
            bytes.resize(std::min<size_t>(bytes.size(), 1024));
            file = bytes;
        }
        for (const FileSource& file : full.files) {
            c->raw.push_back(ReadAll(std::get<os::NativePath>(file)));
        }
        // Compress in parallel through the package writer, then take each file's sequence back out.
        fs::path folder = fs::temp_directory_path() / "voz-bench";
        fs::create_directories(folder);
        c->fullSetup = folder / "full.exe";
        c->smallSetup = folder / "small.exe";
        WriteSetup(full, c->fullSetup);
        WriteSetup(small, c->smallSetup);
        CPackageInfo package;
        LoadPackageFile(package, c->fullSetup.string());
        std::vector<uint8_t> setup = ReadAll(c->fullSetup);
        for (const PackageDir& dir : package.m_dirs) {
            for (const PackageFile& file : dir.files) {
                c->blocks.emplace_back(setup.begin() + file.nDataPos, setup.begin() + file.nDataPos + file.nDataSize);
            }
        }
        for (const auto& raw : c->raw) {
            uLongf bound = compressBound(raw.size());
            std::vector<uint8_t> z(bound);
            compress2(z.data(), &bound, raw.data(), raw.size(), Z_DEFAULT_COMPRESSION);
            z.resize(bound);
            c->zlib.push_back(std::move(z));
            c->rawBytes += raw.size();
            c->largest = std::max(c->largest, raw.size());
        }
        for (const auto& b : c->blocks) c->blockBytes += b.size();
        for (const auto& z : c->zlib) c->zlibBytes += z.size();
        return c;
    }();
    return *corpus;
}

void BM_BlockDecoder(benchmark::State& state) {
    const Corpus& c = GetCorpus();
    CBlockDecoder decoder;
    std::vector<uint8_t> out(c.largest + kLargestBlock);
    for (auto _ : state) {
        for (const auto& seq : c.blocks) {
            DecodeResult r = decoder.DecodeSequence(out.data(), static_cast<uint32_t>(out.size()), seq.data(),
                                                    static_cast<uint32_t>(seq.size()));
            if (!r.ok()) state.SkipWithError("decode failed");
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.rawBytes));
    state.counters["stored_ratio"] = double(c.blockBytes) / double(c.rawBytes);
}
BENCHMARK(BM_BlockDecoder)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_ZlibInflate(benchmark::State& state) {
    const Corpus& c = GetCorpus();
    std::vector<uint8_t> out(c.largest);
    for (auto _ : state) {
        for (size_t i = 0; i < c.zlib.size(); ++i) {
            uLongf size = out.size();
            if (uncompress(out.data(), &size, c.zlib[i].data(), c.zlib[i].size()) != Z_OK)
                state.SkipWithError("inflate failed");
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.rawBytes));
    state.counters["stored_ratio"] = double(c.zlibBytes) / double(c.rawBytes);
}
BENCHMARK(BM_ZlibInflate)->Unit(benchmark::kMillisecond)->MinTime(3);

// Counts the bytes the loader reads, to show that file data is skipped.
class CountingInput final : public InputStream {
public:
    explicit CountingInput(InputStream& inner) : m_inner(inner) {}
    size_t Read(void* data, size_t size) override {
        size_t n = m_inner.Read(data, size);
        bytesRead += n;
        return n;
    }
    bool Seek(uint64_t position) override { return m_inner.Seek(position); }
    uint64_t Tell() const override { return m_inner.Tell(); }
    uint64_t Size() const override { return m_inner.Size(); }
    uint64_t bytesRead = 0;

private:
    InputStream& m_inner;
};

// Start-up: loading the package of the whole corpus against loading a package
// with the same tables whose files are cut to 1 KiB. Equal times show that the
// file data is skipped, not read.
void BM_LoadPackage(benchmark::State& state) {
    const Corpus& c = GetCorpus();
    const fs::path& setup = state.range(0) == 0 ? c.fullSetup : c.smallSetup;
    CPackageInfo package;
    for (auto _ : state) {
        LoadPackageFile(package, setup.string());
        if (!package.m_status.sound()) state.SkipWithError("package not sound");
    }
    os::InputFile file;
    file.Open(setup.string(), os::kRecordBuffer);
    CountingInput counting(file);
    LoadPackage(package, counting);
    state.counters["bytes_read"] = double(counting.bytesRead);
    state.counters["setup_MB"] = double(fs::file_size(setup)) / 1e6;
    state.counters["files"] = double(c.raw.size());
    state.SetLabel(state.range(0) == 0 ? "whole corpus" : "files cut to 1 KiB");
}
BENCHMARK(BM_LoadPackage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
