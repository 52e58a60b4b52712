#include "package/extract.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>
#include <unordered_set>

#include "os/bounded_queue.h"
#include "os/file.h"
#include "os/filesystem.h"
#include "os/gbk.h"
#include "os/thread.h"
#include "package/block_decoder.h"
#include "package/directory_removal.h"
#include "package/install_paths.h"
#include "package/install_rules.h"
#include "package/uninstall_data.h"

namespace voz {

namespace {

uint64_t StoredSize(const PackageFile& file) { return file.nDataSize > 0 ? static_cast<uint64_t>(file.nDataSize) : 0; }

// Where an item's blocks lie in the setup file.
struct StoredItem {
    int32_t position;
    int32_t size;

    bool valid() const { return position >= 0 && size >= 0; }
};

// How the decoding of an item into its output ended.
struct ItemOutcome {
    uint64_t produced = 0;  // bytes the output took
    DecodeError error = DecodeError::kNone;
    bool beyondEnd = false;    // the item's position lies beyond the end of the setup file
    std::string writeProblem;  // the system's reason when the output refused bytes
};

// Decodes a valid item's stored bytes into out block by block; with a null
// out they are read, checked and dropped.
ItemOutcome DecodeItem(CBlockDecoder& decoder, InputStream& input, StoredItem item, OutputStream* out) {
    ItemOutcome outcome;
    if (item.size == 0) {
        return outcome;
    }
    auto at = static_cast<uint64_t>(item.position);
    if (input.Tell() != at && !input.Seek(at)) {
        outcome.beyondEnd = true;
        return outcome;
    }
    DecodeResult result = decoder.DecodeToStream(input, out, static_cast<uint32_t>(item.size));
    outcome.produced = result.produced;
    outcome.error = result.error;
    return outcome;
}

// Decodes the packaged files in their order on a thread of its own, while
// the installation creates, writes and closes the files before: the decoding
// and the file system's work overlap. The decoded blocks travel in a fixed
// pool of block buffers through a bounded queue, so the decoding runs at most
// kAheadBlocks blocks ahead and no file is held whole. When the system gives
// no thread, each file is decoded straight into its output when asked for.
class AheadDecoder {
public:
    AheadDecoder(CBlockDecoder& decoder, InputStream& input, std::vector<StoredItem> items)
        : m_decoder(decoder),
          m_input(input),
          m_items(std::move(items)),
          m_pool(new uint8_t[kAheadBlocks * kLargestBlock]),
          m_free(kAheadBlocks),
          m_decoded(2 * kAheadBlocks) {
        for (size_t i = 0; i < kAheadBlocks; ++i) {
            m_free.Push(m_pool.get() + i * kLargestBlock);
        }
        m_threaded = m_thread.Start([this] { DecodeAll(); });
    }

    // Stops the decoding thread, wherever it is, and waits for it.
    ~AheadDecoder() {
        m_free.Abandon();
        m_decoded.Abandon();
        m_thread.Join();
    }

    AheadDecoder(const AheadDecoder&) = delete;
    AheadDecoder& operator=(const AheadDecoder&) = delete;

    // The next item's decoded bytes into out; with a null out they are
    // dropped. Called once per item, in order. An item that is not valid
    // yields nothing.
    ItemOutcome WriteNext(OutputStream* out) {
        const StoredItem item = m_items[m_next++];
        if (m_threaded) {
            return WriteDecoded(out);
        }
        if (out == nullptr || !item.valid()) {
            return {};
        }
        ItemOutcome outcome = DecodeItem(m_decoder, m_input, item, out);
        if (outcome.error == DecodeError::kWriteFailed) {
            outcome.writeProblem = os::LastErrorText();
        }
        return outcome;
    }

private:
    static constexpr size_t kAheadBlocks = 8;

    // A block of an item's decoded bytes, or the end of the item.
    struct Piece {
        uint8_t* bytes = nullptr;  // a buffer of the pool; null at the end of an item
        uint32_t size = 0;
        DecodeError error = DecodeError::kNone;  // at the end: how the item's decoding ended
        bool beyondEnd = false;
    };

    // The decoding thread's output: each block it is given is copied into a
    // free buffer of the pool and queued. It refuses bytes once the writing
    // side has gone.
    class QueueOutput final : public OutputStream {
    public:
        explicit QueueOutput(AheadDecoder& owner) : m_owner(owner) {}

