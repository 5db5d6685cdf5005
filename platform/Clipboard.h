#pragma once
#include <QImage>

// The clipboard as the editor uses it: a picture in and out.
// Format codes are the ones the editor tests for; the clipboard is checked in this order.
namespace clip {
constexpr int Link = 0xBF00;  // file links (e.g. files copied in a file manager)
constexpr int Text = 1;
constexpr int Bitmap = 2;  // a picture
}  // namespace clip

// The first format the clipboard holds, in the order file links, text, picture; 0 for none.
int ClipboardFormat();
// Empties the clipboard.
void ClipboardClear();
// Puts a picture on the clipboard; format 0 (or Bitmap) is the platform's picture format.
void ClipboardPutPicture(const QImage& picture, int format = 0);
// The clipboard's picture, or a null image when it holds none.
QImage ClipboardGetPicture(int format = 0);
