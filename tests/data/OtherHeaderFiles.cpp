#include "tests/data/OtherHeaderFiles.h"

#include "tests/data/HeaderFiles.h"

namespace testdata {

namespace {

void PutLittle(std::string& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

void PutBig(std::string& out, uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

std::string RiffChunk(const std::string& type, const std::string& data) {
    std::string chunk = type;
    PutLittle(chunk, data.size(), 4);
    chunk += data;
    if (data.size() % 2 != 0) {
        chunk += '\0';
    }
    return chunk;
}

std::string Riff(const std::string& chunks) {
    std::string file = "RIFF";
    PutLittle(file, 4 + chunks.size(), 4);
    return file + "WEBP" + chunks;
}

std::string LosslessData(uint32_t width, uint32_t height) {
    std::string data = "\x2F";
    PutLittle(data, (width - 1) | ((height - 1) << 14), 4);
    return data + std::string(6, '\x11');
}

std::string Box(const std::string& type, const std::string& body) {
    std::string box;
    PutBig(box, 8 + body.size(), 4);
    return box + type + body;
}

std::string FullBox(const std::string& type, uint8_t version, uint32_t flags, const std::string& body) {
    std::string head(1, static_cast<char>(version));
    PutBig(head, flags, 3);
    return Box(type, head + body);
}

std::string Ispe(uint32_t width, uint32_t height) {
    std::string body;
    PutBig(body, width, 4);
    PutBig(body, height, 4);
    return FullBox("ispe", 0, 0, body);
}

// Writes bits least significant first, as the JPEG XL headers are read.
class BitWriter {
public:
    void Put(uint32_t value, int count) {
        for (int i = 0; i < count; ++i, ++m_bit) {
            if (m_bit % 8 == 0) {
                m_bytes.push_back('\0');
            }
            if ((value >> i) & 1u) {
                m_bytes.back() = static_cast<char>(m_bytes.back() | (1 << (m_bit % 8)));
            }
        }
    }
    // A side less one, in the smallest of the four widths that holds it.
    void Side(uint32_t side) {
        constexpr int kBits[] = {9, 13, 18, 30};
        for (uint32_t selector = 0; selector < 4; ++selector) {
            if (side - 1 < (1u << kBits[selector])) {
                Put(selector, 2);
                Put(side - 1, kBits[selector]);
                return;
            }
        }
    }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
    int m_bit = 0;
};

// The encoder's fixed ratios of width to height: the first that gives the width exactly.
uint32_t FixedRatio(uint32_t width, uint32_t height) {
    constexpr uint64_t kRatios[7][2] = {{1, 1}, {12, 10}, {4, 3}, {3, 2}, {16, 9}, {5, 4}, {2, 1}};
    for (uint32_t r = 0; r < 7; ++r) {
        if (width == uint64_t{height} * kRatios[r][0] / kRatios[r][1]) {
            return r + 1;
        }
    }
    return 0;
}

}  // namespace

std::string MakeWebpLossy(uint32_t width, uint32_t height) {
    std::string frame("\x50\x02\x00\x9D\x01\x2A", 6);  // a shown key frame, its start code
    PutLittle(frame, width, 2);
    PutLittle(frame, height, 2);
    return Riff(RiffChunk("VP8 ", frame + std::string(20, '\x22')));
}

std::string MakeWebpLossless(uint32_t width, uint32_t height) {
    return Riff(RiffChunk("VP8L", LosslessData(width, height)));
}

std::string MakeWebpExtended(uint32_t width, uint32_t height, uint16_t exifOrientation, bool exifMark) {
    std::string header(1, exifOrientation != 0 ? '\x08' : '\0');
    header += std::string(3, '\0');
    PutLittle(header, width - 1, 3);
    PutLittle(header, height - 1, 3);
    std::string chunks = RiffChunk("VP8X", header) + RiffChunk("VP8L", LosslessData(width, height));
    if (exifOrientation != 0) {
        const std::string tiff = MakeTiffHeader(false, {{274, 3, 1, exifOrientation}});
        chunks += RiffChunk("EXIF", (exifMark ? std::string("Exif\0\0", 6) : std::string()) + tiff);
    }
    return Riff(chunks);
}

std::string MakeHeif(const std::string& majorBrand,
                     const std::vector<std::string>& compatibleBrands,
                     uint32_t width,
                     uint32_t height,
                     int turns,
                     bool wideIndices) {
    std::string brands = majorBrand + std::string(4, '\0');
    for (const std::string& brand : compatibleBrands) {
        brands += brand;
    }
    std::string properties = Ispe(160, 120) + Ispe(width, height);
    if (turns != 0) {
        properties += Box("irot", std::string(1, static_cast<char>(turns)));
    }
    // Item 2 (the thumbnail) has property 1; item 1 has property 2, essential, and the turn.
    const int idBytes = wideIndices ? 4 : 2;
    const int indexBytes = wideIndices ? 2 : 1;
    const uint32_t essential = wideIndices ? 0x8000 : 0x80;
    std::string associations;
    PutBig(associations, 2, 4);
    PutBig(associations, 2, idBytes);
    associations += '\x01';
    PutBig(associations, 1, indexBytes);
    PutBig(associations, 1, idBytes);
    associations += static_cast<char>(turns != 0 ? 2 : 1);
    PutBig(associations, essential | 2, indexBytes);
    if (turns != 0) {
        PutBig(associations, 3, indexBytes);
    }
    const std::string iprp =
        Box("iprp", Box("ipco", properties) + FullBox("ipma", wideIndices ? 1 : 0, wideIndices ? 1 : 0, associations));
    std::string primary;
    PutBig(primary, 1, 2);
    const std::string handler = FullBox("hdlr", 0, 0, std::string(4, '\0') + "pict" + std::string(13, '\0'));
    const std::string meta = FullBox("meta", 0, 0, handler + FullBox("pitm", 0, 0, primary) + iprp);
    return Box("ftyp", brands) + meta + Box("mdat", std::string(32, '\x33'));
}

std::string MakeJxlCodestream(uint32_t width, uint32_t height, int orientation) {
    BitWriter bits;
    const uint32_t ratio = FixedRatio(width, height);
    const bool small = height <= 256 && height % 8 == 0 && (ratio != 0 || (width <= 256 && width % 8 == 0));
    bits.Put(small ? 1 : 0, 1);
    if (small) {
        bits.Put(height / 8 - 1, 5);
    } else {
        bits.Side(height);
    }
    bits.Put(ratio, 3);
    if (ratio == 0) {
        if (small) {
            bits.Put(width / 8 - 1, 5);
        } else {
            bits.Side(width);
        }
    }
    if (orientation == 1) {
        bits.Put(1, 1);  // all the metadata as by default
    } else {
        bits.Put(0, 1);
        bits.Put(1, 1);  // fields beyond the defaults, the orientation first
        bits.Put(static_cast<uint32_t>(orientation - 1), 3);
    }
    return "\xFF\x0A" + bits.Bytes() + std::string(24, '\x44');
}

std::string MakeJxlContainer(const std::string& codestream, bool partial) {
    const std::string signature("\0\0\0\x0CJXL \r\n\x87\n", 12);
    const std::string ftyp = Box("ftyp", std::string("jxl \0\0\0\0jxl ", 12));
    const std::string level = Box("jxll", "\x0A");
    if (!partial) {
        return signature + ftyp + level + Box("jxlc", codestream);
    }
    std::string first("\0\0\0\0", 4);
    std::string last("\x80\0\0\x01", 4);  // the last part's number has the top bit set
    return signature + ftyp + level + Box("jxlp", first + codestream.substr(0, 20)) +
           Box("jxlp", last + codestream.substr(20));
}

std::string MakeJ2kCodestream(uint32_t width, uint32_t height) {
    std::string siz("\xFF\x4F\xFF\x51", 4);
    PutBig(siz, 41, 2);  // the segment's length, with one component
    PutBig(siz, 0, 2);
    PutBig(siz, width + 100, 4);  // the grid, with the picture 100 x 50 from its origin
    PutBig(siz, height + 50, 4);
    PutBig(siz, 100, 4);
    PutBig(siz, 50, 4);
    PutBig(siz, width + 100, 4);  // one tile
    PutBig(siz, height + 50, 4);
    PutBig(siz, 0, 8);
    PutBig(siz, 1, 2);
    siz += std::string("\x07\x01\x01", 3);
    return siz + std::string(16, '\x55');
}

std::string MakeJp2(uint32_t width, uint32_t height) {
    const std::string signature("\0\0\0\x0CjP  \r\n\x87\n", 12);
    const std::string ftyp = Box("ftyp", std::string("jp2 \0\0\0\0jp2 ", 12));
    std::string ihdr;
    PutBig(ihdr, height, 4);
    PutBig(ihdr, width, 4);
    ihdr += std::string("\0\x03\x07\x07\0\0", 6);
    const std::string header = Box("jp2h", Box("ihdr", ihdr) + Box("colr", std::string("\x01\0\0\0\0\x10", 7)));
    return signature + ftyp + header + Box("jp2c", MakeJ2kCodestream(width, height));
}

std::string MakeJxrHeader(uint32_t width, uint32_t height) {
    std::string file("II\xBC\x01", 4);
    PutLittle(file, 8, 4);
    PutLittle(file, 3, 2);
    for (const auto& [tag, value] : {std::pair{0xBC01u, 1u}, std::pair{0xBC80u, width}, std::pair{0xBC81u, height}}) {
        PutLittle(file, tag, 2);
        PutLittle(file, 4, 2);  // LONG
        PutLittle(file, 1, 4);
        PutLittle(file, value, 4);
    }
    PutLittle(file, 0, 4);
    return file + std::string(16, '\x66');
}

std::string MakePsdHeader(uint32_t width, uint32_t height) {
    std::string file("8BPS\0\x01", 6);
    file += std::string(6, '\0');
    PutBig(file, 3, 2);
    PutBig(file, height, 4);
    PutBig(file, width, 4);
    PutBig(file, 8, 2);
    PutBig(file, 3, 2);
    return file + std::string(16, '\0');
}

}  // namespace testdata
