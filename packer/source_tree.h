// Turns a folder tree into the package's directory records.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "packer/package_source.h"

namespace voz {

// Adds the folder records of the tree to the package: the folder itself as
// the record with the empty name, each subfolder as a record named by its
// relative path with backslashes; a folder of more than kMaxFilesPerDir files
// takes several records of its name. Folders and files are taken in name
// order, parents before children. Names are converted to GBK; a name GBK
// cannot hold or the package's field cannot, or a folder name that is not one
// name, is left out, with everything in it, and added to problems. Throws
// PackError when the tree cannot be read.
void ScanSourceTree(const std::filesystem::path& root, PackageSource& package, std::vector<std::string>& problems);

// The three times of a file (creation, last access, last write) in UTC.
// Where the file system keeps no creation time, the last-write time stands in.
void ReadFileTimes(const std::filesystem::path& path, PackageFile& file);

}  // namespace voz
