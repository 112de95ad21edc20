#include "image/Resample.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include "image/BmpLayout.h"

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace {

// Weights across are fractions of 2^24: a row value times a weight stays below 2^32.
constexpr int kAcrossBits = 24;
constexpr uint32_t kAcrossOne = uint32_t{1} << kAcrossBits;
// Weights down are fractions of 2^31, applied once per target pixel in 64 bits.
constexpr int kDownBits = 31;
constexpr uint64_t kDownOne = uint64_t{1} << kDownBits;
// Bilinear fractions are 16-bit.
constexpr int kLerpBits = 16;
constexpr uint32_t kLerpOne = uint32_t{1} << kLerpBits;
// Rows across hold each channel as 8.8 fixed point: at most 255 * 256.
constexpr int kRowFractionBits = 8;
// Rows summed in 32 bits before they are carried into 64: 65536 * 65280 < 2^32.
constexpr uint32_t kRowsPerCarry = 65536;

struct Bgr {
    uint32_t b, g, r;
};

// What one target pixel takes from the source pixels along one direction. Shrinking:
// source pixels first .. first+count-1, the first and the last with their own weights,
// those between with the direction's common weight; count 1 when the sizes are equal.
// Enlarging: pixels first and first+1, the second with the fraction lastWeight (count 2),
// or pixel first alone (count 1).
struct Span {
    uint32_t first = 0;
    uint32_t count = 0;
    uint32_t firstWeight = 0;
    uint32_t lastWeight = 0;
};

struct Axis {
    bool shrink = true;
    uint64_t middleWeight = 0;  // shrinking: the weight of a wholly covered source pixel
    std::vector<Span> spans;
};

// Area averaging of `from` pixels into `to` pixels, from >= to > 0. Source pixel i covers
// [i*to, (i+1)*to) and target pixel x covers [x*from, (x+1)*from): the coverages are
// integers and those of one target pixel add up to `from`. Weights are the coverages in
// fractions of `one`, rounded down; the last pixel of each span takes what is left, so the
// weights of a target pixel add up to exactly `one` and a flat picture stays flat.
Axis AreaAxis(uint64_t from, uint64_t to, uint64_t one) {
    Axis axis;
    axis.shrink = true;
    axis.middleWeight = to * one / from;
    axis.spans.resize(static_cast<size_t>(to));
    for (uint64_t x = 0; x < to; ++x) {
        const uint64_t start = x * from;
        const uint64_t end = start + from;
        const uint64_t first = start / to;
        const uint64_t last = (end - 1) / to;
        Span& s = axis.spans[static_cast<size_t>(x)];
        s.first = static_cast<uint32_t>(first);
        s.count = static_cast<uint32_t>(last - first + 1);
        if (s.count == 1) {
            continue;  // the same size: the pixel itself
        }
        const uint64_t firstCover = (first + 1) * to - start;
        const uint64_t firstWeight = firstCover * one / from;
        s.firstWeight = static_cast<uint32_t>(firstWeight);
        s.lastWeight = static_cast<uint32_t>(one - firstWeight - (s.count - 2) * axis.middleWeight);
    }
    return axis;
}

// Bilinear interpolation of `from` pixels into `to` pixels, from < to. Target pixel x
// samples the source at (x + 1/2) * from / to - 1/2, held outside the outermost centres.
Axis LerpAxis(uint64_t from, uint64_t to) {
    Axis axis;
    axis.shrink = false;
    axis.spans.resize(static_cast<size_t>(to));
    for (uint64_t x = 0; x < to; ++x) {
        Span& s = axis.spans[static_cast<size_t>(x)];
        // The sample position times 2 * to.
        const uint64_t twice = (2 * x + 1) * from;
        if (twice <= to) {
            s.first = 0, s.count = 1;
            continue;
        }
        const uint64_t at = twice - to;
        const uint64_t index = at / (2 * to);
        if (index >= from - 1) {
            s.first = static_cast<uint32_t>(from - 1), s.count = 1;
            continue;
        }
        s.first = static_cast<uint32_t>(index);
        s.lastWeight = static_cast<uint32_t>((at % (2 * to)) * kLerpOne / (2 * to));
        s.count = s.lastWeight == 0 ? 1 : 2;
    }
    return axis;
}

Axis MakeAxis(uint64_t from, uint64_t to, uint64_t areaOne) {
    return from >= to ? AreaAxis(from, to, areaOne) : LerpAxis(from, to);
}

// Reading source pixels of one row as blue, green and red, for every form of row.
struct Direct24 {
    Bgr operator()(const uint8_t* row, size_t i) const {
        const uint8_t* p = row + 3 * i;
        return {p[0], p[1], p[2]};
    }
};

struct Direct32 {
    Bgr operator()(const uint8_t* row, size_t i) const {
        const uint8_t* p = row + 4 * i;
        return {p[0], p[1], p[2]};
    }
};

using Palette = std::array<Bgr, 256>;

template <int kBits>
struct Indexed {
    const Palette* palette;
    Bgr operator()(const uint8_t* row, size_t i) const {
        constexpr size_t kPerByte = 8 / kBits;
        constexpr unsigned kMask = (1u << kBits) - 1;
        const unsigned shift = static_cast<unsigned>((kPerByte - 1 - i % kPerByte) * kBits);
        return (*palette)[(row[i / kPerByte] >> shift) & kMask];
    }
};

// A channel of a packed pixel, scaled to 0..255 through a table of its top 16 bits at most.
struct PackedChannel {
    int shift = 0;  // of the bits the table is indexed by
    uint32_t mask = 0;
    std::vector<uint8_t> table;
};

// False when `mask` is empty or not one run of bits.
bool MakePackedChannel(uint32_t mask, PackedChannel* out) {
    if (mask == 0) {
        return false;
    }
    const int low = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    if ((mask >> low) != (bits == 32 ? ~uint32_t{0} : (uint32_t{1} << bits) - 1)) {
        return false;
    }
    const int kept = std::min(bits, 16);
    out->shift = low + bits - kept;
    out->mask = (uint32_t{1} << kept) - 1;
    out->table.resize(size_t{1} << kept);
    const uint32_t max = out->mask;
    for (uint32_t v = 0; v <= max; ++v) {
        out->table[v] = static_cast<uint8_t>((v * 255 + max / 2) / max);
    }
    return true;
}

template <int kBytes>
struct Packed {
    const PackedChannel* channels;  // blue, green, red
    Bgr operator()(const uint8_t* row, size_t i) const {
        const uint8_t* p = row + kBytes * i;
        uint32_t v = p[0] | (uint32_t{p[1]} << 8);
        if constexpr (kBytes == 4) {
            v |= (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
        }
        const auto at = [v](const PackedChannel& c) { return uint32_t{c.table[(v >> c.shift) & c.mask]}; };
        return {at(channels[0]), at(channels[1]), at(channels[2])};
    }
};

// One source row shrunk across into `out`: three 8.8 channels per target pixel.
template <class Fetch>
void ShrinkAcross(const Fetch& fetch, const uint8_t* row, const Axis& axis, uint16_t* out) {
    const uint32_t middle = static_cast<uint32_t>(axis.middleWeight);
    constexpr int kDrop = kAcrossBits - kRowFractionBits;
    constexpr uint32_t kHalf = 1u << (kDrop - 1);
    for (const Span& s : axis.spans) {
        if (s.count == 1) {
            const Bgr a = fetch(row, s.first);
            out[0] = static_cast<uint16_t>(a.b << kRowFractionBits);
            out[1] = static_cast<uint16_t>(a.g << kRowFractionBits);
            out[2] = static_cast<uint16_t>(a.r << kRowFractionBits);
            out += 3;
            continue;
        }
        // The pixels between the first and the last, summed with few values live: 32-bit
        // code has few registers to hold them.
        const size_t last = size_t{s.first} + s.count - 1;
        uint32_t sb = 0, sg = 0, sr = 0;
        // A middle weight of 0 (more than 2^24 source pixels to one) leaves them out.
        if (middle != 0) {
            for (size_t i = size_t{s.first} + 1; i < last; ++i) {
                const Bgr p = fetch(row, i);
                sb += p.b, sg += p.g, sr += p.r;
            }
        }
        // The weights add up to 2^24, so each sum stays below 255 * 2^24 + kHalf < 2^32.
        const Bgr z = fetch(row, last);
        uint32_t b = sb * middle + z.b * s.lastWeight;
        uint32_t g = sg * middle + z.g * s.lastWeight;
        uint32_t r = sr * middle + z.r * s.lastWeight;
        const Bgr a = fetch(row, s.first);
        b += a.b * s.firstWeight, g += a.g * s.firstWeight, r += a.r * s.firstWeight;
        out[0] = static_cast<uint16_t>((b + kHalf) >> kDrop);
        out[1] = static_cast<uint16_t>((g + kHalf) >> kDrop);
        out[2] = static_cast<uint16_t>((r + kHalf) >> kDrop);
        out += 3;
    }
}

// One source row stretched across: (1 - f) * a + f * c with 16-bit fractions, to 8.8.
template <class Fetch>
void StretchAcross(const Fetch& fetch, const uint8_t* row, const Axis& axis, uint16_t* out) {
    constexpr int kDrop = kLerpBits - kRowFractionBits;
    constexpr uint32_t kHalf = 1u << (kDrop - 1);
    for (const Span& s : axis.spans) {
        const Bgr a = fetch(row, s.first);
        const Bgr c = s.count == 2 ? fetch(row, size_t{s.first} + 1) : a;
        const uint32_t f = s.count == 2 ? s.lastWeight : 0;
        const uint32_t keep = kLerpOne - f;
        out[0] = static_cast<uint16_t>((a.b * keep + c.b * f + kHalf) >> kDrop);
        out[1] = static_cast<uint16_t>((a.g * keep + c.g * f + kHalf) >> kDrop);
        out[2] = static_cast<uint16_t>((a.r * keep + c.r * f + kHalf) >> kDrop);
        out += 3;
    }
}

// The checked description of a source and how its pixels are read.
enum class Form { kIndexed1, kIndexed4, kIndexed8, kDirect24, kDirect32, kPacked16, kPacked32 };

struct Reader {
    Form form = Form::kDirect24;
    Palette palette{};
    PackedChannel channels[3];
};

bool MakeReader(const SourceRows& s, Reader* reader) {
    const bool masked = (s.redMask | s.greenMask | s.blueMask) != 0;
    switch (s.bitCount) {
        case 1:
        case 4:
        case 8: {
            if (masked) {
                return false;
            }
            const size_t count = s.colorTable == nullptr ? 0 : std::min(s.colorCount, size_t{1} << s.bitCount);
            for (size_t i = 0; i < count; ++i) {
                const uint8_t* e = s.colorTable + 4 * i;
                reader->palette[i] = Bgr{e[0], e[1], e[2]};
            }
            reader->form = s.bitCount == 1 ? Form::kIndexed1 : s.bitCount == 4 ? Form::kIndexed4 : Form::kIndexed8;
            return true;
        }
        case 16:
        case 32:
            if (!masked && s.bitCount == 32) {
                reader->form = Form::kDirect32;
                return true;
            }
            reader->form = s.bitCount == 16 ? Form::kPacked16 : Form::kPacked32;
            return MakePackedChannel(masked ? s.blueMask : 0x001F, &reader->channels[0]) &&
                   MakePackedChannel(masked ? s.greenMask : 0x03E0, &reader->channels[1]) &&
                   MakePackedChannel(masked ? s.redMask : 0x7C00, &reader->channels[2]);
        case 24:
            reader->form = Form::kDirect24;
            return !masked;
        default:
            return false;
    }
}

// Rows of `rowBytes` readable bytes, `stride` apart, `height` of them, inside `bytes`.
bool RowsFit(size_t bytes, uint64_t rowBytes, uint64_t stride, uint64_t height) {
    if (stride < rowBytes || rowBytes > bytes) {
        return false;
    }
    return height <= 1 || stride <= (bytes - rowBytes) / (height - 1);
}

bool SourceFits(const SourceRows& s) {
    if (s.rows == nullptr || s.width <= 0 || s.height <= 0 ||
        !bmp::IsValidBitCount(static_cast<uint16_t>(s.bitCount))) {
        return false;
    }
    const uint64_t rowBytes = (static_cast<uint64_t>(s.width) * static_cast<uint64_t>(s.bitCount) + 7) / 8;
    return RowsFit(s.bytes, rowBytes, s.rowStride, static_cast<uint64_t>(s.height));
}

bool TargetFits(const BgrxRows& t) {
    if (t.width <= 0 || t.height <= 0) {
        return true;  // nothing to write; checked apart from this
    }
    return t.rows != nullptr &&
           RowsFit(t.bytes, uint64_t{4} * static_cast<uint64_t>(t.width), t.rowStride, static_cast<uint64_t>(t.height));
}

// Asks the caller whether to go on, once every kRowsPerAsk source rows worked through:
// often enough that a waiting key is not kept long, seldom enough that the asking costs
// nothing next to the work.
class Pacer {
public:
    explicit Pacer(const std::function<bool()>& keepGoing) : m_keepGoing(keepGoing) {}
    // After `rows` more source rows: false once the caller has answered that it is to stop.
    bool GoOn(size_t rows) {
        m_rows += rows;
        if (!m_keepGoing || m_rows < kRowsPerAsk) {
            return true;
        }
        m_rows = 0;
        return m_keepGoing();
    }

private:
    static constexpr size_t kRowsPerAsk = 128;
    const std::function<bool()>& m_keepGoing;
    size_t m_rows = 0;
};

// Makes target rows, top to bottom, out of the source rows made across.
class Downward {
public:
    Downward(const Axis& axis, const BgrxRows& target)
        : m_axis(axis), m_target(target), m_values(3 * static_cast<size_t>(target.width)) {
        m_first.resize(m_values);
        if (axis.shrink) {
            m_sum.resize(m_values);
        } else {
            m_second.resize(m_values);
        }
    }

    // Takes source row `j` (from the top; every row in turn) made across, and writes each
    // target row it completes.
    void Take(uint32_t j, const uint16_t* row) {
        if (m_axis.shrink) {
            TakeArea(j, row);
        } else {
            TakeLerp(j, row);
        }
    }

private:
    uint8_t* TargetRow() const {
        const size_t line = m_target.topDown ? m_y : static_cast<size_t>(m_target.height) - 1 - m_y;
        return m_target.rows + line * m_target.rowStride;
    }

    void TakeArea(uint32_t j, const uint16_t* row) {
        // A source row cut by a target row's bottom edge ends that row and begins the next.
        while (m_y < m_axis.spans.size()) {
            const Span& s = m_axis.spans[m_y];
            const uint32_t last = s.first + s.count - 1;
            if (j < s.first) {
                return;
            }
            if (j < last) {
                if (j == s.first) {
                    std::copy(row, row + m_values, m_first.begin());
                } else {
                    AddToSum(row);
                }
                return;
            }
            if (s.count == 1) {
                WriteRow(row, row, 0);  // the same height: the row itself
            } else {
                FinishArea(s, row);
            }
            ++m_y;
        }
    }

    void AddToSum(const uint16_t* row) {
        if (m_summed == kRowsPerCarry) {
            m_carry.resize(m_values);
            for (size_t i = 0; i < m_values; ++i) {
                m_carry[i] += m_sum[i];
                m_sum[i] = 0;
            }
            m_summed = 0;
        }
        for (size_t i = 0; i < m_values; ++i) {
            m_sum[i] += row[i];
        }
        ++m_summed;
    }

    void FinishArea(const Span& s, const uint16_t* last) {
        uint8_t* out = TargetRow();
        const uint64_t middle = m_axis.middleWeight;
        const bool carried = !m_carry.empty();
        // At most 65280 * 2^31 + kHalf: inside 64 bits with room to spare.
        constexpr int kDrop = kDownBits + kRowFractionBits;
        constexpr uint64_t kHalf = uint64_t{1} << (kDrop - 1);
        for (size_t i = 0; i < m_values; i += 3, out += 4) {
            for (size_t c = 0; c < 3; ++c) {
                const uint64_t sum = uint64_t{m_sum[i + c]} + (carried ? m_carry[i + c] : 0);
                const uint64_t v =
                    s.firstWeight * uint64_t{m_first[i + c]} + middle * sum + s.lastWeight * uint64_t{last[i + c]};
                out[c] = static_cast<uint8_t>((v + kHalf) >> kDrop);
            }
            out[3] = 0;
        }
        std::fill(m_sum.begin(), m_sum.end(), 0);
        m_carry.clear();
        m_summed = 0;
    }

    void TakeLerp(uint32_t j, const uint16_t* row) {
        // m_first holds source row j - 1, m_second row j.
        std::swap(m_first, m_second);
        std::copy(row, row + m_values, m_second.begin());
        while (m_y < m_axis.spans.size()) {
            const Span& s = m_axis.spans[m_y];
            if (s.first + s.count - 1 > j) {
                return;
            }
            // A target row of two source rows is written once the second (row j) has come.
            if (s.count == 2) {
                WriteRow(m_first.data(), m_second.data(), s.lastWeight);
            } else {
                WriteRow(m_second.data(), m_second.data(), 0);
            }
            ++m_y;
        }
    }

    // Writes (1 - f) * a + f * c, with f in 16-bit fractions.
    void WriteRow(const uint16_t* a, const uint16_t* c, uint32_t f) {
        uint8_t* out = TargetRow();
        const uint32_t keep = kLerpOne - f;
        // At most 65280 * 65536 + 2^23: inside 32 bits.
        constexpr int kDrop = kLerpBits + kRowFractionBits;
        constexpr uint32_t kHalf = 1u << (kDrop - 1);
        for (size_t i = 0; i < m_values; i += 3, out += 4) {
            out[0] = static_cast<uint8_t>((a[i] * keep + c[i] * f + kHalf) >> kDrop);
            out[1] = static_cast<uint8_t>((a[i + 1] * keep + c[i + 1] * f + kHalf) >> kDrop);
            out[2] = static_cast<uint8_t>((a[i + 2] * keep + c[i + 2] * f + kHalf) >> kDrop);
            out[3] = 0;
        }
    }

    const Axis& m_axis;
    const BgrxRows& m_target;
    const size_t m_values;
    size_t m_y = 0;
    std::vector<uint16_t> m_first;   // shrinking: the first source row of the target row
    std::vector<uint16_t> m_second;  // enlarging: the later of the two source rows
    std::vector<uint32_t> m_sum;     // shrinking: the rows between the first and the last
    std::vector<uint64_t> m_carry;   // more than kRowsPerCarry of them
    uint32_t m_summed = 0;
};

template <class Fetch>
bool Run(const Fetch& fetch, const SourceRows& source, const Axis& across, Downward& down, uint16_t* row,
         Pacer& pacer) {
    const size_t height = static_cast<size_t>(source.height);
    for (size_t j = 0; j < height; ++j) {
        const uint8_t* line = source.rows + (source.topDown ? j : height - 1 - j) * source.rowStride;
        if (across.shrink) {
            ShrinkAcross(fetch, line, across, row);
        } else {
            StretchAcross(fetch, line, across, row);
        }
        down.Take(static_cast<uint32_t>(j), row);
        if (!pacer.GoOn(1)) {
            return false;
        }
    }
    return true;
}

// Both directions shrinking: the rows wholly inside a target row are added up byte by byte
// before they are shrunk across, all at once, so a target row costs three passes across
// (its first row, its last row and that sum) however many source rows it covers.

// Source rows added up in 16 bits at most: 257 * 255 < 2^16.
constexpr uint32_t kRowsPerByteSum = 257;

// How many rows a 16-bit byte sum may take while a span's middle pixels, summed across in
// 32 bits, stay below 2^32; 0 when not even one may.
uint32_t RowsPerByteSum(const Axis& across) {
    uint64_t widest = 1;
    for (const Span& s : across.spans) {
        widest = std::max<uint64_t>(widest, s.count);
    }
    return static_cast<uint32_t>(std::min<uint64_t>(kRowsPerByteSum, 0xFFFFFFFFu / (255 * widest)));
}

// Adds a row of bytes into 16-bit sums, in blocks of 16 that a compiler may turn into
// vector additions.
void AddBytes(const uint8_t* __restrict row, size_t count, uint16_t* __restrict sum) {
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        for (size_t k = 0; k < 16; ++k) {
            sum[i + k] = static_cast<uint16_t>(sum[i + k] + row[i + k]);
        }
    }
    for (; i < count; ++i) {
        sum[i] = static_cast<uint16_t>(sum[i] + row[i]);
    }
}

// A byte sum of rows (kBytes a pixel, blue, green and red first) shrunk across, as 8.8 sums
// added to `out`: what ShrinkAcross gives for each of the rows, added up, rounded once.
template <int kBytes>
void AddSumAcross(const uint16_t* sum, const Axis& axis, uint64_t* out) {
    const uint32_t middle = static_cast<uint32_t>(axis.middleWeight);
    constexpr int kDrop = kAcrossBits - kRowFractionBits;
    constexpr uint64_t kHalf = uint64_t{1} << (kDrop - 1);
    for (const Span& s : axis.spans) {
        const uint16_t* a = sum + size_t{kBytes} * s.first;
        if (s.count == 1) {
            for (int c = 0; c < 3; ++c) {
                out[c] += uint64_t{a[c]} << kRowFractionBits;
            }
            out += 3;
            continue;
        }
        const size_t last = size_t{s.first} + s.count - 1;
        // Below 2^32: RowsPerByteSum bounds the sums by the widest span.
        uint32_t mb = 0, mg = 0, mr = 0;
        if (middle != 0) {
            for (size_t i = size_t{s.first} + 1; i < last; ++i) {
                const uint16_t* p = sum + size_t{kBytes} * i;
                mb += p[0], mg += p[1], mr += p[2];
            }
        }
        const uint16_t* z = sum + size_t{kBytes} * last;
        const uint32_t m[3] = {mb, mg, mr};
        for (int c = 0; c < 3; ++c) {
            const uint64_t v = uint64_t{a[c]} * s.firstWeight + uint64_t{m[c]} * middle + uint64_t{z[c]} * s.lastWeight;
            out[c] += (v + kHalf) >> kDrop;
        }
        out += 3;
    }
}

uint8_t* TargetLine(const BgrxRows& target, size_t y) {
    const size_t line = target.topDown ? y : static_cast<size_t>(target.height) - 1 - y;
    return target.rows + line * target.rowStride;
}

// `line(j)` gives source row j (from the top) as bytes, kBytes a pixel, `rowBytes` of them;
// the pointer holds until the next call.
template <int kBytes, class Line>
bool RunSummed(const Line& line, size_t rowBytes, const Axis& across, const Axis& down, uint32_t rowsPerSum,
               const BgrxRows& target, Pacer& pacer) {
    using Fetch = std::conditional_t<kBytes == 3, Direct24, Direct32>;
    const size_t values = 3 * static_cast<size_t>(target.width);
    std::vector<uint16_t> first(values), last(values), sum(rowBytes);
    std::vector<uint64_t> middle(values);
    size_t held = SIZE_MAX;  // the source row `last` holds, made across
    for (size_t y = 0; y < down.spans.size(); ++y) {
        const Span& s = down.spans[y];
        uint8_t* out = TargetLine(target, y);
        const size_t lastRow = size_t{s.first} + s.count - 1;
        if (s.count == 1) {
            ShrinkAcross(Fetch{}, line(s.first), across, last.data());
            held = s.first;
            for (size_t i = 0; i < values; i += 3, out += 4) {
                for (size_t c = 0; c < 3; ++c) {
                    out[c] = static_cast<uint8_t>((last[i + c] + 128u) >> kRowFractionBits);
                }
                out[3] = 0;
            }
            if (!pacer.GoOn(1)) {
                return false;
            }
            continue;
        }
        // A source row cut by the edge between two target rows ends one and begins the next.
        if (held == s.first) {
            std::swap(first, last);
        } else {
            ShrinkAcross(Fetch{}, line(s.first), across, first.data());
        }
        std::fill(middle.begin(), middle.end(), 0);
        uint32_t summed = 0;
        for (size_t j = size_t{s.first} + 1; j < lastRow; ++j) {
            AddBytes(line(j), rowBytes, sum.data());
            if (++summed == rowsPerSum || j + 1 == lastRow) {
                AddSumAcross<kBytes>(sum.data(), across, middle.data());
                std::fill(sum.begin(), sum.end(), 0);
                summed = 0;
            }
            if (!pacer.GoOn(1)) {
                return false;
            }
        }
        ShrinkAcross(Fetch{}, line(lastRow), across, last.data());
        held = lastRow;
        // At most 65280 * 2^31 + kHalf, as in Downward.
        constexpr int kDrop = kDownBits + kRowFractionBits;
        constexpr uint64_t kHalf = uint64_t{1} << (kDrop - 1);
        for (size_t i = 0; i < values; i += 3, out += 4) {
            for (size_t c = 0; c < 3; ++c) {
                const uint64_t v = s.firstWeight * uint64_t{first[i + c]} + down.middleWeight * middle[i + c] +
                                   s.lastWeight * uint64_t{last[i + c]};
                out[c] = static_cast<uint8_t>((v + kHalf) >> kDrop);
            }
            out[3] = 0;
        }
        if (!pacer.GoOn(2)) {
            return false;
        }
    }
    return true;
}

// `width` pixels of `row` written into `into` as a 24-bit row; returns `into`.
template <class Fetch>
const uint8_t* ConvertRow(const Fetch& fetch, const uint8_t* row, size_t width, uint8_t* into) {
    for (size_t i = 0; i < width; ++i) {
        const Bgr p = fetch(row, i);
        into[3 * i] = static_cast<uint8_t>(p.b);
        into[3 * i + 1] = static_cast<uint8_t>(p.g);
        into[3 * i + 2] = static_cast<uint8_t>(p.r);
    }
    return into;
}

// The summed run for any form of source: 24 and 32-bit rows are read as they are, the
// others converted row by row into 24-bit ones.
template <class Fetch>
bool RunSummedAny(const Fetch& fetch, Form form, const SourceRows& source, const Axis& across, const Axis& down,
                  uint32_t rowsPerSum, const BgrxRows& target, Pacer& pacer) {
    const size_t height = static_cast<size_t>(source.height);
    const size_t width = static_cast<size_t>(source.width);
    const auto at = [&](size_t j) {
        return source.rows + (source.topDown ? j : height - 1 - j) * source.rowStride;
    };
    if (form == Form::kDirect24) {
        return RunSummed<3>(at, 3 * width, across, down, rowsPerSum, target, pacer);
    }
    if (form == Form::kDirect32) {
        return RunSummed<4>(at, 4 * width, across, down, rowsPerSum, target, pacer);
    }
    std::vector<uint8_t> converted(3 * width);
    const auto line = [&](size_t j) { return ConvertRow(fetch, at(j), width, converted.data()); };
    return RunSummed<3>(line, 3 * width, across, down, rowsPerSum, target, pacer);
}

// Shrinking both ways by at most kPairedMostRatio with SSE2: the common case of a photo
// fitted into a pane. Weights are fractions of 2^14. Each target row is one pass down
// over the source rows it covers, each read once, into a row of 8.7 fixed-point column
// means (a row that stays in the cache), and one pass across that row, which takes two
// columns at a time by one multiply-add of 16-bit lanes. Coarser weights than the general
// run's, so only spans of a few pixels use them: the error stays well below one level.
#if defined(__i386__) || defined(__x86_64__)
#define IXO_PAIRED_SHRINK 1
#define IXO_SSE2 __attribute__((target("sse2")))

constexpr int kPairedBits = 14;
constexpr uint32_t kPairedOne = uint32_t{1} << kPairedBits;
constexpr int kColumnBits = 7;  // column means: at most 255 * 128 = 32640, a signed 16-bit lane
constexpr uint64_t kPairedMostRatio = 16;

bool HasSse2() {
#if defined(__x86_64__)
    return true;
#else
    static const bool has = __builtin_cpu_supports("sse2");
    return has;
#endif
}

// One direction's weights, two source pixels to a 32-bit word (the first in the low half);
// a span of odd count ends with a pair whose second weight is 0.
struct PairedAxis {
    std::vector<uint32_t> first;      // per target pixel: its first source pixel
    std::vector<uint32_t> pairStart;  // per target pixel and one past: its pairs in `pairs`
    std::vector<uint32_t> pairs;
};

PairedAxis PairUp(const Axis& axis) {
    PairedAxis paired;
    paired.first.reserve(axis.spans.size());
    paired.pairStart.reserve(axis.spans.size() + 1);
    const auto weight = [&axis](const Span& s, uint32_t k) -> uint32_t {
        if (k >= s.count) {
            return 0;
        }
        if (s.count == 1) {
            return kPairedOne;
        }
        return k == 0 ? s.firstWeight : k + 1 == s.count ? s.lastWeight : static_cast<uint32_t>(axis.middleWeight);
    };
    for (const Span& s : axis.spans) {
        paired.first.push_back(s.first);
        paired.pairStart.push_back(static_cast<uint32_t>(paired.pairs.size()));
        for (uint32_t k = 0; k < s.count; k += 2) {
            paired.pairs.push_back(weight(s, k) | (weight(s, k + 1) << 16));
        }
    }
    paired.pairStart.push_back(static_cast<uint32_t>(paired.pairs.size()));
    return paired;
}

// One target row's source rows as the pass down takes them: its first and last rows (the
// same row, at weight 2^14 and 0, for a span of one) and the rows wholly inside it, which
// all have the one middle weight. The weights add up to 2^14.
struct DownSpan {
    const uint8_t* first = nullptr;
    const uint8_t* last = nullptr;
    const uint8_t* const* middle = nullptr;
    size_t middleCount = 0;
    uint32_t firstWeight = 0;
    uint32_t lastWeight = 0;
    uint32_t middleWeight = 0;
};

struct DownWeights {
    __m128i edges;   // the first and the last row's, in each 32-bit lane
    __m128i middle;  // the middle weight beside 0
    __m128i half;
};

// Four column means out of four first and last values, interleaved, and four sums of the
// middle rows, each beside a 0.
IXO_SSE2 inline __m128i WeighFour(__m128i firstLast, __m128i middleZero, const DownWeights& w) {
    const __m128i sum = _mm_add_epi32(_mm_madd_epi16(firstLast, w.edges), _mm_madd_epi16(middleZero, w.middle));
    return _mm_srai_epi32(_mm_add_epi32(sum, w.half), kPairedBits - kColumnBits);
}

// Column means of `bytes` bytes of a target row's source rows, each read once, 16 bytes at
// a time. The rows inside are added up in 16 bits (at most 15 of them at a ratio of 16:
// 15 * 255 < 2^15) and their sum weighted once; the first and the last rows are weighted
// as a pair by one multiply-add. The sums are exact, below 2^22: the same means as every
// row times its weight added up in any order.
IXO_SSE2 void SumDown(const DownSpan& span, size_t bytes, int16_t* out) {
    constexpr int kDrop = kPairedBits - kColumnBits;
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(1 << (kDrop - 1));
    const DownWeights weights{_mm_set1_epi32(static_cast<int>(span.firstWeight | (span.lastWeight << 16))),
                              _mm_set1_epi32(static_cast<int>(span.middleWeight)), half};
    size_t i = 0;
    for (; i + 16 <= bytes; i += 16) {
        __m128i low = zero;
        __m128i high = zero;
        for (size_t k = 0; k < span.middleCount; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(span.middle[k] + i));
            low = _mm_add_epi16(low, _mm_unpacklo_epi8(v, zero));
            high = _mm_add_epi16(high, _mm_unpackhi_epi8(v, zero));
        }
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(span.first + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(span.last + i));
        const __m128i aLow = _mm_unpacklo_epi8(a, zero);
        const __m128i bLow = _mm_unpacklo_epi8(b, zero);
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + i),
            _mm_packs_epi32(WeighFour(_mm_unpacklo_epi16(aLow, bLow), _mm_unpacklo_epi16(low, zero), weights),
                            WeighFour(_mm_unpackhi_epi16(aLow, bLow), _mm_unpackhi_epi16(low, zero), weights)));
        const __m128i aHigh = _mm_unpackhi_epi8(a, zero);
        const __m128i bHigh = _mm_unpackhi_epi8(b, zero);
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + i + 8),
            _mm_packs_epi32(WeighFour(_mm_unpacklo_epi16(aHigh, bHigh), _mm_unpacklo_epi16(high, zero), weights),
                            WeighFour(_mm_unpackhi_epi16(aHigh, bHigh), _mm_unpackhi_epi16(high, zero), weights)));
    }
    for (; i < bytes; ++i) {
        uint32_t sum = 0;
        for (size_t k = 0; k < span.middleCount; ++k) {
            sum += span.middle[k][i];
        }
        sum = sum * span.middleWeight + span.first[i] * span.firstWeight + span.last[i] * span.lastWeight;
        out[i] = static_cast<int16_t>((sum + (1u << (kDrop - 1))) >> kDrop);
    }
}

