// Protected folders: their files are searched and listed like any other, but
// never ticked, marked or sent. Which rows they make protected, and the
// groups that are then left out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "search/ResultRow.h"

namespace corvane {

// Sets ResultRow::isProtected on every row whose file lies under one of
// `protectedFolders` (listed folders, as given to the scan). A file is one
// device and inode: it is protected when any catalogue entry of it came from
// a protected folder's walk, whatever path its row shows (the folder listed
// twice, once protected; a protected folder inside a listed one; a hard
// link). Entries and rows without a device and inode go by their path.
void MarkProtectedRows(const FileCatalogue& catalogue,
                       const std::vector<std::string>& protectedFolders, ResultRows& rows);

// Takes out every group whose rows are all protected: there is nothing in it
// to act on. The others keep their order; groups are numbered again from 1 in
// order of first appearance, and the shades flip where they flipped before,
// so neighbouring groups still alternate from a light first one. Answers,
// for each group left (numbered from 1), the number it had before.
std::vector<std::uint32_t> DropProtectedGroups(ResultRows& rows);

}  // namespace corvane
