/* The ids that the resource script and the program share: the dialog
 * templates, their controls, the icon, and the commands the program adds to
 * the system menu. Read by windres as well as by the C++ compiler (and by
 * scripts/demo.sh), so it holds #define lines only. */
#ifndef WZRV_RESOURCE_H
#define WZRV_RESOURCE_H

/* The program's icon: the window class's and the About box's. */
#define ICON_WZRV "wzrv"

/* A control the program never addresses: labels, frames, the icon. */
#define IDC_NONE (-1)
/* The ids the dialog manager reports for Return (with no default button
 * otherwise) and for Esc or the close box. */
#define IDC_OK 1
#define IDC_CANCEL 2

/* The password dialog. */
#define DLG_PASSWORD "AppPassword"
#define IDC_PASSWORD_EDIT 101
#define IDC_PASSWORD_SET IDC_OK /* "設定", also Return in the edit field */
#define IDC_PASSWORD_SAVE 102   /* "保存" */

/* The About box. */
#define DLG_ABOUT "AppAbout"
#define IDC_ABOUT_OK IDC_OK

/* The colour dialog. A channel's edit field is its scroll bar's id + 100. */
#define DLG_COLOR "AppPalette"
#define IDC_COLOR_LIST 100
#define IDC_COLOR_SWATCH 101
#define IDC_COLOR_DEFAULT 102
#define IDC_COLOR_ACCEPT 103
#define IDC_COLOR_SCROLL_R 201
#define IDC_COLOR_SCROLL_G 202
#define IDC_COLOR_SCROLL_B 203
#define IDC_COLOR_EDIT_R 301
#define IDC_COLOR_EDIT_G 302
#define IDC_COLOR_EDIT_B 303

/* The sound dialog. */
#define DLG_SOUND "SoundEffect"
#define IDC_SOUND_LIST 100
#define IDC_SOUND_MASTER 101 /* "全効果音の禁止" */
#define IDC_SOUND_ACCEPT 103 /* "設定" */
#define IDC_SOUND_PATH 200
#define IDC_SOUND_SWITCH 201 /* "この効果音を使用" */
#define IDC_SOUND_BROWSE 202 /* "参照" */
#define IDC_SOUND_TEST 203   /* "<()" */
#define IDC_SOUND_STOP 204   /* "X" */

/* The screen saver's settings: a button for each setting dialog, and OK. */
#define DLG_SAVER "SaverSettings"
#define IDC_SAVER_PASSWORD 110 /* "パスワードの変更" */
#define IDC_SAVER_COLOR 111    /* "色の設定" */
#define IDC_SAVER_SOUND 112    /* "効果音の設定" */
#define IDC_SAVER_OK IDC_OK

/* The commands the program adds to the system menu. */
#define IDM_CHANGEPASS 0xE000
#define IDM_ABOUT 0xE100
#define IDM_LOCK 0xE200
#define IDM_SOUND 0xE300
#define IDM_COLOR 0xE400

#endif
