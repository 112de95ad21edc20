#pragma once
// One picture opened through Windows Imaging Component: the input stream (a file from
// an offset, or the caller's memory), its decoder and first frame, and what the decoder
// tells of the frame: its size, orientation and density.
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>

#include "plugins/ixwic/ExportInput.h"
#include "plugins/ixwic/PictureHeader.h"

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

// The plug-in result code for a failed WIC call while a picture is opened (its decoder
// found, its first frame and size asked for): kSpiUnknownFormat when no decoder took the
// data or the one that recognised it refused it without saying why, kSpiBrokenData when a
// decoder called it damaged, kSpiOutOfMemory, and kSpiFileReadError for everything else
// (read errors, locks, operations the decoder does not support, unexpected answers).
int ResultOfOpening(HRESULT hr);
// The same once the picture is open, while its pixels are converted: a refusal now is
// no verdict on the data.
int ResultOfDecoding(HRESULT hr);

// The imaging factory, or null.
ComPtr<IWICImagingFactory> CreateFactory();

class CWicPicture {
public:
    CWicPicture() = default;
    CWicPicture(const CWicPicture&) = delete;
    CWicPicture& operator=(const CWicPicture&) = delete;

    // Opens an export's input and reads the first frame's header. COM must be initialised.
    // Returns a plug-in result code.
    int Open(const ExportInput& input);

    const PictureHeader& Header() const { return m_header; }
    // The plug-in's own reading of the header settles the orientation when it agrees with
    // the decoder on the size, so that the picture turns as the reported information says.
    void AgreeWith(const PictureHeader& header);
    IWICImagingFactory* Factory() const { return m_factory.Get(); }
    IWICBitmapFrameDecode* Frame() const { return m_frame.Get(); }
    // Whether the open picture's decoder is the one of this container format.
    bool DecodedAs(const GUID& container) const;

private:
    int OpenStream(const ExportInput& input);
    int OpenFileStream(const std::wstring& path, LONG_PTR offset);
    void ReadHeaderDetails();

    ComPtr<IWICImagingFactory> m_factory;
    ComPtr<IWICStream> m_file;
    ComPtr<IWICStream> m_stream;
    ComPtr<IWICBitmapDecoder> m_decoder;
    ComPtr<IWICBitmapFrameDecode> m_frame;
    PictureHeader m_header;
};

}  // namespace ixwic
