// Turns a folder tree into the package's directory records.
#pragma once

#include <filesystem>
#include <vector>

#include "packer/package_spec.h"

namespace voz {

// The folder itself becomes the record with the empty name, each subfolder a
// record named by its relative path with backslashes; a folder of more than
// 512 files takes several records of its name. Folders and files are taken
// in name order, parents before children. Names are converted to GBK; a name
// GBK cannot hold, or a folder name that is not one name, is left out and
// added to problems. Throws PackError when the tree cannot be read.
std::vector<PackDir> ScanSourceTree(const std::filesystem::path& root, std::vector<std::string>& problems);

// The three times of a file (creation, last access, last write) in UTC.
// Where the file system keeps no creation time, the last-write time stands in.
void ReadFileTimes(const std::filesystem::path& path, PackFile& file);

}  // namespace voz