        bool Write(const void* data, size_t size) override {
            const auto* bytes = static_cast<const uint8_t*>(data);
            while (size > 0) {
                std::optional<uint8_t*> buffer = m_owner.m_free.Pop();
                if (!buffer) {
                    return false;
                }
                const auto part = static_cast<uint32_t>(std::min<size_t>(size, kLargestBlock));
                std::memcpy(*buffer, bytes, part);
                if (!m_owner.m_decoded.Push(Piece{*buffer, part})) {
                    return false;
                }
                bytes += part;
                size -= part;
            }
            return true;
        }

    private:
        AheadDecoder& m_owner;
    };

    // Writes the queued blocks of the next item into out, up to its end.
    ItemOutcome WriteDecoded(OutputStream* out) {
        ItemOutcome outcome;
        while (std::optional<Piece> piece = m_decoded.Pop()) {
            if (piece->bytes == nullptr) {
                if (outcome.error == DecodeError::kNone) {
                    outcome.error = piece->error;
                    outcome.beyondEnd = piece->beyondEnd;
                }
                return outcome;
            }
            // After a refused write the rest of the item is dropped, as it
            // would not have been decoded.
            if (out != nullptr && outcome.error == DecodeError::kNone) {
                if (out->Write(piece->bytes, piece->size)) {
                    outcome.produced += piece->size;
                } else {
                    outcome.error = DecodeError::kWriteFailed;
                    outcome.writeProblem = os::LastErrorText();
                }
            }
            m_free.Push(piece->bytes);
        }
        outcome.error = DecodeError::kReadFailed;  // the decoding stopped before this item
        return outcome;
    }

    // The decoding thread: every item, then the end of the queue.
    void DecodeAll() {
        QueueOutput out(*this);
        for (const StoredItem& item : m_items) {
            ItemOutcome outcome = item.valid() ? DecodeItem(m_decoder, m_input, item, &out) : ItemOutcome{};
            if (!m_decoded.Push(Piece{nullptr, 0, outcome.error, outcome.beyondEnd})) {
                return;  // the writing side has gone
            }
        }
        m_decoded.Close();
    }

    CBlockDecoder& m_decoder;
    InputStream& m_input;
    const std::vector<StoredItem> m_items;
    size_t m_next = 0;  // the item WriteNext hands out next
    std::unique_ptr<uint8_t[]> m_pool;
    os::BoundedQueue<uint8_t*> m_free;  // buffers of the pool the decoding may fill
    os::BoundedQueue<Piece> m_decoded;
    os::Thread m_thread;
    bool m_threaded = false;
};

class Installer {
public:
    Installer(const CPackageInfo& package, InputStream& input, const InstallChoice& choice,
              const ExtractOptions& options)
        : m_package(package), m_input(input), m_choice(choice), m_options(options), m_installDir(choice.folder) {}

    std::vector<ExtractFailure> Run() {
        // The install folder is made first, even for a package without folder
        // records, so that the uninstaller and the settings files have a place.
        if (m_installDir.empty()) {
            Fail("", FailureKind::kNoInstallFolder, "no install folder was given", FailureItem::kInstallFolder);
            return std::move(m_failures);
        }
        const bool installDirExisted = IsFolder(m_installDir);
        if (!CreateDirectoryPath(m_installDir.text())) {
            Fail(m_installDir.text(), FailureKind::kNoInstallFolder, os::LastErrorText(), FailureItem::kInstallFolder);
            return std::move(m_failures);
        }
        if (!installDirExisted) {
            m_log.folders.emplace_back();  // the install folder itself
        }
        for (const PackageDir& dir : m_package.m_dirs) {
            for (const PackageFile& file : dir.files) {
                m_total += StoredSize(file);
            }
        }
        {
            AheadDecoder decoding(m_decoder, m_input, StoredItems());
            for (const PackageDir& dir : m_package.m_dirs) {
                ExtractFolder(dir, decoding);
            }
        }
        ShortcutPaths links;
        if (m_options.shell != nullptr) {
            links = MakeShortcuts(m_package, m_installDir, *m_options.shell, m_failures);
        } else {
            links.links.resize(m_package.m_shortcuts.size());  // no shell: no links
        }
        CopyStyleFiles();
        RemoveFolders();
        for (const std::string& file : m_options.laterFiles) {
            LogFile(file);
        }
        RegisterApp();
        WriteUninstaller(links);
        return std::move(m_failures);
    }

private:
    // Every packaged file's blocks, in the order the files are installed.
    std::vector<StoredItem> StoredItems() const {
        std::vector<StoredItem> items;
        items.reserve(static_cast<size_t>(PackagedFileCount(m_package)));
        for (const PackageDir& dir : m_package.m_dirs) {
            for (const PackageFile& file : dir.files) {
                items.push_back({file.nDataPos, file.nDataSize});
            }
        }
        return items;
    }

