#include "packer/package_writer.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "os/file.h"
#include "os/process.h"
#include "os/thread.h"
#include "os/text_encoding.h"
#include "package/package_layout.h"
#include "package/wire.h"
#include "packer/console_text.h"
#include "packer/pack_error.h"

namespace voz {

namespace {

// Files are read and compressed in batches of about this many raw bytes, so
// that memory stays bounded while every core has blocks to work on.
constexpr uint64_t kBatchBytes = 16u << 20;

std::string Printable(const std::string& gbk) { return os::GbkToUtf8(gbk).value_or(gbk); }

void CheckField(const std::string& text, int fieldSize, const std::string& what) {
    if (text.size() > static_cast<size_t>(fieldSize - 1)) {
        throw PackError(what + " \"" + Printable(text) + "\" is " + std::to_string(text.size()) +
                        " bytes; the setup holds at most " + std::to_string(fieldSize - 1));
    }
    if (text.find('\0') != std::string::npos) {
        throw PackError(what + " contains a zero byte");
    }
}

// `qualifier` follows the table's name, e.g. the folder whose files are counted.
void CheckCount(size_t count, const layout::Table& table, const std::string& qualifier = "") {
    if (count > static_cast<size_t>(table.capacity)) {
        throw PackError("too many " + std::string(table.what) + qualifier + ": " + std::to_string(count) +
                        "; the setup holds at most " + std::to_string(table.capacity));
    }
}

// Checks each item of a record against its limit (the layout walkers' codec).
struct LimitCheck {
    template <int Size>
    bool String(const std::string& text, const layout::Field<Size>& item) {
        CheckField(text, Size, item.what);
        return true;
    }
    bool Signed(int32_t, const char*) { return true; }
    bool Time(const PackageTime&) { return true; }
    bool Data(const auto&) { return true; }
};

// Writes the package's values in their wire encoding (the layout walkers' codec),
// keeping every position within the signed 32 bits the package stores them in.
class Writer final : private OutputStream {
public:
    Writer(OutputStream& out, uint64_t offset) : m_out(out), m_offset(offset) {}

    template <int Size>
    bool String(const std::string& text, const layout::Field<Size>&) {
        return WritePackageString(text, *this);
    }
    bool Signed(int32_t value, const char*) { return WritePackageU32(static_cast<uint32_t>(value), *this); }
    bool Time(const PackageTime& time) { return WritePackageTime(time, *this); }
    bool Count(size_t count, const layout::Table&) { return WritePackageU32(static_cast<uint32_t>(count), *this); }
    // A packed item: its stored length, then its block sequence.
    bool Data(const std::vector<uint8_t>& sequence) {
        WritePackageU32(static_cast<uint32_t>(sequence.size()), *this);
        return Write(sequence.data(), sequence.size());
    }

private:
    // Failures throw, so every write that returns has succeeded.
    bool Write(const void* data, size_t size) override {
        if (!m_out.Write(data, size)) {
            throw PackError("the setup file could not be written");
        }
        m_offset += size;
        // Positions in the package are signed 32-bit values.
        if (m_offset > INT32_MAX) {
            throw PackError("the package would be larger than 2 GiB");
        }
        return true;
    }

