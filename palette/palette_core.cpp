#include "palette/palette_core.h"

const char* const ColorNames[3] = {"Field 色(六角)", "Field 色(八角)", "Field 色(ミニ)"};
const unsigned char DefColors[3][3] = {{255, 136, 0}, {255, 136, 0}, {255, 136, 0}};
