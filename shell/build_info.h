// Product name and build identification shown by the banner and `--version`.
#pragma once

constexpr const char* kProductName = "Vostrel";
constexpr const char* kBuildString = "1025";
