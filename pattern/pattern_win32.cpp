// Frame bitmaps of the three fields and their registry.
#include "shell/wzrv.h"

void MainWindow::CreateZRV1() {}
void MainWindow::CreateZRV2() {}
void MainWindow::CreateZRV3() {}

void MainWindow::RegisterBitmap(HBITMAP bit) {
  if (BitmapCount >= BitmapCapacity) return;
  BitmapInUse[BitmapCount] = bit;
  ++BitmapCount;
}

void MainWindow::DeleteBitmap() {
  for (int i = 0; i < BitmapCount; ++i) DeleteObject(BitmapInUse[i]);
}
