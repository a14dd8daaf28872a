// Colour sets of the three fields.
#pragma once

struct PaletteSet {
  const char* PaletteName;
  unsigned char r;
  unsigned char g;
  unsigned char b;
};

// Names and default colours of the three colour sets, by pattern type.
extern const char* const ColorNames[3];
extern const unsigned char DefColors[3][3];
