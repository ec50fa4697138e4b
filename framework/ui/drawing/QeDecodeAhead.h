// Pictures decoded on helper threads before they are first needed: a start names the files its
// first screen will draw while the user-interface thread is still busy elsewhere, and the first
// load or draw of each takes its pixels (waiting for them if the helper is still at it). Only the
// decoders run on the helpers; bitmaps are still made on the user-interface thread.
#pragma once

#include <string>

#include "framework/image/QeImageDecoder.h"

namespace QeDecodeAhead {

// Starts decoding the file at this full path, its format by the extension (else by the content), as
// LoadImageFile reads it. A path already started is not started again.
void Start(const std::wstring& path);

// When the file at the path was started ahead and would be read in this format: waits for it, moves
// what it decoded into image, hands any trace of its decoders to the sink now, sets decoded to the
// decode's result and answers true. The decode is taken once; false when there is none to take.
bool Take(const std::wstring& path, int format, QeDecodedImage& image, bool& decoded);

// Waits for the decodes nobody took and frees them with their traces: a picture not drawn when it
// was expected costs nothing after that.
void Drop();

}  // namespace QeDecodeAhead
