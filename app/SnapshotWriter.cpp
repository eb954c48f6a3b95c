#include "app/SnapshotWriter.h"

#include "app/SnapshotNaming.h"
#include "media/FileHelpers.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <unistd.h>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace {

constexpr int JpegQuality = 90;
constexpr int PngCompression = 6; // zlib's default trade of size against time
constexpr int GifColours = 256;

void putLe16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void putLe32(std::vector<uint8_t>& out, uint32_t v) {
    putLe16(out, static_cast<uint16_t>(v));
    putLe16(out, static_cast<uint16_t>(v >> 16));
}

} // namespace

bool WriteBmp(const TBitmap24& b, FILE* f, std::string& error) {
    constexpr uint32_t HeaderSize = 14 + 40;
    const uint32_t imageSize = static_cast<uint32_t>(b.Stride()) * static_cast<uint32_t>(b.Height);
    std::vector<uint8_t> header;
    header.reserve(HeaderSize);
    header.push_back('B');
    header.push_back('M');
    putLe32(header, HeaderSize + imageSize);
    putLe32(header, 0);
    putLe32(header, HeaderSize);
    putLe32(header, 40);
    putLe32(header, static_cast<uint32_t>(b.Width));
    putLe32(header, static_cast<uint32_t>(b.Height)); // positive: bottom-up
    putLe16(header, 1);                               // planes
    putLe16(header, 24);                              // bits per pixel
    putLe32(header, 0);                               // no compression
    putLe32(header, imageSize);
    putLe32(header, 2835); // 72 dpi
    putLe32(header, 2835);
    putLe32(header, 0);
    putLe32(header, 0);
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size();
    for (int y = b.Height - 1; ok && y >= 0; --y)
        ok = std::fwrite(b.Row(y), 1, static_cast<size_t>(b.Stride()), f) == static_cast<size_t>(b.Stride());
    if (!ok)
        error = std::strerror(errno);
    return ok;
}

namespace {

struct JpegError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr info) {
    auto* e = reinterpret_cast<JpegError*>(info->err);
    info->err->format_message(info, e->Message);
    std::longjmp(e->Jump, 1);
}