    static bool IsFolder(const gbk::Path& path) {
        std::optional<os::NativePath> native = path.ToNative();
        return native && os::IsFolder(*native);
    }

    void LogFile(const std::string& relative) {
        if (m_loggedFiles.insert(relative).second) {
            m_log.files.push_back(relative);
        }
    }

    // Creates a folder inside the install folder with the folders above it,
    // logging each one that did not exist before, outermost first. Each
    // folder is looked at once: the folders above it are shared by many.
    bool CreateLoggedFolder(std::string_view relative) {
        std::vector<std::string_view> levels;
        for (std::string_view level = relative; !level.empty() && !m_madeFolders.contains(level);) {
            levels.push_back(level);
            size_t separator = gbk::LastSeparator(level);
            level = separator == std::string_view::npos ? std::string_view() : level.substr(0, separator);
        }
        for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
            std::optional<gbk::Path> path = m_installDir.Join(*level);
            std::optional<os::NativePath> native = path ? path->ToNative() : std::nullopt;
            if (!native) {
                return false;
            }
            if (!os::IsFolder(*native)) {
                if (!os::CreateFolder(*native)) {
                    return false;
                }
                m_log.folders.emplace_back(*level);
            }
            m_madeFolders.emplace(*level);
        }
        return true;
    }

    // Files and folders inside a removed folder are gone: the log forgets them.
    void ForgetRemoved(std::string_view removed) {
        auto gone = [&](const std::string& path) {
            return path == removed ||
                   (path.size() > removed.size() && path.compare(0, removed.size(), removed) == 0 &&
                    gbk::LastSeparator(std::string_view(path).substr(0, removed.size() + 1)) == removed.size());
        };
        std::erase_if(m_log.files, gone);
        std::erase_if(m_loggedFiles, gone);
        std::erase_if(m_log.folders, gone);
    }

    void RegisterApp() {
        if (!m_options.registerApp) {
            return;
        }
        os::AppListEntry entry = MakeAppListEntry(m_package, m_installDir, m_written);
        if (std::string failure; m_options.registerApp(entry, failure)) {
            m_log.appListKey = entry.key;
        } else {
            Fail(entry.key, FailureKind::kAppListNotWritten, std::move(failure), FailureItem::kAppListEntry);
        }
    }

    void Fail(std::string_view path, FailureKind kind, std::string detail, FailureItem item,
              NameCheck name = NameCheck::kSafe) {
        m_failures.push_back({std::string(path), kind, std::move(detail), item, name});
    }

    // The full path of `relative`, below the install folder, once `name` has
    // passed the rule of its kind (name is the whole of relative, or for a
    // file its last part); nothing, with the failure recorded, when the name
    // is refused or the path too long.
    std::optional<gbk::Path> InstallPath(NameKind kind, std::string_view name, std::string_view relative,
                                         FailureItem item) {
        if (NameCheck check = CheckName(kind, name); check != NameCheck::kSafe) {
            Fail(relative, FailureKind::kUnsafeName, DescribeNameCheck(check), item, check);
            return std::nullopt;
        }
        std::optional<gbk::Path> path = m_installDir.Join(relative);
        if (!path) {
            Fail(relative, FailureKind::kPathTooLong, PathTooLongText(), item);
        }
        return path;
    }

    std::optional<os::NativePath> NativeInstallPath(NameKind kind, std::string_view name, std::string_view relative,
                                                    FailureItem item) {
        std::optional<gbk::Path> path = InstallPath(kind, name, relative, item);
        if (!path) {
            return std::nullopt;
        }
        std::optional<os::NativePath> native = path->ToNative();
        if (!native) {
            Fail(path->text(), FailureKind::kUnsafeName, DescribeNameCheck(NameCheck::kNotGbk), item, NameCheck::kNotGbk);
            return std::nullopt;
        }
        return native;
    }

    void Advance(const PackageFile& file) {
        m_done += StoredSize(file);
        if (m_options.progress && m_total > 0) {
            // At most 2^50 stored bytes fit the tables, so m_done * 100 cannot overflow.
            const int percent = static_cast<int>(m_done * 100 / m_total);
            // Once per percent: the call may wait until the bar is redrawn.
            if (percent != m_shownPercent) {
                m_shownPercent = percent;
                m_options.progress(percent);
            }
        }
    }

