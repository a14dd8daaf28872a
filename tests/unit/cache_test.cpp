// The pattern cache file: format, record reader and writer, the search for a
// cache and the open/create sequence.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pattern/random.h"
#include "shell/wzrv_core.h"
#include "storage/cache_core.h"
#include "tests/support/memory_profile.h"
#include "tools/memory_frames.h"

namespace wzrv {
namespace {

std::string ReadAll(const std::string& path) {
  std::string s;
  if (std::FILE* fp = std::fopen(path.c_str(), "rb")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0) s.append(buf, n);
    std::fclose(fp);
  }
  return s;
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::FILE* fp = std::fopen(path.c_str(), "wb");
  ASSERT_NE(fp, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), fp);
  std::fclose(fp);
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// The frames as the program draws them at its start.
const std::vector<MonoFrame>& Frames() {
  static const std::vector<MonoFrame> frames = [] {
    SetRandState(1);
    return DrawAllFrames();
  }();
  return frames;
}

// A platform made of two directories on this machine. Paths use the
// program's backslash; they are opened with slashes.
class FakeHost : public CacheHost {
 public:
  std::string windowsDir, currentDir;
  bool windowsOk = true, currentOk = true;
  std::vector<std::string> notices;
  std::vector<std::string> opened;  // "MODE PATH" for every open attempt

  bool WindowsDirectory(char* buf, std::size_t size) override {
    return windowsOk && Copy(windowsDir, buf, size);
  }
  bool CurrentDirectory(char* buf, std::size_t size) override {
    return currentOk && Copy(currentDir, buf, size);
  }
  void Notify(const char* text) override { notices.push_back(text); }
  std::FILE* Open(const char* path, const char* mode) override {
    opened.push_back(std::string(mode) + " " + path);
    std::string p = path;
    for (char& c : p)
      if (c == '\\') c = '/';
    return std::fopen(p.c_str(), mode);
  }

 private:
  static bool Copy(const std::string& s, char* buf, std::size_t size) {
    if (s.size() + 1 > size) return false;
    std::memcpy(buf, s.c_str(), s.size() + 1);
    return true;
  }
};

class CacheFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/wzrv-cache-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    host_.windowsDir = root_ + "/windows";
    host_.currentDir = root_ + "/cwd";
    mkdir(host_.windowsDir.c_str(), 0755);
    mkdir(host_.currentDir.c_str(), 0755);
  }
  void TearDown() override {
    TerminateCache(&load_, &save_);
    std::system(("rm -rf " + root_).c_str());
  }
  std::string InCwd() const { return host_.currentDir + "/wzrvbmp.dat"; }
  std::string InWindows() const { return host_.windowsDir + "/wzrvbmp.dat"; }
  // The path the program stores: directory, a backslash, the name.
  static std::string Stored(const std::string& dir) { return dir + "\\wzrvbmp.dat"; }

  void WriteCompleteCache(const std::string& path) {
    std::FILE* fp = std::fopen(path.c_str(), "wb");
    ASSERT_NE(fp, nullptr);
    ASSERT_TRUE(WriteCacheFile(fp, Frames()));
    std::fclose(fp);
  }

  CacheState Initialize() { return InitializeCache(profile_, host_, &load_, &save_); }

  std::string root_;
  FakeHost host_;
  MemoryProfile profile_;
  std::FILE* load_ = nullptr;
  std::FILE* save_ = nullptr;
};

// ---- Format -----------------------------------------------------------------------

