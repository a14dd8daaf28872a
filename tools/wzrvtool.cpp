// wzrvtool: looks at the field frames on the build machine.
//
//   wzrvtool frames [--from CACHE] DIR
//                              the 13 frames as PNG files (field pixels orange on
//                              black), drawn here or read from a pattern cache file
//   wzrvtool inspect CACHE     checks a pattern cache file and lists its records, or
//                              says what is wrong and at which offset
//   wzrvtool write CACHE       writes the frames drawn here as a pattern cache file
//   wzrvtool diff CACHE1 CACHE2
//                              compares two cache files byte for byte, row padding
//                              bits aside
//   wzrvtool sheet FILE.png    all 13 frames side by side in one PNG
//   wzrvtool compare DIR       compares frameNN.pbm files written by wzrv.exe
//                              (WZRV_DUMP_FRAMES=DIR) with the frames drawn here;
//                              prints the differing pixels per frame
//   wzrvtool gifs DIR          hexagon.gif, octagon.gif and mini.gif: each field
//                              clicked once on a desktop-like picture, at the
//                              program's step timing, in the default colour
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/fieldgif.h"
#include "pattern/pattern_core.h"
#include "pattern/random.h"
#include "storage/cache_core.h"
#include "tools/memory_frames.h"

namespace {

// The default field colour.
constexpr unsigned char kFieldRGB[3] = {255, 136, 0};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;  // black
  Image(int w, int h) : width(w), height(h), rgb(static_cast<std::size_t>(w) * h * 3, 0) {}
  void Put(const wzrv::MonoFrame& f, int left, int top) {
    for (int r = 0; r < f.height; ++r)
      for (int c = 0; c < f.width; ++c)
        if (f.Pixel(c, r)) std::memcpy(&rgb[((top + r) * static_cast<std::size_t>(width) + left + c) * 3], kFieldRGB, 3);
  }
};

