#include "package/directory_removal.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "extract/extract_support.h"

namespace voz {
namespace {

namespace fs = std::filesystem;
using test::Gbk;

TEST(RemoveDirectoryTree, DeletesEverythingDepthFirstHiddenFilesIncluded) {
    test::TempDir temp;
    test::WriteText(temp / "配置/a.ini", "a");
    test::WriteText(temp / "配置/.hidden", "h");
    test::WriteText(temp / "配置/深/更深/b.ini", "b");
    fs::create_directories(temp / "配置/空");
    test::WriteText(temp / "留下.txt", "stays");
    std::vector<ExtractFailure> failures;
    RemoveDirectoryTree(Gbk((temp / "配置").string()), failures);
    EXPECT_TRUE(failures.empty()) << test::Describe(failures);
    EXPECT_EQ(test::TreeListing(temp.path()), std::vector<std::string>{"留下.txt"});
}

TEST(RemoveDirectoryTree, LeavesEmptyAndMissingPathsAlone) {
    test::TempDir temp;
    test::WriteText(temp / "a.txt", "a");
    std::vector<ExtractFailure> failures;
    RemoveDirectoryTree("", failures);
    RemoveDirectoryTree(Gbk((temp / "不存在").string()), failures);
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(test::TreeListing(temp.path()), std::vector<std::string>{"a.txt"});
}

TEST(RemoveDirectoryTree, AReadOnlyFileStaysWithTheFoldersAboveIt) {
    test::TempDir temp;
    test::WriteText(temp / "配置/a.ini", "a");
    test::WriteText(temp / "配置/sub/locked.ini", "locked");
    test::WriteText(temp / "配置/sub/free.ini", "free");
    test::WriteText(temp / "配置/other/c.ini", "c");
    fs::permissions(temp / "配置/sub/locked.ini", fs::perms::owner_read);
    std::vector<ExtractFailure> failures;
    RemoveDirectoryTree(Gbk((temp / "配置").string()), failures);
    EXPECT_EQ(failures.size(), 3u) << test::Describe(failures);
    EXPECT_TRUE(test::HasFailureOf(failures, FailureKind::kDeleteFailed, Gbk((temp / "配置/sub/locked.ini").string())));
    EXPECT_TRUE(test::HasFailureOf(failures, FailureKind::kRemoveFailed, Gbk((temp / "配置/sub").string())));
    EXPECT_TRUE(test::HasFailureOf(failures, FailureKind::kRemoveFailed, Gbk((temp / "配置").string())));
    EXPECT_EQ(test::TreeListing(temp.path()), (std::vector<std::string>{"配置/", "配置/sub/", "配置/sub/locked.ini"}));
}

TEST(RemoveDirectoryTree, NeverFollowsLinks) {
    test::TempDir temp;
    test::WriteText(temp / "outside/keep.txt", "keep");
    test::WriteText(temp / "配置/a.ini", "a");
    fs::create_directory_symlink(temp / "outside", temp / "配置/to-outside");
    fs::create_symlink(temp / "outside/keep.txt", temp / "配置/keep-link.txt");
    fs::create_directory_symlink(temp / "outside", temp / "linked");
    std::vector<ExtractFailure> failures;
    RemoveDirectoryTree(Gbk((temp / "配置").string()), failures);
    RemoveDirectoryTree(Gbk((temp / "linked").string()), failures);
    EXPECT_TRUE(failures.empty()) << test::Describe(failures);
    EXPECT_EQ(test::TreeListing(temp.path()), (std::vector<std::string>{"outside/", "outside/keep.txt"}));
}

}  // namespace
}  // namespace voz
