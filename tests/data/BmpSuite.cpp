#include "tests/data/BmpSuite.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testdata {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) {
        parts.push_back(part);
    }
    return parts;
}

// The first difference between `shown` and one reference, or empty when there is none.
bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift : {0, 8, 16}) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance) {
            return false;
        }
    }
    return true;
}

std::string Difference(int width, int height, const ShownFn& shown, const RgbaPicture& ref, int tolerance) {
    if (ref.width != width || ref.height != height) {
        return "size " + std::to_string(ref.width) + "x" + std::to_string(ref.height);
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t want = ref.pixels[static_cast<size_t>(y) * width + x];
            const uint32_t got = shown(x, y) & 0xFFFFFF;
            if ((want >> 24) != 0 && !Near(want, got, tolerance)) {
                char text[80];
                std::snprintf(text, sizeof text, "at %d,%d %06X instead of %06X", x, y, got, want & 0xFFFFFF);
                return text;
            }
        }
    }
    return {};
}

}  // namespace

std::vector<SuiteFile> ReadSuiteIndex(const std::string& dir, std::string* error) {
    const std::string path = dir + "/suite.tsv";
    std::ifstream in(path);
    if (!in) {
        *error = "cannot read " + path;
        return {};
    }
    std::vector<SuiteFile> files;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::vector<std::string> fields = Split(line, '\t');
        if (fields.size() < 4) {
            *error = "malformed line: " + line;
            return {};
        }
        SuiteFile f{fields[0], fields[1], fields[2], {}};
        if (fields[3] != "-") {
            f.references = Split(fields[3], ',');
        }
        files.push_back(f);
    }
    if (files.empty()) {
        *error = path + " lists no file";
    }
    return files;
}

const std::map<std::string, bmp::Status>& RefusedSuiteFiles() {
    static const std::map<std::string, bmp::Status> refused = {
        {"q/pal1huffmsb.bmp", bmp::Status::kUnsupported},  // OS/2 Huffman 1D compression
        {"q/rgb24jpeg.bmp", bmp::Status::kUnsupported},    // the pixels are a JPEG stream
        {"q/rgb24png.bmp", bmp::Status::kUnsupported},     // the pixels are a PNG stream
        {"q/rgb24rle24.bmp", bmp::Status::kUnsupported},   // OS/2 RLE24 compression
        {"q/rgba64.bmp", bmp::Status::kUnsupported},       // 64 bits per pixel
    };
    return refused;
}

int SuiteTolerance(const SuiteFile& file) {
    // 11-11-10 bit channels made from the same colours as the 8-bit reference: a few of
    // them lie just across a half from it, so that rounding gives the next value.
    return file.file == "q/rgb32-111110.bmp" ? 1 : 0;
}

std::string ReadBinaryFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return in ? bytes.str() : std::string();
}

bool ReadPam(const std::string& path, RgbaPicture* out) {
    const std::string bytes = ReadBinaryFile(path);
    const size_t end = bytes.find("\nENDHDR\n");
    if (bytes.compare(0, 3, "P7\n") != 0 || end == std::string::npos) {
        return false;
    }
    std::map<std::string, std::string> fields;
    for (const std::string& line : Split(bytes.substr(3, end - 3), '\n')) {
        const size_t space = line.find(' ');
        if (space != std::string::npos) {
            fields[line.substr(0, space)] = line.substr(space + 1);
        }
    }
    if (fields["DEPTH"] != "4" || fields["MAXVAL"] != "255") {
        return false;
    }
    out->width = std::atoi(fields["WIDTH"].c_str());
    out->height = std::atoi(fields["HEIGHT"].c_str());
    const size_t start = end + 8;
    const size_t count = static_cast<size_t>(out->width) * static_cast<size_t>(out->height);
    if (out->width <= 0 || out->height <= 0 || bytes.size() - start != count * 4) {
        return false;
    }
    out->pixels.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const auto byte = [&](size_t k) {
            return static_cast<uint32_t>(static_cast<uint8_t>(bytes[start + 4 * i + k]));
        };
        out->pixels[i] = (byte(3) << 24) | (byte(0) << 16) | (byte(1) << 8) | byte(2);
    }
    return true;
}

std::string MatchingReference(const std::string& dir,
                              const SuiteFile& file,
                              int width,
                              int height,
                              const ShownFn& shown,
                              int tolerance,
                              std::string* why) {
    why->clear();
    for (const std::string& name : file.references) {
        RgbaPicture ref;
        if (!ReadPam(dir + "/" + name, &ref)) {
            *why += name + ": unreadable; ";
            continue;
        }
        const std::string difference = Difference(width, height, shown, ref, tolerance);
        if (difference.empty()) {
            return name;
        }
        *why += name + ": " + difference + "; ";
    }
    return {};
}

}  // namespace testdata
