// wzrvtool: looks at the field frames on the build machine.
//
//   wzrvtool frames DIR        the 13 frames as PNG files (field pixels orange on black)
//   wzrvtool sheet FILE.png    all 13 frames side by side in one PNG
//   wzrvtool compare DIR       compares frameNN.pbm files written by wzrv.exe
//                              (WZRV_DUMP_FRAMES=DIR) with the frames drawn here;
//                              prints the differing pixels per frame
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pattern/pattern_core.h"
#include "pattern/random.h"

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

int Frames(const std::string& dir) {
  const auto frames = NativeFrames();
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

int Usage() {
  std::fprintf(stderr,
               "usage: wzrvtool frames DIR       write the 13 frames as PNG files\n"
               "       wzrvtool sheet FILE.png   write all frames into one PNG\n"
               "       wzrvtool compare DIR      compare frameNN.pbm files with these frames\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Usage();
  const std::string cmd = argv[1];
  if (cmd == "frames") return Frames(argv[2]);
  if (cmd == "sheet") return Sheet(argv[2]);
  if (cmd == "compare") return Compare(argv[2]);
  return Usage();
}
