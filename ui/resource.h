// Resource ids of the dialogs, icons, strings and controls.
#pragma once

#include "framework/afx.h"

inline constexpr UINT IDD_ABOUTBOX = 100;
inline constexpr UINT IDS_ABOUTBOX = 101;
inline constexpr UINT IDD_MUX_DIALOG = 102;
inline constexpr UINT IDD_RENAME = 133;
inline constexpr UINT IDD_PROGRESS = 134;

inline constexpr UINT IDR_MAINFRAME = 128;  // the application icon
inline constexpr UINT IDI_VIDEO = 129;      // a document with a video camera
inline constexpr UINT IDI_DOCUMENT = 130;   // a plain document
inline constexpr UINT IDI_AUDIO = 131;      // a document with a loudspeaker

inline constexpr int IDC_SOURCE_TREE = 1000;
inline constexpr int IDC_ADD = 1001;
inline constexpr int IDC_REMOVE = 1002;
inline constexpr int IDC_RENAME = 1004;
inline constexpr int IDC_STREAM_NAME = 1005;
inline constexpr int IDC_PROGRESS = 1006;
inline constexpr int IDC_ADD_PLUGIN = 1007;
inline constexpr int IDC_VERSION = 1008;
inline constexpr int IDC_APPEND = 1009;
inline constexpr int IDC_START = 1010;  // the output's start time
inline constexpr int IDC_END = 1011;    // the output's end time
inline constexpr int IDC_PROGRESS_TEXT = 1012;  // what is written, and how far it has come

// The system menu's About command.
inline constexpr UINT IDM_ABOUTBOX = 0x0010;

// The merge progress dialog's timer.
inline constexpr UINT_PTR IDT_PROGRESS = 1;