// One target row out of column means, `step` values a pixel (blue, green, red first). Each
// pixel is read as four lanes, the fourth of them whatever follows: `columns` holds at
// least two pixels and four values past the last.
IXO_SSE2 void SumAcross(const int16_t* columns, size_t step, const PairedAxis& across, uint8_t* out) {
    constexpr int kDrop = kPairedBits + kColumnBits;
    const __m128i half = _mm_set1_epi32(1 << (kDrop - 1));
    const size_t width = across.first.size();
    for (size_t x = 0; x < width; ++x, out += 4) {
        const int16_t* p = columns + step * across.first[x];
        __m128i sum = half;
        for (uint32_t k = across.pairStart[x]; k < across.pairStart[x + 1]; ++k, p += 2 * step) {
            const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
            const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + step));
            const __m128i w = _mm_set1_epi32(static_cast<int>(across.pairs[k]));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), w));
        }
        const __m128i words = _mm_packs_epi32(_mm_srai_epi32(sum, kDrop), sum);
        const __m128i bytes = _mm_packus_epi16(words, words);
        const uint32_t pixel = static_cast<uint32_t>(_mm_cvtsi128_si32(bytes)) & 0x00FFFFFFu;
        std::memcpy(out, &pixel, 4);
    }
}

// Whether the paired run takes this scaling: both directions shrink (or keep their size)
// by at most kPairedMostRatio.
bool PairedShrinkFits(const SourceRows& source, const BgrxRows& target) {
    const auto fits = [](int from, int to) {
        return from >= to && static_cast<uint64_t>(from) <= kPairedMostRatio * static_cast<uint64_t>(to);
    };
    return fits(source.width, target.width) && fits(source.height, target.height) && HasSse2();
}

