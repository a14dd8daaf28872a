// The pattern cache file "wzrvbmp.dat": the 13 field frames stored after the
// first start so that later starts read them instead of drawing them.
//
// Layout (little-endian, no padding anywhere):
//   15 bytes   the magic "WindowsZRV9501" and its NUL
//   13 records one per frame, in build order:
//              24-byte header (bmType, bmWidth, bmHeight, bmWidthBytes: 32-bit
//              signed; bmPlanes, bmBitsPixel: 16-bit; bmBits: 32-bit, 0)
//              then bmWidthBytes x bmHeight bytes of rows, top row first,
//              leftmost pixel in the most significant bit, rows padded to 16
//              bits, 1 = field pixel.
// A complete file is 109367 bytes.
//
// Everything here is plain stdio work: where the file is looked for, the
// header test, the record reader and writer and the open/close sequence. The
// Windows program only turns rows into bitmaps and back (cache_win32.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "pattern/pattern_core.h"
#include "base/profile_core.h"

namespace wzrv {

// ---- Constants ------------------------------------------------------------------
extern const char ZRVID[];                  // "WindowsZRV9501" (14 characters)
constexpr std::size_t ZRVIDBytes = 15;      // stored with its NUL
extern const char CacheFileName[];          // "wzrvbmp.dat"
extern const char KeyFieldPatternFile[];    // "FieldPatternFile"
extern const char GenerationNotice[];       // "パターン生成します"
extern const char CannotCreateMessage[];    // "パターンファイルが生成できません"
constexpr std::size_t CachePathSize = 1024;  // path buffers, terminator included
constexpr std::size_t RecordHeaderBytes = 24;
constexpr long CompleteCacheBytes = 109367;
// The largest frame a record may describe: the canvas.
constexpr int MaxRecordWidth = 416;
constexpr int MaxRecordHeight = 400;

// ---- One record -------------------------------------------------------------------
struct RecordHeader {
  std::int32_t bmType = 0;
  std::int32_t bmWidth = 0;
  std::int32_t bmHeight = 0;
  std::int32_t bmWidthBytes = 0;
  std::uint16_t bmPlanes = 0;
  std::uint16_t bmBitsPixel = 0;
  std::uint32_t bmBits = 0;
};

// Bytes of a monochrome row of `width` pixels padded to 16 bits.
constexpr int PaddedRowBytes(int width) { return (width + 15) / 16 * 2; }

void EncodeHeader(const RecordHeader& h, unsigned char out[RecordHeaderBytes]);
RecordHeader DecodeHeader(const unsigned char in[RecordHeaderBytes]);

// Why a header is refused (empty when it is accepted). A record is taken only
// when it describes a monochrome frame no larger than the canvas: 1 plane,
// 1 bit per pixel, width 1 ... 416, height 1 ... 400, and rows of exactly the
// 16-bit padded size of the width.
std::string HeaderProblem(const RecordHeader& h);
inline bool AcceptableHeader(const RecordHeader& h) { return HeaderProblem(h).empty(); }

struct CacheRecord {
  RecordHeader header;
  std::vector<unsigned char> rows;  // bmWidthBytes x bmHeight bytes
};

enum class RecordStatus {
  Ok,         // a complete, acceptable record
  End,        // no byte left: the file ends between records
  Short,      // the header or the rows are cut short
  BadHeader,  // a complete header that is refused (HeaderProblem)
};
const char* RecordStatusName(RecordStatus s);

// Reads the next record. Never reserves more than one canvas-sized frame,
// whatever the header claims. On Short or BadHeader `record->header` holds
// what could be read.
RecordStatus ReadRecord(std::FILE* fp, CacheRecord* record);
// Writes a header (bmBits as 0) and `rows` (bmWidthBytes x bmHeight bytes).
// False when the stream reports a write error.
bool WriteRecord(std::FILE* fp, const RecordHeader& header, const unsigned char* rows);

// Conversions between a record and a frame as the screen shows it.
CacheRecord RecordFromFrame(const MonoFrame& frame);
// False for a record whose header is not acceptable. Padding bits are dropped.
bool FrameFromRecord(const CacheRecord& record, MonoFrame* frame);

// ---- The magic ----------------------------------------------------------------------
// Reads 15 bytes and compares them as a string with the magic: true when the
// first 14 are the magic and the 15th is NUL. A shorter file is not valid.
bool ReadMagic(std::FILE* fp);
bool WriteMagic(std::FILE* fp);

// ---- Where the cache is ----------------------------------------------------------------
// What the cache needs of the platform.
class CacheHost {
 public:
  virtual ~CacheHost() = default;
  // The Windows directory / the current directory into `buf` (`size` bytes);
  // false when it is unavailable or does not fit.
  virtual bool WindowsDirectory(char* buf, std::size_t size) = 0;
  virtual bool CurrentDirectory(char* buf, std::size_t size) = 0;
  // A message box with the program's caption and an OK button; returns when
  // it was confirmed.
  virtual void Notify(const char* text) = 0;
  virtual std::FILE* Open(const char* path, const char* mode) { return std::fopen(path, mode); }
};

// Composes "DIR\wzrvbmp.dat" into `file` (CachePathSize bytes); false (and
// `file` empty) when it does not fit.
bool ComposeCachePath(const char* dir, char* file);

// Looks for an existing cache and opens it for reading, trying in order the
// path stored under "FieldPatternFile", the Windows directory and the current
// directory. Each candidate is written into `file` (CachePathSize bytes)
// before it is opened; a candidate that does not fit is not tried. Leaves in
// `file` the path it opened, else the current directory's candidate (empty
// when even that does not fit).
std::FILE* GetZRVFile(char* file, ProfileStore& profile, CacheHost& host);

// The cache while the frames are built: at most one of the streams is open.
enum class CacheState { Reading, Writing, CannotCreate };

// Opens a valid cache for reading (*loadFP), or announces the generation,
// creates a new cache with its magic (*saveFP) and stores its full path under
// "FieldPatternFile". When the file cannot be created the failure message is
// shown and CannotCreate returned, with both streams null; the caller ends
// the process. `createdAt` (optional) receives the path used.
CacheState InitializeCache(ProfileStore& profile, CacheHost& host, std::FILE** loadFP,
                           std::FILE** saveFP, std::string* createdAt = nullptr);
// Closes whichever stream is open and sets both to null.
void TerminateCache(std::FILE** loadFP, std::FILE** saveFP);

// The next record while a cache is read. When a record cannot be used (cut
// short, refused header, or the end), the read stream is closed and set to
// null: the rest of the frames are drawn, and nothing is read from a position
// that is no longer a record boundary. A null stream gives End.
RecordStatus LoadCacheRecord(std::FILE** loadFP, CacheRecord* record);

// ---- Whole files (tools and tests) ------------------------------------------------------
struct CacheListing {
  bool magicOk = false;
  std::vector<CacheRecord> records;  // the accepted records, in order
  std::vector<long> offsets;         // where each accepted record starts
  RecordStatus stop = RecordStatus::End;  // why reading ended
  long stopOffset = 0;                     // where the record that ended it starts
  RecordHeader stopHeader;                 // its header, when one was read
  long size = 0;                           // bytes in the file
};
// Reads a cache file from its start the way the program does.
CacheListing ReadCacheFile(std::FILE* fp);
// Writes a complete cache of `frames`. False on a write error.
bool WriteCacheFile(std::FILE* fp, const std::vector<MonoFrame>& frames);

}  // namespace wzrv