TEST(CacheFormat, HeaderIsLittleEndianWithoutPadding) {
  RecordHeader h;
  h.bmType = 0;
  h.bmWidth = 0x01020304;
  h.bmHeight = -2;
  h.bmWidthBytes = 14;
  h.bmPlanes = 0x0A0B;
  h.bmBitsPixel = 1;
  h.bmBits = 0xDEADBEEF;
  unsigned char raw[RecordHeaderBytes];
  EncodeHeader(h, raw);
  const unsigned char expected[24] = {0, 0, 0, 0, 4, 3, 2, 1, 0xFE, 0xFF, 0xFF, 0xFF,
                                      14, 0, 0, 0, 0x0B, 0x0A, 1, 0, 0xEF, 0xBE, 0xAD, 0xDE};
  EXPECT_EQ(std::memcmp(raw, expected, 24), 0);
  const RecordHeader back = DecodeHeader(raw);
  EXPECT_EQ(back.bmWidth, h.bmWidth);
  EXPECT_EQ(back.bmHeight, -2);
  EXPECT_EQ(back.bmPlanes, 0x0A0B);
  EXPECT_EQ(back.bmBits, 0xDEADBEEFu);
}

TEST(CacheFormat, RowsArePaddedTo16Bits) {
  EXPECT_EQ(PaddedRowBytes(1), 2);
  EXPECT_EQ(PaddedRowBytes(16), 2);
  EXPECT_EQ(PaddedRowBytes(17), 4);
  EXPECT_EQ(PaddedRowBytes(40), 6);
  EXPECT_EQ(PaddedRowBytes(100), 14);
  EXPECT_EQ(PaddedRowBytes(416), 52);
}

TEST(CacheFormat, HeaderAcceptanceEdges) {
  RecordHeader h;
  h.bmPlanes = 1;
  h.bmBitsPixel = 1;
  for (const auto& wh : std::vector<std::pair<int, int>>{{1, 1}, {416, 400}, {40, 40}, {17, 3}}) {
    h.bmWidth = wh.first;
    h.bmHeight = wh.second;
    h.bmWidthBytes = PaddedRowBytes(wh.first);
    EXPECT_TRUE(AcceptableHeader(h)) << wh.first << "x" << wh.second;
  }
  auto refused = [&](RecordHeader x) { return !HeaderProblem(x).empty(); };
  RecordHeader ok = h;
  ok.bmWidth = 100, ok.bmHeight = 100, ok.bmWidthBytes = 14;
  RecordHeader x = ok;
  x.bmWidth = 0;
  EXPECT_TRUE(refused(x));
  x = ok, x.bmWidth = 417, x.bmWidthBytes = PaddedRowBytes(417);
  EXPECT_TRUE(refused(x));
  x = ok, x.bmHeight = 0;
  EXPECT_TRUE(refused(x));
  x = ok, x.bmHeight = 401;
  EXPECT_TRUE(refused(x));
  x = ok, x.bmHeight = -100;
  EXPECT_TRUE(refused(x));
  x = ok, x.bmWidthBytes = 13;  // odd, too narrow
  EXPECT_TRUE(refused(x));
  x = ok, x.bmWidthBytes = 16;  // wider than the padded row
  EXPECT_TRUE(refused(x));
  x = ok, x.bmPlanes = 2;
  EXPECT_NE(HeaderProblem(x).find("bmPlanes"), std::string::npos);
  x = ok, x.bmBitsPixel = 8;
  EXPECT_NE(HeaderProblem(x).find("bmBitsPixel"), std::string::npos);
  x = ok, x.bmBits = 0x12345678, x.bmType = 7;  // not looked at
  EXPECT_FALSE(refused(x));
}

TEST(CacheFormat, CompleteFileHasTheRecordOffsetsOfTheLayout) {
  std::FILE* fp = std::tmpfile();
  ASSERT_TRUE(WriteCacheFile(fp, Frames()));
  std::rewind(fp);
  const CacheListing l = ReadCacheFile(fp);
  std::fclose(fp);
  EXPECT_TRUE(l.magicOk);
  EXPECT_EQ(l.size, CompleteCacheBytes);
  EXPECT_EQ(l.stop, RecordStatus::End);
  const std::vector<long> offsets = {15,    1439,  6663,  18087, 38111,  49535, 60959,
                                     61983, 66007, 75031, 91055, 100079, 109103};
  EXPECT_EQ(l.offsets, offsets);
  const int widthBytes[13] = {14, 26, 38, 50, 38, 38, 10, 20, 30, 40, 30, 30, 6};
  ASSERT_EQ(l.records.size(), 13u);
  for (int i = 0; i < 13; ++i) {
    EXPECT_EQ(l.records[i].header.bmWidthBytes, widthBytes[i]) << i;
    EXPECT_EQ(l.records[i].header.bmBits, 0u);
    MonoFrame f;
    ASSERT_TRUE(FrameFromRecord(l.records[i], &f));
    EXPECT_EQ(f.bits, Frames()[i].bits) << FrameName(i);
  }
}

