// Fills a pack writer from a folder tree on disk: the half of pack building that walks the file system.
#pragma once

#include <string>

#include "data/PakWriter.h"

namespace Zest
{

// Adds every regular file below root, in sorted path order, named by its relative path with '\' separators.
// File times come from the modification times, or are all 0 when zeroTimes is set (reproducible packs).
bool AddFolderTree(PakWriter& writer, const std::string& root, bool zeroTimes, std::string* why = nullptr);

} // namespace Zest
