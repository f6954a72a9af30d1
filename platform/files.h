// File-system queries of the shell.
#pragma once

#include <string>

// True when `path` names an existing file that is not a directory.
bool file_exists_not_dir(const std::string& path);