TEST(CacheFormat, MagicIsComparedAsAString) {
  auto check = [](const std::string& bytes) {
    std::FILE* fp = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), fp);
    std::rewind(fp);
    const bool ok = ReadMagic(fp);
    std::fclose(fp);
    return ok;
  };
  EXPECT_TRUE(check(std::string("WindowsZRV9501\0", 15)));
  EXPECT_TRUE(check(std::string("WindowsZRV9501\0junk", 19)));
  EXPECT_FALSE(check("WindowsZRV9501X"));                      // 15th byte not NUL
  EXPECT_FALSE(check(std::string("WindowsZRV9502\0", 15)));   // last digit
  EXPECT_FALSE(check("WindowsZRV9501"));                       // 14 bytes
  EXPECT_FALSE(check(std::string("Windows\0ZRV950\0", 15)));  // ends early
  EXPECT_FALSE(check(""));
}

TEST(CacheFormat, RecordReaderRefusesAndStopsWithoutLargeAllocations) {
  auto read = [](const std::string& bytes, CacheRecord* r) {
    std::FILE* fp = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), fp);
    std::rewind(fp);
    const RecordStatus s = ReadRecord(fp, r);
    std::fclose(fp);
    return s;
  };
  RecordHeader h;
  h.bmWidth = 40, h.bmHeight = 40, h.bmWidthBytes = 6, h.bmPlanes = 1, h.bmBitsPixel = 1;
  unsigned char raw[24];
  EncodeHeader(h, raw);
  const std::string header(reinterpret_cast<char*>(raw), 24);
  CacheRecord r;
  EXPECT_EQ(read(header + std::string(240, '\x55'), &r), RecordStatus::Ok);
  EXPECT_EQ(r.rows.size(), 240u);
  EXPECT_EQ(read(header + std::string(239, '\x55'), &r), RecordStatus::Short);
  EXPECT_TRUE(r.rows.empty());
  EXPECT_EQ(read(header.substr(0, 23), &r), RecordStatus::Short);
  EXPECT_EQ(read("", &r), RecordStatus::End);
  // A header asking for gigabytes is refused before anything is reserved.
  h.bmHeight = 0x7FFFFFFF;
  EncodeHeader(h, raw);
  CacheRecord fresh;
  EXPECT_EQ(read(std::string(reinterpret_cast<char*>(raw), 24), &fresh), RecordStatus::BadHeader);
  EXPECT_EQ(fresh.rows.capacity(), 0u);
  // Rows narrower than the width they claim.
  h.bmHeight = 2, h.bmWidth = 416, h.bmWidthBytes = 2;
  EncodeHeader(h, raw);
  EXPECT_EQ(read(std::string(reinterpret_cast<char*>(raw), 24) + std::string(4, '\0'), &r),
            RecordStatus::BadHeader);
}

TEST(CacheFormat, FramePaddingBitsAreDroppedOnReadAndZeroOnWrite) {
  MonoFrame f;
  f.width = 9;
  f.height = 2;
  f.bits = {0xFF, 0x80, 0x01, 0x00};
  const CacheRecord r = RecordFromFrame(f);
  EXPECT_EQ(r.header.bmWidthBytes, 2);
  EXPECT_EQ(r.rows, (std::vector<unsigned char>{0xFF, 0x80, 0x01, 0x00}));
  CacheRecord dirty = r;
  dirty.rows = {0xFF, 0xFF, 0x01, 0x7F};  // padding bits set
  MonoFrame back;
  ASSERT_TRUE(FrameFromRecord(dirty, &back));
  EXPECT_EQ(back.bits, (std::vector<unsigned char>{0xFF, 0x80, 0x01, 0x00}));
  dirty.rows.pop_back();
  EXPECT_FALSE(FrameFromRecord(dirty, &back));
}

