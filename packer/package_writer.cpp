#include "packer/package_writer.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "os/file.h"
#include "os/process.h"
#include "os/text_encoding.h"
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

void CheckCount(size_t count, int capacity, const std::string& what) {
    if (count > static_cast<size_t>(capacity)) {
        throw PackError("too many " + what + ": " + std::to_string(count) + "; the setup holds at most " +
                        std::to_string(capacity));
    }
}

class Writer {
public:
    Writer(OutputStream& out, uint64_t offset) : out_(out), offset_(offset) {}

    void Bytes(const void* data, size_t size) {
        if (!out_.Write(data, size)) {
            throw PackError("the setup file could not be written");
        }
        offset_ += size;
        // Positions in the package are signed 32-bit values.
        if (offset_ > INT32_MAX) {
            throw PackError("the package would be larger than 2 GiB");
        }
    }

    void U32(uint32_t v) {
        uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 24)};
        Bytes(b, 4);
    }

    void String(const std::string& s) {
        U32(static_cast<uint32_t>(s.size()));
        Bytes(s.data(), s.size());
    }

    void Time(const PackageTime& t) {
        const uint16_t* f = &t.wYear;
        uint8_t b[16];
        for (int i = 0; i < 8; ++i) {
            b[2 * i] = static_cast<uint8_t>(f[i]);
            b[2 * i + 1] = static_cast<uint8_t>(f[i] >> 8);
        }
        Bytes(b, sizeof b);
    }

    void Item(const std::vector<uint8_t>& sequence) {
        U32(static_cast<uint32_t>(sequence.size()));
        Bytes(sequence.data(), sequence.size());
    }

private:
    OutputStream& out_;
    uint64_t offset_;
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
    w.U32(static_cast<uint32_t>(spec.dirs.size()));
    size_t foldersWritten = 0;
    // Writes the records of the folders before `folder` that have not been
    // written yet (all of them empty but the last started one) and starts `folder`.
    auto startFolders = [&](size_t folder) {
        for (; foldersWritten <= folder && foldersWritten < spec.dirs.size(); ++foldersWritten) {
            w.String(spec.dirs[foldersWritten].name);
            w.U32(static_cast<uint32_t>(spec.dirs[foldersWritten].files.size()));
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
            w.String(file.name);
            w.Time(file.creation);
            w.Time(file.lastAccess);
            w.Time(file.lastWrite);
            w.Item(sequences[f - first]);
        }
        done += batchBytes;
        if (options.progress) {
            options.progress(std::min(done, total), total);
        }
        first = end;
    }
    startFolders(spec.dirs.size());
}

}  // namespace

void ValidatePackageSpec(const PackageSpec& spec) {
    CheckField(spec.title, kNameField, "title");
    CheckField(spec.version, kNameField, "version");
    CheckField(spec.company, kNameField, "company");
    CheckField(spec.installDir, kPathField, "install folder");
    CheckField(spec.mainExe, kNameField, "main program");
    CheckField(spec.sourceDir, kPathField, "source folder");
    for (int i = 0; i < kScreenCount; ++i) {
        const std::string& text = spec.texts[i];
        std::string what = std::string("text '") + kScreenKeys[i] + "'";
        if (text.size() > kTextCapacity - 1) {
            throw PackError(what + " is " + std::to_string(text.size()) + " bytes; at most 65,535 fit");
        }
        if (text.find('\0') != std::string::npos) {
            throw PackError(what + " contains a zero byte, which would end it early");
        }
        if (spec.images[i].size() > kImageCapacity) {
            throw PackError(std::string("image '") + kScreenKeys[i] + "' is " + std::to_string(spec.images[i].size()) +
                            " bytes; at most 1,048,576 fit");
        }
    }
    CheckCount(spec.dirs.size(), kMaxDirs, "folders");
    for (const auto& dir : spec.dirs) {
        CheckField(dir.name, kNameField, "folder name");
        CheckCount(dir.files.size(), kMaxFilesPerDir, "files in folder \"" + Printable(dir.name) + "\"");
        for (const auto& file : dir.files) {
            CheckField(file.name, kNameField, "file name");
        }
    }
    CheckField(spec.group, kNameField, "program group");
    CheckCount(spec.shortcuts.size(), kMaxShortcuts, "shortcuts");
    for (const auto& s : spec.shortcuts) {
        CheckField(s.linkName, kPathField, "shortcut link name");
        CheckField(s.target, kPathField, "shortcut target");
        CheckField(s.icon, kPathField, "shortcut icon");
    }
    CheckCount(spec.copies.size(), kMaxCopies, "style copies");
    for (const auto& c : spec.copies) {
        CheckField(c.source, kPathField, "style copy source");
        CheckField(c.dest, kPathField, "style copy destination");
        CheckField(c.style, kShortField, "style label");
    }
    CheckCount(spec.removes.size(), kMaxRemoves, "removes");
    for (const auto& r : spec.removes) {
        CheckField(r, kPathField, "remove entry");
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
        CheckStoredSize(encoded[2 * i], kTextCapacity, std::string("text '") + kScreenKeys[i] + "'");
        CheckStoredSize(encoded[2 * i + 1], kImageCapacity, std::string("image '") + kScreenKeys[i] + "'");
    }

    Writer w(out, packageOffset);
    for (const std::string* s : {&spec.title, &spec.version, &spec.company, &spec.installDir, &spec.mainExe,
                                 &spec.sourceDir}) {
        w.String(*s);
    }
    w.U32(static_cast<uint32_t>(spec.defaultOrderSoftware));
    for (int i = 0; i < kScreenCount; ++i) {
        w.Item(encoded[2 * i]);
    }
    for (int i = 0; i < kScreenCount; ++i) {
        w.Item(encoded[2 * i + 1]);
    }
    WriteFiles(spec, w, options);
    w.String(spec.group);
    w.U32(static_cast<uint32_t>(spec.shortcuts.size()));
    for (const auto& s : spec.shortcuts) {
        w.String(s.linkName);
        w.String(s.target);
        w.String(s.icon);
        w.U32(static_cast<uint32_t>(s.place));
    }
    w.U32(static_cast<uint32_t>(spec.copies.size()));
    for (const auto& c : spec.copies) {
        w.String(c.source);
        w.String(c.dest);
        w.String(c.style);
    }
    w.U32(static_cast<uint32_t>(spec.removes.size()));
    for (const auto& r : spec.removes) {
        w.String(r);
    }
    w.Item(encoded.back());
}

}  // namespace voz
