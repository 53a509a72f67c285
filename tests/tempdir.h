// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace quietlane::test {

// A fresh directory for one test, removed with everything in it afterwards.
struct TempDir {
    std::filesystem::path path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "ql-XXXXXX").string();
        return std::filesystem::path(::mkdtemp(pattern.data()));
    }();
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

} // namespace quietlane::test
