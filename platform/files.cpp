#include "platform/files.h"

#include <sys/stat.h>

bool file_exists_not_dir(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return false;
    return !S_ISDIR(info.st_mode);
}
