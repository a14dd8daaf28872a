// The pattern cache file in the program: opening and closing it around the
// pattern build, and turning its records into monochrome bitmaps and back.
// The file format and the reading and writing are in cache_core.
#include <direct.h>

#include <cstdlib>
#include <cstring>

#include "base/profile_win32.h"
#include "base/text_win32.h"
#include "base/trace.h"
#include "shell/options.h"
#include "shell/wzrv.h"
#include "storage/cache_core.h"
#include "base/gdicount_win32.h"  // last: counts GDI objects in a test build

namespace {

class Win32CacheHost : public wzrv::CacheHost {
 public:
  bool WindowsDirectory(char* buf, std::size_t size) override {
    const UINT n = GetWindowsDirectoryA(buf, static_cast<UINT>(size));
    return n > 0 && n < size;
  }
  bool CurrentDirectory(char* buf, std::size_t size) override {
    return _getcwd(buf, static_cast<int>(size)) != nullptr;
  }
  void Notify(const char* text) override {
    // A saver started at an idle machine shows no notice that nobody would
    // answer, nor that the cache cannot be made (it locks all the same); its
    // preview shows none at all.
    if (quiet && (text == wzrv::GenerationNotice || text == wzrv::CannotCreateMessage || preview)) return;
    wzrv::ProgramMessageBox(nullptr, text, wzrv::MessageCaption, MB_OK);
  }
  bool quiet = false;
  bool preview = false;
};

// What the build took from the cache, for the traces.
struct BuildCounts {
  int loaded = 0;
  int drawn = 0;
  int saved = 0;
};
BuildCounts counts;

}  // namespace

void MainWindow::InitializeFile() {
  counts = BuildCounts{};
  Win32CacheHost host;
  host.quiet = (StartOption & (wzrv::SO_Saver | wzrv::SO_Preview)) != 0;
  host.preview = (StartOption & wzrv::SO_Preview) != 0;
  std::string path;
  switch (wzrv::InitializeCache(wzrv::WindowsProfile(), host, &LoadFP, &SaveFP, &path)) {
    case wzrv::CacheState::Reading:
      wzrv::Trace("cache read");
      break;
    case wzrv::CacheState::Writing:
      wzrv::Trace("cache new %s", path.c_str());
      break;
    case wzrv::CacheState::CannotCreate:
      // The saver costs the cache, not the lock: the frames are drawn in
      // memory (they take under a millisecond), and nothing is shown.
      if (host.quiet) {
        wzrv::Trace("cache cannot be created: the frames are drawn in memory");
        break;
      }
      // The failure has been shown; the program cannot go on without its frames' file.
      wzrv::Trace("cache cannot be created");
      ExitProcess(static_cast<UINT>(-1));
  }
}

void MainWindow::TerminateFile() {
  wzrv::TerminateCache(&LoadFP, &SaveFP);
  wzrv::Trace("cache closed: %d loaded, %d drawn, %d saved", counts.loaded, counts.drawn, counts.saved);
}

HBITMAP MainWindow::LoadBitmapA() {
  if (LoadFP == nullptr) return nullptr;
  wzrv::CacheRecord record;
  const wzrv::RecordStatus status = wzrv::LoadCacheRecord(&LoadFP, &record);
  if (status != wzrv::RecordStatus::Ok) {
    // The stream is closed now: this frame and the rest are drawn.
    wzrv::Trace("cache record %d %s", counts.loaded + 1, wzrv::RecordStatusName(status));
    return nullptr;
  }
  BITMAP bm;
  bm.bmType = 0;
  bm.bmWidth = record.header.bmWidth;
  bm.bmHeight = record.header.bmHeight;
  bm.bmWidthBytes = record.header.bmWidthBytes;
  bm.bmPlanes = 1;
  bm.bmBitsPixel = 1;
  bm.bmBits = record.rows.data();
  HBITMAP b = CreateBitmapIndirect(&bm);
  if (b != nullptr) ++counts.loaded;
  return b;
}

void MainWindow::SaveBitmap(HBITMAP bitmap) {
  ++counts.drawn;  // every frame drawn passes here
  if (SaveFP == nullptr) return;
  BITMAP bm;
  wzrv::RecordHeader h;
  if (bitmap != nullptr && GetObjectA(bitmap, sizeof bm, &bm) == static_cast<int>(sizeof bm)) {
    h.bmType = bm.bmType;
    h.bmWidth = bm.bmWidth;
    h.bmHeight = bm.bmHeight;
    h.bmWidthBytes = bm.bmWidthBytes;
    h.bmPlanes = bm.bmPlanes;
    h.bmBitsPixel = bm.bmBitsPixel;
  }
  if (!wzrv::AcceptableHeader(h)) {
    // No usable bitmap: an empty record keeps the order, and a reader stops
    // there and draws this frame and the rest.
    wzrv::WriteRecord(SaveFP, wzrv::RecordHeader{}, nullptr);
    return;
  }
  const std::size_t size = static_cast<std::size_t>(h.bmWidthBytes) * static_cast<std::size_t>(h.bmHeight);
  auto* rows = static_cast<unsigned char*>(std::calloc(size, 1));
  if (rows == nullptr) {
    wzrv::WriteRecord(SaveFP, wzrv::RecordHeader{}, nullptr);
    return;
  }
  GetBitmapBits(bitmap, static_cast<LONG>(size), rows);
  if (wzrv::WriteRecord(SaveFP, h, rows)) ++counts.saved;
  std::free(rows);
}
