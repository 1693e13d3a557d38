#pragma once
// The label file of a user model: the names of its classes.

#include <QString>

#include <map>
#include <optional>
#include <string>

using ClassTable = std::map<int, std::string>;

// Reads a UTF-8 text file, one class per line: a decimal id, a blank, the
// name ("12 traffic light"). Lines are split at every single blank, empty
// parts kept, trailing empty parts dropped; a line of fewer than two parts
// or whose first part is not all digits is skipped; an empty first part is
// id 0; a later line with the same id wins. A byte-order mark and CR line
// ends are ignored. A file that cannot be used (missing, a directory, not
// UTF-8, larger than 1 MiB, an id beyond the int range, no class line at
// all) gives no table and the reason in `error`.
std::optional<ClassTable> LoadLabelTable(const std::string& path, QString& error);
