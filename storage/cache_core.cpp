#include "storage/cache_core.h"

#include <cstring>


namespace wzrv {

const char ZRVID[] = "WindowsZRV9501";
const char CacheFileName[] = "wzrvbmp.dat";
const char KeyFieldPatternFile[] = "FieldPatternFile";
const char GenerationNotice[] = "パターン生成します";
const char CannotCreateMessage[] = "パターンファイルが生成できません";

namespace {

void Put32(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}
void Put16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
std::uint32_t Get32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Get16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

void EncodeHeader(const RecordHeader& h, unsigned char out[RecordHeaderBytes]) {
  Put32(out + 0, static_cast<std::uint32_t>(h.bmType));
  Put32(out + 4, static_cast<std::uint32_t>(h.bmWidth));
  Put32(out + 8, static_cast<std::uint32_t>(h.bmHeight));
  Put32(out + 12, static_cast<std::uint32_t>(h.bmWidthBytes));
  Put16(out + 16, h.bmPlanes);
  Put16(out + 18, h.bmBitsPixel);
  Put32(out + 20, h.bmBits);
}

RecordHeader DecodeHeader(const unsigned char in[RecordHeaderBytes]) {
  RecordHeader h;
  h.bmType = static_cast<std::int32_t>(Get32(in + 0));
  h.bmWidth = static_cast<std::int32_t>(Get32(in + 4));
  h.bmHeight = static_cast<std::int32_t>(Get32(in + 8));
  h.bmWidthBytes = static_cast<std::int32_t>(Get32(in + 12));
  h.bmPlanes = Get16(in + 16);
  h.bmBitsPixel = Get16(in + 18);
  h.bmBits = Get32(in + 20);
  return h;
}

std::string HeaderProblem(const RecordHeader& h) {
  char text[160];
  if (h.bmPlanes != 1) {
    std::snprintf(text, sizeof text, "bmPlanes is %u, not 1", static_cast<unsigned>(h.bmPlanes));
    return text;
  }
  if (h.bmBitsPixel != 1) {
    std::snprintf(text, sizeof text, "bmBitsPixel is %u, not 1", static_cast<unsigned>(h.bmBitsPixel));
    return text;
  }
  if (h.bmWidth < 1 || h.bmWidth > MaxRecordWidth) {
    std::snprintf(text, sizeof text, "bmWidth %ld is outside 1 ... %d", static_cast<long>(h.bmWidth),
                  MaxRecordWidth);
    return text;
  }
  if (h.bmHeight < 1 || h.bmHeight > MaxRecordHeight) {
    std::snprintf(text, sizeof text, "bmHeight %ld is outside 1 ... %d", static_cast<long>(h.bmHeight),
                  MaxRecordHeight);
    return text;
  }
  if (h.bmWidthBytes != PaddedRowBytes(h.bmWidth)) {
    std::snprintf(text, sizeof text, "bmWidthBytes %ld is not %d, the padded row of %ld pixels",
                  static_cast<long>(h.bmWidthBytes), PaddedRowBytes(h.bmWidth),
                  static_cast<long>(h.bmWidth));
    return text;
  }
  return "";
}

const char* RecordStatusName(RecordStatus s) {
  switch (s) {
    case RecordStatus::Ok: return "ok";
    case RecordStatus::End: return "end";
    case RecordStatus::Short: return "cut short";
    case RecordStatus::BadHeader: return "refused header";
  }
  return "?";
}

RecordStatus ReadRecord(std::FILE* fp, CacheRecord* record) {
  record->header = RecordHeader{};
  record->rows.clear();
  if (fp == nullptr) return RecordStatus::End;
  unsigned char raw[RecordHeaderBytes];
  const std::size_t got = std::fread(raw, 1, sizeof raw, fp);
  if (got == 0) return RecordStatus::End;
  if (got < sizeof raw) return RecordStatus::Short;
  record->header = DecodeHeader(raw);
  if (!AcceptableHeader(record->header)) return RecordStatus::BadHeader;
  // At most 52 x 400 bytes: the header has been checked.
  const std::size_t size =
      static_cast<std::size_t>(record->header.bmWidthBytes) * static_cast<std::size_t>(record->header.bmHeight);
  record->rows.resize(size);
  if (std::fread(record->rows.data(), 1, size, fp) != size) {
    record->rows.clear();
    return RecordStatus::Short;
  }
  return RecordStatus::Ok;
}

bool WriteRecord(std::FILE* fp, const RecordHeader& header, const unsigned char* rows) {
  RecordHeader h = header;
  h.bmBits = 0;
  unsigned char raw[RecordHeaderBytes];
  EncodeHeader(h, raw);
  if (std::fwrite(raw, 1, sizeof raw, fp) != sizeof raw) return false;
  if (h.bmWidthBytes <= 0 || h.bmHeight <= 0 || rows == nullptr) return true;
  const std::size_t size = static_cast<std::size_t>(h.bmWidthBytes) * static_cast<std::size_t>(h.bmHeight);
  return std::fwrite(rows, 1, size, fp) == size;
}

CacheRecord RecordFromFrame(const MonoFrame& frame) {
  CacheRecord r;
  r.header.bmType = 0;
  r.header.bmWidth = frame.width;
  r.header.bmHeight = frame.height;
  r.header.bmWidthBytes = PaddedRowBytes(frame.width);
  r.header.bmPlanes = 1;
  r.header.bmBitsPixel = 1;
  r.header.bmBits = 0;
  const std::size_t stride = static_cast<std::size_t>(r.header.bmWidthBytes);
  const std::size_t rowBytes = static_cast<std::size_t>(frame.RowBytes());
  r.rows.assign(stride * static_cast<std::size_t>(frame.height > 0 ? frame.height : 0), 0);
  for (int line = 0; line < frame.height; ++line) {
    const std::size_t from = static_cast<std::size_t>(line) * rowBytes;
    if (from + rowBytes > frame.bits.size()) break;
    std::memcpy(&r.rows[static_cast<std::size_t>(line) * stride], &frame.bits[from], rowBytes);
  }
  return r;
}

bool FrameFromRecord(const CacheRecord& record, MonoFrame* frame) {
  const RecordHeader& h = record.header;
  if (!AcceptableHeader(h)) return false;
  const std::size_t stride = static_cast<std::size_t>(h.bmWidthBytes);
  if (record.rows.size() != stride * static_cast<std::size_t>(h.bmHeight)) return false;
  frame->width = h.bmWidth;
  frame->height = h.bmHeight;
  const std::size_t rowBytes = static_cast<std::size_t>(frame->RowBytes());
  frame->bits.assign(rowBytes * static_cast<std::size_t>(h.bmHeight), 0);
  const unsigned char lastMask =
      h.bmWidth % 8 == 0 ? 0xFF : static_cast<unsigned char>(0xFF00 >> (h.bmWidth % 8));
  for (int line = 0; line < h.bmHeight; ++line) {
    unsigned char* to = &frame->bits[static_cast<std::size_t>(line) * rowBytes];
    std::memcpy(to, &record.rows[static_cast<std::size_t>(line) * stride], rowBytes);
    to[rowBytes - 1] &= lastMask;
  }
  return true;
}

bool ReadMagic(std::FILE* fp) {
  if (fp == nullptr) return false;
  char buf[100] = {};
  if (std::fread(buf, 1, ZRVIDBytes, fp) != ZRVIDBytes) return false;
  // Compared as a string: the 15th byte must end it.
  return std::strcmp(buf, ZRVID) == 0;
}

bool WriteMagic(std::FILE* fp) {
  return std::fwrite(ZRVID, 1, ZRVIDBytes, fp) == ZRVIDBytes;
}

bool ComposeCachePath(const char* dir, char* file) {
  const int n = std::snprintf(file, CachePathSize, "%s\\%s", dir, CacheFileName);
  if (n < 0 || static_cast<std::size_t>(n) >= CachePathSize) {
    file[0] = '\0';
    return false;
  }
  return true;
}

std::FILE* GetZRVFile(char* file, ProfileStore& profile, CacheHost& host) {
  file[0] = '\0';
  // First the path stored at the last creation. One byte more than a path may
  // have shows a stored value that is too long to be tried.
  char stored[CachePathSize + 1];
  profile.GetString(SectionName, KeyFieldPatternFile, "", stored, sizeof stored);
  if (stored[0] != '\0' && std::strlen(stored) < CachePathSize) {
    std::memcpy(file, stored, std::strlen(stored) + 1);
    if (std::FILE* fp = host.Open(file, "rb")) return fp;
  }
  // Then the Windows directory.
  char dir[CachePathSize];
  if (host.WindowsDirectory(dir, sizeof dir) && ComposeCachePath(dir, file)) {
    if (std::FILE* fp = host.Open(file, "rb")) return fp;
  }
  // Last the current directory: also where a new cache is created.
  file[0] = '\0';
  if (host.CurrentDirectory(dir, sizeof dir) && ComposeCachePath(dir, file)) return host.Open(file, "rb");
  return nullptr;
}

CacheState InitializeCache(ProfileStore& profile, CacheHost& host, std::FILE** loadFP, std::FILE** saveFP,
                           std::string* createdAt) {
  char file[CachePathSize];
  *saveFP = nullptr;
  *loadFP = GetZRVFile(file, profile, host);
  if (*loadFP != nullptr) {
    if (ReadMagic(*loadFP)) return CacheState::Reading;
    std::fclose(*loadFP);
    *loadFP = nullptr;
  }
  host.Notify(GenerationNotice);
  *saveFP = file[0] != '\0' ? host.Open(file, "wb") : nullptr;
  if (*saveFP == nullptr) {
    host.Notify(CannotCreateMessage);
    return CacheState::CannotCreate;
  }
  WriteMagic(*saveFP);
  profile.WriteString(SectionName, KeyFieldPatternFile, file);
  if (createdAt != nullptr) *createdAt = file;
  return CacheState::Writing;
}

void TerminateCache(std::FILE** loadFP, std::FILE** saveFP) {
  if (*loadFP != nullptr) std::fclose(*loadFP);
  if (*saveFP != nullptr) std::fclose(*saveFP);
  *loadFP = nullptr;
  *saveFP = nullptr;
}

RecordStatus LoadCacheRecord(std::FILE** loadFP, CacheRecord* record) {
  if (*loadFP == nullptr) {
    record->rows.clear();
    return RecordStatus::End;
  }
  const RecordStatus s = ReadRecord(*loadFP, record);
  if (s != RecordStatus::Ok) {
    std::fclose(*loadFP);
    *loadFP = nullptr;
  }
  return s;
}

CacheListing ReadCacheFile(std::FILE* fp) {
  CacheListing l;
  l.magicOk = ReadMagic(fp);
  if (l.magicOk) {
    for (;;) {
      const long at = std::ftell(fp);
      CacheRecord r;
      const RecordStatus s = ReadRecord(fp, &r);
      if (s != RecordStatus::Ok) {
        l.stop = s;
        l.stopOffset = at;
        l.stopHeader = r.header;
        break;
      }
      l.offsets.push_back(at);
      l.records.push_back(std::move(r));
    }
  }
  if (fp != nullptr && std::fseek(fp, 0, SEEK_END) == 0) l.size = std::ftell(fp);
  return l;
}

bool WriteCacheFile(std::FILE* fp, const std::vector<MonoFrame>& frames) {
  bool ok = WriteMagic(fp);
  for (const MonoFrame& f : frames) {
    const CacheRecord r = RecordFromFrame(f);
    ok = WriteRecord(fp, r.header, r.rows.data()) && ok;
  }
  return ok;
}

}  // namespace wzrv
