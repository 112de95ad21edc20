// Every file of the independent BMP suite through the reader's core: the layout, the
// colour table and the rows handed to GDI, shown the way GDI shows them and compared
// with the suite's reference pictures. The suite lies beside the checkout; without it
// the tests fail.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/BmpLayout.h"
#include "tests/data/BmpFiles.h"
#include "tests/data/BmpSuite.h"

namespace {

std::string SuiteDir() {
    return std::string(IXO_SOURCE_DIR) + "/../shared/corpus/bmpsuite";
}

std::vector<testdata::SuiteFile> SuiteIndex() {
    std::string error;
    std::vector<testdata::SuiteFile> index = testdata::ReadSuiteIndex(SuiteDir(), &error);
    EXPECT_FALSE(index.empty()) << "the BMP suite is missing: " << error;
    return index;
}

// What the viewer hands GDI for one file.
struct Decoded {
    bmp::Status status = bmp::Status::kTooShort;
    bmp::Layout layout;
    std::vector<uint8_t> table;  // RGBQUAD entries
    std::vector<uint8_t> dib;    // bottom-up rows
};

Decoded Decode(const std::string& file) {
    Decoded d;
    const auto bytes = testdata::Bytes(file);
    d.status = bmp::ComputeLayout(bytes.first(std::min(bytes.size(), bmp::kPrefixBytes)), bytes.size(), 32, &d.layout);
    if (d.status != bmp::Status::kOk) {
        return d;
    }
    const bmp::Layout& l = d.layout;
    const auto fileTable = bytes.subspan(l.colorTableOffset, uint64_t{l.colorCount} * l.colorEntryBytes);
    d.table.assign(fileTable.begin(), fileTable.end());
    d.table.resize(uint64_t{l.colorCount} * 4);
    EXPECT_TRUE(l.colorEntryBytes == 4 || bmp::WidenColorTable(d.table, l.colorCount));
    d.dib.resize(l.dibBytes);
    EXPECT_TRUE(bmp::DecodeRows(bytes.subspan(l.pixelOffset, l.storedBytes), l, d.dib));
    return d;
}

// The colour GDI shows at (x, y from the top): an index past the colour table is black.
uint32_t ColorAt(const Decoded& d, int x, int y) {
    const bmp::Layout& l = d.layout;
    const uint8_t* row = d.dib.data() + (l.height - 1 - y) * l.dibRowBytes;
    if (l.dibBitCount > 8) {
        const uint8_t* p = row + x * (l.dibBitCount / 8);
        return testdata::Rgb(p[2], p[1], p[0]);
    }
    const int bits = l.dibBitCount;
    const int bitOffset = x * bits;
    const uint32_t index = (row[bitOffset / 8] >> (8 - bits - bitOffset % 8)) & ((1u << bits) - 1);
    return index < l.colorCount ? bmp::ReadU32(d.table.data() + 4 * index) & 0xFFFFFF : 0;
}

}  // namespace

TEST(BmpSuite, ValidAndRareFilesShowAsTheirReferences) {
    const auto& refused = testdata::RefusedSuiteFiles();
    size_t read = 0;
    size_t refusals = 0;
    for (const testdata::SuiteFile& f : SuiteIndex()) {
        if (f.set == "b") {
            continue;
        }
        const std::string bytes = testdata::ReadBinaryFile(SuiteDir() + "/" + f.file);
        ASSERT_FALSE(bytes.empty()) << f.file;
        const Decoded d = Decode(bytes);
        if (const auto it = refused.find(f.file); it != refused.end()) {
            EXPECT_EQ(d.status, it->second) << f.file;
            ++refusals;
            continue;
        }
        ASSERT_EQ(d.status, bmp::Status::kOk) << f.file;
        ++read;
        if (f.references.empty()) {
            ADD_FAILURE() << f.file << " is read but has no reference";
            continue;
        }
        std::string why;
        const std::string match = testdata::MatchingReference(
            SuiteDir(), f, d.layout.width, d.layout.height, [&](int x, int y) { return ColorAt(d, x, y); },
            testdata::SuiteTolerance(f), &why);
        EXPECT_FALSE(match.empty()) << f.file << ": " << why;
    }
    EXPECT_EQ(refusals, refused.size()) << "a refused file is missing from the suite";
    EXPECT_EQ(read, 63u) << "27 g/ and 36 q/ files";
}

TEST(BmpSuite, BrokenFilesAreRefusedOrReadSafely) {
    size_t broken = 0;
    for (const testdata::SuiteFile& f : SuiteIndex()) {
        if (f.set != "b") {
            continue;
        }
        ++broken;
        const std::string bytes = testdata::ReadBinaryFile(SuiteDir() + "/" + f.file);
        ASSERT_FALSE(bytes.empty()) << f.file;
        // Under the sanitizers: any read outside the file or write outside the rows fails the run.
        Decode(bytes);
    }
    EXPECT_EQ(broken, 20u);
}
