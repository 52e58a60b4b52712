// Installing over an installation: a repair (the same version again) and an
// upgrade (a later version that drops one file and adds another) into the
// folder of an earlier installation, whole or not at all; the one log that
// owns the installation after any number of runs; a run killed part-way and
// completed by the next; and the checks made before an installation starts.
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <map>

#include "os/filesystem.h"
#include "os/text_encoding.h"
#include "package/install_plan.h"
#include "package/install_writes.h"
#include "package/uninstall.h"

#include "package/extract_support.h"

namespace voz {
namespace {

namespace fs = std::filesystem;
using test::AddFolder;
using test::File;
using test::Gbk;

constexpr size_t kMarketBytes = 200000;       // the largest packaged file
constexpr size_t kUninstallerBytes = 300000;  // larger still

// The client as V6.2 and V6.3: V6.3 no longer ships 插件\news.dat and 帮助\,
// and adds 插件\level2.dat. The market data is written last.
PackageSource Version(bool later) {
    PackageSource package = test::BasePackage();
    test::Set(package.record.m_szVersion, later ? "V6.3" : "V6.2");
    const std::string client = later ? "MZ 6.3" : "MZ 6.2";
    AddFolder(package, "", {File("VozClient.exe", client), File("Voz.ini", "[SYSTEM]")});
    if (!later) {
        AddFolder(package, Gbk("帮助"), {File(Gbk("使用说明.txt"), "help")});
    }
    AddFolder(package, Gbk("插件"), {File(later ? "level2.dat" : "news.dat", "plugin"), File("empty.cfg", "")});
    AddFolder(package, Gbk("行情数据\\上海"), {File("cu.day", std::string(kMarketBytes, later ? 'n' : 'o'))});
    // A program image, so that the next run finds the uninstall data after it.
    package.uninstaller = test::PeProgram({{0x400, kUninstallerBytes - 0x400}});
    return package;
}

// Every file and folder under a folder with the bytes of each file.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
    std::map<std::string, std::string> tree;
    if (fs::exists(dir)) {
        for (const std::string& entry : test::TreeListing(dir)) {
            tree[entry] = entry.ends_with("/") ? "" : test::ReadText(dir / entry);
        }
    }
    return tree;
}

// Installations of either version into one folder, with the settings files
// the wizard writes afterwards, and what the last one reported and logged.
class Upgrade : public ::testing::Test {
protected:
    Upgrade() : m_earlier(Version(false)), m_later(Version(true)) {
        m_later.SetInstallDir(Gbk(m_earlier.dir().string()));
    }

    InstallReport Install(bool later, const std::function<void(const InstallEvent&)>& observe = {}) {
        ExtractOptions options;
        options.laterFiles = {"Voz.ini", "2nd_voz.ini"};
        options.observe = observe;
        options.registerApp = [](const os::AppListEntry&, std::string&) { return true; };
        const InstallReport report = (later ? m_later : m_earlier).Run(options);
        if (report.installed) {
            test::WriteText(dir() / "2nd_voz.ini", "[SYSTEM]\r\nMainTrade=0\r\n");
        }
        return report;
    }
    void InstallWhole(bool later) {
        const InstallReport report = Install(later);
        ASSERT_TRUE(report.installed && report.failures.empty()) << test::Describe(report.failures);
    }

