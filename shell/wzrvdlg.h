// The password dialog and the About box.
#pragma once

#include <windows.h>

#include "shell/wzrvdlg_core.h"

class AboutDialog {
 public:
  AboutDialog(HINSTANCE hinst, HWND hwnd) : hInstance(hinst), hWnd(hwnd) {}
  // Shows the About box modally.
  void Execute();
  static INT_PTR CALLBACK DLGProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HINSTANCE hInstance;
  HWND hWnd;
};

class PasswordDialog {
 public:
  PasswordDialog(HINSTANCE hinst, HWND hwnd) : hInstance(hinst), hWnd(hwnd) {}
  // Edits `pass` (100 characters); non-zero when the new value is to be stored.
  int Execute(char* pass);
  static INT_PTR CALLBACK DLGProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HINSTANCE hInstance;
  HWND hWnd;
};

// The exported names of the two dialog procedures.
extern "C" __declspec(dllexport) INT_PTR CALLBACK AboutDLGProc(HWND, UINT, WPARAM, LPARAM);
extern "C" __declspec(dllexport) INT_PTR CALLBACK PasswordDLGProc(HWND, UINT, WPARAM, LPARAM);
