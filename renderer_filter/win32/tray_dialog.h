// The renderer's tray dialog (contrast slider, Apply, Cancel, Default), its tone commands and the
// tray icon's menu. Everything here runs on the video window's thread. One dialog per process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tl::renderer {

class CLumaraPresenter;

// A mouse notification of the tray icon: a double click opens the dialog, the right button (or
// the keyboard's context-menu key) the menu.
void OnTrayNotification(CLumaraPresenter& presenter, HWND videoWindow, UINT mouseMessage);
// Opens the dialog (shown), creating it the first time.
HWND OpenTrayDialog(CLumaraPresenter& presenter, HWND videoWindow);
// Sends a command to the dialog procedure; the dialog is created hidden when there is none yet.
void SendTrayCommand(CLumaraPresenter& presenter, HWND videoWindow, int command);
// The tray menu's items, in order: id and label (0 for a separator); checked items are the
// current colour tone, dynamic tone and mirror.
struct TrayMenuItem {
  int command;
  std::wstring label;
  bool checked;
};
std::vector<TrayMenuItem> TrayMenuItems(CLumaraPresenter& presenter);
// Hides and destroys the dialog when it belongs to `presenter`.
void CloseTrayDialog(CLumaraPresenter& presenter);
// The dialog window, or null.
HWND TrayDialogWindow();

// Where a capture goes: the user's pictures folder, else the temporary folder; the name carries
// the moment and says PNG.
std::wstring CaptureFilePath();

}  // namespace tl::renderer
