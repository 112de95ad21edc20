#include "tests/data/HeaderFiles.h"

namespace testdata {

namespace {

void PutBig32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
    }
}

void PutLittle16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

// A TIFF number of `bytes` bytes in the file's byte order.
void PutTiff(std::string& out, bool little, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        const int shift = little ? 8 * i : 8 * (bytes - 1 - i);
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
    }
}

uint32_t Crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
        }
    }
    return ~crc;
}

}  // namespace

std::string PngChunk(const std::string& type, const std::string& data) {
    std::string chunk;
    PutBig32(chunk, static_cast<uint32_t>(data.size()));
    chunk += type + data;
    PutBig32(chunk, Crc32(type + data));
    return chunk;
}

std::string MakePngHeader(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType,
                          const std::string& chunksBeforePixels) {
    std::string header;
    PutBig32(header, width);
    PutBig32(header, height);
    header += {static_cast<char>(depth), static_cast<char>(colourType), 0, 0, 0};
    return "\x89PNG\r\n\x1A\n" + PngChunk("IHDR", header) + chunksBeforePixels +
           PngChunk("IDAT", std::string("\x78\x01\x01\x00\x00\xFF\xFF\x00\x00\x00\x01", 11)) + PngChunk("IEND", "");
}

std::string MakeGifHeader(uint16_t screenWidth, uint16_t screenHeight, uint16_t imageWidth, uint16_t imageHeight,
                          const std::vector<std::string>& extensions) {
    std::string gif = "GIF89a";
    PutLittle16(gif, screenWidth);
    PutLittle16(gif, screenHeight);
    gif += std::string("\x81\x00\x00", 3);  // a global table of 2^(1+1) entries
    gif += std::string("\x00\x00\x00\xFF\xFF\xFF\xFF\x00\x00\x00\x00\xFF", 12);
    for (const std::string& extension : extensions) {
        gif += extension;
    }
    gif += '\x2C';
    PutLittle16(gif, 0);
    PutLittle16(gif, 0);
    PutLittle16(gif, imageWidth);
    PutLittle16(gif, imageHeight);
    gif += std::string("\x00\x02\x02\x44\x01\x00\x3B", 7);  // no local table, a little data, the trailer
    return gif;
}

std::string GifComment(const std::string& text) {
    std::string block = "\x21\xFE";
    for (size_t at = 0; at < text.size(); at += 255) {
        const std::string piece = text.substr(at, 255);
        block += static_cast<char>(piece.size());
        block += piece;
    }
    return block + '\0';
}

std::string MakeTiffHeader(bool little, const std::vector<TiffEntry>& entries, const std::string& extra,
                           uint32_t gap) {
    std::string tiff = little ? std::string("II*\0", 4) : std::string("MM\0*", 4);
    PutTiff(tiff, little, static_cast<uint32_t>(8 + extra.size() + gap), 4);
    tiff += extra + std::string(gap, '\0');
    PutTiff(tiff, little, static_cast<uint32_t>(entries.size()), 2);
    for (const TiffEntry& entry : entries) {
        PutTiff(tiff, little, entry.tag, 2);
        PutTiff(tiff, little, entry.type, 2);
        PutTiff(tiff, little, entry.count, 4);
        if (entry.type == 3 && entry.count == 1) {
            PutTiff(tiff, little, entry.value, 2);
            PutTiff(tiff, little, 0, 2);
        } else {
            PutTiff(tiff, little, entry.value, 4);
        }
    }
    PutTiff(tiff, little, 0, 4);  // no next directory
    return tiff + std::string(16, '\x7F');
}

std::string TiffRational(bool little, uint32_t numerator, uint32_t denominator) {
    std::string bytes;
    PutTiff(bytes, little, numerator, 4);
    PutTiff(bytes, little, denominator, 4);
    return bytes;
}

}  // namespace testdata
