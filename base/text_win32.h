// The program's own texts (its menu items, messages, names and the file
// dialog's filter) are Shift-JIS, code page 932, whatever the system's ANSI
// code page is. Handed as they are to an ...A function they read as Japanese
// only where that code page is 932; these helpers widen them with code page 932
// and call the ...W function instead, so they read as Japanese everywhere.
// Where the system has no code page 932 the ...A function gets them as before.
//
// The dialogs are opened with DialogBoxParamW: their templates hold Unicode
// texts, which Wine's ANSI dialog creation would pass through the ANSI code
// page ("???" on an English system). Their controls are still read and
// written with the ...A messages, in the ANSI code page.
//
// What the user types or chooses (the password, typed characters, paths,
// profile values) is in the system's ANSI code page and never goes through
// these helpers: it stays on the ...A functions, byte for byte.
#pragma once

#include <windows.h>

#include <string>

namespace wzrv {

// The code page of the program's own texts.
constexpr UINT ProgramCodePage = 932;

// Whether code page 932 is installed (asked once).
bool ProgramTextWidens();

// `length` bytes of `text` (-1: up to its terminating zero) in code page `codePage`, widened.
std::wstring Widen(const char* text, UINT codePage, int length = -1);

// `text` in the system's ANSI code page: false when a character of `wide` has
// no place there (the text would not be the same).
bool Narrow(const wchar_t* wide, std::string* text);

// MessageBox with the program's own text and caption.
int ProgramMessageBox(HWND owner, const char* text, const char* caption, UINT type);

// MessageBox whose text is the program's own but for `length` bytes at
// `offset`, which are the user's (a password, in the ANSI code page).
int MixedMessageBox(HWND owner, const char* text, std::size_t offset, std::size_t length, const char* caption,
                    UINT type);

// InsertMenu of one of the program's own items (MF_STRING in `flags`).
BOOL InsertProgramMenuItem(HMENU menu, UINT position, UINT flags, UINT_PTR id, const char* text);

// CB_ADDSTRING of one of the program's own names into a dialog's combo box.
LRESULT AddProgramString(HWND dialog, int id, const char* text);

}  // namespace wzrv
