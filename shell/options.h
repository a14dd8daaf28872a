// Command-line options of wzrv.exe.
#pragma once

namespace wzrv {

// StartOption bits.
constexpr int SO_Transparent = 1;  // -t, -T: WS_EX_TRANSPARENT, repaint all windows after each field
constexpr int SO_LockAtStart = 2;  // -o, -O: start locked, without reminder and lock sound

// Scans the command line for option letters. Each letter needs its own '-'
// or '/' prefix, wherever it stands ("-ot" sets only SO_LockAtStart, "name-t"
// sets SO_Transparent). A null pointer is an empty command line.
int ScanOptions(const char* cmdline);

}  // namespace wzrv