// ---- Where the cache is, and the start sequence ------------------------------------------

TEST_F(CacheFiles, FirstStartCreatesTheCacheInTheCurrentDirectory) {
  EXPECT_EQ(Initialize(), CacheState::Writing);
  EXPECT_EQ(host_.notices, (std::vector<std::string>{GenerationNotice}));
  ASSERT_NE(save_, nullptr);
  EXPECT_EQ(load_, nullptr);
  for (const MonoFrame& f : Frames()) {
    const CacheRecord r = RecordFromFrame(f);
    WriteRecord(save_, r.header, r.rows.data());
  }
  TerminateCache(&load_, &save_);
  EXPECT_EQ(save_, nullptr);
  EXPECT_EQ(ReadAll(InCwd()).size(), static_cast<std::size_t>(CompleteCacheBytes));
  EXPECT_EQ(profile_.Value(SectionName, KeyFieldPatternFile), Stored(host_.currentDir));
  // Tried: nothing stored, the Windows directory, the current directory.
  EXPECT_EQ(host_.opened, (std::vector<std::string>{"rb " + Stored(host_.windowsDir),
                                                    "rb " + Stored(host_.currentDir),
                                                    "wb " + Stored(host_.currentDir)}));
}

TEST_F(CacheFiles, StoredPathIsTriedFirstAndReadingWritesNothing) {
  const std::string other = root_ + "/elsewhere";
  mkdir(other.c_str(), 0755);
  WriteCompleteCache(other + "/wzrvbmp.dat");
  WriteCompleteCache(InWindows());
  profile_.Set(SectionName, KeyFieldPatternFile, Stored(other));
  const int writes = profile_.writes;
  EXPECT_EQ(Initialize(), CacheState::Reading);
  EXPECT_TRUE(host_.notices.empty());
  EXPECT_EQ(host_.opened, (std::vector<std::string>{"rb " + Stored(other)}));
  EXPECT_EQ(profile_.writes, writes);
  CacheRecord r;
  for (int i = 0; i < 13; ++i) ASSERT_EQ(LoadCacheRecord(&load_, &r), RecordStatus::Ok) << i;
  EXPECT_EQ(r.header.bmWidth, 40);
}

TEST_F(CacheFiles, MissingStoredFileFallsBackToTheWindowsDirectoryAndKeepsTheKey) {
  WriteCompleteCache(InWindows());
  WriteCompleteCache(InCwd());
  profile_.Set(SectionName, KeyFieldPatternFile, Stored(root_ + "/gone"));
  EXPECT_EQ(Initialize(), CacheState::Reading);
  EXPECT_EQ(host_.opened.back(), "rb " + Stored(host_.windowsDir));
  EXPECT_EQ(profile_.Value(SectionName, KeyFieldPatternFile), Stored(root_ + "/gone"));
  EXPECT_EQ(profile_.writes, 0);
}

TEST_F(CacheFiles, InvalidMagicIsOverwrittenAtTheSamePath) {
  for (const std::string& bad : {std::string("WindowsZRV9501X"), std::string("WindowsZRV9500\0", 15)}) {
    host_.notices.clear();
    WriteAll(InWindows(), bad + "rest of an old file");
    EXPECT_EQ(Initialize(), CacheState::Writing);
    EXPECT_EQ(host_.notices.size(), 1u);
    TerminateCache(&load_, &save_);
    EXPECT_EQ(ReadAll(InWindows()), std::string("WindowsZRV9501\0", 15));
    EXPECT_EQ(profile_.Value(SectionName, KeyFieldPatternFile), Stored(host_.windowsDir));
    EXPECT_FALSE(Exists(InCwd()));
    profile_.Erase(SectionName, KeyFieldPatternFile);
  }
}