    OutputStream& m_out;
    uint64_t m_offset;
};

std::vector<uint8_t> ReadSource(const PackFile& file) {
    if (const auto* bytes = std::get_if<std::vector<uint8_t>>(&file.content)) {
        return *bytes;
    }
    const auto& path = std::get<os::NativePath>(file.content);
    os::InputFile in;
    std::vector<uint8_t> data;
    if (in.Open(path)) {
        data.resize(in.Size());
        if (in.Read(data.data(), data.size()) == data.size()) {
            return data;
        }
    }
    throw PackError("cannot read file " + PathText(path));
}

uint64_t SourceSize(const PackFile& file) {
    if (const auto* bytes = std::get_if<std::vector<uint8_t>>(&file.content)) {
        return bytes->size();
    }
    os::InputFile in;
    return in.Open(std::get<os::NativePath>(file.content)) ? in.Size() : 0;
}

// Compresses the 65,536-byte spans of a batch of files on all cores and returns each file's block sequence.
std::vector<std::vector<uint8_t>> CompressBatch(const std::vector<std::vector<uint8_t>>& contents,
                                                const WriteOptions& options) {
    struct Job {
        size_t file;
        size_t block;
    };
    std::vector<Job> jobs;
    std::vector<std::vector<std::vector<uint8_t>>> blocks(contents.size());
    for (size_t f = 0; f < contents.size(); ++f) {
        size_t count = (contents[f].size() + kLargestBlock - 1) / kLargestBlock;
        blocks[f].resize(count);
        for (size_t b = 0; b < count; ++b) {
            jobs.push_back({f, b});
        }
    }
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t j; (j = next.fetch_add(1)) < jobs.size();) {
            const auto& data = contents[jobs[j].file];
            size_t start = jobs[j].block * kLargestBlock;
            auto size = static_cast<uint32_t>(std::min<size_t>(kLargestBlock, data.size() - start));
            EncodeSpan(data.data() + start, size, blocks[jobs[j].file][jobs[j].block], options.encoder);
        }
    };
    unsigned threads = options.threads != 0 ? options.threads : os::ProcessorCount();
    os::RunOnThreads(static_cast<unsigned>(std::min<size_t>(threads, jobs.size())), work);
    std::vector<std::vector<uint8_t>> sequences(contents.size());
    for (size_t f = 0; f < contents.size(); ++f) {
        for (auto& b : blocks[f]) {
            sequences[f].insert(sequences[f].end(), b.begin(), b.end());
        }
    }
    return sequences;
}

void CheckStoredSize(const std::vector<uint8_t>& sequence, uint32_t storedCapacity, const std::string& what) {
    if (sequence.size() > storedCapacity) {
        throw PackError(what + " takes " + std::to_string(sequence.size()) +
                        " bytes once packed; the setup holds at most " + std::to_string(storedCapacity));
    }
}

void WriteFiles(const PackageSpec& spec, Writer& w, const WriteOptions& options) {
    // The files of every folder in order: batches run on across folders, so
    // that small folders do not leave a core idle.
    std::vector<const PackFile*> files;
    std::vector<size_t> folderOf;
    uint64_t total = 0;
    for (size_t d = 0; d < spec.dirs.size(); ++d) {
        for (const auto& file : spec.dirs[d].files) {
            files.push_back(&file);
            folderOf.push_back(d);
            total += SourceSize(file);
        }
    }
    w.Count(spec.dirs.size(), layout::kDirectories);
    size_t foldersWritten = 0;
    // Writes the records of the folders before `folder` that have not been
    // written yet (all of them empty but the last started one) and starts `folder`.
    auto startFolders = [&](size_t folder) {
        for (; foldersWritten <= folder && foldersWritten < spec.dirs.size(); ++foldersWritten) {
            const PackDir& dir = spec.dirs[foldersWritten];
            layout::WalkFolder(w, dir.name, dir.files.size());
        }
    };
    uint64_t done = 0;
    for (size_t first = 0; first < files.size();) {
        // Read files until the batch is full, compress them together, then write their records in order.
        std::vector<std::vector<uint8_t>> contents;
        uint64_t batchBytes = 0;
        size_t end = first;
        while (end < files.size() && (end == first || batchBytes < kBatchBytes)) {
            contents.push_back(ReadSource(*files[end]));
            batchBytes += contents.back().size();
            ++end;
        }
        std::vector<std::vector<uint8_t>> sequences = CompressBatch(contents, options);
        for (size_t f = first; f < end; ++f) {
            startFolders(folderOf[f]);
            const PackFile& file = *files[f];
            layout::WalkFile(w, file.name, file.creation, file.lastAccess, file.lastWrite, sequences[f - first]);
        }
        done += batchBytes;
        if (options.progress) {
            options.progress(std::min(done, total), total);
        }
        first = end;
    }
    startFolders(spec.dirs.size());
}