    InstallLog Log() const {
        const UninstallData data = ReadInstalledUninstaller((dir() / "卸载.exe").string());
        EXPECT_EQ(data.state, UninstallDataState::kSound);
        return data.log;
    }
    std::vector<std::string> LoggedPaths() const {
        std::vector<std::string> paths;
        for (const LoggedFile& file : Log().files) {
            paths.push_back(*os::GbkToUtf8(file.path));
            std::replace(paths.back().begin(), paths.back().end(), '\\', '/');
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    }
    // What the uninstaller leaves of the installation.
    std::vector<std::string> Uninstalled() const {
        RemoveLogged(Gbk(dir().string()), Log(), kUninstallerName);
        return fs::exists(dir()) ? test::TreeListing(dir()) : std::vector<std::string>{};
    }

    fs::path dir() const { return m_earlier.dir(); }

    test::Installation m_earlier, m_later;
};

// How the second run fails, before or while it writes or as it commits.
struct FailurePoint {
    const char* what;
    rlim_t fileSizeLimit;  // the disk fills at this size; RLIM_INFINITY: it does not
    bool blockCommit;      // a folder takes the name the market data is set aside under
    const char* failed;    // the end of the failure's path
};

// A fresh installation, a repair and an upgrade, each failing at each point:
// afterwards the folder is byte for byte as it was (nothing left of the run,
// no temporary file) and the report says whether an earlier installation
// stayed; without a failure the installation is whole.
TEST_F(Upgrade, FailuresAtEveryPointLeaveTheFolderAsItWas) {
    const FailurePoint points[] = {
        {"the disk fills at the market data", kMarketBytes / 2, false, "\\cu.day"},
        {"the disk fills at the uninstaller", (kMarketBytes + kUninstallerBytes) / 2, false, kUninstallerName},
        {"a set-aside name is taken", RLIM_INFINITY, true, "\\cu.day"},
        {"nothing fails", RLIM_INFINITY, false, ""},
    };
    const struct {
        const char* what;
        int runsBefore;
        bool later;
    } kinds[] = {{"fresh", 0, false}, {"repair", 1, false}, {"upgrade", 1, true}};
    signal(SIGXFSZ, SIG_IGN);
    for (const auto& kind : kinds) {
        for (const FailurePoint& point : points) {
            const std::string what = std::string(kind.what) + ", " + point.what;
            fs::remove_all(dir());
            if (kind.runsBefore > 0) {
                InstallWhole(false);
            }
            const std::map<std::string, std::string> before = Snapshot(dir());
            const fs::path blocker = dir() / "行情数据/上海/cu.day.~vo/mine";
            auto observe = [&](const InstallEvent& event) {
                if (point.blockCommit && event.kind == InstallEvent::Kind::kFileWritten &&
                    event.path == kUninstallerName) {
                    test::WriteText(blocker, "mine");  // after the leftovers of earlier runs were cleared
                }
            };
            const rlimit limit{point.fileSizeLimit, RLIM_INFINITY};
            setrlimit(RLIMIT_FSIZE, &limit);
            const InstallReport report = Install(kind.later, observe);
            const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
            setrlimit(RLIMIT_FSIZE, &unlimited);
            fs::remove_all(blocker.parent_path());
            // A fresh installation replaces nothing, so nothing is set aside.
            const bool fails = point.fileSizeLimit != RLIM_INFINITY || (point.blockCommit && kind.runsBefore > 0);
            EXPECT_EQ(report.installed, !fails) << what << "\n" << test::Describe(report.failures);
            EXPECT_EQ(report.earlierFound, kind.runsBefore > 0) << what;
            if (fails) {
                ASSERT_EQ(report.failures.size(), 1u) << what << "\n" << test::Describe(report.failures);
                EXPECT_TRUE(report.failures[0].path.ends_with(point.failed)) << what << ": " << report.failures[0].path;
                EXPECT_EQ(Snapshot(dir()), before) << what;
            } else {
                EXPECT_EQ(test::ReadText(dir() / "VozClient.exe"), kind.later ? "MZ 6.3" : "MZ 6.2") << what;
                EXPECT_EQ(fs::exists(dir() / "插件/news.dat"), !kind.later) << what;
                EXPECT_EQ(fs::exists(dir() / "帮助"), !kind.later) << what << ": the folder the file left empty goes";
                EXPECT_EQ(Uninstalled(), std::vector<std::string>{}) << what;
            }
        }
    }
}

// However often the setup runs into one folder, the log names each path once
// and owns every folder, also those the first run made; a file written after
// the log has no content recorded.
TEST_F(Upgrade, OneLogOwnsTheInstallationAfterManyRuns) {
    InstallWhole(false);
    const InstallLog first = Log();
    InstallWhole(false);
    InstallWhole(false);
    const InstallLog third = Log();
    EXPECT_EQ(third.folders, first.folders);
    EXPECT_EQ(third.files, first.files);
    EXPECT_EQ(third.folders,
              (std::vector<std::string>{"", Gbk("帮助"), Gbk("插件"), Gbk("行情数据"), Gbk("行情数据\\上海")}));
    EXPECT_EQ(LoggedPaths(), (std::vector<std::string>{"2nd_voz.ini", "Voz.ini", "VozClient.exe", "帮助/使用说明.txt",
                                                       "插件/empty.cfg", "插件/news.dat", "行情数据/上海/cu.day"}));
    for (const LoggedFile& file : third.files) {
        EXPECT_EQ(file.content.has_value(), file.path != "Voz.ini" && file.path != "2nd_voz.ini") << file.path;
    }
    test::WriteText(dir() / "交易记录.txt", "mine");
    EXPECT_EQ(Uninstalled(), std::vector<std::string>{"交易记录.txt"});
}

// The files V6.3 no longer ships: gone when still as installed, kept and no
// longer owned when changed, kept and still owned when their content was
// never recorded; a folder left empty goes.
TEST_F(Upgrade, FilesTheNewVersionNoLongerShipsGoUnlessChanged) {
    const struct {
        const char* what;
        std::function<void(const fs::path&)> change;
        bool recorded;
        bool kept, owned;
    } cases[] = {
        {"unchanged", [](const fs::path&) {}, true, false, false},
        {"changed", [](const fs::path& news) { test::WriteText(news, "plugim"); }, true, true, false},
        {"changed, same size", [](const fs::path& news) { test::WriteText(news, "pluGin"); }, true, true, false},
        {"not recorded", [](const fs::path&) {}, false, true, true},
    };
    for (const auto& c : cases) {
        fs::remove_all(dir());
        ExtractOptions options;
        options.laterFiles = {c.recorded ? "Voz.ini" : Gbk("插件\\news.dat")};
        ASSERT_TRUE(m_earlier.Run(options).installed);
        c.change(dir() / "插件/news.dat");
        const InstallReport report = Install(true);
        ASSERT_TRUE(report.installed) << c.what << "\n" << test::Describe(report.failures);
        EXPECT_EQ(fs::exists(dir() / "插件/news.dat"), c.kept) << c.what;
        const bool named = !report.keptChanged.empty() && report.keptChanged[0] == Gbk("插件\\news.dat");
        EXPECT_EQ(named, c.kept && !c.owned) << c.what;
        const std::vector<std::string> logged = LoggedPaths();
        EXPECT_EQ(std::count(logged.begin(), logged.end(), "插件/news.dat"), c.owned ? 1 : 0) << c.what;
        EXPECT_FALSE(fs::exists(dir() / "帮助")) << c.what;
        EXPECT_EQ(Uninstalled(), c.kept && !c.owned ? std::vector<std::string>({"插件/", "插件/news.dat"})
                                                    : std::vector<std::string>{})
            << c.what;
    }
}

// A run killed while it writes an upgrade leaves its files beside the
// earlier ones; the next run clears them away, also an earlier file it finds
// set aside with its place empty, and completes the upgrade.
TEST_F(Upgrade, ARunKilledPartWayIsCompletedByTheNext) {
    InstallWhole(false);
    const pid_t child = fork();
    if (child == 0) {
        int written = 0;
        Install(true, [&](const InstallEvent& event) {
            if (event.kind == InstallEvent::Kind::kFileWritten && ++written == 3) {
                raise(SIGKILL);
            }
        });
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(fs::exists(dir() / "VozClient.exe.~vn"));
    fs::rename(dir() / "插件/empty.cfg", dir() / "插件/empty.cfg.~vo");  // as if killed amid a swap
    InstallWhole(true);
    EXPECT_EQ(test::ReadText(dir() / "VozClient.exe"), "MZ 6.3");
    for (const std::string& entry : test::TreeListing(dir())) {
        EXPECT_FALSE(entry.ends_with(".~vn") || entry.ends_with(".~vo")) << entry;
    }
    EXPECT_EQ(Uninstalled(), std::vector<std::string>{});
}

// Stopped runs' leftovers in one folder: new files go; an earlier file set
// aside comes back where its place is empty and goes where it is not; a
// folder or a name that only looks alike stays.
TEST(RecoverLeftovers, ClearsWhatAStoppedRunLeft) {
    test::TempDir dir;
    for (const char* file : {"a.~vo", "b", "b.~vo", "c.~vn", "D.~VN", "e.~vox", "f.~vo/x"}) {
        test::WriteText(dir / file, file);
    }
    RecoverLeftovers(dir.path().string());
    EXPECT_EQ(test::TreeListing(dir.path()), (std::vector<std::string>{"a", "b", "e.~vox", "f.~vo/", "f.~vo/x"}));
    EXPECT_EQ(test::ReadText(dir / "a"), "a.~vo");
    EXPECT_EQ(test::ReadText(dir / "b"), "b");
}

// Before an installation: the earlier installation the app list names, the
// files another program holds, and the space the files take on the disk.
TEST_F(Upgrade, TheChecksBeforeAnInstallationSeeTheEarlierOneItsFilesInUseAndTheSpace) {
    const std::string folder = Gbk(dir().string());
    EXPECT_FALSE(EarlierInstallFolder(m_earlier.package(), folder)) << "no uninstaller there";
    const InstallPlan fresh = PlanInstallation(m_later.package(), m_later.choice().folder);
    EXPECT_TRUE(fresh.refused.empty());
    EXPECT_TRUE(FilesInUse(fresh).empty());
    InstallWhole(false);
    EXPECT_EQ(EarlierInstallFolder(m_earlier.package(), folder), gbk::Path::From(folder));

    const InstallPlan plan = PlanInstallation(m_later.package(), m_later.choice().folder);
    std::vector<int> held;
    for (const char* file : {"VozClient.exe", "卸载.exe"}) {
        held.push_back(open((dir() / file).c_str(), O_RDWR));
        struct flock lock {};
        lock.l_type = F_WRLCK;
        ASSERT_EQ(fcntl(held.back(), F_OFD_SETLK, &lock), 0);
    }
    EXPECT_EQ(FilesInUse(plan), (std::vector<std::string>{"VozClient.exe", kUninstallerName}));
    for (int fd : held) {
        close(fd);
    }

    os::DiskSpace disk;
    ASSERT_TRUE(os::GetDiskSpace(dir().string(), disk));
    MemoryInput setup(m_later.bytes().data(), m_later.bytes().size());
    const SpaceCheck space = CheckSpace(plan, m_later.package(), setup);
    EXPECT_TRUE(space.known && space.enough());
    const uint64_t cluster = disk.clusterBytes;
    auto onDisk = [&](uint64_t bytes) { return (bytes + cluster - 1) / cluster * cluster; };
    // Three files of a cluster or less, an empty one, the market data, and
    // the uninstaller with a margin for its data.
    const uint64_t files = 3 * cluster + onDisk(kMarketBytes);
    EXPECT_GE(space.needed, files + onDisk(kUninstallerBytes));
    EXPECT_LE(space.needed, files + onDisk(kUninstallerBytes + 8192));
    EXPECT_NEAR(static_cast<double>(space.available), static_cast<double>(disk.freeBytes), 1e8);

    std::vector<uint8_t> damaged = test::ReadBytes(dir() / "卸载.exe");
    damaged.back() ^= 1;
    test::WriteBytes(dir() / "卸载.exe", damaged);
    EXPECT_FALSE(EarlierInstallFolder(m_earlier.package(), folder)) << "damaged uninstall data is no installation";
    fs::remove_all(dir());
    const InstallPlan deeper = PlanInstallation(m_later.package(), *gbk::Path::From(folder + "\\a\\b"));
    EXPECT_TRUE(CheckSpace(deeper, m_later.package(), setup).known) << "the nearest existing folder's drive";
}

}  // namespace
}  // namespace voz
