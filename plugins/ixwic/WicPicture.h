#pragma once
// One picture opened through Windows Imaging Component: the input stream (a file from
// an offset, or the caller's memory), its decoder and first frame, and what the frame's
// header tells without decoding the pixels.
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdint>

namespace ixwic {

using Microsoft::WRL::ComPtr;

// Initialises COM on the calling thread for the length of one export call. A thread that
// already runs COM in another apartment model is fine: WIC works in either.
class CComScope {
public:
    CComScope() : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;
    ~CComScope() {
        if (SUCCEEDED(m_hr)) {
            ::CoUninitialize();
        }
    }

private:
    HRESULT m_hr;
};

// The plug-in result code for a failed WIC call.
int ResultFromHresult(HRESULT hr);

// The imaging factory, or null.
ComPtr<IWICImagingFactory> CreateFactory();

struct FrameHeader {
    uint32_t width = 0;  // as stored, before the orientation is applied
    uint32_t height = 0;
    int orientation = 1;  // EXIF orientation, 1 when the picture names none
    int bitsPerPixel = 0;
    double dpiX = 0;
    double dpiY = 0;
};

// The header of a JPEG input read by the plug-in itself, without the system's decoder
// (which may decode every pixel to answer); false for any other input, or when the
// headers cannot be read. The size is as stored, before the orientation.
bool ReadJpegInput(LPSTR buf, LONG_PTR len, unsigned int flag, FrameHeader* out);

class CWicPicture {
public:
    CWicPicture() = default;
    CWicPicture(const CWicPicture&) = delete;
    CWicPicture& operator=(const CWicPicture&) = delete;

    // Opens the input as the plug-in interface passes it and reads the first frame's
    // header. COM must be initialised. Returns a plug-in result code.
    int Open(LPSTR buf, LONG_PTR len, unsigned int flag);

    const FrameHeader& Header() const { return m_header; }
    IWICImagingFactory* Factory() const { return m_factory.Get(); }
    IWICBitmapFrameDecode* Frame() const { return m_frame.Get(); }

private:
    int OpenStream(LPSTR buf, LONG_PTR len, unsigned int flag);
    int OpenFileStream(LPCSTR path, LONG_PTR offset);
    void ReadHeaderDetails();

    ComPtr<IWICImagingFactory> m_factory;
    ComPtr<IWICStream> m_file;
    ComPtr<IWICStream> m_stream;
    ComPtr<IWICBitmapDecoder> m_decoder;
    ComPtr<IWICBitmapFrameDecode> m_frame;
    FrameHeader m_header;
};

}  // namespace ixwic
