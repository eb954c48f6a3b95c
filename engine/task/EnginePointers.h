// Owning pointers for the library objects a conversion task holds. Each
// deleter is the library's own free function; codec contexts that are still
// open are closed under CodecLock, as every codec close must be.
#pragma once

#include "media/LibraryPointers.h"

#include <cstdio>
#include <memory>

// Outputs use FormatContextPtr. An output's file is closed separately (TOutputFile),
// so that the 0-byte check runs between closing and freeing.
struct CodecContextFree {
    void operator()(AVCodecContext* c) const;
};
struct InputContextFree {
    void operator()(AVFormatContext* c) const;
};
struct FileClose {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextFree>;
using FilePtr = std::unique_ptr<std::FILE, FileClose>;

// An AVDictionary* that callers fill through Address() and that frees itself.
class DictionaryHolder {
public:
    DictionaryHolder() = default;
    ~DictionaryHolder() { av_dict_free(&dict_); }
    DictionaryHolder(const DictionaryHolder&) = delete;
    DictionaryHolder& operator=(const DictionaryHolder&) = delete;
    DictionaryHolder(DictionaryHolder&& other) noexcept : dict_(other.dict_) { other.dict_ = nullptr; }
    DictionaryHolder& operator=(DictionaryHolder&& other) noexcept {
        if (this != &other) {
            av_dict_free(&dict_);
            dict_ = other.dict_;
            other.dict_ = nullptr;
        }
        return *this;
    }

    AVDictionary** Address() { return &dict_; }
    AVDictionary* Get() const { return dict_; }

private:
    AVDictionary* dict_ = nullptr;
};
