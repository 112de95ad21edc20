#include "plugins/ixwic/JpegHeader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}

void Segment(Bytes& b, uint8_t marker, const Bytes& body) {
    b.push_back(0xFF);
    b.push_back(marker);
    Put16(b, static_cast<unsigned>(body.size() + 2));
    b.insert(b.end(), body.begin(), body.end());
}

Bytes Jfif(int units, unsigned x, unsigned y) {
    Bytes body = {'J', 'F', 'I', 'F', 0, 1, 2, static_cast<uint8_t>(units)};
    Put16(body, x);
    Put16(body, y);
    body.push_back(0);
    body.push_back(0);
    return body;
}

// An EXIF block with one or more entries in its first directory, in either byte order.
Bytes Exif(bool little, uint16_t tag, uint16_t type, uint16_t value) {
    Bytes body = {'E', 'x', 'i', 'f', 0, 0};
    auto u16 = [&](unsigned v) {
        if (little) {
            body.push_back(static_cast<uint8_t>(v));
            body.push_back(static_cast<uint8_t>(v >> 8));
        } else {
            Put16(body, v);
        }
    };
    body.insert(body.end(), little ? std::initializer_list<uint8_t>{'I', 'I'} : std::initializer_list<uint8_t>{'M', 'M'});
    u16(42);
    u16(little ? 8 : 0), u16(little ? 0 : 8);  // IFD at offset 8
    u16(2);                                     // two entries: another tag first
    u16(0x010F), u16(2), u16(little ? 4 : 0), u16(little ? 0 : 4), u16(0), u16(0);
    u16(tag), u16(type), u16(little ? 1 : 0), u16(little ? 0 : 1), u16(value), u16(0);
    return body;
}

Bytes Frame(uint8_t marker, unsigned width, unsigned height, uint8_t components) {
    Bytes b;
    Bytes body = {8};
    Put16(body, height);
    Put16(body, width);
    body.push_back(components);
    for (uint8_t c = 0; c < components; ++c) {
        body.insert(body.end(), {static_cast<uint8_t>(c + 1), 0x11, 0});
    }
    Segment(b, marker, body);
    return b;
}

Bytes Jpeg(const std::vector<Bytes>& parts) {
    Bytes b = {0xFF, 0xD8};
    for (const Bytes& part : parts) {
        b.insert(b.end(), part.begin(), part.end());
    }
    b.insert(b.end(), {0xFF, 0xDA, 0, 2, 0xFF, 0xD9});
    return b;
}

Bytes Seg(uint8_t marker, const Bytes& body) {
    Bytes b;
    Segment(b, marker, body);
    return b;
}

TEST(JpegHeader, SizeComponentsAndDensity) {
    const Bytes file = Jpeg({Seg(0xE0, Jfif(1, 300, 150)), Seg(0xDB, Bytes(65, 1)), Frame(0xC0, 6000, 4000, 3)});
    ixwic::JpegHeader h;
    ASSERT_TRUE(ixwic::ParseJpegHeader(file.data(), file.size(), &h));
    EXPECT_EQ(h.width, 6000u);
    EXPECT_EQ(h.height, 4000u);
    EXPECT_EQ(h.components, 3);
    EXPECT_EQ(h.orientation, 1);
    EXPECT_DOUBLE_EQ(h.dpiX, 300);
    EXPECT_DOUBLE_EQ(h.dpiY, 150);

    const Bytes cm = Jpeg({Seg(0xE0, Jfif(2, 100, 100)), Frame(0xC2, 1, 65535, 1)});  // progressive, grey
    ASSERT_TRUE(ixwic::ParseJpegHeader(cm.data(), cm.size(), &h));
    EXPECT_EQ(h.height, 65535u);
    EXPECT_EQ(h.components, 1);
    EXPECT_DOUBLE_EQ(h.dpiX, 254);

    const Bytes aspect = Jpeg({Seg(0xE0, Jfif(0, 1, 1)), Frame(0xC1, 8, 8, 4)});
    ASSERT_TRUE(ixwic::ParseJpegHeader(aspect.data(), aspect.size(), &h));
    EXPECT_DOUBLE_EQ(h.dpiX, 96) << "an aspect ratio only is no density";
    EXPECT_EQ(h.components, 4);
}

TEST(JpegHeader, ExifOrientationInEitherByteOrder) {
    for (const bool little : {true, false}) {
        for (const uint16_t value : {1, 3, 6, 8}) {
            const Bytes file = Jpeg({Seg(0xE1, Exif(little, 274, 3, value)), Frame(0xC0, 40, 30, 3)});
            ixwic::JpegHeader h;
            ASSERT_TRUE(ixwic::ParseJpegHeader(file.data(), file.size(), &h));
            EXPECT_EQ(h.orientation, value) << little;
        }
    }
    // Out of range, another type, another tag: no orientation.
    for (const Bytes& exif : {Exif(true, 274, 3, 9), Exif(true, 274, 4, 6), Exif(false, 275, 3, 6)}) {
        const Bytes file = Jpeg({Seg(0xE1, exif), Frame(0xC0, 40, 30, 3)});
        ixwic::JpegHeader h;
        ASSERT_TRUE(ixwic::ParseJpegHeader(file.data(), file.size(), &h));
        EXPECT_EQ(h.orientation, 1);
    }
}

TEST(JpegHeader, FillBytesAndMarkersWithoutSegment) {
    Bytes file = {0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xD0};
    const Bytes frame = Frame(0xC0, 2, 3, 3);
    file.insert(file.end(), frame.begin(), frame.end());
    ixwic::JpegHeader h;
    ASSERT_TRUE(ixwic::ParseJpegHeader(file.data(), file.size(), &h));
    EXPECT_EQ(h.width, 2u);
}

TEST(JpegHeader, RefusesWhatIsNoReadableFrameHeader) {
    const Bytes good = Jpeg({Seg(0xE1, Exif(true, 274, 3, 6)), Frame(0xC0, 40, 30, 3)});
    ixwic::JpegHeader h;
    // Every cut before the frame header's end fails cleanly (the sanitizers watch the reads).
    const size_t frameEnd = good.size() - 6;
    for (size_t cut = 0; cut < frameEnd; ++cut) {
        EXPECT_FALSE(ixwic::ParseJpegHeader(good.data(), cut, &h)) << cut;
    }
    EXPECT_FALSE(ixwic::ParseJpegHeader(nullptr, 10, &h));
    const Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    EXPECT_FALSE(ixwic::ParseJpegHeader(png.data(), png.size(), &h));
    const Bytes scanFirst = Jpeg({});
    EXPECT_FALSE(ixwic::ParseJpegHeader(scanFirst.data(), scanFirst.size(), &h));
    const Bytes zeroHeight = Jpeg({Frame(0xC0, 40, 0, 3)});
    EXPECT_FALSE(ixwic::ParseJpegHeader(zeroHeight.data(), zeroHeight.size(), &h)) << "height given later (DNL)";
    const Bytes table = Jpeg({Seg(0xC4, Bytes(20, 0)), Frame(0xC0, 5, 5, 3)});
    ASSERT_TRUE(ixwic::ParseJpegHeader(table.data(), table.size(), &h)) << "a Huffman table is no frame";
    EXPECT_EQ(h.width, 5u);
    const Bytes shortSegment = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01, 0xFF, 0xC0};
    EXPECT_FALSE(ixwic::ParseJpegHeader(shortSegment.data(), shortSegment.size(), &h));
}

}  // namespace