// 24 and 32-bit rows are read as they are; the rows of other forms are converted into
// 24-bit ones, those of one target row at a time. `hold(first, count, rows)` puts the
// addresses of source rows first .. first + count - 1 (counted from the top) into `rows`;
// they are asked for in order, each target row's after the one before, and the rows of
// one target row are read before the next are asked for. False when the pacer stopped it
// or `hold` could not give the rows.
template <class Fetch, class Hold>
bool PairedShrink(const Fetch& fetch, Form form, int sourceWidth, int sourceHeight, const Hold& hold,
                  const BgrxRows& target, Pacer& pacer) {
    const PairedAxis across =
        PairUp(AreaAxis(static_cast<uint64_t>(sourceWidth), static_cast<uint64_t>(target.width), kPairedOne));
    const Axis down = AreaAxis(static_cast<uint64_t>(sourceHeight), static_cast<uint64_t>(target.height), kPairedOne);
    const size_t width = static_cast<size_t>(sourceWidth);
    const bool direct = form == Form::kDirect24 || form == Form::kDirect32;
    const size_t step = form == Form::kDirect32 ? 4 : 3;
    size_t mostRows = 0;
    for (const Span& s : down.spans) {
        mostRows = std::max<size_t>(mostRows, s.count);
    }
    std::vector<uint8_t> converted(direct ? 0 : mostRows * 3 * width);
    std::vector<int16_t> columns(step * (width + 2) + 4, 0);
    std::vector<const uint8_t*> rows(mostRows);
    for (size_t y = 0; y < down.spans.size(); ++y) {
        const Span& s = down.spans[y];
        if (!hold(size_t{s.first}, size_t{s.count}, rows.data())) {
            return false;
        }
        if (!direct) {
            for (size_t k = 0; k < s.count; ++k) {
                rows[k] = ConvertRow(fetch, rows[k], width, converted.data() + k * 3 * width);
            }
        }
        DownSpan span;
        span.first = rows[0];
        span.last = rows[s.count - 1];
        if (s.count == 1) {
            span.firstWeight = kPairedOne;
        } else {
            span.firstWeight = s.firstWeight;
            span.lastWeight = s.lastWeight;
            span.middle = rows.data() + 1;
            span.middleCount = s.count - 2;
            span.middleWeight = static_cast<uint32_t>(down.middleWeight);
        }
        SumDown(span, step * width, columns.data());
        SumAcross(columns.data(), step, across, TargetLine(target, y));
        if (!pacer.GoOn(s.count)) {
            return false;
        }
    }
    return true;
}

