#include "plugins/ixwic/WicPicture.h"

#include <string>

#include "image/SpiApi.h"

namespace ixwic {

namespace {

// Where the orientation may be found: the property-system name (Windows), then the
// EXIF tag inside a JPEG's APP1 block and inside a TIFF's first IFD.
constexpr const wchar_t* kOrientationQueries[] = {
    L"System.Photo.Orientation",
    L"/app1/ifd/{ushort=274}",
    L"/ifd/{ushort=274}",
};

int OrientationFromValue(const PROPVARIANT& value) {
    switch (value.vt) {
        case VT_UI2:
            return value.uiVal;
        case VT_I2:
            return value.iVal;
        case VT_UI4:
            return static_cast<int>(value.ulVal);
        case VT_I4:
            return value.lVal;
        case VT_UI1:
            return value.bVal;
        default:
            return 0;
    }
}

int ReadOrientation(IWICBitmapFrameDecode* frame) {
    ComPtr<IWICMetadataQueryReader> reader;
    if (FAILED(frame->GetMetadataQueryReader(&reader)) || !reader) {
        return 1;
    }
    for (const wchar_t* query : kOrientationQueries) {
        PROPVARIANT value;
        ::PropVariantInit(&value);
        int orientation = 0;
        if (SUCCEEDED(reader->GetMetadataByName(query, &value))) {
            orientation = OrientationFromValue(value);
        }
        ::PropVariantClear(&value);
        if (orientation >= 1 && orientation <= 8) {
            return orientation;
        }
    }
    return 1;
}

}  // namespace

namespace {

bool IsOutOfMemory(HRESULT hr) {
    return hr == E_OUTOFMEMORY || hr == HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY) ||
           hr == HRESULT_FROM_WIN32(ERROR_OUTOFMEMORY) || hr == WINCODEC_ERR_IMAGESIZEOUTOFRANGE;
}

// The answers of a decoder that took the data as its own and found it damaged.
bool IsDamage(HRESULT hr) {
    return hr == WINCODEC_ERR_BADHEADER || hr == WINCODEC_ERR_BADIMAGE || hr == WINCODEC_ERR_BADSTREAMDATA ||
           hr == WINCODEC_ERR_FRAMEMISSING;
}

}  // namespace

// No decoder's pattern matched (COMPONENTNOTFOUND), or the decoder whose pattern matched
// refused the data as it opened it: Wine's built-in decoders then answer E_FAIL or
// UNKNOWNIMAGEFORMAT, and the factory may pass on a refusal as COMPONENTNOTFOUND.
int ResultOfOpening(HRESULT hr) {
    if (hr == WINCODEC_ERR_COMPONENTNOTFOUND || hr == WINCODEC_ERR_UNKNOWNIMAGEFORMAT || hr == E_FAIL) {
        return kSpiUnknownFormat;
    }
    return ResultOfDecoding(hr);
}

int ResultOfDecoding(HRESULT hr) {
    if (IsOutOfMemory(hr)) {
        return kSpiOutOfMemory;
    }
    return IsDamage(hr) ? kSpiBrokenData : kSpiFileReadError;
}

ComPtr<IWICImagingFactory> CreateFactory() {
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)))) {
        factory.Reset();
    }
    return factory;
}

int CWicPicture::Open(const ExportInput& input) {
    m_factory = CreateFactory();
    if (!m_factory) {
        return kSpiInternalError;
    }
    int result = OpenStream(input);
    if (result != kSpiSuccess) {
        return result;
    }
    HRESULT hr = m_factory->CreateDecoderFromStream(m_stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                    &m_decoder);
    if (SUCCEEDED(hr)) {
        hr = m_decoder->GetFrame(0, &m_frame);
    }
    UINT width = 0, height = 0;
    if (SUCCEEDED(hr)) {
        hr = m_frame->GetSize(&width, &height);
    }
    if (FAILED(hr)) {
        return ResultOfOpening(hr);
    }
    if (width == 0 || height == 0) {
        return kSpiBrokenData;
    }
    m_header.width = width;
    m_header.height = height;
    ReadHeaderDetails();
    return kSpiSuccess;
}

bool CWicPicture::DecodedAs(const GUID& container) const {
    GUID format = {};
    return m_decoder && SUCCEEDED(m_decoder->GetContainerFormat(&format)) && format == container;
}

void CWicPicture::AgreeWith(const PictureHeader& header) {
    if (header.width == m_header.width && header.height == m_header.height) {
        m_header.orientation = header.orientation;
    }
}

int CWicPicture::OpenStream(const ExportInput& input) {
    if (!input.memory) {
        return OpenFileStream(input.path, input.len);
    }
    if (input.data == nullptr) {
        return kSpiFileReadError;
    }
    if (input.len <= 0) {
        return kSpiUnknownFormat;
    }
    // A memory stream takes a 32-bit size.
    if (static_cast<ULONG_PTR>(input.len) > MAXDWORD) {
        return kSpiOutOfMemory;
    }
    // The stream only reads the caller's bytes.
    if (FAILED(m_factory->CreateStream(&m_stream)) ||
        FAILED(m_stream->InitializeFromMemory(const_cast<BYTE*>(input.data), static_cast<DWORD>(input.len)))) {
        return kSpiMemoryError;
    }
    return kSpiSuccess;
}

// A file is read through a stream; a picture that starts at an offset is read through a
// window of that stream, so the decoder sees the picture alone.
int CWicPicture::OpenFileStream(const std::wstring& path, LONG_PTR offset) {
    STATSTG stat = {};
    if (path.empty() || offset < 0 || FAILED(m_factory->CreateStream(&m_file)) ||
        FAILED(m_file->InitializeFromFilename(path.c_str(), GENERIC_READ)) ||
        FAILED(m_file->Stat(&stat, STATFLAG_NONAME))) {
        return kSpiFileReadError;
    }
    const uint64_t size = stat.cbSize.QuadPart;
    if (offset == 0) {
        m_stream = m_file;
        return kSpiSuccess;
    }
    if (static_cast<uint64_t>(offset) >= size) {
        return kSpiFileReadError;
    }
    ULARGE_INTEGER start, length;
    start.QuadPart = static_cast<uint64_t>(offset);
    length.QuadPart = size - start.QuadPart;
    if (FAILED(m_factory->CreateStream(&m_stream)) ||
        FAILED(m_stream->InitializeFromIStreamRegion(m_file.Get(), start, length))) {
        return kSpiFileReadError;
    }
    return kSpiSuccess;
}

void CWicPicture::ReadHeaderDetails() {
    m_header.orientation = ReadOrientation(m_frame.Get());
    if (FAILED(m_frame->GetResolution(&m_header.dpiX, &m_header.dpiY))) {
        m_header.dpiX = m_header.dpiY = 0;
    }
}

}  // namespace ixwic
