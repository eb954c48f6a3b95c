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
struct AVIOContext;
struct AVIOInterruptCB;

// "unicode:utf8:", the prefix of names our own I/O serves.
extern const char* const kUnicodeProtocolPrefix;

// False for names whose text before the first ":" is a stream or network protocol
// we leave alone; on a UTF-8 file interface no character can be lost either, so
// every name goes to the libraries as it is.
bool NeedsUnicodeProtocol(const std::string& name);
// The name the libraries receive: the prefix plus UTF-8 when needed; "file:"
// plus the name for a local file with a ":" in its name, or a name whose text
// before the ":" is no protocol the libraries know; else the name.
std::string ToLibraryFileName(const std::string& name);
// The real file name behind a library name (our prefix or "file:" removed when present).
std::string FromLibraryFileName(const std::string& text);
// True when `libraryName` carries the prefix and something after it.
bool HasUnicodeProtocolPrefix(const std::string& libraryName);
// Called each time avformat is bound; nothing to register with current libraries.
void RegisterUnicodeProtocol();

// avformat_open_input for a library file name. Returns 0 or a negative library error
// (-2, AVERROR(ENOENT), when a prefixed name cannot be opened). On failure *ctx is
// freed and set to null, as avformat_open_input does.
int OpenInputContext(AVFormatContext** ctx, const std::string& libraryName, const AVInputFormat* format,
                     AVDictionary** options, const AVIOInterruptCB* interrupt = nullptr);
// avformat_close_input plus release of our own I/O, if any.
void CloseInputContext(AVFormatContext** ctx);
// Opens ctx->pb for writing (avio_open2 or our own I/O). Returns 0 or a negative library error.
int OpenOutputIO(AVFormatContext* ctx, const std::string& libraryName,
                 const AVIOInterruptCB* interrupt = nullptr, AVDictionary** options = nullptr);
// Flushes and closes ctx->pb, whichever kind it is; sets it to null.
void CloseOutputIO(AVFormatContext* ctx);

// Our own I/O for a prefixed name, with AVIO_FLAG_* access: read opens an existing
// file only; write (or read-write) creates the file or truncates it. Returns 0 or
// AVERROR(ENOENT) whatever the system's reason. Free with CloseUnicodeIO.
int OpenUnicodeIO(AVIOContext** pb, const std::string& libraryName, int avioFlags,
                  const AVIOInterruptCB* interrupt = nullptr);
// Flushes, closes the file and frees the context; *pb becomes null. Null is allowed.
void CloseUnicodeIO(AVIOContext** pb);
// True when `pb` is one of ours.
bool IsUnicodeIO(const AVIOContext* pb);
