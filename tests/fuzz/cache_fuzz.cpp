// Fuzz target for the pattern cache reader: any bytes as a cache file, read
// the way the program reads it at start.
//
// Checks that reading never touches memory it should not, never reserves more
// than a canvas-sized frame per record, and that every record it accepts is a
// frame that converts to a screen frame and back to the same record (padding
// bits aside).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "storage/cache_core.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "cache_fuzz: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An empty buffer cannot be opened as a memory stream: an empty file then.
  static unsigned char empty[1];
  std::FILE* fp = fmemopen(size > 0 ? const_cast<std::uint8_t*>(data) : empty, size > 0 ? size : 0, "rb");
  if (fp == nullptr) fp = std::tmpfile();
  if (fp == nullptr) return 0;

  // The program's sequence: the magic, then the records one by one until one
  // cannot be used; the stream is closed at that point.
  const bool magic = wzrv::ReadMagic(fp);
  Check(magic == (size >= wzrv::ZRVIDBytes && std::memcmp(data, wzrv::ZRVID, wzrv::ZRVIDBytes) == 0),
        "magic test disagrees with the bytes");
  std::FILE* load = magic ? fp : nullptr;
  std::size_t offset = wzrv::ZRVIDBytes;
  for (int frame = 0; frame < 40 && load != nullptr; ++frame) {
    wzrv::CacheRecord record;
    const wzrv::RecordStatus s = wzrv::LoadCacheRecord(&load, &record);
    if (s != wzrv::RecordStatus::Ok) {
      Check(load == nullptr, "the stream stays open after an unusable record");
      fp = nullptr;  // closed by the reader
      break;
    }
    const wzrv::RecordHeader& h = record.header;
    Check(wzrv::AcceptableHeader(h), "accepted a refused header");
    Check(record.rows.size() == static_cast<std::size_t>(h.bmWidthBytes) * h.bmHeight, "rows size");
    Check(record.rows.size() <= static_cast<std::size_t>(wzrv::PaddedRowBytes(wzrv::MaxRecordWidth)) *
                                    wzrv::MaxRecordHeight,
          "record larger than the canvas");
    Check(offset + wzrv::RecordHeaderBytes + record.rows.size() <= size, "record past the end of the data");
    offset += wzrv::RecordHeaderBytes + record.rows.size();

    wzrv::MonoFrame f;
    Check(wzrv::FrameFromRecord(record, &f), "accepted record is no frame");
    const wzrv::CacheRecord back = wzrv::RecordFromFrame(f);
    Check(back.rows.size() == record.rows.size(), "round trip changes the size");
    const int rowBytes = f.RowBytes();
    for (int line = 0; line < h.bmHeight; ++line)
      for (int c = 0; c < h.bmWidth; ++c) {
        const std::size_t at = static_cast<std::size_t>(line) * h.bmWidthBytes + c / 8;
        const unsigned mask = 0x80u >> (c % 8);
        Check((back.rows[at] & mask) == (record.rows[at] & mask), "round trip changes a pixel");
      }
    (void)rowBytes;
  }
  if (fp != nullptr) std::fclose(fp);
  return 0;
}
