#include "Platform/Memory.h"

// Any C library header defines __GLIBC__ when it is glibc; without one
// first, the test below is always false.
#include <cstdlib>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

void returnFreedMemoryToSystem() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

void releaseMappedFontPages() {
#if defined(__linux__)
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        // start-end permissions offset device inode path
        std::istringstream fields(line);
        std::string range;
        std::string permissions;
        std::string skipped;
        std::string path;
        fields >> range >> permissions >> skipped >> skipped >> skipped >> std::ws;
        std::getline(fields, path);
        std::transform(path.begin(), path.end(), path.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const std::array<std::string_view, 4> fontFiles = {".ttf", ".ttc", ".otf", ".otc"};
        // Only read-only private mappings: their pages are the file's own
        // and come back unchanged. A page written to would be lost.
        if (permissions != "r--p" ||
            std::none_of(fontFiles.begin(), fontFiles.end(),
                         [&](std::string_view kind) { return path.ends_with(kind); })) {
            continue;
        }
        std::replace(range.begin(), range.end(), '-', ' ');
        std::istringstream bounds(range);
        void* start = nullptr;
        void* end = nullptr;
        bounds >> start >> end; // the stream reads addresses in hexadecimal
        if (bounds && end > start) {
            madvise(start, static_cast<char*>(end) - static_cast<char*>(start), MADV_DONTNEED);
        }
    }
#endif
}
