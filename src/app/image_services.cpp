#include "app/image_services.h"

// jpeglib.h needs FILE and size_t declared first.
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include <QFile>
#include <algorithm>
#include <array>
#include <climits>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

// The default header bitmaps live in qlt_core's resources; a static library's resource object is
// only linked in when something names it. Q_INIT_RESOURCE must be used outside any namespace.
static void InitImageResources() { Q_INIT_RESOURCE(resources); }

namespace {

using Failure = CImageServices::Failure;

constexpr qsizetype kFileHeaderSize = 14;
constexpr quint32 kInfoHeaderSize = 40;
constexpr quint32 kBiRgb = 0;
// A real progressive file has about ten scans; thousands only make the decoder loop over its
// whole coefficient buffer again and again.
constexpr int kMaxJpegScans = 500;

// The picture being worked on: blue, green, red bytes, each row padded to a multiple of 4 bytes.
// Rows are numbered bottom-up (buffer row 0 is the bottom row of the picture), and resampling
// walks them in that order, which decides which source rows a result row takes. The bytes live
// top-down in the QImage that becomes the result, so a full-size decode is not copied again.
struct WorkingImage {
  int width = 0;
  int height = 0;
  qsizetype stride = 0;
  QImage storage;
  uchar* bits = nullptr;

