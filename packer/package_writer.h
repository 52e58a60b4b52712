// Writes a package in the layout the setup reads, compressing file blocks on all cores.
#pragma once

#include <cstdint>
#include <functional>

#include "package/byte_stream.h"
#include "packer/block_encoder.h"
#include "packer/package_source.h"

namespace voz {

struct WriteOptions {
    unsigned threads = 0;  // 0: one per core
    EncoderOptions encoder;
    // Called on the writing thread with the raw bytes packed so far and the total.
    std::function<void(uint64_t done, uint64_t total)> progress;
};

// Writes the package to out, once every count, string and size has been
// checked against what the setup's reader holds. `packageOffset` is where the
// package starts in the setup file, since the package records absolute
// positions. Throws PackError naming the first item that does not fit, or a
// file that cannot be read; nothing is written when an item does not fit.
void WritePackage(const PackageSource& source, OutputStream& out, const WriteOptions& options = {},
                  uint64_t packageOffset = kPackageOffset);

}  // namespace voz
