#include "package/directory_removal.h"

#include "package/extract_support.h"

namespace voz {
namespace {

namespace fs = std::filesystem;
using test::Gbk;

TEST(RemoveDirectoryTree, DeletesEverythingDepthFirstHiddenFilesIncludedButNeverFollowsLinks) {
    test::TempDir temp;
    test::WriteText(temp / "outside/keep.txt", "keep");
    test::WriteText(temp / "配置/a.ini", "a");
    test::WriteText(temp / "配置/.hidden", "h");
    test::WriteText(temp / "配置/深/更深/b.ini", "b");
    fs::create_directories(temp / "配置/空");
    fs::create_directory_symlink(temp / "outside", temp / "配置/to-outside");
    fs::create_symlink(temp / "outside/keep.txt", temp / "配置/keep-link.txt");
    fs::create_directory_symlink(temp / "outside", temp / "linked");
    std::vector<ExtractFailure> failures;
    RemoveDirectoryTree(Gbk((temp / "配置").string()), failures);
    RemoveDirectoryTree(Gbk((temp / "linked").string()), failures);  // the link goes, not its target
    RemoveDirectoryTree(Gbk((temp / "不存在").string()), failures);
    RemoveDirectoryTree("", failures);
    EXPECT_TRUE(failures.empty()) << test::Describe(failures);
    EXPECT_EQ(test::TreeListing(temp.path()), (std::vector<std::string>{"outside/", "outside/keep.txt"}));
}

}  // namespace
}  // namespace voz
