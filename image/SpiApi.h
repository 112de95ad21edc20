#pragma once
// The image-import plug-in interface, declared once for the host and our plug-ins.
// Every export and the progress callback use the Windows calling convention
// (the callee removes the arguments) and undecorated names.
//
// A 64-bit process cannot load a 32-bit DLL, so the 64-bit tree speaks the 64-bit form
// of the interface, whose plug-ins are named *.SPH: the same exports, with the buffer
// length, IsSupported's data word and the callback's user data pointer-sized
// (LONG_PTR / DWORD_PTR, which are long / DWORD in a 32-bit build, so the 32-bit form
// is unchanged), and PictureInfo padded so that hInfo sits on an 8-byte boundary.
#include <windows.h>

#include <cstddef>

#include "image/SpiResult.h"  // the results of the exports

// Byte-packed in both forms. The 32-bit form has no padding (26 bytes, hInfo at 22);
// the 64-bit form adds two bytes before hInfo (32 bytes, hInfo at 24).
#pragma pack(push, 1)
struct PictureInfo {
    long left;
    long top;
    long width;
    long height;
    WORD x_density;
    WORD y_density;
    short colorDepth;
#ifdef _WIN64
    char alignment[2];  // the 64-bit form's padding: hInfo on an 8-byte boundary
#endif
    HLOCAL hInfo;  // text found in the picture, or null; the caller frees it
};
#pragma pack(pop)
#ifdef _WIN64
static_assert(sizeof(PictureInfo) == 32 && offsetof(PictureInfo, hInfo) == 24, "64-bit PictureInfo layout");
#else
static_assert(sizeof(PictureInfo) == 26 && offsetof(PictureInfo, hInfo) == 22, "32-bit PictureInfo is byte-packed");
#endif

typedef int(WINAPI* SpiProgressCallback)(int nNum, int nDenom, LONG_PTR lData);
typedef int(WINAPI* SpiGetPluginInfoFn)(int infono, LPSTR buf, int buflen);
typedef int(WINAPI* SpiIsSupportedFn)(LPSTR filename, DWORD_PTR dw);
typedef int(WINAPI* SpiGetPictureInfoFn)(LPSTR buf, LONG_PTR len, unsigned int flag, PictureInfo* lpInfo);
typedef int(WINAPI* SpiGetPictureFn)(LPSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                                     SpiProgressCallback lpProgressCallback, LONG_PTR lData);

// The wide forms that several plug-ins also export: the same arguments, with a file's
// name in UTF-16. With the memory-input flag `buf` is still the file image.
typedef int(WINAPI* SpiIsSupportedWFn)(LPCWSTR filename, DWORD_PTR dw);
typedef int(WINAPI* SpiGetPictureInfoWFn)(LPCWSTR buf, LONG_PTR len, unsigned int flag, PictureInfo* lpInfo);
typedef int(WINAPI* SpiGetPictureWFn)(LPCWSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                                      SpiProgressCallback lpProgressCallback, LONG_PTR lData);

// IsSupported's data word points to the first 2 KB of the file, or is a legacy caller's
// file handle when its value fits in 16 bits.
inline bool SpiDataIsFileHandle(DWORD_PTR dw) {
    return (dw & ~static_cast<DWORD_PTR>(0xFFFF)) == 0;
}

// The plug-in files this build can load, below the SPI folder: *.SPI in a 32-bit build,
// *.SPH in a 64-bit one.
#ifdef _WIN64
constexpr char kSpiPluginExtension[] = "SPH";
#else
constexpr char kSpiPluginExtension[] = "SPI";
#endif

// Input kinds in the low three bits of `flag`.
constexpr unsigned int kSpiInputFile = 0;    // buf is a file name, len the offset of the picture in it
constexpr unsigned int kSpiInputMemory = 1;  // buf is the file image in memory, len its size
constexpr unsigned int kSpiInputMask = 7;
