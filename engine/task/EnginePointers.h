// Owning pointers for the library objects a conversion task holds. Each
// deleter is the library's own free function; codec contexts that are still
// open are closed under CodecLock, as every codec close must be.
#pragma once

#include "media/FileHelpers.h" // FilePtr
#include "media/LibraryPointers.h"

#include <memory>

// Outputs use FormatContextPtr. An output's file is closed separately (TOutputFile),
// so that the 0-byte check runs between closing and freeing.
struct CodecContextFree {
    void operator()(AVCodecContext* c) const;
};
struct InputContextFree {
    void operator()(AVFormatContext* c) const;
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextFree>;
