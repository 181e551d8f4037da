// CButtonST: a button of the dialog template that only holds a place: the dialog binds it to its id, takes
// its rectangle for the skinned button drawn in its stead, keeps a checked flag on it and hides
// it once the skinned button exists. When no skinned button could be made it stays as a plain
// button, so the command is still there.
#pragma once

#include <windows.h>

namespace tl::panel::framework {

class CButtonST {
 public:
  void Bind(HWND dialog, int id);

  int id() const { return id_; }
  HWND hwnd() const { return hwnd_; }

  bool checked() const { return checked_; }
  void SetChecked(bool checked, bool repaint);

  // Its rectangle in the dialog's client coordinates.
  RECT RectInParent() const;
  void Show(bool visible);

 private:
  HWND hwnd_ = nullptr;
  int id_ = 0;
  bool checked_ = false;
};

}  // namespace tl::panel::framework
