#include "packer/package_writer.h"

#include <algorithm>
#include <atomic>

#include "os/file.h"
#include "os/process.h"
#include "os/text_encoding.h"
#include "os/thread.h"
#include "package/extract.h"
#include "package/package_layout.h"
#include "package/wire.h"
#include "packer/console_text.h"
#include "packer/pack_error.h"

namespace voz {

namespace {

using Sequences = std::vector<std::vector<uint8_t>>;

// Files are read and compressed in batches of about this many raw bytes, so
// that memory stays bounded while every core has blocks to work on.
constexpr uint64_t kBatchBytes = 16u << 20;

std::string ScreenItem(const layout::Packed& item, int screen) {
    return std::string(item.part) + " '" + kScreenKeys[screen] + "'";
}

// Checks each item of the record against its limit (the layout walk's codec);
// throws PackError naming the first that breaks one.
class LimitCheck {
public:
    void Section(const layout::Section&) {}
    template <int Size>
    bool String(const char (&field)[Size], const layout::Field<Size>& item) {
        // Filled through StoreField, a field always ends in a zero; one that
        // does not would be read back one byte longer than it holds.
        if (FieldText(field).size() == Size) {
            throw PackError(std::string(item.key) + " fills its field of " + std::to_string(Size) +
                            " bytes without an end");
        }
        return true;
    }
    bool Signed(int32_t, const layout::Value&) { return true; }
    bool Time(const PackageTime&, const layout::Value&) { return true; }
    bool FileData(const PackageFile&) { return true; }
    bool Uninstaller(const CPackageInfo&) { return true; }

    bool Table(const auto& entries, const layout::Table& table, auto&& walkEntry) {
        if (entries.size() > static_cast<size_t>(table.capacity)) {
            throw PackError("too many " + std::string(table.what) + ": " + std::to_string(entries.size()) +
                            "; the setup holds at most " + Grouped(static_cast<uint64_t>(table.capacity)));
        }
        return std::all_of(entries.begin(), entries.end(), walkEntry);
    }

    bool Text(const CPackageInfo& record, int screen) {
        const std::string& text = record.Text(screen);
        if (text.size() > layout::kText.decodedCapacity) {
            throw PackError(ScreenItem(layout::kText, screen) + " is " + std::to_string(text.size()) +
                            " bytes; at most " + Grouped(layout::kText.decodedCapacity) + " fit");
        }
        if (text.find('\0') != std::string::npos) {
            throw PackError(ScreenItem(layout::kText, screen) + " contains a zero byte, which would end it early");
        }
        return true;
    }

    bool Image(const CPackageInfo& record, int screen) {
        const auto size = static_cast<uint32_t>(record.ImageSize(screen));
        if (size > layout::kImage.decodedCapacity) {
            throw PackError(ScreenItem(layout::kImage, screen) + " is " + std::to_string(size) + " bytes; at most " +
                            Grouped(layout::kImage.decodedCapacity) + " fit");
        }
        return true;
    }
};

// The setup file being written: a failed write throws, and every position
// stays within the signed 32 bits the package stores it in.
class PackageOutput final : public OutputStream {
public:
    PackageOutput(OutputStream& out, uint64_t offset) : m_out(out), m_offset(offset) {}

