// Writes a package in the layout the setup reads, compressing file blocks on all cores.
#pragma once

#include <cstdint>
#include <functional>

#include "package/byte_stream.h"
#include "packer/block_encoder.h"
#include "packer/package_spec.h"

namespace voz {

struct WriteOptions {
    unsigned threads = 0;  // 0: one per core
    EncoderOptions encoder;
    // Called on the writing thread with the raw bytes packed so far and the total.
    std::function<void(uint64_t done, uint64_t total)> progress;
};

// Checks every string, count and size against what the setup's reader holds;
// throws PackError naming the first item that does not fit.
void ValidatePackageSpec(const PackageSpec& spec);

// Writes the package (validated first) to out. `packageOffset` is where the
// package starts in the setup file, since the package records absolute positions.
// Throws PackError on a limit or an unreadable file.
void WritePackage(const PackageSpec& spec, OutputStream& out, const WriteOptions& options = {},
                  uint64_t packageOffset = kPackageOffset);

}  // namespace voz
