// Draws the program icon "wzrv" and writes it as a .ico file: one 32 x 32
// image in 16 colours, two concentric hexagons with a corner at the top,
// their outlines two pixels wide in a checkerboard of red and yellow pixels,
// transparent elsewhere.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSize = 32;
constexpr int kTransparent = 0, kRed = 9, kYellow = 11;  // indexes of the standard 16 colours

// The standard 16-colour palette (B, G, R, 0).
const std::uint8_t kPalette[16][4] = {
    {0, 0, 0, 0},       {0, 0, 128, 0},     {0, 128, 0, 0},   {0, 128, 128, 0},
    {128, 0, 0, 0},     {128, 0, 128, 0},   {128, 128, 0, 0}, {192, 192, 192, 0},
    {128, 128, 128, 0}, {0, 0, 255, 0},     {0, 255, 0, 0},   {0, 255, 255, 0},
    {255, 0, 0, 0},     {255, 0, 255, 0},   {255, 255, 0, 0}, {255, 255, 255, 0},
};

// Whether (px, py) lies inside a regular hexagon centred at (cx, cy) with
// circumradius r and a corner at the top (its left and right sides vertical).
bool InsideHexagon(double px, double py, double cx, double cy, double r) {
  const double dx = std::fabs(px - cx), dy = std::fabs(py - cy);
  const double half = std::sqrt(3.0) / 2.0;
  return dx <= r * half && dx / std::sqrt(3.0) + dy <= r;
}

// A hexagon outline `width` pixels wide, measured across its sides.
bool OnOutline(double px, double py, double cx, double cy, double r, double width) {
  const double rInner = r - width / (std::sqrt(3.0) / 2.0);
  return InsideHexagon(px, py, cx, cy, r) && !InsideHexagon(px, py, cx, cy, rInner);
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<std::uint8_t>& out, unsigned v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mkicon OUTPUT.ico\n");
    return 2;
  }

  // Colour index per pixel, row 0 at the top.
  int pixel[kSize][kSize];
  const double c = (kSize - 1) / 2.0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const bool outer = OnOutline(x, y, c, c, 16.5, 2.0);
      const bool inner = OnOutline(x, y, c, c, 10.0, 2.0);
      pixel[y][x] = (outer || inner) ? (((x + y) % 2 == 0) ? kRed : kYellow) : kTransparent;
    }
  }

  const unsigned xorBytes = kSize * kSize / 2;   // 4 bits per pixel, rows of 16 bytes
  const unsigned andBytes = kSize * 4;           // 1 bit per pixel, rows of 4 bytes
  const unsigned imageBytes = 40 + 16 * 4 + xorBytes + andBytes;

  std::vector<std::uint8_t> out;
  // ICONDIR
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, 1);  // one image
  // ICONDIRENTRY
  out.push_back(kSize);
  out.push_back(kSize);
  out.push_back(16);  // colours
  out.push_back(0);
  Put16(out, 1);  // planes
  Put16(out, 4);  // bits per pixel
  Put32(out, imageBytes);
  Put32(out, 6 + 16);
  // BITMAPINFOHEADER: the height counts the colour image and the mask.
  Put32(out, 40);
  Put32(out, kSize);
  Put32(out, kSize * 2);
  Put16(out, 1);
  Put16(out, 4);
  Put32(out, 0);
  Put32(out, xorBytes + andBytes);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 16);
  Put32(out, 0);
  for (const auto& entry : kPalette) out.insert(out.end(), entry, entry + 4);
  // Colour image, bottom row first.
  for (int y = kSize - 1; y >= 0; --y) {
    for (int x = 0; x < kSize; x += 2) out.push_back((pixel[y][x] << 4) | pixel[y][x + 1]);
  }
  // Mask: 1 = transparent.
  for (int y = kSize - 1; y >= 0; --y) {
    for (int x = 0; x < kSize; x += 8) {
      std::uint8_t bits = 0;
      for (int b = 0; b < 8; ++b) {
        if (pixel[y][x + b] == kTransparent) bits |= 0x80 >> b;
      }
      out.push_back(bits);
    }
  }

  std::FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