template <class Fetch>
bool PairedShrink(const Fetch& fetch, Form form, const SourceRows& source, const BgrxRows& target, Pacer& pacer) {
    const size_t height = static_cast<size_t>(source.height);
    const auto hold = [&source, height](size_t first, size_t count, const uint8_t** rows) {
        for (size_t j = first; j < first + count; ++j) {
            rows[j - first] = source.rows + (source.topDown ? j : height - 1 - j) * source.rowStride;
        }
        return true;
    };
    return PairedShrink(fetch, form, source.width, source.height, hold, target, pacer);
}
#endif

// False when the pacer stopped it.
template <class Fetch>
bool Scale(const Fetch& fetch, Form form, const SourceRows& source, const BgrxRows& target, Pacer& pacer) {
#if IXO_PAIRED_SHRINK
    if (PairedShrinkFits(source, target)) {
        return PairedShrink(fetch, form, source, target, pacer);
    }
#endif
    const Axis across = MakeAxis(static_cast<uint64_t>(source.width), static_cast<uint64_t>(target.width), kAcrossOne);
    const Axis down = MakeAxis(static_cast<uint64_t>(source.height), static_cast<uint64_t>(target.height), kDownOne);
    const uint32_t rowsPerSum = across.shrink && down.shrink ? RowsPerByteSum(across) : 0;
    if (rowsPerSum > 0) {
        return RunSummedAny(fetch, form, source, across, down, rowsPerSum, target, pacer);
    }
    Downward downward(down, target);
    std::vector<uint16_t> row(3 * static_cast<size_t>(target.width));
    return Run(fetch, source, across, downward, row.data(), pacer);
}

}  // namespace

