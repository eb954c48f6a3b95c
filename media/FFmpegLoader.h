// Binding of the media libraries, in two sets. The libraries are linked when the
// program is built, so binding comes down to each library's start-up step; the
// failure texts stay the same as for libraries opened at run time.
//
// File names follow one rule on every platform: base name, "-" and the major
// version when there is one, then the platform's suffix (".so" here), e.g.
// "avcodec-59.so", "SDL2.so". They name a library in failure texts and are what
// an opener that loads libraries at run time is asked for.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class TFFBaseComponent;

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
constexpr TLibrarySet LibraryBit(TLibraryId id) {
    return TLibrarySet{1} << id;
}
constexpr TLibrarySet ConverterLibrarySet = LibraryBit(libAVCodec) | LibraryBit(libAVFilter) |
                                            LibraryBit(libAVFormat) | LibraryBit(libAVUtil) |
                                            LibraryBit(libSWScale) | LibraryBit(libCRT);
constexpr TLibrarySet PlayerLibrarySet = ConverterLibrarySet | LibraryBit(libSDL);

// Opens libraries and finds their entry points. The program's own opener stands
// for the libraries linked into it and never fails; tests put in their own.
class TLibraryOpener {
public:
    virtual ~TLibraryOpener() = default;
    // `path` is a full path, or a bare file name for the system's default search.
    // On failure returns false with the system's reason in `reason`.
    virtual bool Open(TLibraryId id, const std::string& path, std::string& reason) = 0;
    // Finds one entry point of an opened library; false with the reason.
    virtual bool Resolve(TLibraryId id, const char* entry, std::string& reason) = 0;
    virtual void Close(TLibraryId id) = 0;
};

std::unique_ptr<TLibraryOpener> MakeLinkedLibraryOpener();

class TFFmpegLoader {
public:
    explicit TFFmpegLoader(std::unique_ptr<TLibraryOpener> opener = MakeLinkedLibraryOpener());
    ~TFFmpegLoader();
    TFFmpegLoader(const TFFmpegLoader&) = delete;
    TFFmpegLoader& operator=(const TFFmpegLoader&) = delete;

    void SetLibraryPath(const std::string& directory);
    std::string LibraryPath() const;
    std::string LibraryFileName(TLibraryId id) const;
    // Opens, resolves and starts one library. Every successful call, also for a
    // library bound before, re-installs the log hook (avutil) or re-checks the
    // protocol registration (avformat).
    bool BindLibrary(TLibraryId id);
    // Binds the members in id order; on the first failure releases what this call
    // bound (libraries bound before stay bound) and returns false.
    bool BindSet(TLibrarySet set);
    bool IsBound(TLibraryId id) const;
    bool IsSetBound(TLibrarySet set) const;
    void ReleaseLibrary(TLibraryId id);
    void ReleaseSet(TLibrarySet set);
    std::string LastError() const;

private:
    struct Status {
        bool open = false;
        bool bound = false;
    };
    bool resolveEntries(TLibraryId id);

    std::unique_ptr<TLibraryOpener> opener_;
    std::string libraryPath_;
    std::string lastError_;
    Status status_[LibraryCount];
};

// The process's loader (main thread only).
TFFmpegLoader& FFmpegLoader();

// The folder the program's media libraries are looked for in: "LibAV" in
// `programFolder` (with or without its trailing "/").
std::string LibraryFolderIn(const std::string& programFolder);

// The LoadLibraries and LibrariesLoaded of a component that needs `set` (the
// converter and the player). On failure LoadLibrarySet returns false, copies the
// loader's text into `lastError` and logs it at llError with `sender`.
bool LoadLibrarySet(TLibrarySet set, const std::string& directory, std::string& lastError,
                    const TFFBaseComponent* sender, TFFmpegLoader& loader = FFmpegLoader());
bool LibrarySetLoaded(TLibrarySet set, const TFFmpegLoader& loader = FFmpegLoader());

// Held around every codec open and close, in every thread.
std::mutex& CodecLock();
