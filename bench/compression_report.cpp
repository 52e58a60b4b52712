// For a client tree and setups built from it: the fewest bytes that the
// tree's files can take as block sequences cut into 65,536-byte blocks (each
// block parsed optimally); for each setup, whether its files decode to the
// tree's files bit for bit, and the block decoder's speed on them against
// zlib's inflate of the same files deflated at level 9, timed alternately in
// the same run. Prints key=value lines for bench/compression_bench.sh.
//
// Usage: compression_report TREE SETUP...
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <thread>
#include <vector>

#include "package/block_decoder.h"
#include "package/package_loader.h"
#include "packer/block_encoder.h"

namespace {

using namespace voz;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::vector<uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::vector<uint8_t>> ReadTree(const fs::path& root) {
    std::vector<fs::path> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && !entry.is_symlink()) {
            paths.push_back(entry.path());
        }
    }
    std::sort(paths.begin(), paths.end());
    std::vector<std::vector<uint8_t>> files;
    for (const auto& p : paths) {
        files.push_back(ReadAll(p));
    }
    return files;
}

// Sum of the optimal whole-block sizes of every file, on two threads.
uint64_t FixedSplitBound(const std::vector<std::vector<uint8_t>>& files) {
    std::atomic<size_t> next{0};
    std::atomic<uint64_t> total{0};
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < files.size();) {
            total += OptimalSequenceSize(files[i].data(), files[i].size());
        }
    };
    std::thread other(work);
    work();
    other.join();
    return total;
}

// Each file's block sequence as stored in the setup.
std::vector<std::vector<uint8_t>> StoredSequences(const fs::path& setup) {
    CPackageInfo package;
    LoadPackageFile(package, setup.string());
    std::vector<uint8_t> bytes = ReadAll(setup);
    std::vector<std::vector<uint8_t>> sequences;
    for (const PackageDir& dir : package.m_dirs) {
        for (const PackageFile& file : dir.files) {
            sequences.emplace_back(bytes.begin() + file.nDataPos, bytes.begin() + file.nDataPos + file.nDataSize);
        }
    }
    return sequences;
}

// Digests of the files' contents in sorted order, to compare two sets of files.
std::vector<size_t> SortedDigests(const std::vector<std::vector<uint8_t>>& contents) {
    std::vector<size_t> digests;
    for (const auto& c : contents) {
        digests.push_back(
            std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(c.data()), c.size())));
    }
    std::sort(digests.begin(), digests.end());
    return digests;
}

template <typename Work>
double Seconds(Work work) {
    auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

// Checks one setup against the tree's files and times its decoding against inflate.
bool ReportSetup(const fs::path& setup, const std::vector<std::vector<uint8_t>>& files,
                 const std::vector<std::vector<uint8_t>>& deflated, uint64_t raw, size_t largest) {
    std::vector<std::vector<uint8_t>> sequences = StoredSequences(setup);
    std::vector<uint8_t> out(largest + kLargestBlock);
    CBlockDecoder decoder;
    // Every file decodes bit-exactly: the decoded files are the tree's files.
    std::vector<std::vector<uint8_t>> decodedFiles;
    for (const auto& seq : sequences) {
        DecodeResult r = decoder.DecodeSequence(out.data(), static_cast<uint32_t>(out.size()), seq.data(),
                                                static_cast<uint32_t>(seq.size()));
        decodedFiles.emplace_back(out.begin(), out.begin() + static_cast<long>(r.ok() ? r.produced : 0));
    }
    bool exact = SortedDigests(decodedFiles) == SortedDigests(files);
    decodedFiles.clear();
    auto decodeAll = [&] {
        for (const auto& seq : sequences) {
            decoder.DecodeSequence(out.data(), static_cast<uint32_t>(out.size()), seq.data(),
                                   static_cast<uint32_t>(seq.size()));
        }
    };
    auto inflateAll = [&] {
        for (const auto& z : deflated) {
            uLongf size = out.size();
            uncompress(out.data(), &size, z.data(), z.size());
        }
    };
    // Best of alternating rounds for each, so that a busy moment of a shared
    // machine weighs on neither.
    double ours = 1e30;
    double zlib = 1e30;
    for (int r = 0; r < 5; ++r) {
        ours = std::min(ours, Seconds(decodeAll));
        zlib = std::min(zlib, Seconds(inflateAll));
    }
    std::printf("setup=%s bit_exact=%s decode_mbps=%.1f inflate_mbps=%.1f\n", setup.string().c_str(),
                exact ? "yes" : "NO", raw / ours / 1e6, raw / zlib / 1e6);
    return exact;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: compression_report TREE SETUP...\n");
        return 2;
    }
    std::vector<std::vector<uint8_t>> files = ReadTree(argv[1]);
    uint64_t raw = 0;
    size_t largest = 0;
    for (const auto& f : files) {
        raw += f.size();
        largest = std::max(largest, f.size());
    }
    std::printf("raw=%llu\n", static_cast<unsigned long long>(raw));
    std::printf("bound=%llu\n", static_cast<unsigned long long>(FixedSplitBound(files)));
    std::vector<std::vector<uint8_t>> deflated;
    for (const auto& f : files) {
        uLongf size = compressBound(f.size());
        std::vector<uint8_t> z(size);
        compress2(z.data(), &size, f.data(), f.size(), 9);
        z.resize(size);
        deflated.push_back(std::move(z));
    }
    bool exact = true;
    for (int a = 2; a < argc; ++a) {
        exact = ReportSetup(argv[a], files, deflated, raw, largest) && exact;
    }
    return exact ? 0 : 1;
}