  uchar* BufferRow(int row) { return TopRow(height - 1 - row); }
  const uchar* BufferRow(int row) const { return TopRow(height - 1 - row); }
  // Row `y` counted from the top of the picture.
  uchar* TopRow(int y) { return bits + y * stride; }
  const uchar* TopRow(int y) const { return bits + y * stride; }
};

bool Allocate(WorkingImage& image, int width, int height) {
  QImage storage(width, height, QImage::Format_RGB888);
  if (storage.isNull()) return false;
  image.bits = storage.bits();
  image.storage = std::move(storage);
  image.width = width;
  image.height = height;
  image.stride = image.storage.bytesPerLine();
  return true;
}

quint16 ReadLe16(const uchar* p) { return quint16(p[0] | (p[1] << 8)); }
quint32 ReadLe32(const uchar* p) {
  return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

// ---------------------------------------------------------------------------------------------
// Windows bitmap files: 4, 8 and 24 bits per pixel, uncompressed, behind the 40-byte information
// header or one of its longer forms (the 52- and 56-byte extensions, the 64-byte OS/2 header, the
// 108- and 124-byte headers), which all begin with the same 40 bytes.

bool DecodeBitmap(const uchar* data, qsizetype length, qint64 maxPixels, WorkingImage& image,
                  Failure& failure) {
  if (length < kFileHeaderSize + qsizetype(kInfoHeaderSize)) {
    failure = Failure::kTooShort;
    return false;
  }
  const quint32 pixelOffset = ReadLe32(data + 10);
  const uchar* info = data + kFileHeaderSize;
  const quint32 headerSize = ReadLe32(info);
  const qint32 width = qint32(ReadLe32(info + 4));
  const qint32 storedHeight = qint32(ReadLe32(info + 8));
  const quint16 depth = ReadLe16(info + 14);
  const quint32 compression = ReadLe32(info + 16);
  const quint32 coloursUsed = ReadLe32(info + 32);

  // Shorter headers (the 12-byte core header) lay their fields out differently. Bitfield masks,
  // which other forms keep after the header or inside it, only come with depths refused here.
  if (headerSize < kInfoHeaderSize || (depth != 4 && depth != 8 && depth != 24) ||
      compression != kBiRgb) {
    failure = Failure::kUnsupportedFormat;
    return false;
  }
  // The colour table follows the whole header, whatever its length.
  const qint64 tableStart = kFileHeaderSize + qint64(headerSize);
  if (tableStart > length) {
    failure = Failure::kTooShort;
    return false;
  }
  if (width <= 0 || storedHeight == 0 || storedHeight == INT32_MIN) {
    failure = Failure::kUnreadableBitmap;
    return false;
  }
  // A negative height marks rows stored top-down.
  const bool topDown = storedHeight < 0;
  const qint64 height = topDown ? -qint64(storedHeight) : qint64(storedHeight);
  if (qint64(width) * height > maxPixels) {
    failure = Failure::kTooLarge;
    return false;
  }

  // Entries past the table (an index the table does not have) read as black.
  uchar palette[256][3] = {};
  qint64 tableEnd = tableStart;
  if (depth <= 8) {
    const quint32 capacity = 1u << depth;
    const quint32 colours = coloursUsed == 0 ? capacity : coloursUsed;
    tableEnd += qint64(colours) * 4;
    if (colours > capacity || tableEnd > length) {
      failure = Failure::kUnreadableBitmap;
      return false;
    }
    const uchar* entry = data + tableStart;
    for (quint32 i = 0; i < colours; ++i, entry += 4) std::memcpy(palette[i], entry, 3);
  }

  // The header's own image size is not trusted: the rows must be in the file.
  const qint64 rowBytes = (qint64(width) * depth + 31) / 32 * 4;
  if (pixelOffset < tableEnd || pixelOffset > quint64(length) ||
      rowBytes * height > length - qint64(pixelOffset)) {
    failure = Failure::kUnreadableBitmap;
    return false;
  }
  if (!Allocate(image, width, int(height))) {
    failure = Failure::kOutOfMemory;
    return false;
  }

  for (int stored = 0; stored < height; ++stored) {
    const uchar* in = data + pixelOffset + stored * rowBytes;
    uchar* out = image.BufferRow(topDown ? int(height) - 1 - stored : stored);
    if (depth == 24) {
      std::memcpy(out, in, size_t(width) * 3);
    } else if (depth == 8) {
      for (int x = 0; x < width; ++x, out += 3) std::memcpy(out, palette[in[x]], 3);
    } else {
      // Two pixels a byte, the left one in the high nibble.
      for (int x = 0; x < width; ++x, out += 3) {
        const int index = (x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4);
        std::memcpy(out, palette[index], 3);
      }
    }
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// JPEG through libjpeg. The decoder reports errors by a longjmp back into the function that
// called it, so everything that calls into libjpeg is plain C-style code without objects that
// have destructors; the C++ caller owns the memory.

struct JpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

struct JpegSource {
  jpeg_source_mgr pub;
};

struct JpegDecoder {
  jpeg_decompress_struct cinfo;
  JpegErrorManager error;
  JpegSource source;
  jpeg_progress_mgr progress;
};

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void JpegErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings (corrupt or truncated data) are not errors, and nothing is printed.
void JpegOutputMessage(j_common_ptr) {}

void JpegInitSource(j_decompress_ptr) {}
void JpegTermSource(j_decompress_ptr) {}

// The whole input was handed out at once; when the decoder wants more, it gets an end-of-image
// marker, again and again, so that a truncated file still comes to an end.
boolean JpegFillInputBuffer(j_decompress_ptr cinfo) {
  cinfo->src->next_input_byte = kEndOfImage;
  cinfo->src->bytes_in_buffer = sizeof(kEndOfImage);
  return TRUE;
}

void JpegSkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  if (size_t(count) >= cinfo->src->bytes_in_buffer) {
    JpegFillInputBuffer(cinfo);
    return;
  }
  cinfo->src->next_input_byte += count;
  cinfo->src->bytes_in_buffer -= size_t(count);
}

void JpegProgress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor &&
      reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans) {
    cinfo->err->error_exit(cinfo);
  }
}

// Creates the decoder on `d` (zero-filled by the caller) and reads the header with the APP1
// segments. False on a decoder error; jpeg_destroy_decompress is safe either way.
bool JpegReadHeader(JpegDecoder* d, const uchar* data, size_t length, long maxMemory) {
  d->cinfo.err = jpeg_std_error(&d->error.pub);
  d->error.pub.error_exit = JpegErrorExit;
  d->error.pub.output_message = JpegOutputMessage;
  if (setjmp(d->error.jump)) return false;
  jpeg_create_decompress(&d->cinfo);
  d->cinfo.mem->max_memory_to_use = maxMemory;

  d->source.pub.next_input_byte = data;
  d->source.pub.bytes_in_buffer = length;
  d->source.pub.init_source = JpegInitSource;
  d->source.pub.fill_input_buffer = JpegFillInputBuffer;
  d->source.pub.skip_input_data = JpegSkipInputData;
  d->source.pub.resync_to_restart = jpeg_resync_to_restart;
  d->source.pub.term_source = JpegTermSource;
  d->cinfo.src = &d->source.pub;
  d->progress.progress_monitor = JpegProgress;
  d->cinfo.progress = &d->progress;

  jpeg_save_markers(&d->cinfo, JPEG_APP0 + 1, 0xFFFF);
  return jpeg_read_header(&d->cinfo, TRUE) == JPEG_HEADER_OK;
}

// Where the decoded scanlines go: `row` gives the memory for scanline `y` (counted from the top,
// at least 3 × width bytes); `done`, when set, is told once it holds blue, green, red pixels.
// Neither may throw or allocate.
struct JpegRowTarget {
  uchar* (*row)(void* context, JDIMENSION y);
  void (*done)(void* context, const uchar* row, JDIMENSION y);
  void* context;
};

// Decodes the picture whose header was read, one scanline after the other. One-component output
// is spread over the three channels. False on a decoder error.
bool JpegReadPixels(JpegDecoder* d, JDIMENSION width, JDIMENSION height,
                    const JpegRowTarget* target) {
  if (setjmp(d->error.jump)) return false;
  jpeg_start_decompress(&d->cinfo);
  const int components = d->cinfo.output_components;
  if (d->cinfo.output_width != width || d->cinfo.output_height != height ||
      (components != 1 && components != 3)) {
    jpeg_abort_decompress(&d->cinfo);
    return false;
  }
  while (d->cinfo.output_scanline < height) {
    const JDIMENSION y = d->cinfo.output_scanline;
    JSAMPROW row = target->row(target->context, y);
    // Our source never suspends, so no row read means the decoder cannot go on.
    if (jpeg_read_scanlines(&d->cinfo, &row, 1) != 1) {
      jpeg_abort_decompress(&d->cinfo);
      return false;
    }
    if (components == 1) {
      for (JDIMENSION x = width; x-- > 0;) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = row[x];
    }
    if (target->done) target->done(target->context, row, y);
  }
  jpeg_finish_decompress(&d->cinfo);
  return true;
}

// The EXIF orientation (1 to 8) of the first APP1 segment that holds one, 0 when none does.
int ExifOrientation(const jpeg_saved_marker_ptr markers) {
  for (jpeg_saved_marker_ptr marker = markers; marker; marker = marker->next) {
    if (marker->marker != JPEG_APP0 + 1 || marker->data_length <= 31) continue;
    const uchar* segment = marker->data;
    if (std::memcmp(segment, "Exif\0\0", 6) != 0) continue;
    const uchar* tiff = segment + 6;
    const quint64 size = marker->data_length - 6;
    bool bigEndian;
    if (tiff[0] == 'I' && tiff[1] == 'I') {
      bigEndian = false;
    } else if (tiff[0] == 'M' && tiff[1] == 'M') {
      bigEndian = true;
    } else {
      continue;
    }
    auto read16 = [bigEndian](const uchar* p) {
      return bigEndian ? quint16((p[0] << 8) | p[1]) : ReadLe16(p);
    };
    auto read32 = [bigEndian, read16](const uchar* p) {
      return bigEndian ? (quint32(read16(p)) << 16) | read16(p + 2) : ReadLe32(p);
    };
    if (read16(tiff + 2) != 42) continue;
    const quint64 directory = read32(tiff + 4);
    if (directory + 2 > size) continue;
    const quint64 entries = read16(tiff + directory);
    if (directory + 2 + entries * 12 > size) continue;
    for (quint64 i = 0; i < entries; ++i) {
      const uchar* entry = tiff + directory + 2 + i * 12;
      if (read16(entry) == 0x0112 && read16(entry + 2) == 3 && read32(entry + 4) == 1) {
        const int value = read16(entry + 8);
        if (value >= 1 && value <= 8) return value;
      }
    }
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Geometry.

// Replaces the picture by the one seen after a quarter turn or mirroring. In top-down
// coordinates the result's pixel (X, Y) is the source pixel (x, y) with (u, v) = (Y, X) when the
// axes are swapped, else (X, Y); x = width − 1 − u when mirrored across, else u; and likewise y.
bool Transform(WorkingImage& image, bool swapAxes, bool flipX, bool flipY) {
  WorkingImage result;
  if (!Allocate(result, swapAxes ? image.height : image.width,
                swapAxes ? image.width : image.height)) {
    return false;
  }
  for (int y = 0; y < result.height; ++y) {
    uchar* out = result.TopRow(y);
    for (int x = 0; x < result.width; ++x, out += 3) {
      const int u = swapAxes ? y : x;
      const int v = swapAxes ? x : y;
      const int sourceX = flipX ? image.width - 1 - u : u;
      const int sourceY = flipY ? image.height - 1 - v : v;
      std::memcpy(out, image.TopRow(sourceY) + sourceX * 3, 3);
    }
  }
  image = std::move(result);
  return true;
}

bool RotateCounterClockwise(WorkingImage& image) { return Transform(image, true, true, false); }

// Turns a decoded JPEG upright as its EXIF orientation asks.
bool ApplyOrientation(WorkingImage& image, int orientation) {
  switch (orientation) {
    case 2:
      return Transform(image, false, true, false);  // mirrored left to right
    case 3:
      return Transform(image, false, true, true);  // half turn
    case 4:
      return Transform(image, false, false, true);  // mirrored top to bottom
    case 5:
      return Transform(image, true, false, false);  // transposed
    case 6:
      return Transform(image, true, false, true);  // stored a quarter counter-clockwise
    case 7:
      return Transform(image, true, true, true);  // transversed
    case 8:
      return RotateCounterClockwise(image);  // stored a quarter clockwise
    default:
      return true;
  }
}

// Output position i of `outSize` takes source positions from i × inSize ÷ outSize.
qint64 SourceStart(qint64 i, qint64 inSize, qint64 outSize) { return i * inSize / outSize; }

bool ResizeNearest(WorkingImage& image, int width, int height) {
  WorkingImage result;
  if (!Allocate(result, width, height)) return false;
  std::vector<qsizetype> columnOffset(static_cast<size_t>(width));
  for (int x = 0; x < width; ++x) columnOffset[x] = SourceStart(x, image.width, width) * 3;
  for (int row = 0; row < height; ++row) {
    const uchar* in = image.BufferRow(int(SourceStart(row, image.height, height)));
    uchar* out = result.BufferRow(row);
    for (int x = 0; x < width; ++x, out += 3) std::memcpy(out, in + columnOffset[x], 3);
  }
  image = std::move(result);
  return true;
}

// The block of source positions averaged into output position i: it starts where nearest
// sampling would and reaches the next block's first position, unless that lies outside the
// picture, in which case it is the single start position.
struct Span {
  int first;
  int count;
};

std::vector<Span> AreaSpans(int inSize, int outSize) {
  std::vector<Span> spans(static_cast<size_t>(outSize));
  for (int i = 0; i < outSize; ++i) {
    const qint64 first = SourceStart(i, inSize, outSize);
    const qint64 next = SourceStart(i + 1, inSize, outSize);
    spans[i] = {int(first), next < inSize ? int(next - first + 1) : 1};
  }
  return spans;
}

bool ResizeArea(WorkingImage& image, int width, int height) {
  WorkingImage result;
  if (!Allocate(result, width, height)) return false;
  const std::vector<Span> columns = AreaSpans(image.width, width);
  const std::vector<Span> rows = AreaSpans(image.height, height);
  for (int row = 0; row < height; ++row) {
    const Span& rowSpan = rows[row];
    uchar* out = result.BufferRow(row);
    for (int x = 0; x < width; ++x, out += 3) {
      const Span& columnSpan = columns[x];
      quint64 sum[3] = {0, 0, 0};
      for (int r = rowSpan.first; r < rowSpan.first + rowSpan.count; ++r) {
        const uchar* in = image.BufferRow(r) + columnSpan.first * 3;
        for (int c = 0; c < columnSpan.count; ++c, in += 3) {
          sum[0] += in[0];
          sum[1] += in[1];
          sum[2] += in[2];
        }
      }
      const quint64 count = quint64(rowSpan.count) * quint64(columnSpan.count);
      for (int channel = 0; channel < 3; ++channel) out[channel] = uchar(sum[channel] / count);
    }
  }
  image = std::move(result);
  return true;
}

// Resamples a picture to a smaller (or equal) size while its rows arrive from the decoder, so a
// thumbnail of a large photo never needs the photo's full working image. The result is the one
// ResizeNearest or ResizeArea would give on the whole working image: rows are identified by their
// position in the bottom-up working image, and every block sum is the sum of its row sums.
class CStreamingDownscale {
 public:
  static bool Applies(int inWidth, int inHeight, int outWidth, int outHeight) {
    return outWidth <= inWidth && outHeight <= inHeight;
  }

  // Allocates everything up front; `result` becomes the output picture.
  bool Prepare(int inWidth, int inHeight, int outWidth, int outHeight, bool nearest,
               WorkingImage& result) {
    m_inWidth = inWidth;
    m_inHeight = inHeight;
    m_nearest = nearest;
    m_result = &result;
    if (!Allocate(result, outWidth, outHeight)) return false;
    m_scratch.resize(size_t(inWidth) * 3);
    m_rowsOf.assign(size_t(inHeight), {-1, -1});
    if (nearest) {
      m_columnOffset.resize(size_t(outWidth));
      for (int x = 0; x < outWidth; ++x) m_columnOffset[x] = SourceStart(x, inWidth, outWidth) * 3;
      // Shrinking, every result row takes a different source row.
      for (int r = 0; r < outHeight; ++r) m_rowsOf[SourceStart(r, inHeight, outHeight)][0] = r;
      return true;
    }
    m_columns = AreaSpans(inWidth, outWidth);
    m_rows = AreaSpans(inHeight, outHeight);
    // Shrinking, the blocks of consecutive result rows overlap by at most their edge row, so a
    // source row belongs to at most two of them, and at most two are being summed at a time.
    for (int r = 0; r < outHeight; ++r) {
      for (int b = m_rows[r].first; b < m_rows[r].first + m_rows[r].count; ++b) {
        std::array<int, 2>& owners = m_rowsOf[b];
        (owners[0] < 0 ? owners[0] : owners[1]) = r;
      }
    }
    m_rowSums.resize(size_t(outWidth) * 3);
    for (std::vector<quint64>& sums : m_blockSums) sums.resize(size_t(outWidth) * 3);
    return true;
  }

  static uchar* Row(void* self, JDIMENSION) {
    return static_cast<CStreamingDownscale*>(self)->m_scratch.data();
  }
  static void Done(void* self, const uchar* row, JDIMENSION y) {
    static_cast<CStreamingDownscale*>(self)->Take(row, int(y));
  }

 private:
  void Take(const uchar* row, int scanline) {
    const int b = m_inHeight - 1 - scanline;  // its row in the working image
    const std::array<int, 2>& owners = m_rowsOf[b];
    if (owners[0] < 0) return;
    const int outWidth = m_result->width;
    if (m_nearest) {
      uchar* out = m_result->BufferRow(owners[0]);
      for (int x = 0; x < outWidth; ++x) std::memcpy(out + 3 * x, row + m_columnOffset[x], 3);
      return;
    }
    for (int x = 0; x < outWidth; ++x) {
      quint64 sum[3] = {0, 0, 0};
      const uchar* in = row + m_columns[x].first * 3;
      for (int c = 0; c < m_columns[x].count; ++c, in += 3) {
        sum[0] += in[0];
        sum[1] += in[1];
        sum[2] += in[2];
      }
      std::memcpy(&m_rowSums[size_t(x) * 3], sum, sizeof(sum));
    }
    for (int r : owners) {
      if (r < 0) continue;
      const Span& span = m_rows[r];
      quint64* block = m_blockSums[r & 1].data();
      // Rows arrive top first, so a block's highest working-image row comes first and its lowest
      // last.
      if (b == span.first + span.count - 1) std::fill_n(block, outWidth * 3, 0);
      for (int i = 0; i < outWidth * 3; ++i) block[i] += m_rowSums[i];
      if (b != span.first) continue;
      uchar* out = m_result->BufferRow(r);
      for (int x = 0; x < outWidth; ++x) {
        const quint64 count = quint64(span.count) * quint64(m_columns[x].count);
        for (int c = 0; c < 3; ++c) out[3 * x + c] = uchar(block[3 * x + c] / count);
      }
    }
  }

  int m_inWidth = 0;
  int m_inHeight = 0;
  bool m_nearest = false;
  WorkingImage* m_result = nullptr;
  std::vector<uchar> m_scratch;
  // The result rows (at most two) each working-image row contributes to; -1 for none.
  std::vector<std::array<int, 2>> m_rowsOf;
  std::vector<qsizetype> m_columnOffset;
  std::vector<Span> m_columns;
  std::vector<Span> m_rows;
  std::vector<quint64> m_rowSums;
  std::vector<quint64> m_blockSums[2];
};

uchar* StoreRow(void* image, JDIMENSION y) {
  return static_cast<WorkingImage*>(image)->TopRow(int(y));
}

// Decodes a JPEG and turns it upright. When a smaller size is wanted and the picture needs no
// turning, it is resampled while it is decoded and `resized` is set.
bool DecodeJpeg(const uchar* data, qsizetype length, qint64 maxPixels, int width, int height,
                bool nearest, bool reduced, WorkingImage& image, bool& resized, Failure& failure) {
  // Value-initialised: the decoder structures start zero-filled, as libjpeg expects.
  auto decoder = std::make_unique<JpegDecoder>();
  struct Release {
    JpegDecoder* d;
    ~Release() { jpeg_destroy_decompress(&d->cinfo); }
  } release{decoder.get()};

  // Enough for the coefficients of a progressive picture at the pixel limit.
  const long maxMemory = long(qMax<qint64>(qint64(64) << 20, maxPixels * 8));
  if (!JpegReadHeader(decoder.get(), data, size_t(length), maxMemory)) {
    failure = Failure::kDecoderError;
    return false;
  }
  jpeg_decompress_struct& cinfo = decoder->cinfo;
  if (qint64(cinfo.image_width) * qint64(cinfo.image_height) > maxPixels) {
    failure = Failure::kTooLarge;
    return false;
  }
  // The decoder's default colour space decides: colour comes out as three components, which we
  // take in blue, green, red order; grey as one.
  if (cinfo.out_color_space == JCS_RGB) {
    cinfo.out_color_space = JCS_EXT_BGR;
  } else if (cinfo.out_color_space != JCS_GRAYSCALE) {
    failure = Failure::kUnsupportedFormat;
    return false;
  }
  const int orientation = ExifOrientation(cinfo.marker_list);
  if (reduced && width > 0 && height > 0) {
    // The decoder's own scaling, as far as the picture stays at least the wanted size (in the
    // stored picture's axes, which orientations 5 to 8 swap).
    const bool swapped = orientation >= 5;
    const qint64 wantWidth = swapped ? height : width;
    const qint64 wantHeight = swapped ? width : height;
    for (unsigned denominator : {8u, 4u, 2u}) {
      if ((cinfo.image_width + denominator - 1) / denominator >= wantWidth &&
          (cinfo.image_height + denominator - 1) / denominator >= wantHeight) {
        cinfo.scale_num = 1;
        cinfo.scale_denom = denominator;
        break;
      }
    }
  }
  jpeg_calc_output_dimensions(&cinfo);
  const int inWidth = int(cinfo.output_width);
  const int inHeight = int(cinfo.output_height);

  const bool upright = orientation < 2;
  resized = upright && width > 0 && height > 0 && (width != inWidth || height != inHeight) &&
            CStreamingDownscale::Applies(inWidth, inHeight, width, height);
  CStreamingDownscale downscale;
  JpegRowTarget target{StoreRow, nullptr, &image};
  if (resized) {
    if (!downscale.Prepare(inWidth, inHeight, width, height, nearest, image)) {
      failure = Failure::kOutOfMemory;
      return false;
    }
    target = {CStreamingDownscale::Row, CStreamingDownscale::Done, &downscale};
  } else if (!Allocate(image, inWidth, inHeight)) {
    failure = Failure::kOutOfMemory;
    return false;
  }
  if (!JpegReadPixels(decoder.get(), cinfo.output_width, cinfo.output_height, &target)) {
    failure = Failure::kDecoderError;
    return false;
  }
  if (!ApplyOrientation(image, orientation)) {
    failure = Failure::kOutOfMemory;
    return false;
  }
  return true;
}

// The result: the working image's own storage with blue and red swapped into place.
QImage ToQImage(WorkingImage& image) {
  for (int y = 0; y < image.height; ++y) {
    uchar* pixel = image.TopRow(y);
    for (int x = 0; x < image.width; ++x, pixel += 3) std::swap(pixel[0], pixel[2]);
  }
  image.bits = nullptr;
  return std::move(image.storage);
}

QImage DecodeResource(const char* path) {
  QFile file(QString::fromLatin1(path));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return CImageServices().LoadImage(file.readAll());
}

}  // namespace

QImage CImageServices::LoadImage(const uchar* source, qsizetype length, int width, int height,
                                 unsigned flags, Failure* failure) const {
  Failure ignored;
  Failure& why = failure ? *failure : ignored;
  why = Failure::kNone;
  if (!source || length < 3) {
    why = Failure::kTooShort;
    return {};
  }
  if (width < 0 || height < 0) {
    why = Failure::kInvalidSize;
    return {};
  }
  const bool resize = width > 0 && height > 0;
  if (resize && qint64(width) * height > m_maxPixels) {
    why = Failure::kTooLarge;
    return {};
  }

  try {
    WorkingImage image;
    const bool nearest = flags & kNearestNeighbour;
    bool resized = false;
    const bool bitmap = source[0] == 'B' && source[1] == 'M';
    if (!(bitmap ? DecodeBitmap(source, length, m_maxPixels, image, why)
                 : DecodeJpeg(source, length, m_maxPixels, width, height, nearest,
                              (flags & kReducedDecode) != 0, image, resized, why))) {
      return {};
    }
    if (resize && !resized && (width != image.width || height != image.height)) {
      if (!(nearest ? ResizeNearest(image, width, height) : ResizeArea(image, width, height))) {
        why = Failure::kOutOfMemory;
        return {};
      }
    }
    if ((flags & kRotateCounterClockwise) && !RotateCounterClockwise(image)) {
      why = Failure::kOutOfMemory;
      return {};
    }
    return ToQImage(image);
  } catch (const std::bad_alloc&) {
    why = Failure::kOutOfMemory;
    return {};
  }
}

QImage CImageServices::LoadImage(const QByteArray& source, int width, int height, unsigned flags,
                                 Failure* failure) const {
  return LoadImage(reinterpret_cast<const uchar*>(source.constData()), source.size(), width, height,
                   flags, failure);
}

QSize CImageServices::ImageSize(const QByteArray& source, Failure* failure) const {
  Failure ignored;
  Failure& why = failure ? *failure : ignored;
  why = Failure::kNone;
  const auto* data = reinterpret_cast<const uchar*>(source.constData());
  if (source.size() < 3) {
    why = Failure::kTooShort;
    return {};
  }
  if (data[0] == 'B' && data[1] == 'M') {
    if (source.size() < kFileHeaderSize + qsizetype(kInfoHeaderSize)) {
      why = Failure::kTooShort;
      return {};
    }
    const qint64 width = qint32(ReadLe32(data + 18));
    const qint64 height = qAbs(qint64(qint32(ReadLe32(data + 22))));
    if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX) {
      why = Failure::kUnreadableBitmap;
      return {};
    }
    return QSize(int(width), int(height));
  }
  auto decoder = std::make_unique<JpegDecoder>();
  struct Release {
    JpegDecoder* d;
    ~Release() { jpeg_destroy_decompress(&d->cinfo); }
  } release{decoder.get()};
  if (!JpegReadHeader(decoder.get(), data, size_t(source.size()), long(64) << 20)) {
    why = Failure::kDecoderError;
    return {};
  }
  const int width = int(decoder->cinfo.image_width);
  const int height = int(decoder->cinfo.image_height);
  return ExifOrientation(decoder->cinfo.marker_list) >= 5 ? QSize(height, width)
                                                          : QSize(width, height);
}

QImage CImageServices::DefaultHeaderImage(bool doubledScale) {
  static std::once_flag once;
  std::call_once(once, InitImageResources);
  static const QImage normal = DecodeResource(":/default_header.bmp");
  static const QImage doubled = DecodeResource(":/default_header_large.bmp");
  return doubledScale ? doubled : normal;
}
