#pragma once
// The facts of the shown entry as the window's title gives them after the folder: its
// name, its size in pixels as decoded, its file's size and its place in the list. Portable.
#include <cstdint>
#include <optional>
#include <string>

struct TitleFacts {
    std::wstring name;               // the entry's name, exactly as on disk
    std::optional<int> width;        // the picture as decoded; none while it is decoded,
    std::optional<int> height;       // after a failed decode, or for a folder
    std::optional<uint64_t> bytes;   // the file's size; none for a folder or when unknown
    int place = 0;                   // 1 for the first entry of the list
    int count = 0;                   // the entries listed, pictures and folders
};

// A file's size for the eye: "512 B", "835 KB", "7.2 MB", "1.3 GB" (units of 1024).
std::wstring FileSizeText(uint64_t bytes);

// "  name  6000×4000  7.2 MB  123/5000": each fact known, two blanks before each.
std::wstring TitleFactsText(const TitleFacts& facts);
