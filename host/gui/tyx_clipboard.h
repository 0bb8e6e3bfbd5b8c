// Bitmaps on the system clipboard (QGuiApplication::clipboard(); needs a running QGuiApplication).
#pragma once
#include "host/gui/tyx_bitmap.h"

namespace tyx {

/// Puts a copy of the bitmap on the clipboard (palette formats as their mapped colours).
/// Throws std::logic_error without a QGuiApplication; the readers then report no bitmap.
void ClipboardSetBitmap(const TBitmap& Bitmap);
bool ClipboardHasBitmap();
/// Replaces Bitmap with the clipboard's picture; false (Bitmap unchanged) when there is none.
bool ClipboardGetBitmap(TBitmap& Bitmap);

} // namespace tyx