ResampleStatus ResamplePicture(const SourceRows& source, const BgrxRows& target,
                               const std::function<bool()>& keepGoing) {
    if (!SourceFits(source)) {
        return ResampleStatus::kBadSource;
    }
    if (target.width < 0 || target.height < 0 || !TargetFits(target)) {
        return ResampleStatus::kBadTarget;
    }
    try {
        auto reader = std::make_unique<Reader>();
        if (!MakeReader(source, reader.get())) {
            return ResampleStatus::kBadSource;
        }
        if (target.width == 0 || target.height == 0) {
            return ResampleStatus::kOk;
        }
        Pacer pacer(keepGoing);
        bool done = false;
        switch (reader->form) {
            case Form::kIndexed1:
                done = Scale(Indexed<1>{&reader->palette}, reader->form, source, target, pacer);
                break;
            case Form::kIndexed4:
                done = Scale(Indexed<4>{&reader->palette}, reader->form, source, target, pacer);
                break;
            case Form::kIndexed8:
                done = Scale(Indexed<8>{&reader->palette}, reader->form, source, target, pacer);
                break;
            case Form::kDirect24:
                done = Scale(Direct24{}, reader->form, source, target, pacer);
                break;
            case Form::kDirect32:
                done = Scale(Direct32{}, reader->form, source, target, pacer);
                break;
            case Form::kPacked16:
                done = Scale(Packed<2>{reader->channels}, reader->form, source, target, pacer);
                break;
            case Form::kPacked32:
                done = Scale(Packed<4>{reader->channels}, reader->form, source, target, pacer);
                break;
        }
        if (!done) {
            return ResampleStatus::kStopped;
        }
    } catch (const std::bad_alloc&) {
        return ResampleStatus::kOutOfMemory;
    }
    return ResampleStatus::kOk;
}