    void ExtractFolder(const PackageDir& dir, AheadDecoder& decoding) {
        std::string_view name = FieldText(dir.szName);
        std::optional<gbk::Path> dirPath = InstallPath(NameKind::kFolder, name, name, FailureItem::kFolder);
        if (!dirPath) {
            const ExtractFailure why = m_failures.back();  // what InstallPath found wrong with the folder
            for (const PackageFile& file : dir.files) {
                Fail(JoinRelative(name, FieldText(file.szName)), why.kind, "its folder is refused", FailureItem::kFile,
                     why.name);
                decoding.WriteNext(nullptr);
                Advance(file);
            }
            return;
        }
        if (!CreateLoggedFolder(name)) {
            Fail(name, FailureKind::kFolderNotCreated, os::LastErrorText(), FailureItem::kFolder);
        }
        for (const PackageFile& file : dir.files) {
            ExtractFile(name, file, decoding);
            Advance(file);
        }
    }

    // Writes a file with its decoded bytes, taken from `decoding` whether or
    // not it is written, and its times.
    void ExtractFile(std::string_view dirName, const PackageFile& file, AheadDecoder& decoding) {
        std::string relative = JoinRelative(dirName, FieldText(file.szName));
        os::OutputFile out;
        const bool created = CreateOutput(relative, file, out);
        // The file's decoded bytes are taken whether or not it could be
        // created, so that the decoding stays with the files.
        const ItemOutcome outcome = decoding.WriteNext(created ? &out : nullptr);
        if (!created) {
            return;
        }
        if (!StoredItem{file.nDataPos, file.nDataSize}.valid()) {
            Fail(relative, FailureKind::kDamagedData, "the file's data position or length is negative",
                 FailureItem::kFile);
        } else if (!Report(outcome, relative, FailureItem::kFile)) {
            return;
        }
        // On the still open file, once its bytes are written: no second opening.
        const bool timesSet = out.SetTimes(file.stCreation, file.stLastAccess, file.stLastWrite);
        const std::string timesProblem = timesSet ? std::string() : os::LastErrorText();
        if (!out.Close()) {
            Fail(relative, FailureKind::kWriteFailed, os::LastErrorText(), FailureItem::kFile);
            return;
        }
        if (m_options.fileWritten) {
            m_options.fileWritten(relative);
        }
        if (!timesSet) {
            Fail(relative, FailureKind::kTimesNotSet, timesProblem, FailureItem::kFile);
        }
    }

    // Creates the file in the install folder and logs it; false, with the
    // reason recorded, when its name is refused or it cannot be created.
    bool CreateOutput(const std::string& relative, const PackageFile& file, os::OutputFile& out) {
        std::optional<os::NativePath> path = NativeInstallPath(NameKind::kFile, FieldText(file.szName), relative,
                                                               FailureItem::kFile);
        if (!path) {
            return false;
        }
        if (!out.Create(*path)) {
            Fail(relative, FailureKind::kFileNotCreated, os::LastErrorText(), FailureItem::kFile);
            return false;
        }
        LogFile(relative);
        return true;
    }

    // Counts the bytes an item's output took and records why they are not
    // all of its bytes; true when they are.
    bool Report(const ItemOutcome& outcome, const std::string& what, FailureItem item) {
        m_written += outcome.produced;
        if (outcome.beyondEnd) {
            Fail(what, FailureKind::kDamagedData, "the data lies beyond the end of the setup file", item);
        } else if (outcome.error == DecodeError::kWriteFailed) {
            Fail(what, FailureKind::kWriteFailed, outcome.writeProblem, item);
        } else if (outcome.error != DecodeError::kNone) {
            Fail(what, FailureKind::kDamagedData, DescribeDecodeError(outcome.error), item);
        }
        return !outcome.beyondEnd && outcome.error == DecodeError::kNone;
    }

    void CopyStyleFiles() {
        const std::string& style = m_choice.style;
        for (const PackageCopy& copy : m_package.m_copies) {
            if (FieldText(copy.szStyle) != style) {
                continue;
            }
            std::string_view sourceName = FieldText(copy.szSource);
            std::string_view destName = FieldText(copy.szDest);
            std::optional<os::NativePath> source =
                NativeInstallPath(NameKind::kCopySource, sourceName, sourceName, FailureItem::kStyleCopy);
            std::optional<os::NativePath> dest =
                NativeInstallPath(NameKind::kCopyDest, destName, destName, FailureItem::kStyleCopy);
            if (!source || !dest) {
                continue;
            }
            if (os::CopyFileReplacing(*source, *dest)) {
                LogFile(std::string(destName));
            } else {
                Fail(destName, FailureKind::kCopyFailed, os::LastErrorText(), FailureItem::kStyleCopy);
            }
        }
    }