bool WritePng(const std::string& path, const Image& img) {
  FILE* fp = std::fopen(path.c_str(), "wb");
  if (fp == nullptr) {
    std::fprintf(stderr, "wzrvtool: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(fp);
    std::fprintf(stderr, "wzrvtool: cannot write %s\n", path.c_str());
    return false;
  }
  png_init_io(png, fp);
  png_set_IHDR(png, info, img.width, img.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < img.height; ++y)
    png_write_row(png, const_cast<png_bytep>(&img.rgb[static_cast<std::size_t>(y) * img.width * 3]));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fclose(fp) != 0) {
    std::fprintf(stderr, "wzrvtool: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

std::vector<wzrv::MonoFrame> NativeFrames() {
  wzrv::SetRandState(1);  // as at the program's start
  return wzrv::DrawAllFrames();
}

// Reads the frames of a pattern cache file the way the program does at start.
// False (with the reason printed) when the file is not a complete cache.
bool CacheFrames(const std::string& path, std::vector<wzrv::MonoFrame>* frames) {
  FILE* fp = std::fopen(path.c_str(), "rb");
  if (fp == nullptr) {
    std::fprintf(stderr, "wzrvtool: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  const wzrv::CacheListing l = wzrv::ReadCacheFile(fp);
  std::fclose(fp);
  if (!l.magicOk) {
    std::fprintf(stderr, "wzrvtool: %s: not a pattern cache (the magic is missing)\n", path.c_str());
    return false;
  }
  frames->clear();
  for (const wzrv::CacheRecord& r : l.records) {
    wzrv::MonoFrame f;
    wzrv::FrameFromRecord(r, &f);
    frames->push_back(std::move(f));
  }
  if (static_cast<int>(frames->size()) < wzrv::FrameCount) {
    std::fprintf(stderr, "wzrvtool: %s: only %zu of %d frames (record %zu at offset %ld: %s)\n",
                 path.c_str(), frames->size(), wzrv::FrameCount, frames->size() + 1, l.stopOffset,
                 wzrv::RecordStatusName(l.stop));
    return false;
  }
  return true;
}

int Frames(const std::string& dir, const std::string& cache) {
  std::vector<wzrv::MonoFrame> frames;
  if (cache.empty())
    frames = NativeFrames();
  else if (!CacheFrames(cache, &frames))
    return 1;
  for (int i = 0; i < wzrv::FrameCount; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "/%02d-%s.png", i + 1, wzrv::FrameName(i));
    Image img(frames[i].width, frames[i].height);
    img.Put(frames[i], 0, 0);
    if (!WritePng(dir + name, img)) return 1;
    std::printf("%s%s %dx%d, %d field pixels\n", dir.c_str(), name, frames[i].width,
                frames[i].height, frames[i].SetPixelCount());
  }
  return 0;
}

// Lists a cache file's records; exit status 0 only for a complete cache of
// the 13 frames with their sizes and nothing after them.
int Inspect(const std::string& path) {
  FILE* fp = std::fopen(path.c_str(), "rb");
  if (fp == nullptr) {
    std::fprintf(stderr, "wzrvtool: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
    return 2;
  }
  const wzrv::CacheListing l = wzrv::ReadCacheFile(fp);
  std::fclose(fp);
  std::printf("%s: %ld bytes\n", path.c_str(), l.size);
  if (!l.magicOk) {
    std::printf("offset 0: the first 15 bytes are not \"%s\" and its NUL\n", wzrv::ZRVID);
    std::printf("INVALID: the program generates a new cache in its place\n");
    return 1;
  }
  std::printf("offset 0: magic %s\n", wzrv::ZRVID);
  std::vector<std::string> problems;
  for (std::size_t i = 0; i < l.records.size(); ++i) {
    const wzrv::RecordHeader& h = l.records[i].header;
    wzrv::MonoFrame f;
    wzrv::FrameFromRecord(l.records[i], &f);
    const int n = static_cast<int>(i);
    std::printf("record %2zu at %6ld: %3dx%-3d  %2d bytes a row  %5zu bytes  %5d field pixels  %s\n", i + 1,
                l.offsets[i], static_cast<int>(h.bmWidth), static_cast<int>(h.bmHeight),
                static_cast<int>(h.bmWidthBytes), l.records[i].rows.size(), f.SetPixelCount(),
                n < wzrv::FrameCount ? wzrv::FrameName(n) : "(extra)");
    if (n < wzrv::FrameCount) {
      const wzrv::FrameSize s = wzrv::FrameSizeOf(n);
      if (s.width != h.bmWidth || s.height != h.bmHeight) {
        char text[160];
        std::snprintf(text, sizeof text, "record %zu at offset %ld is %dx%d, the %s frame is %dx%d", i + 1,
                      l.offsets[i], static_cast<int>(h.bmWidth), static_cast<int>(h.bmHeight),
                      wzrv::FrameName(n), s.width, s.height);
        problems.push_back(text);
      }
    } else {
      char text[120];
      std::snprintf(text, sizeof text, "record %zu at offset %ld follows the last frame", i + 1, l.offsets[i]);
      problems.push_back(text);
    }
  }
  if (l.stop != wzrv::RecordStatus::End) {
    char text[300];
    const wzrv::RecordHeader& h = l.stopHeader;
    if (l.stop == wzrv::RecordStatus::BadHeader)
      std::snprintf(text, sizeof text, "record %zu at offset %ld: %s", l.records.size() + 1, l.stopOffset,
                    wzrv::HeaderProblem(h).c_str());
    else
      std::snprintf(text, sizeof text, "record %zu at offset %ld is cut short (%ld bytes left)",
                    l.records.size() + 1, l.stopOffset, l.size - l.stopOffset);
    problems.push_back(text);
  }
  if (l.records.size() < static_cast<std::size_t>(wzrv::FrameCount)) {
    char text[160];
    std::snprintf(text, sizeof text, "%zu of %d frames: the program reads these and draws the rest",
                  l.records.size(), wzrv::FrameCount);
    problems.push_back(text);
  }
  for (const std::string& p : problems) std::printf("problem: %s\n", p.c_str());
  std::printf("%s\n", problems.empty() ? "OK: a complete pattern cache" : "INCOMPLETE");
  return problems.empty() ? 0 : 1;
}

int Write(const std::string& path) {
  FILE* fp = std::fopen(path.c_str(), "wb");
  if (fp == nullptr) {
    std::fprintf(stderr, "wzrvtool: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
    return 1;
  }
  const bool ok = wzrv::WriteCacheFile(fp, NativeFrames());
  if (std::fclose(fp) != 0 || !ok) {
    std::fprintf(stderr, "wzrvtool: cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("%s\n", path.c_str());
  return 0;
}

std::string ReadBytes(const std::string& path, bool* ok) {
  std::string s;
  FILE* fp = std::fopen(path.c_str(), "rb");
  *ok = fp != nullptr;
  if (fp == nullptr) {
    std::fprintf(stderr, "wzrvtool: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
    return s;
  }
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0) s.append(buf, n);
  std::fclose(fp);
  return s;
}

// Byte for byte, except the padding bits at the end of each row of a record.
int Diff(const std::string& a, const std::string& b) {
  bool okA = false, okB = false;
  const std::string x = ReadBytes(a, &okA), y = ReadBytes(b, &okB);
  if (!okA || !okB) return 2;
  // Which bits count, from the first file's records.
  std::vector<unsigned char> mask(x.size(), 0xFF);
  if (FILE* fp = std::fopen(a.c_str(), "rb")) {
    const wzrv::CacheListing l = wzrv::ReadCacheFile(fp);
    std::fclose(fp);
    for (std::size_t i = 0; i < l.records.size(); ++i) {
      const wzrv::RecordHeader& h = l.records[i].header;
      const int used = (h.bmWidth + 7) / 8;
      const unsigned char last = h.bmWidth % 8 == 0 ? 0xFF : static_cast<unsigned char>(0xFF00 >> (h.bmWidth % 8));
      for (int r = 0; r < h.bmHeight; ++r) {
        const std::size_t row = static_cast<std::size_t>(l.offsets[i]) + wzrv::RecordHeaderBytes +
                                static_cast<std::size_t>(r) * h.bmWidthBytes;
        mask[row + used - 1] = last;
        for (int c = used; c < h.bmWidthBytes; ++c) mask[row + c] = 0;
      }
    }
  }
  if (x.size() != y.size()) {
    std::printf("different sizes: %zu and %zu bytes\n", x.size(), y.size());
    return 1;
  }
  std::size_t differing = 0, first = 0;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (((static_cast<unsigned char>(x[i]) ^ static_cast<unsigned char>(y[i])) & mask[i]) != 0) {
      if (differing++ == 0) first = i;
    }
  if (differing == 0) {
    std::printf("identical: %zu bytes\n", x.size());
    return 0;
  }
  std::printf("%zu bytes differ, the first at offset %zu\n", differing, first);
  return 1;
}

int Sheet(const std::string& path) {
  const auto frames = NativeFrames();
  // Two rows: the hexagon field's six frames, then the octagon field's six
  // and the mini, each on a black tile with a gap between tiles.
  constexpr int kGap = 8;
  int width[2] = {kGap, kGap};
  int height[2] = {0, 0};
  for (int i = 0; i < wzrv::FrameCount; ++i) {
    const int row = i < 6 ? 0 : 1;
    width[row] += frames[i].width + kGap;
    if (frames[i].height > height[row]) height[row] = frames[i].height;
  }
  Image img(std::max(width[0], width[1]), height[0] + height[1] + 3 * kGap);
  // Grey gaps so that the frames' own edges show.
  for (std::size_t p = 0; p < img.rgb.size(); ++p) img.rgb[p] = 64;
  int x[2] = {kGap, kGap};
  const int top[2] = {kGap, kGap * 2 + height[0]};
  for (int i = 0; i < wzrv::FrameCount; ++i) {
    const int row = i < 6 ? 0 : 1;
    const int t = top[row] + height[row] - frames[i].height;  // bottoms aligned
    for (int r = 0; r < frames[i].height; ++r)
      std::memset(&img.rgb[((t + r) * static_cast<std::size_t>(img.width) + x[row]) * 3], 0,
                  static_cast<std::size_t>(frames[i].width) * 3);
    img.Put(frames[i], x[row], t);
    x[row] += frames[i].width + kGap;
  }
  if (!WritePng(path, img)) return 1;
  std::printf("%s %dx%d\n", path.c_str(), img.width, img.height);
  return 0;
}

// Reads a binary PBM (P4): 1 bits are field pixels.
bool ReadPbm(const std::string& path, wzrv::MonoFrame* f, std::string* error) {
  FILE* fp = std::fopen(path.c_str(), "rb");
  if (fp == nullptr) {
    *error = std::strerror(errno);
    return false;
  }
  int w = 0, h = 0;
  char magic[3] = {};
  const bool header = std::fscanf(fp, "%2s %d %d", magic, &w, &h) == 3 &&
                      std::strcmp(magic, "P4") == 0 && std::fgetc(fp) != EOF;
  if (!header || w < 1 || h < 1 || w > wzrv::DIBW || h > wzrv::DIBH) {
    std::fclose(fp);
    *error = "not a P4 bitmap of a frame's size";
    return false;
  }
  f->width = w;
  f->height = h;
  f->bits.assign(static_cast<std::size_t>(f->RowBytes()) * h, 0);
  const bool complete = std::fread(f->bits.data(), 1, f->bits.size(), fp) == f->bits.size();
  std::fclose(fp);
  if (!complete) {
    *error = "truncated";
    return false;
  }
  if (w % 8 != 0)
    for (int r = 0; r < h; ++r) f->bits[(r + 1) * static_cast<std::size_t>(f->RowBytes()) - 1] &= 0xFF00 >> (w % 8);
  return true;
}

int Compare(const std::string& dir) {
  const auto frames = NativeFrames();
  int differing = 0;
  for (int i = 0; i < wzrv::FrameCount; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame%02d.pbm", i);
    wzrv::MonoFrame other;
    std::string error;
    if (!ReadPbm(dir + name, &other, &error)) {
      std::printf("%-16s %s: %s\n", wzrv::FrameName(i), (dir + name).c_str(), error.c_str());
      ++differing;
      continue;
    }
    if (other.width != frames[i].width || other.height != frames[i].height) {
      std::printf("%-16s size %dx%d, expected %dx%d\n", wzrv::FrameName(i), other.width,
                  other.height, frames[i].width, frames[i].height);
      ++differing;
      continue;
    }
    int diff = 0;
    for (int r = 0; r < other.height; ++r)
      for (int c = 0; c < other.width; ++c) diff += other.Pixel(c, r) != frames[i].Pixel(c, r);
    std::printf("%-16s %dx%d  %d field pixels  %d differing\n", wzrv::FrameName(i), other.width,
                other.height, frames[i].SetPixelCount(), diff);
    if (diff != 0) ++differing;
  }
  std::printf("%s\n", differing == 0 ? "identical" : "DIFFERENT");
  return differing == 0 ? 0 : 1;
}

int Gifs(const std::string& dir) {
  const wzrv::FieldTablesInMemory tables;
  const wzrv::SaveRect all = wzrv::AllFieldsRect(tables);
  constexpr int kMargin = 40;
  const wzrv::RgbPicture desktop = wzrv::DesktopPicture(all.width + 2 * kMargin, all.height + 2 * kMargin);
  const int x = kMargin - all.x, y = kMargin - all.y;  // the click
  const std::uint32_t color = static_cast<std::uint32_t>(kFieldRGB[0]) << 16 |
                              static_cast<std::uint32_t>(kFieldRGB[1]) << 8 | kFieldRGB[2];
  const char* names[3] = {"hexagon", "octagon", "mini"};
  for (int a = 0; a < 3; ++a) {
    const auto movie = wzrv::FieldMovie(tables, a, desktop, x, y, color, 60, 100);
    const std::string path = dir + "/" + names[a] + ".gif";
    std::string error;
    if (!wzrv::WriteGif(path, movie, &error)) {
      std::fprintf(stderr, "wzrvtool: %s: %s\n", path.c_str(), error.c_str());
      return 1;
    }
    int centis = 0;
    for (const auto& f : movie) centis += f.centis;
    std::printf("%s %dx%d, %zu pictures, %d.%02d s a loop (the field %d.%02d s)\n", path.c_str(), desktop.width,
                desktop.height, movie.size(), centis / 100, centis % 100, (centis - 160) / 100,
                (centis - 160) % 100);
  }
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: wzrvtool frames [--from CACHE] DIR\n"
               "                                 write the 13 frames as PNG files (drawn, or read\n"
               "                                 from a pattern cache file)\n"
               "       wzrvtool inspect CACHE    check a pattern cache file and list its records\n"
               "       wzrvtool write CACHE      write these frames as a pattern cache file\n"
               "       wzrvtool diff CACHE CACHE compare two cache files (row padding bits aside)\n"
               "       wzrvtool sheet FILE.png   write all frames into one PNG\n"
               "       wzrvtool compare DIR      compare frameNN.pbm files with these frames\n"
               "       wzrvtool gifs DIR         write an animated GIF of each field\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string cmd = argv[1];
  if (cmd == "frames" && argc == 3) return Frames(argv[2], "");
  if (cmd == "frames" && argc == 5 && std::string(argv[2]) == "--from") return Frames(argv[4], argv[3]);
  if (cmd == "diff" && argc == 4) return Diff(argv[2], argv[3]);
  if (argc != 3) return Usage();
  if (cmd == "inspect") return Inspect(argv[2]);
  if (cmd == "write") return Write(argv[2]);
  if (cmd == "sheet") return Sheet(argv[2]);
  if (cmd == "compare") return Compare(argv[2]);
  if (cmd == "gifs") return Gifs(argv[2]);
  return Usage();
}
