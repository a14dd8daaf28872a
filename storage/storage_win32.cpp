// Field playback and the pattern cache file.
#include "shell/trace.h"
#include "shell/wzrv.h"

void MainWindow::InitializeFile() {}
void MainWindow::TerminateFile() {}

void MainWindow::PlayBitmapAnimation(int x, int y, int anipattern, int wait, int delay) {
  wzrv::Trace("PlayBitmapAnimation %d %d %d %d %d", x, y, anipattern, wait, delay);
}