    void RemoveFolders() {
        for (const PackageRemove& remove : m_package.m_removes) {
            std::string_view entry = FieldText(remove.szPath);
            if (entry.empty()) {
                continue;  // it would name the install folder itself
            }
            if (std::optional<gbk::Path> path = InstallPath(NameKind::kRemove, entry, entry, FailureItem::kRemoval)) {
                RemoveDirectoryTree(path->text(), m_failures);
                ForgetRemoved(entry);
            }
        }
    }

    void WriteUninstaller(const ShortcutPaths& links) {
        std::string_view name = FieldText(m_package.m_szUninstaller);
        std::optional<os::NativePath> path = NativeInstallPath(NameKind::kFile, name, name, FailureItem::kUninstaller);
        if (!path) {
            return;
        }
        os::OutputFile out;
        if (!out.Create(*path)) {
            Fail(name, FailureKind::kFileNotCreated, os::LastErrorText(), FailureItem::kUninstaller);
            return;
        }
        // The uninstaller finds its data right after its own bytes, so a
        // damaged uninstaller gets no data rather than data at the wrong place.
        if (m_package.m_nUninstallerSize < 0 || m_package.m_nUninstallerPos < 0) {
            Fail(name, FailureKind::kDamagedData, "the uninstaller's position or length is negative",
                 FailureItem::kUninstaller);
            return;
        }
        ItemOutcome outcome =
            DecodeItem(m_decoder, m_input, {m_package.m_nUninstallerPos, m_package.m_nUninstallerSize}, &out);
        if (outcome.error == DecodeError::kWriteFailed) {
            outcome.writeProblem = os::LastErrorText();
        }
        if (!Report(outcome, std::string(name), FailureItem::kUninstaller)) {
            return;
        }
        const UninstallTable table{std::string(FieldText(m_package.m_szTitle)),
                                   std::string(FieldText(m_package.m_szVersion)), links.links, links.group};
        if (!WriteUninstallTable(table, out) || !WriteInstallLog(m_log, out) || !out.Close()) {
            Fail(name, FailureKind::kWriteFailed, os::LastErrorText(), FailureItem::kUninstaller);
        }
    }

    const CPackageInfo& m_package;
    InputStream& m_input;
    const InstallChoice& m_choice;
    const ExtractOptions& m_options;
    const gbk::Path& m_installDir;
    CBlockDecoder m_decoder;
    uint64_t m_total = 0;
    uint64_t m_done = 0;
    int m_shownPercent = -1;
    uint64_t m_written = 0;  // decoded bytes of every file
    InstallLog m_log;
    std::unordered_set<std::string> m_loggedFiles;  // m_log.files, to look names up
    std::set<std::string, std::less<>> m_madeFolders;  // relative to the install folder, made or found
    std::vector<ExtractFailure> m_failures;
};

}  // namespace

std::vector<ExtractFailure> ExtractPackage(const CPackageInfo& package, InputStream& input,
                                           const InstallChoice& choice, const ExtractOptions& options) {
    return Installer(package, input, choice, options).Run();
}

int PackagedFileCount(const CPackageInfo& package) {
    size_t files = 0;
    for (const PackageDir& dir : package.m_dirs) {
        files += dir.files.size();
    }
    return static_cast<int>(files);
}

os::AppListEntry MakeAppListEntry(const CPackageInfo& package, const gbk::Path& installDir, uint64_t installedBytes) {
    std::string title(FieldText(package.m_szTitle));
    os::AppListEntry entry;
    // A key name cannot hold a backslash: it would name a key further down.
    entry.key = title.empty() || gbk::LastSeparator(title) != std::string::npos ? std::string("Voz") : title;
    entry.displayName = title.empty() ? entry.key : title;
    entry.displayVersion = FieldText(package.m_szVersion);
    entry.publisher = FieldText(package.m_szCompany);
    entry.installLocation = installDir.text();
    // Not limited to a path's length: these are registry values, and the
    // installation has already refused names that do not fit.
    auto inInstallDir = [&](std::string_view name) { return installDir.text() + '\\' + std::string(name); };
    const std::string uninstaller = inInstallDir(FieldText(package.m_szUninstaller));
    entry.displayIcon = FieldText(package.m_szMainExe).empty() ? uninstaller : inInstallDir(FieldText(package.m_szMainExe));
    entry.uninstallString = '"' + uninstaller + '"';
    entry.estimatedSizeKb = static_cast<uint32_t>(std::min<uint64_t>((installedBytes + 1023) / 1024, UINT32_MAX));
    return entry;
}

}  // namespace voz
