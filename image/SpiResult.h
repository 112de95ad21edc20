#pragma once
// The results of the image-import plug-in interface's exports. Portable: no <windows.h>.

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