// The library reports errors by a long jump; only plain data lives in this
// frame, so nothing is skipped by it.
bool writeJpeg(const TBitmap24& b, FILE* f, std::string& error) {
    jpeg_compress_struct c;
    JpegError e;
    c.err = jpeg_std_error(&e.Manager);
    e.Manager.error_exit = jpegErrorExit;
    if (setjmp(e.Jump)) {
        jpeg_destroy_compress(&c);
        error = e.Message;
        return false;
    }
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = static_cast<JDIMENSION>(b.Width);
    c.image_height = static_cast<JDIMENSION>(b.Height);
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c); // JFIF header included
    jpeg_set_quality(&c, JpegQuality, TRUE);
    // Full colour resolution: the video's picture is already subsampled once, and
    // a second, differently placed subsampling smears coloured edges.
    for (int i = 0; i < c.num_components; ++i)
        c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(b.Row(static_cast<int>(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return true;
}

bool writePng(const TBitmap24& b, FILE* f, std::string& error) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        error = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = "PNG encoding failed";
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, PngCompression);
    png_set_IHDR(png, info, static_cast<png_uint_32>(b.Width), static_cast<png_uint_32>(b.Height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int y = 0; y < b.Height; ++y)
        png_write_row(png, b.Row(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Refines a median-cut palette: each pixel takes its nearest palette colour
// (the cut only knows its box), each colour moves to the mean of its pixels,
// and the pixels are assigned once more. Nearest colours are looked up once
// per 6-bit-per-channel colour, so a large picture costs little more than a small one.
void refinePalette(const std::vector<GifByteType>& red, const std::vector<GifByteType>& green,
                   const std::vector<GifByteType>& blue, std::vector<GifByteType>& indices,
                   std::vector<GifColorType>& palette, int colours) {
    constexpr int Passes = 2;
    constexpr int KeyBits = 6;
    constexpr int Shift = 8 - KeyBits;
    constexpr int Unknown = -1;
    std::vector<int16_t> nearest(size_t{1} << (3 * KeyBits));
    const size_t pixels = indices.size();
    for (int pass = 0; pass <= Passes; ++pass) {
        std::fill(nearest.begin(), nearest.end(), static_cast<int16_t>(Unknown));
        for (size_t i = 0; i < pixels; ++i) {
            const size_t key = (static_cast<size_t>(red[i] >> Shift) << (2 * KeyBits)) |
                               (static_cast<size_t>(green[i] >> Shift) << KeyBits) | (blue[i] >> Shift);
            if (nearest[key] == Unknown) {
                int best = 0;
                int bestDistance = INT_MAX;
                for (int c = 0; c < colours; ++c) {
                    const int dr = palette[c].Red - red[i], dg = palette[c].Green - green[i],
                              db = palette[c].Blue - blue[i];
                    const int distance = dr * dr + dg * dg + db * db;
                    if (distance < bestDistance) {
                        bestDistance = distance;
                        best = c;
                    }
                }
                nearest[key] = static_cast<int16_t>(best);
            }
            indices[i] = static_cast<GifByteType>(nearest[key]);
        }
        if (pass == Passes)
            break;
        std::vector<std::array<uint64_t, 4>> sums(static_cast<size_t>(colours), {0, 0, 0, 0});
        for (size_t i = 0; i < pixels; ++i) {
            auto& s = sums[indices[i]];
            s[0] += red[i];
            s[1] += green[i];
            s[2] += blue[i];
            ++s[3];
        }
        for (int c = 0; c < colours; ++c) {
            const auto& s = sums[static_cast<size_t>(c)];
            if (s[3] == 0)
                continue;
            palette[c].Red = static_cast<GifByteType>((s[0] + s[3] / 2) / s[3]);
            palette[c].Green = static_cast<GifByteType>((s[1] + s[3] / 2) / s[3]);
            palette[c].Blue = static_cast<GifByteType>((s[2] + s[3] / 2) / s[3]);
        }
    }
}

// Median-cut reduction to a palette of at most 256 colours, refined, without
// dithering: previews are natural pictures, where dithering only adds noise.
bool writeGif(const TBitmap24& b, int fd, std::string& error) {
    const size_t pixels = static_cast<size_t>(b.Width) * static_cast<size_t>(b.Height);
    std::vector<GifByteType> red(pixels), green(pixels), blue(pixels), indices(pixels);
    for (int y = 0; y < b.Height; ++y) {
        const uint8_t* row = b.Row(y);
        const size_t at = static_cast<size_t>(y) * static_cast<size_t>(b.Width);
        for (int x = 0; x < b.Width; ++x) {
            blue[at + x] = row[3 * x];
            green[at + x] = row[3 * x + 1];
            red[at + x] = row[3 * x + 2];
        }
    }
    int colours = GifColours;
    std::vector<GifColorType> palette(GifColours);
    if (GifQuantizeBuffer(static_cast<unsigned>(b.Width), static_cast<unsigned>(b.Height), &colours,
                          red.data(), green.data(), blue.data(), indices.data(),
                          palette.data()) == GIF_ERROR) {
        ::close(fd);
        error = "GIF colour reduction failed";
        return false;
    }
    refinePalette(red, green, blue, indices, palette, colours);
    int code = 0;
    GifFileType* gif = EGifOpenFileHandle(fd, &code); // owns fd from here on
    if (!gif) {
        ::close(fd);
        error = GifErrorString(code);
        return false;
    }
    // The colour table's size must be a power of two; unused entries stay black.
    ColorMapObject* map = GifMakeMapObject(GifColours, palette.data());
    bool ok = map && EGifPutScreenDesc(gif, b.Width, b.Height, 8, 0, map) != GIF_ERROR &&
              EGifPutImageDesc(gif, 0, 0, b.Width, b.Height, false, nullptr) != GIF_ERROR;
    for (int y = 0; ok && y < b.Height; ++y)
        ok = EGifPutLine(gif, indices.data() + static_cast<size_t>(y) * static_cast<size_t>(b.Width),
                         b.Width) != GIF_ERROR;
    if (!ok)
        error = GifErrorString(gif->Error);
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &code) == GIF_ERROR && ok) {
        error = GifErrorString(code);
        ok = false;
    }
    return ok;
}

} // namespace

TWriteResult WriteSnapshotFile(const TBitmap24& bitmap, TSnapshotType type, const std::string& fileName,
                               std::string& error) {
    if (bitmap.Width <= 0 || bitmap.Height <= 0) {
        error = "empty picture";
        return TWriteResult::Failed;
    }
    // Exclusive creation: a file made by anyone since the name was chosen stays untouched.
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST)
            return TWriteResult::Exists;
        error = std::strerror(errno);
        return TWriteResult::Failed;
    }
    bool ok;
    if (type == TSnapshotType::Gif) {
        ok = writeGif(bitmap, fd, error);
    } else {
        FilePtr f(::fdopen(fd, "wb"));
        if (!f) {
            ::close(fd);
            error = std::strerror(errno);
            ok = false;
        } else {
            ok = type == TSnapshotType::Bmp   ? WriteBmp(bitmap, f.get(), error)
                 : type == TSnapshotType::Jpg ? writeJpeg(bitmap, f.get(), error)
                                              : writePng(bitmap, f.get(), error);
            if (std::fclose(f.release()) != 0 && ok) {
                error = std::strerror(errno);
                ok = false;
            }
        }
    }
    if (!ok) {
        std::error_code ignored;
        std::filesystem::remove(fileName, ignored);
        return TWriteResult::Failed;
    }
    return TWriteResult::Written;
}

std::string SaveSnapshot(const TBitmap24& bitmap, TSnapshotType type, const std::string& folder,
                         const std::string& sourceFile, std::string& error) {
    const auto extension = SnapshotTypeInfo(type).Extension;
    for (int number = 1; number > 0; ++number) {
        const std::string name = SnapshotFileName(folder, sourceFile, number, extension);
        switch (WriteSnapshotFile(bitmap, type, name, error)) {
        case TWriteResult::Written:
            return name;
        case TWriteResult::Failed:
            return {};
        case TWriteResult::Exists:
            break;
        }
    }
    error = "no free snapshot name";
    return {};
}
