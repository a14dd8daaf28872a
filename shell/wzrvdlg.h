// The password dialog and the About box.
#pragma once

#include <windows.h>

class AboutDialog {
 public:
  AboutDialog(HINSTANCE hinst, HWND hwnd) : hInstance(hinst), hWnd(hwnd) {}
  void Execute();

  HINSTANCE hInstance;
  HWND hWnd;
};

class PasswordDialog {
 public:
  PasswordDialog(HINSTANCE hinst, HWND hwnd) : hInstance(hinst), hWnd(hwnd) {}
  // Edits `pass` (100 characters); non-zero when the new value is to be stored.
  int Execute(char* pass);

  HINSTANCE hInstance;
  HWND hWnd;
};
