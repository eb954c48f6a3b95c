// Binding of the media libraries, in two sets. The libraries are linked when the
// program is built, so binding comes down to each library's start-up step; the
// failure texts stay the same as for libraries opened at run time.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

enum TLibraryId : uint8_t {
    libAVCodec,
    libAVDevice,
    libAVFilter,
    libAVFormat,
    libAVUtil,
    libSWScale,
    libCRT,
    libSDL,
    LibraryCount
};

// A set of libraries as a bit mask: bit n is library n.
using TLibrarySet = uint32_t;
constexpr TLibrarySet LibraryBit(TLibraryId id) { return TLibrarySet{1} << id; }
constexpr TLibrarySet ConverterLibrarySet = LibraryBit(libAVCodec) | LibraryBit(libAVFilter) |
                                            LibraryBit(libAVFormat) | LibraryBit(libAVUtil) |
                                            LibraryBit(libSWScale) | LibraryBit(libCRT);
constexpr TLibrarySet PlayerLibrarySet = ConverterLibrarySet | LibraryBit(libSDL);

class TFFmpegLoader {
public:
    void SetLibraryPath(const std::string& directory);
    std::string LibraryPath() const;
    std::string LibraryFileName(TLibraryId id) const;
    bool BindLibrary(TLibraryId id);
    bool BindSet(TLibrarySet set);
    bool IsBound(TLibraryId id) const;
    bool IsSetBound(TLibrarySet set) const;
    void ReleaseLibrary(TLibraryId id);
    void ReleaseSet(TLibrarySet set);
    std::string LastError() const;
};

// The process's loader (main thread only).
TFFmpegLoader& FFmpegLoader();

// Held around every codec open and close, in every thread.
std::mutex& CodecLock();