bool ResampleRowsFits(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight) {
#if IXO_PAIRED_SHRINK
    SourceRows source;
    source.width = sourceWidth;
    source.height = sourceHeight;
    BgrxRows target;
    target.width = targetWidth;
    target.height = targetHeight;
    return sourceWidth > 0 && sourceHeight > 0 && targetWidth > 0 && targetHeight > 0 &&
           PairedShrinkFits(source, target);
#else
    (void)sourceWidth, (void)sourceHeight, (void)targetWidth, (void)targetHeight;
    return false;
#endif
}

ResampleStatus ResampleRows(int sourceWidth, int sourceHeight, RowSource& rows, const BgrxRows& target,
                            const std::function<bool()>& keepGoing) {
    if (!ResampleRowsFits(sourceWidth, sourceHeight, target.width, target.height)) {
        return ResampleStatus::kBadSource;
    }
    if (!TargetFits(target)) {
        return ResampleStatus::kBadTarget;
    }
#if IXO_PAIRED_SHRINK
    try {
        bool fed = true;
        const auto hold = [&](size_t first, size_t count, const uint8_t** into) {
            size_t stride = 0;
            const uint8_t* base = rows.Hold(first, count, &stride);
            if (base == nullptr || stride < 3 * static_cast<size_t>(sourceWidth)) {
                fed = false;
                return false;
            }
            for (size_t k = 0; k < count; ++k) {
                into[k] = base + k * stride;
            }
            return true;
        };
        Pacer pacer(keepGoing);
        if (!PairedShrink(Direct24{}, Form::kDirect24, sourceWidth, sourceHeight, hold, target, pacer)) {
            return fed ? ResampleStatus::kStopped : ResampleStatus::kBadSource;
        }
    } catch (const std::bad_alloc&) {
        return ResampleStatus::kOutOfMemory;
    }
    return ResampleStatus::kOk;
#else
    (void)rows, (void)keepGoing;
    return ResampleStatus::kBadSource;
#endif
}