// Writes one part of the package. `encoded` holds each screen's text and image
// in turn, then the uninstaller.
void WritePart(layout::Part part, const PackageSpec& spec, const std::vector<std::vector<uint8_t>>& encoded,
               Writer& w, const WriteOptions& options) {
    switch (part) {
    case layout::Part::kHeader:
        layout::WalkHeader(w, spec.title, spec.version, spec.company, spec.installDir, spec.mainExe, spec.sourceDir,
                           spec.defaultOrderSoftware);
        return;
    case layout::Part::kTexts:
    case layout::Part::kImages:
        for (int i = 0; i < kScreenCount; ++i) {
            w.Data(encoded[2 * i + (part == layout::Part::kImages ? 1 : 0)]);
        }
        return;
    case layout::Part::kDirectories: WriteFiles(spec, w, options); return;
    case layout::Part::kShortcuts:
        layout::WalkShortcutTable(w, spec.group, spec.shortcuts.size());
        for (const auto& s : spec.shortcuts) {
            layout::WalkShortcut(w, s.linkName, s.target, s.icon, s.place);
        }
        return;
    case layout::Part::kCopies:
        w.Count(spec.copies.size(), layout::kCopies);
        for (const auto& c : spec.copies) {
            layout::WalkCopy(w, c.source, c.dest, c.style);
        }
        return;
    case layout::Part::kRemoves:
        w.Count(spec.removes.size(), layout::kRemoves);
        for (const auto& r : spec.removes) {
            w.String(r, layout::kRemove);
        }
        return;
    case layout::Part::kUninstaller: w.Data(encoded.back()); return;
    }
}

}  // namespace

void ValidatePackageSpec(const PackageSpec& spec) {
    LimitCheck check;
    layout::WalkHeader(check, spec.title, spec.version, spec.company, spec.installDir, spec.mainExe, spec.sourceDir,
                       spec.defaultOrderSoftware);
    for (int i = 0; i < kScreenCount; ++i) {
        const std::string& text = spec.texts[i];
        std::string what = std::string("text '") + kScreenKeys[i] + "'";
        if (text.size() > layout::kText.decodedCapacity) {
            throw PackError(what + " is " + std::to_string(text.size()) + " bytes; at most 65,535 fit");
        }
        if (text.find('\0') != std::string::npos) {
            throw PackError(what + " contains a zero byte, which would end it early");
        }
        if (spec.images[i].size() > layout::kImage.decodedCapacity) {
            throw PackError(std::string("image '") + kScreenKeys[i] + "' is " + std::to_string(spec.images[i].size()) +
                            " bytes; at most 1,048,576 fit");
        }
    }
    CheckCount(spec.dirs.size(), layout::kDirectories);
    for (const auto& dir : spec.dirs) {
        check.String(dir.name, layout::kDirName);
        CheckCount(dir.files.size(), layout::kFiles, " \"" + Printable(dir.name) + "\"");
        for (const auto& file : dir.files) {
            layout::WalkFile(check, file.name, file.creation, file.lastAccess, file.lastWrite, file.content);
        }
    }
    check.String(spec.group, layout::kGroup);
    CheckCount(spec.shortcuts.size(), layout::kShortcuts);
    for (const auto& s : spec.shortcuts) {
        layout::WalkShortcut(check, s.linkName, s.target, s.icon, s.place);
    }
    CheckCount(spec.copies.size(), layout::kCopies);
    for (const auto& c : spec.copies) {
        layout::WalkCopy(check, c.source, c.dest, c.style);
    }
    CheckCount(spec.removes.size(), layout::kRemoves);
    for (const auto& r : spec.removes) {
        check.String(r, layout::kRemove);
    }
}

void WritePackage(const PackageSpec& spec, OutputStream& out, const WriteOptions& options, uint64_t packageOffset) {
    ValidatePackageSpec(spec);
    // Texts, images and the uninstaller are encoded together, on all cores,
    // before anything is written, so a size error leaves no partial output.
    std::vector<std::vector<uint8_t>> contents;
    for (int i = 0; i < kScreenCount; ++i) {
        contents.emplace_back(spec.texts[i].begin(), spec.texts[i].end());
        contents.push_back(spec.images[i]);
    }
    contents.push_back(spec.uninstaller);
    std::vector<std::vector<uint8_t>> encoded = CompressBatch(contents, options);
    contents.clear();
    for (int i = 0; i < kScreenCount; ++i) {
        CheckStoredSize(encoded[2 * i], layout::kText.storedCapacity, std::string("text '") + kScreenKeys[i] + "'");
        CheckStoredSize(encoded[2 * i + 1], layout::kImage.storedCapacity,
                        std::string("image '") + kScreenKeys[i] + "'");
    }

    Writer w(out, packageOffset);
    for (layout::Part part : layout::kParts) {
        WritePart(part, spec, encoded, w, options);
    }
}

}  // namespace voz