TEST_F(CacheFiles, MagicAloneGivesNoRecordAndStaysAsItIs) {
  WriteAll(InCwd(), std::string("WindowsZRV9501\0", 15));
  EXPECT_EQ(Initialize(), CacheState::Reading);
  CacheRecord r;
  EXPECT_EQ(LoadCacheRecord(&load_, &r), RecordStatus::End);
  EXPECT_EQ(load_, nullptr);  // closed: the rest is drawn
  EXPECT_EQ(LoadCacheRecord(&load_, &r), RecordStatus::End);
  TerminateCache(&load_, &save_);
  EXPECT_EQ(ReadAll(InCwd()).size(), 15u);
  EXPECT_TRUE(host_.notices.empty());
}

TEST_F(CacheFiles, DamagedRecordEndsReadingThere) {
  WriteCompleteCache(InCwd());
  std::string bytes = ReadAll(InCwd());
  bytes[38111 + 16] = 2;  // record 5: bmPlanes 2
  WriteAll(InCwd(), bytes);
  EXPECT_EQ(Initialize(), CacheState::Reading);
  CacheRecord r;
  for (int i = 0; i < 4; ++i) EXPECT_EQ(LoadCacheRecord(&load_, &r), RecordStatus::Ok);
  EXPECT_EQ(LoadCacheRecord(&load_, &r), RecordStatus::BadHeader);
  EXPECT_EQ(load_, nullptr);
  TerminateCache(&load_, &save_);
  EXPECT_EQ(ReadAll(InCwd()), bytes);
}

TEST_F(CacheFiles, UncreatableFileIsReported) {
  // The current directory's candidate is a directory: it can be neither read
  // nor created, even by a superuser.
  mkdir(InCwd().c_str(), 0755);
  EXPECT_EQ(Initialize(), CacheState::CannotCreate);
  EXPECT_EQ(host_.notices, (std::vector<std::string>{GenerationNotice, CannotCreateMessage}));
  EXPECT_EQ(load_, nullptr);
  EXPECT_EQ(save_, nullptr);
  EXPECT_FALSE(profile_.Has(SectionName, KeyFieldPatternFile));
}

TEST_F(CacheFiles, CandidatesThatDoNotFitArePassedOver) {
  // A stored value of 1024 characters or more is not tried (it would be cut).
  profile_.Set(SectionName, KeyFieldPatternFile, std::string(1024, 'a'));
  // A Windows directory whose candidate would be 1024 characters.
  host_.windowsDir = std::string(1024 - 12, 'w');
  WriteCompleteCache(InCwd());
  EXPECT_EQ(Initialize(), CacheState::Reading);
  EXPECT_EQ(host_.opened, (std::vector<std::string>{"rb " + Stored(host_.currentDir)}));
  TerminateCache(&load_, &save_);

  // 1023 characters in all still fit.
  char file[CachePathSize];
  EXPECT_TRUE(ComposeCachePath(std::string(1023 - 12, 'd').c_str(), file));
  EXPECT_EQ(std::strlen(file), 1023u);
  EXPECT_FALSE(ComposeCachePath(std::string(1024 - 12, 'd').c_str(), file));
  EXPECT_EQ(file[0], '\0');

  // Nowhere to create it: reported, nothing opened for writing.
  host_.opened.clear();
  host_.notices.clear();
  host_.currentDir = std::string(1020, 'c');
  EXPECT_EQ(Initialize(), CacheState::CannotCreate);
  EXPECT_EQ(host_.notices.back(), CannotCreateMessage);
  for (const std::string& o : host_.opened) EXPECT_EQ(o.rfind("wb", 0), std::string::npos) << o;
}

TEST_F(CacheFiles, RootWindowsDirectoryDoublesTheSeparator) {
  host_.windowsDir = "C:\\";
  Initialize();
  ASSERT_GE(host_.opened.size(), 1u);
  EXPECT_EQ(host_.opened[0], "rb C:\\\\wzrvbmp.dat");
}


// ---- Writing a cache while the frames are drawn ----------------------------------