    bool Write(const void* data, size_t size) override {
        if (!m_out.Write(data, size)) {
            throw PackError("the setup file could not be written");
        }
        m_offset += size;
        if (m_offset > INT32_MAX) {
            throw PackError("the package would be larger than 2 GiB");
        }
        return true;
    }

private:
    OutputStream& m_out;
    uint64_t m_offset;
};

std::vector<uint8_t> ReadSource(const FileSource& source) {
    if (const auto* bytes = std::get_if<std::vector<uint8_t>>(&source)) {
        return *bytes;
    }
    const auto& path = std::get<os::NativePath>(source);
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

uint64_t SourceSize(const FileSource& source) {
    if (const auto* bytes = std::get_if<std::vector<uint8_t>>(&source)) {
        return bytes->size();
    }
    os::InputFile in;
    return in.Open(std::get<os::NativePath>(source)) ? in.Size() : 0;
}

// Compresses the 65,536-byte spans of a batch of items on all cores and returns each item's block sequence.
Sequences CompressBatch(const Sequences& contents, const WriteOptions& options) {
    struct Job {
        size_t item;
        size_t block;
    };
    std::vector<Job> jobs;
    std::vector<Sequences> blocks(contents.size());
    for (size_t i = 0; i < contents.size(); ++i) {
        size_t count = (contents[i].size() + kLargestBlock - 1) / kLargestBlock;
        blocks[i].resize(count);
        for (size_t b = 0; b < count; ++b) {
            jobs.push_back({i, b});
        }
    }
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t j; (j = next.fetch_add(1)) < jobs.size();) {
            const auto& data = contents[jobs[j].item];
            size_t start = jobs[j].block * kLargestBlock;
            auto size = static_cast<uint32_t>(std::min<size_t>(kLargestBlock, data.size() - start));
            EncodeSpan(data.data() + start, size, blocks[jobs[j].item][jobs[j].block], options.encoder);
        }
    };
    unsigned threads = options.threads != 0 ? options.threads : os::ProcessorCount();
    os::RunOnThreads(static_cast<unsigned>(std::min<size_t>(threads, jobs.size())), work);
    Sequences sequences(contents.size());
    for (size_t i = 0; i < contents.size(); ++i) {
        for (auto& b : blocks[i]) {
            sequences[i].insert(sequences[i].end(), b.begin(), b.end());
        }
    }
    return sequences;
}

// Each screen's text and image in turn, then the uninstaller, as block
// sequences; throws when one takes more stored bytes than the setup holds.
Sequences EncodeScreensAndUninstaller(const PackageSource& source, const WriteOptions& options) {
    Sequences contents;
    for (int i = 0; i < kScreenCount; ++i) {
        const std::string& text = source.record.Text(i);
        const uint8_t* image = source.record.Image(i);
        contents.emplace_back(text.begin(), text.end());
        contents.emplace_back(image, image + std::max(source.record.ImageSize(i), 0));
    }
    contents.push_back(source.uninstaller);
    Sequences encoded = CompressBatch(contents, options);
    for (int i = 0; i < 2 * kScreenCount; ++i) {
        const layout::Packed& item = i % 2 == 0 ? layout::kText : layout::kImage;
        if (encoded[i].size() > item.storedCapacity) {
            throw PackError(ScreenItem(item, i / 2) + " takes " + std::to_string(encoded[i].size()) +
                            " bytes once packed; the setup holds at most " + Grouped(item.storedCapacity));
        }
    }
    return encoded;
}

// Hands out the block sequences of the package's files in their order. The
// files are read and compressed together in batches, which run on across
// folders so that small folders leave no core idle; progress is reported as
// each batch is handed out whole.
class FileBatches {
public:
    FileBatches(const std::vector<FileSource>& files, const WriteOptions& options)
        : m_files(files), m_options(options) {
        for (const FileSource& file : files) {
            m_total += SourceSize(file);
        }
    }

    const std::vector<uint8_t>& Next() {
        if (m_next == m_sequences.size()) {
            CompressNextBatch();
        }
        const std::vector<uint8_t>& sequence = m_sequences[m_next++];
        if (m_next == m_sequences.size()) {
            m_done += m_batchBytes;
            if (m_options.progress) {
                m_options.progress(std::min(m_done, m_total), m_total);
            }
        }
        return sequence;
    }

private:
    void CompressNextBatch() {
        Sequences contents;
        m_batchBytes = 0;
        while (m_read < m_files.size() && (contents.empty() || m_batchBytes < kBatchBytes)) {
            contents.push_back(ReadSource(m_files[m_read++]));
            m_batchBytes += contents.back().size();
        }
        m_sequences = CompressBatch(contents, m_options);
        m_next = 0;
    }

    const std::vector<FileSource>& m_files;
    const WriteOptions& m_options;
    size_t m_read = 0;      // files read so far
    Sequences m_sequences;  // the current batch's
    size_t m_next = 0;      // the sequence handed out next
    uint64_t m_batchBytes = 0;
    uint64_t m_done = 0;
    uint64_t m_total = 0;
};

// Writes the package's items in their wire encoding (the layout walk's
// codec): strings, values and tables as they are, packed items and file data
// as the block sequences made for them.
class Writer : public layout::WireWriter {
public:
    Writer(OutputStream& out, const Sequences& encoded, FileBatches& files)
        : WireWriter(out), m_encoded(encoded), m_files(files) {}

    bool Text(const CPackageInfo&, int screen) { return Packed(m_encoded[2 * screen]); }
    bool Image(const CPackageInfo&, int screen) { return Packed(m_encoded[2 * screen + 1]); }
    bool FileData(const PackageFile&) { return Packed(m_files.Next()); }
    bool Uninstaller(const CPackageInfo&) { return Packed(m_encoded.back()); }

private:
    // The stored length, then the block sequence.
    bool Packed(const std::vector<uint8_t>& sequence) {
        return WritePackageU32(static_cast<uint32_t>(sequence.size()), m_out) &&
               m_out.Write(sequence.data(), sequence.size());
    }

    const Sequences& m_encoded;
    FileBatches& m_files;
};

}  // namespace

void WritePackage(const PackageSource& source, OutputStream& out, const WriteOptions& options, uint64_t packageOffset) {
    LimitCheck check;
    layout::WalkPackage(check, source.record);
    const auto fileCount = static_cast<size_t>(PackagedFileCount(source.record));
    if (source.files.size() != fileCount) {
        throw PackError("the package has " + std::to_string(fileCount) + " files and " +
                        std::to_string(source.files.size()) + " sources for them");
    }
    // Texts, images and the uninstaller are encoded before anything is
    // written, so a size error leaves no partial output.
    const Sequences encoded = EncodeScreensAndUninstaller(source, options);
    PackageOutput output(out, packageOffset);
    FileBatches files(source.files, options);
    Writer writer(output, encoded, files);
    layout::WalkPackage(writer, source.record);
}

}  // namespace voz
