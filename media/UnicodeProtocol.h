// File names handed to and taken from the media libraries. Names carrying the
// "unicode:utf8:" prefix are served by our own I/O (open, read, write, seek,
// close) since current libraries cannot register protocols; every other name
// goes to the libraries unchanged. Every place that opens a file through the
// libraries (probe, engine input and output, player) goes through the open
// helpers below, so prefixed names work everywhere.
#pragma once

#include <string>

struct AVFormatContext;
struct AVInputFormat;
struct AVDictionary;
struct AVIOInterruptCB;

bool NeedsUnicodeProtocol(const std::string& name);
std::string ToLibraryFileName(const std::string& name);
std::string FromLibraryFileName(const std::string& text);
// Called each time avformat is bound; nothing to register with current libraries.
void RegisterUnicodeProtocol();

// avformat_open_input for a library file name. Returns 0 or a negative library error
// (-2, AVERROR(ENOENT), when a prefixed name cannot be opened).
int OpenInputContext(AVFormatContext** ctx, const std::string& libraryName, const AVInputFormat* format,
                     AVDictionary** options, const AVIOInterruptCB* interrupt = nullptr);
// avformat_close_input plus release of our own I/O, if any.
void CloseInputContext(AVFormatContext** ctx);
// Opens ctx->pb for writing (avio_open2 or our own I/O). Returns 0 or a negative library error.
int OpenOutputIO(AVFormatContext* ctx, const std::string& libraryName, const AVIOInterruptCB* interrupt = nullptr,
                 AVDictionary** options = nullptr);
// Flushes and closes ctx->pb, whichever kind it is; sets it to null.
void CloseOutputIO(AVFormatContext* ctx);