bool DescribeDibRows(std::span<const uint8_t> info, std::span<const uint8_t> rows, SourceRows* out) {
    if (out == nullptr || info.size() < bmp::kInfoHeaderBytes) {
        return false;
    }
    const bmp::InfoHeader h = bmp::ReadInfoHeader(info);
    if (h.size < bmp::kInfoHeaderBytes || h.size > info.size() || h.width <= 0 || h.height == 0 ||
        h.height == INT32_MIN || !bmp::IsValidBitCount(h.bitCount)) {
        return false;
    }
    SourceRows s;
    s.rows = rows.data();
    s.bytes = rows.size();
    s.width = h.width;
    s.height = h.height < 0 ? -h.height : h.height;
    s.topDown = h.height < 0;
    s.bitCount = h.bitCount;
    s.rowStride = static_cast<size_t>(bmp::RowBytes(static_cast<uint64_t>(h.width), h.bitCount));
    const size_t after = info.size() - h.size;
    if (h.compression == bmp::kBiBitFields && (h.bitCount == 16 || h.bitCount == 32)) {
        // The masks lie at bytes 40 to 51 inside a header that long, and follow a shorter one.
        const size_t masksAt = h.size >= bmp::kInfoHeaderBytes + 12 ? bmp::kInfoHeaderBytes : h.size;
        if (info.size() - masksAt < 12) {
            return false;
        }
        s.redMask = bmp::ReadU32(info.data() + masksAt);
        s.greenMask = bmp::ReadU32(info.data() + masksAt + 4);
        s.blueMask = bmp::ReadU32(info.data() + masksAt + 8);
    } else if (h.compression != bmp::kBiRgb) {
        return false;
    }
    if (h.bitCount <= 8) {
        const size_t entries = h.clrUsed != 0 ? h.clrUsed : size_t{1} << h.bitCount;
        if (entries > (size_t{1} << h.bitCount) || entries > after / 4) {
            return false;
        }
        s.colorTable = info.data() + h.size;
        s.colorCount = entries;
    }
    *out = s;
    return true;
}
