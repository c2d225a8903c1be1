#include "pipeline/TiffEncoder.h"

#include <QColorSpace>

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace vorlap {

namespace {

// libtiff writes through these callbacks into memory: the file's name is its content hash,
// so the bytes are needed before the file exists.
struct MemoryFile {
    QByteArray bytes;
    qint64 at = 0;
};

MemoryFile& memory(thandle_t handle) { return *static_cast<MemoryFile*>(handle); }

tmsize_t readMemory(thandle_t handle, void* buffer, tmsize_t size)
{
    MemoryFile& file = memory(handle);
    const qint64 count = std::clamp<qint64>(file.bytes.size() - file.at, 0, size);
    std::memcpy(buffer, file.bytes.constData() + file.at, size_t(count));
    file.at += count;
    return count;
}

tmsize_t writeMemory(thandle_t handle, void* buffer, tmsize_t size)
{
    MemoryFile& file = memory(handle);
    if (file.at + size > file.bytes.size())
        file.bytes.resize(file.at + size);
    std::memcpy(file.bytes.data() + file.at, buffer, size_t(size));
    file.at += size;
    return size;
}

toff_t seekMemory(thandle_t handle, toff_t offset, int whence)
{
    MemoryFile& file = memory(handle);
    const qint64 base = whence == SEEK_CUR ? file.at : whence == SEEK_END ? file.bytes.size() : 0;
    file.at = base + qint64(offset);
    return toff_t(file.at);
}

int closeMemory(thandle_t) { return 0; }
toff_t memorySize(thandle_t handle) { return toff_t(memory(handle).bytes.size()); }
int mapNothing(thandle_t, void**, toff_t*) { return 0; }
void unmapNothing(thandle_t, void*, toff_t) {}

// Failures come back as a false result; nothing is printed on the build's standard error.
int quietly(TIFF*, void*, const char*, const char*, va_list) { return 1; }

bool isOpaque(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return true;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (!std::all_of(row, row + image.width(), [](QRgb pixel) { return qAlpha(pixel) == 255; }))
            return false;
    }
    return true;
}

bool writePage(TIFF* tiff, const TiffPage& page, const QByteArray& iccProfile)
{
    const QImage argb = page.image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const bool opaque = isOpaque(argb);
    const QImage pixels = argb.convertToFormat(opaque ? QImage::Format_RGB888 : QImage::Format_RGBA8888_Premultiplied);
    if (pixels.isNull())
        return false;
    const uint16_t samples = opaque ? 3 : 4;
    const uint16_t associatedAlpha[] = {EXTRASAMPLE_ASSOCALPHA};
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(pixels.width())) &&
              TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(pixels.height())) &&
              TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(8)) &&
              TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples) &&
              (opaque || TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, uint16_t(1), associatedAlpha)) &&
              TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_RGB)) &&
              TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG)) &&
              TIFFSetField(tiff, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_TOPLEFT)) &&
              TIFFSetField(tiff, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_LZW)) &&
              TIFFSetField(tiff, TIFFTAG_PREDICTOR, uint16_t(PREDICTOR_HORIZONTAL)) &&
              TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0)) &&
              TIFFSetField(tiff, TIFFTAG_XRESOLUTION, float(page.dotsPerInch)) &&
              TIFFSetField(tiff, TIFFTAG_YRESOLUTION, float(page.dotsPerInch)) &&
              TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH)) &&
              TIFFSetField(tiff, TIFFTAG_ICCPROFILE, uint32_t(iccProfile.size()), iccProfile.constData());
    // The horizontal predictor differences each row in place: libtiff gets a private copy.
    QImage rows = pixels.copy();
    for (int y = 0; ok && y < rows.height(); ++y)
        ok = TIFFWriteScanline(tiff, rows.scanLine(y), uint32_t(y), 0) == 1;
    return ok && TIFFWriteDirectory(tiff);
}

} // namespace

std::optional<QByteArray> encodeTiff(const std::vector<TiffPage>& pages)
{
    const QByteArray iccProfile = QColorSpace(QColorSpace::SRgb).iccProfile();
    MemoryFile file;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, quietly, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quietly, nullptr);
    TIFF* opened = TIFFClientOpenExt("background.tiff", "w", &file, readMemory, writeMemory, seekMemory, closeMemory,
                                     memorySize, mapNothing, unmapNothing, options);
    TIFFOpenOptionsFree(options);
    if (!opened)
        return std::nullopt;
    const std::unique_ptr<TIFF, decltype(&TIFFClose)> tiff(opened, &TIFFClose);
    for (const TiffPage& page : pages) {
        if (page.image.isNull() || !writePage(tiff.get(), page, iccProfile))
            return std::nullopt;
    }
    return file.bytes;
}

} // namespace vorlap
