// Field playback and the pattern cache file.
#include "shell/trace.h"
#include "shell/wzrv.h"

void MainWindow::InitializeFile() {}
void MainWindow::TerminateFile() {}

// No pattern cache yet: every frame is drawn, and nothing is stored.
HBITMAP MainWindow::LoadBitmapA() { return nullptr; }
void MainWindow::SaveBitmap(HBITMAP) {}

void MainWindow::PlayBitmapAnimation(int x, int y, int anipattern, int wait, int delay) {
  wzrv::Trace("PlayBitmapAnimation %d %d %d %d %d", x, y, anipattern, wait, delay);
}
