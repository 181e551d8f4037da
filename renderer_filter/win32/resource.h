// Resource and control ids of eLumara.ax (shared by the resource script and the code).
#pragma once

// Tray dialog: template, background bitmap, icon.
#define IDD_TRAY_DIALOG 102
#define IDB_TRAY_BACKGROUND 102
#define IDI_RENDERER 104
#define IDC_MIRROR_BOX 1002
#define IDC_BACKLIGHT_VALUE 1007
#define IDC_STRENGTH_VALUE 1008
#define IDC_BACKLIGHT_LABEL 1009
#define IDC_MIRROR_LABEL 1010

// Quality property page.
#define IDD_QUALITY_PAGE 150
#define IDC_QUALITY_GROUP 1100
#define IDC_FRAMES_PLAYED 1101
#define IDC_FRAMES_DROPPED 1102
#define IDC_FRAME_RATE 1103
#define IDC_JITTER 1104
#define IDC_SYNC_OFFSET 1105
#define IDC_SYNC_DEVIATION 1106

// Strings.
#define IDS_OUTDOOR_LEVEL 112
#define IDS_QUALITY 178
#define IDS_TONE_VIVID 179
#define IDS_TONE_GAMMA 180
#define IDS_TONE_SOFT 181
#define IDS_TONE_THEATER 182
#define IDS_DISABLE 183
#define IDS_TONE_USER 184
#define IDS_DYNAMIC_DEFAULT 185
#define IDS_DYNAMIC_OUTDOOR 186
#define IDS_DYNAMIC_VCR 187
#define IDS_DYNAMIC_DARK 188
#define IDS_MIRROR 189
#define IDS_APPLY 190
#define IDS_RETURN 191
#define IDS_BACKLIGHT 192
#define IDS_STRENGTH 193
#define IDS_ZERO 194
#define IDS_CAPTURE 195
#define IDS_CAPTURE_SAVED 196
#define IDS_CAPTURE_SAVED_AS 197
#define IDS_CAPTURE_FAILED 198
#define IDS_SETTINGS 199