// The program's frame pipeline while a new cache is written: each builder
// makes the canvas header once (a heap allocation that can fail), makes a
// frame bitmap per frame and hands it to DIBToBitmap; the cache gets what
// the program's SaveBitmap writes.
class CachingWindow : public MainWindowBase {
 public:
  std::FILE* save = nullptr;
  std::vector<MonoFrame> bitmaps;  // the bitmap of handle h is bitmaps[h - 2]

 protected:
  void Unlock() override {}
  void CopyCanvas(const void*, const unsigned char* dib, void*, BitmapHandle b, int w, int h) override {
    bitmaps[b - 2] = ExtractFrame(dib, w, h);
  }
  void SaveFrame(BitmapHandle b) override {
    if (b == NullBitmap) {
      WriteRecord(save, RecordHeader{}, nullptr);
      return;
    }
    const CacheRecord r = RecordFromFrame(bitmaps[b - 2]);
    WriteRecord(save, r.header, r.rows.data());
  }
};

class BuilderFrames : public FrameSource {
 public:
  BuilderFrames(CachingWindow& window, bool headerFails) : window_(window), headerFails_(headerFails) {}
  BitmapHandle LoadFrame() override { return NullBitmap; }
  BitmapHandle MakeFrame(const unsigned char* dib, int w, int h) override {
    MonoFrame blank;  // a new bitmap: nothing drawn in it yet
    blank.width = w;
    blank.height = h;
    blank.bits.assign(static_cast<std::size_t>(blank.RowBytes()) * h, 0);
    window_.bitmaps.push_back(blank);
    const BitmapHandle handle = window_.bitmaps.size() + 1;
    window_.DIBToBitmap(headerFails_ ? nullptr : &header_, dib, nullptr, handle, w, h);
    return handle;
  }

 private:
  CachingWindow& window_;
  bool headerFails_;
  int header_ = 0;  // stands for the canvas header
};

TEST_F(CacheFiles, FrameWithoutCanvasHeaderStillLeavesItsRecord) {
  const int firstOf[3] = {0, 6, 12};  // first frame of each builder
  for (int faulty = 0; faulty < 3; ++faulty) {
    SCOPED_TRACE("no canvas header in builder " + std::to_string(faulty + 1));
    SetRandState(1);
    CachingWindow window;
    window.save = std::fopen(InCwd().c_str(), "wb");
    ASSERT_NE(window.save, nullptr);
    ASSERT_TRUE(WriteMagic(window.save));
    BuilderFrames hexagon(window, faulty == 0), octagon(window, faulty == 1), mini(window, faulty == 2);
    window.BuildZRV1(hexagon);
    window.BuildZRV2(octagon);
    window.BuildZRV3(mini);
    std::fclose(window.save);

    // One record per frame: an empty one for each frame that could not be made.
    long expected = static_cast<long>(ZRVIDBytes);
    for (int i = 0; i < FrameCount; ++i) {
      const bool made = i < firstOf[faulty] || (faulty < 2 && i >= firstOf[faulty + 1]);
      expected += static_cast<long>(RecordHeaderBytes);
      if (made) expected += PaddedRowBytes(FrameSizeOf(i).width) * FrameSizeOf(i).height;
    }
    EXPECT_EQ(static_cast<long>(ReadAll(InCwd()).size()), expected);

    // A later start takes the frames before the gap, each at its own place,
    // and stops at the empty record.
    std::FILE* fp = std::fopen(InCwd().c_str(), "rb");
    ASSERT_NE(fp, nullptr);
    const CacheListing listing = ReadCacheFile(fp);
    std::fclose(fp);
    EXPECT_TRUE(listing.magicOk);
    ASSERT_EQ(static_cast<int>(listing.records.size()), firstOf[faulty]);
    for (int i = 0; i < firstOf[faulty]; ++i) {
      MonoFrame f;
      ASSERT_TRUE(FrameFromRecord(listing.records[i], &f));
      EXPECT_TRUE(f.width == Frames()[i].width && f.height == Frames()[i].height && f.bits == Frames()[i].bits)
          << "record " << i;
    }
    EXPECT_EQ(listing.stop, RecordStatus::BadHeader);
  }
}

}  // namespace
}  // namespace wzrv
