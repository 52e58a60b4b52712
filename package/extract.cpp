#include "package/extract.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "os/bounded_queue.h"
#include "os/file.h"
#include "os/filesystem.h"
#include "os/gbk.h"
#include "os/thread.h"
#include "os/text_encoding.h"
#include "package/block_decoder.h"
#include "package/directory_removal.h"
#include "package/install_ownership.h"
#include "package/install_paths.h"
#include "package/install_plan.h"
#include "package/install_rules.h"
#include "package/install_writes.h"
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
    bool beyondEnd = false;   // the item's position lies beyond the end of the setup file
    uint32_t writeError = 0;  // the system's code when the output refused bytes
};

// Decodes a valid item's stored bytes into out block by block, with the
// system's code when out refused them.
ItemOutcome DecodeItem(CBlockDecoder& decoder, InputStream& input, StoredItem item, OutputStream& out) {
    ItemOutcome outcome;
    if (item.size == 0) {
        return outcome;
    }
    auto at = static_cast<uint64_t>(item.position);
    if (input.Tell() != at && !input.Seek(at)) {
        outcome.beyondEnd = true;
        return outcome;
    }
    DecodeResult result = decoder.DecodeToStream(input, &out, static_cast<uint32_t>(item.size));
    outcome.produced = result.produced;
    outcome.error = result.error;
    if (outcome.error == DecodeError::kWriteFailed) {
        outcome.writeError = os::LastErrorCode();
    }
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

    // The next item's decoded bytes into out. Called once per item, in
    // order. An item that is not valid yields nothing.
    ItemOutcome WriteNext(OutputStream& out) {
        const StoredItem item = m_items[m_next++];
        if (m_threaded) {
            return WriteDecoded(out);
        }
        return item.valid() ? DecodeItem(m_decoder, m_input, item, out) : ItemOutcome{};
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
    ItemOutcome WriteDecoded(OutputStream& out) {
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
            if (outcome.error == DecodeError::kNone) {
                if (out.Write(piece->bytes, piece->size)) {
                    outcome.produced += piece->size;
                } else {
                    outcome.error = DecodeError::kWriteFailed;
                    outcome.writeError = os::LastErrorCode();
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
            ItemOutcome outcome = item.valid() ? DecodeItem(m_decoder, m_input, item, out) : ItemOutcome{};
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

// The bytes written to a file, counted and checksummed on their way.
class ContentCounter final : public OutputStream {
public:
    explicit ContentCounter(OutputStream& out) : m_out(out) {}

    bool Write(const void* data, size_t size) override {
        m_content.crc = Crc32(data, size, m_content.crc);
        m_content.size += size;
        return m_out.Write(data, size);
    }
    const FileContent& content() const { return m_content; }

private:
    OutputStream& m_out;
    FileContent m_content;
};

// What a file holds now, read whole; nothing when it cannot be read.
std::optional<FileContent> ReadContent(const os::NativePath& path) {
    os::InputFile in;
    if (!in.Open(path)) {
        return std::nullopt;
    }
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kLargestBlock]);
    FileContent content;
    while (size_t n = in.Read(buffer.get(), kLargestBlock)) {
        content.crc = Crc32(buffer.get(), n, content.crc);
        content.size += n;
    }
    return content.size == in.Size() ? std::optional<FileContent>(content) : std::nullopt;
}

// A style copy or a removal whose names passed the rules, to be carried out after the commit.
struct PlannedCopy {
    std::string source, dest;  // relative
    os::NativePath sourcePath, destPath;
};
struct PlannedRemoval {
    std::string relative;
    std::string path;  // GBK, full
};

class Installer {
public:
    Installer(const CPackageInfo& package, InputStream& input, const InstallChoice& choice,
              const ExtractOptions& options)
        : m_package(package), m_input(input), m_choice(choice), m_options(options) {}

    InstallReport Run() {
        if (!WriteFiles()) {
            return Stopped();
        }
        ShortcutPlan links;
        if (m_options.shell != nullptr) {
            links = PlanShortcuts(m_package, m_choice.folder, *m_options.shell, m_failures);
        } else {
            links.paths.links.resize(m_package.m_shortcuts.size());  // no shell: no links
        }
        PlanCopies();
        PlanRemovals();
        ReportNewFailures();
        const OwnershipBuilder::Result owned = Ownership();
        if (!WriteUninstaller(links.paths, owned.log) || !Commit()) {
            return Stopped();
        }
        m_report.installed = true;
        FinishAfterCommit(links, owned);
        m_report.failures.insert(m_report.failures.end(), m_failures.begin(), m_failures.end());
        return std::move(m_report);
    }

private:
    // The install folder, what a stopped run left in it, the earlier
    // installation found there, the package's folders and every packaged
    // file; false when the installation stops.
    bool WriteFiles() {
        if (m_choice.folder.empty()) {
            return Stop("", FailureKind::kNoInstallFolder, "no install folder was given", FailureItem::kInstallFolder);
        }
        m_plan = PlanInstallation(m_package, m_choice.folder);
        if (!m_plan.refused.empty()) {
            ReadEarlier();
            for (const ExtractFailure& refused : m_plan.refused) {
                Report(m_report.failures.emplace_back(refused));
            }
            return false;
        }
        if (!MakeInstallFolder()) {
            return false;
        }
        // Leftovers first: the uninstaller may be set aside by a stopped run.
        RecoverLeftovers(m_plan.installDirPath);
        ReadEarlier();
        RecoverLeftoversInFolders();
        return MakeFolders() && WritePackagedFiles();
    }

    // The steps that no longer stop the installation: their failures are reported with it.
    void FinishAfterCommit(const ShortcutPlan& links, const OwnershipBuilder::Result& owned) {
        m_writes.DropReplaced(m_failures);
        RemoveObsolete(owned);
        if (m_options.shell != nullptr) {
            MakeShortcuts(links, *m_options.shell, m_failures);
        }
        CopyStyleFiles();
        RemoveFolders();
        RegisterApp();
        ReportNewFailures();
    }

    // Every packaged file's blocks, in the order the files are installed.
    std::vector<StoredItem> StoredItems() const {
        std::vector<StoredItem> items;
        items.reserve(m_plan.files.size());
        for (const PlannedFile& file : m_plan.files) {
            items.push_back({file.record->nDataPos, file.record->nDataSize});
        }
        return items;
    }

    void Report(const ExtractFailure& failure) const {
        if (m_options.observe) {
            m_options.observe({InstallEvent::Kind::kFailed, failure.path, &failure});
        }
    }
    // The failures of the steps that go on, as they are added.
    void ReportNewFailures() {
        for (; m_reported < m_failures.size(); ++m_reported) {
            Report(m_failures[m_reported]);
        }
    }
    void Observe(InstallEvent::Kind kind, std::string_view path) const {
        if (m_options.observe) {
            m_options.observe({kind, path});
        }
    }

    // A failure that stops the installation before its commit; always false.
    bool Stop(std::string_view path, FailureKind kind, std::string detail, FailureItem item, uint32_t error = 0) {
        Report(m_report.failures.emplace_back(
            ExtractFailure{std::string(path), kind, std::move(detail), item, NameCheck::kSafe, error}));
        return false;
    }
    bool StopWithError(std::string_view path, FailureKind kind, FailureItem item, uint32_t error) {
        return Stop(path, kind, os::ErrorText(error), item, error);
    }
    InstallReport Stopped() {
        m_writes.Rollback();
        return std::move(m_report);
    }

    // A failure that the installation reports and goes on.
    void Fail(std::string_view path, FailureKind kind, std::string detail, FailureItem item, uint32_t error = 0) {
        m_failures.push_back({std::string(path), kind, std::move(detail), item, NameCheck::kSafe, error});
    }
    // The same with the reason the system gave for the call that just failed.
    void FailWithError(std::string_view path, FailureKind kind, FailureItem item) {
        const uint32_t error = os::LastErrorCode();
        Fail(path, kind, os::ErrorText(error), item, error);
    }

    // The data of the uninstaller that the folder holds, when it is ours.
    void ReadEarlier() {
        m_earlier = ReadInstalledUninstaller(m_plan.uninstaller);
        m_report.earlierFound =
            m_earlier.state == UninstallDataState::kSound || m_earlier.state == UninstallDataState::kNoLog;
    }

    // The install folder and the folders above it that are missing.
    bool MakeInstallFolder() {
        if (!m_writes.MakeFolders(m_plan.installDirPath, m_madeInstallDir)) {
            return StopWithError(m_choice.folder.text(), FailureKind::kNoInstallFolder, FailureItem::kInstallFolder,
                                 os::LastErrorCode());
        }
        if (m_madeInstallDir) {
            Observe(InstallEvent::Kind::kFolderMade, "");
        }
        return true;
    }

    // The folders a stopped run may have written into: the package's and the earlier installation's.
    void RecoverLeftoversInFolders() {
        for (const PlannedFolder& folder : m_plan.folders) {
            RecoverLeftovers(folder.path);
        }
        for (const std::string& folder : m_earlier.log.folders) {
            std::optional<os::NativePath> path = folder.empty() ? std::nullopt : m_choice.folder.NativeJoin(folder);
            if (path) {
                RecoverLeftovers(*path);
            }
        }
    }

    bool MakeFolders() {
        for (const PlannedFolder& folder : m_plan.folders) {
            bool made = false;
            if (!m_writes.MakeFolder(folder.path, made)) {
                return StopWithError(folder.relative, FailureKind::kFolderNotCreated, FailureItem::kFolder,
                                     os::LastErrorCode());
            }
            if (made) {
                Observe(InstallEvent::Kind::kFolderMade, folder.relative);
            }
        }
        return true;
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

    bool WritePackagedFiles() {
        for (const PlannedFile& file : m_plan.files) {
            m_total += StoredSize(*file.record);
        }
        AheadDecoder decoding(m_decoder, m_input, StoredItems());
        for (const PlannedFile& file : m_plan.files) {
            if (!WriteFile(file, decoding)) {
                return false;
            }
            Advance(*file.record);
        }
        return true;
    }

    // Writes a file with its decoded bytes and its times.
    bool WriteFile(const PlannedFile& file, AheadDecoder& decoding) {
        const PackageFile& record = *file.record;
        os::OutputFile out;
        uint32_t error = 0;
        if (!m_writes.Open(file.path, out, error)) {
            return StopWithError(file.relative, FailureKind::kFileNotCreated, FailureItem::kFile, error);
        }
        ContentCounter counted(out);
        const ItemOutcome outcome = decoding.WriteNext(counted);
        if (!StoredItem{record.nDataPos, record.nDataSize}.valid()) {
            return Stop(file.relative, FailureKind::kDamagedData, "the file's data position or length is negative",
                        FailureItem::kFile);
        }
        if (!Finished(outcome, file.relative, FailureItem::kFile)) {
            return false;
        }
        // On the still open file, once its bytes are written: no second opening.
        const bool timesSet = out.SetTimes(record.stCreation, record.stLastAccess, record.stLastWrite);
        const uint32_t timesError = timesSet ? 0 : os::LastErrorCode();
        if (!out.Close()) {
            return StopWithError(file.relative, FailureKind::kWriteFailed, FailureItem::kFile, os::LastErrorCode());
        }
        if (!timesSet) {
            Fail(file.relative, FailureKind::kTimesNotSet, os::ErrorText(timesError), FailureItem::kFile, timesError);
        }
        m_owned.AddFile(file.relative, counted.content());
        Observe(InstallEvent::Kind::kFileWritten, file.relative);
        return true;
    }

    // Counts the bytes an item's output took; false, with the reason they
    // are not all of its bytes, when they are not.
    bool Finished(const ItemOutcome& outcome, const std::string& what, FailureItem item) {
        m_written += outcome.produced;
        if (outcome.beyondEnd) {
            return Stop(what, FailureKind::kDamagedData, "the data lies beyond the end of the setup file", item);
        }
        if (outcome.error == DecodeError::kWriteFailed) {
            return StopWithError(what, FailureKind::kWriteFailed, item, outcome.writeError);
        }
        if (outcome.error != DecodeError::kNone) {
            return Stop(what, FailureKind::kDamagedData, DescribeDecodeError(outcome.error), item);
        }
        return true;
    }

    // The full native path of a name of the copy or remove tables, once it
    // has passed the rule of its kind; the failure recorded otherwise.
    std::optional<os::NativePath> TablePath(NameKind kind, std::string_view name, FailureItem item) {
        return ResolveInstallPath(m_choice.folder, kind, name, name, item, m_failures);
    }

    void PlanCopies() {
        for (const PackageCopy& copy : m_package.m_copies) {
            if (FieldText(copy.szStyle) != m_choice.style) {
                continue;
            }
            std::string_view source = FieldText(copy.szSource);
            std::string_view dest = FieldText(copy.szDest);
            std::optional<os::NativePath> sourcePath =
                TablePath(NameKind::kCopySource, source, FailureItem::kStyleCopy);
            std::optional<os::NativePath> destPath = TablePath(NameKind::kCopyDest, dest, FailureItem::kStyleCopy);
            if (sourcePath && destPath) {
                m_copies.push_back(
                    {std::string(source), std::string(dest), std::move(*sourcePath), std::move(*destPath)});
            }
        }
    }

    void PlanRemovals() {
        for (const PackageRemove& remove : m_package.m_removes) {
            std::string_view entry = FieldText(remove.szPath);
            if (entry.empty()) {
                continue;  // it would name the install folder itself
            }
            if (TablePath(NameKind::kRemove, entry, FailureItem::kRemoval)) {
                m_removals.push_back({std::string(entry), m_choice.folder.Join(entry)->text()});
            }
        }
    }

    // What the log owns once the steps after the commit are done: the
    // install folder when this run or the earlier one made it, the
    // package's folders, the files written, the style copies' destinations
    // and the files written after the installation, less what the removals
    // delete, joined with what the earlier log owned.
    OwnershipBuilder::Result Ownership() {
        if (m_madeInstallDir) {
            m_owned.AddFolder("");
        }
        for (const PlannedFolder& folder : m_plan.folders) {
            m_owned.AddFolder(folder.relative);
        }
        for (const PlannedCopy& copy : m_copies) {
            m_owned.AddCopy(copy.source, copy.dest);
        }
        for (const PlannedRemoval& removal : m_removals) {
            m_owned.Forget(removal.relative);
        }
        for (const std::string& file : m_options.laterFiles) {
            m_owned.AddFile(file, std::nullopt);
        }
        OwnershipBuilder::Result result = m_owned.Merge(m_earlier.log, m_choice.folder);
        if (m_options.registerApp) {
            result.log.appListKey = AppListKey(m_package);
        }
        return result;
    }

    bool WriteUninstaller(const ShortcutPaths& links, const InstallLog& log) {
        const std::string& name = m_plan.uninstallerName;
        // The uninstaller finds its data right after its own bytes, so a
        // damaged uninstaller gets no data rather than data at the wrong place.
        if (m_package.m_nUninstallerSize < 0 || m_package.m_nUninstallerPos < 0) {
            return Stop(name, FailureKind::kDamagedData, "the uninstaller's position or length is negative",
                        FailureItem::kUninstaller);
        }
        os::OutputFile out;
        uint32_t error = 0;
        if (!m_writes.Open(m_plan.uninstaller, out, error)) {
            return StopWithError(name, FailureKind::kFileNotCreated, FailureItem::kUninstaller, error);
        }
        const ItemOutcome outcome =
            DecodeItem(m_decoder, m_input, {m_package.m_nUninstallerPos, m_package.m_nUninstallerSize}, out);
        if (!Finished(outcome, name, FailureItem::kUninstaller)) {
            return false;
        }
        const UninstallTable table{std::string(FieldText(m_package.m_szTitle)),
                                   std::string(FieldText(m_package.m_szVersion)), links.links, links.group};
        if (!WriteUninstallTable(table, out) || !WriteInstallLog(log, out) || !out.Close()) {
            return StopWithError(name, FailureKind::kWriteFailed, FailureItem::kUninstaller, os::LastErrorCode());
        }
        Observe(InstallEvent::Kind::kFileWritten, name);
        return true;
    }

    bool Commit() {
        os::NativePath failed;
        uint32_t error = 0;
        if (m_writes.Commit(failed, error)) {
            return true;
        }
        auto file = std::find_if(m_plan.files.begin(), m_plan.files.end(),
                                 [&](const PlannedFile& planned) { return planned.path == failed; });
        return file != m_plan.files.end()
                   ? StopWithError(file->relative, FailureKind::kFileNotCreated, FailureItem::kFile, error)
                   : StopWithError(m_plan.uninstallerName, FailureKind::kFileNotCreated, FailureItem::kUninstaller,
                                   error);
    }

    // The earlier version's files that this one does not hold go when they
    // are still as installed; changed ones stay, no longer owned. The earlier
    // version's folders that this one does not name go when that leaves them
    // empty.
    void RemoveObsolete(const OwnershipBuilder::Result& owned) {
        for (const LoggedFile& file : owned.obsolete) {
            std::optional<os::NativePath> path = m_choice.folder.NativeJoin(file.path);
            const std::optional<uint64_t> size = path ? os::FileSize(*path) : std::nullopt;
            if (!size) {
                continue;  // gone already
            }
            // Another size is a change without reading the file.
            if ((file.content && *size != file.content->size) || ReadContent(*path) != file.content) {
                m_report.keptChanged.push_back(file.path);
            } else if (!os::RemoveFile(*path)) {
                FailWithError(file.path, FailureKind::kDeleteFailed, FailureItem::kFile);
            }
        }
        // A log names a folder after the one above it: backwards, inner folders go first.
        for (auto folder = owned.obsoleteFolders.rbegin(); folder != owned.obsoleteFolders.rend(); ++folder) {
            if (std::optional<os::NativePath> path = m_choice.folder.NativeJoin(*folder)) {
                os::RemoveEmptyFolder(*path);
            }
        }
    }

    void CopyStyleFiles() {
        for (const PlannedCopy& copy : m_copies) {
            if (!os::CopyFileReplacing(copy.sourcePath, copy.destPath)) {
                FailWithError(copy.dest, FailureKind::kCopyFailed, FailureItem::kStyleCopy);
            }
        }
    }

    void RemoveFolders() {
        for (const PlannedRemoval& removal : m_removals) {
            RemoveDirectoryTree(removal.path, m_failures);
        }
    }

    void RegisterApp() {
        if (!m_options.registerApp) {
            return;
        }
        const os::AppListEntry entry = MakeAppListEntry(m_package, m_choice.folder, m_written);
        if (std::string failure; !m_options.registerApp(entry, failure)) {
            Fail(entry.key, FailureKind::kAppListNotWritten, std::move(failure), FailureItem::kAppListEntry);
        }
    }

    const CPackageInfo& m_package;
    InputStream& m_input;
    const InstallChoice& m_choice;
    const ExtractOptions& m_options;
    CBlockDecoder m_decoder;
    InstallPlan m_plan;
    UninstallData m_earlier;
    InstallWrites m_writes;
    OwnershipBuilder m_owned;
    std::vector<PlannedCopy> m_copies;
    std::vector<PlannedRemoval> m_removals;
    bool m_madeInstallDir = false;
    uint64_t m_total = 0;
    uint64_t m_done = 0;
    int m_shownPercent = -1;
    uint64_t m_written = 0;  // decoded bytes of every file
    InstallReport m_report;
    std::vector<ExtractFailure> m_failures;  // of the steps that do not stop the installation
    size_t m_reported = 0;                   // of m_failures, to the observer
};

}  // namespace

InstallReport ExtractPackage(const CPackageInfo& package, InputStream& input, const InstallChoice& choice,
                             const ExtractOptions& options) {
    return Installer(package, input, choice, options).Run();
}

int PackagedFileCount(const CPackageInfo& package) {
    size_t files = 0;
    for (const PackageDir& dir : package.m_dirs) {
        files += dir.files.size();
    }
    return static_cast<int>(files);
}

std::string AppListKey(const CPackageInfo& package) {
    std::string title(FieldText(package.m_szTitle));
    // A key name cannot hold a backslash: it would name a key further down.
    return title.empty() || gbk::LastSeparator(title) != std::string::npos ? std::string("Voz") : title;
}

os::AppListEntry MakeAppListEntry(const CPackageInfo& package, const gbk::Path& installDir, uint64_t installedBytes) {
    std::string title(FieldText(package.m_szTitle));
    os::AppListEntry entry;
    entry.key = AppListKey(package);
    entry.displayName = title.empty() ? entry.key : title;
    entry.displayVersion = FieldText(package.m_szVersion);
    entry.publisher = FieldText(package.m_szCompany);
    entry.installLocation = installDir.text();
    // Not limited to a path's length: these are registry values, and the
    // installation has already refused names that do not fit.
    auto inInstallDir = [&](std::string_view name) { return installDir.text() + '\\' + std::string(name); };
    const std::string uninstaller = inInstallDir(FieldText(package.m_szUninstaller));
    entry.displayIcon =
        FieldText(package.m_szMainExe).empty() ? uninstaller : inInstallDir(FieldText(package.m_szMainExe));
    entry.uninstallString = '"' + uninstaller + '"';
    entry.estimatedSizeKb = static_cast<uint32_t>(std::min<uint64_t>((installedBytes + 1023) / 1024, UINT32_MAX));
    return entry;
}

}  // namespace voz
