#pragma once
// The image-import plug-in interface, declared once for the host and our plug-ins.
// Every export and the progress callback use the Windows calling convention
// (the callee removes the arguments) and undecorated names.
#include <windows.h>

#pragma pack(push, 1)
struct PictureInfo {
    long left;
    long top;
    long width;
    long height;
    WORD x_density;
    WORD y_density;
    short colorDepth;
    HLOCAL hInfo;  // text found in the picture, or null; the caller frees it
};
#pragma pack(pop)
static_assert(sizeof(PictureInfo) == 26, "PictureInfo is byte-packed");

typedef int(WINAPI* SpiProgressCallback)(int nNum, int nDenom, long lData);
typedef int(WINAPI* SpiGetPluginInfoFn)(int infono, LPSTR buf, int buflen);
typedef int(WINAPI* SpiIsSupportedFn)(LPSTR filename, DWORD dw);
typedef int(WINAPI* SpiGetPictureInfoFn)(LPSTR buf, long len, unsigned int flag, PictureInfo* lpInfo);
typedef int(WINAPI* SpiGetPictureFn)(LPSTR buf, long len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                                     SpiProgressCallback lpProgressCallback, long lData);

// Results of the exports.
enum SpiResult : int {
    kSpiNotImplemented = -1,
    kSpiSuccess = 0,
    kSpiAborted = 1,
    kSpiUnknownFormat = 2,
    kSpiBrokenData = 3,
    kSpiOutOfMemory = 4,
    kSpiMemoryError = 5,
    kSpiFileReadError = 6,
    kSpiReserved = 7,
    kSpiInternalError = 8,
    kSpiWriteError = 9,
    kSpiEndOfFile = 10,
};

// Input kinds in the low three bits of `flag`.
constexpr unsigned int kSpiInputFile = 0;    // buf is a file name, len the offset of the picture in it
constexpr unsigned int kSpiInputMemory = 1;  // buf is the file image in memory, len its size
constexpr unsigned int kSpiInputMask = 7;
