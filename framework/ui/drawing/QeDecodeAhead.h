// Pictures decoded on a helper thread before they are first needed: a start names the files its
// first screen will draw while the user-interface thread is still busy elsewhere, and the first
// load or draw of each takes its pixels (waiting for them if the helper is still at it). Only the
// decoding and plain pixel work run on the helper; bitmaps are made on the user-interface thread.
#pragma once

#include <string>
#include <vector>

#include "framework/image/QeImageDecoder.h"
#include "platform/win_types.h"

namespace QeDecodeAhead {

// Announces the files at these full paths as decoded ahead: a Take of one of them waits for its
// decode from then on, a PngSize for its header. A path already announced and not taken is not
// announced again.
void Expect(const std::vector<std::wstring>& paths);
// Reads the headers of the announced files in order, decoding at once each one that is not a PNG
// file whose header reads (its load decodes it), then decodes the others one after another; all
// on the calling thread (a helper), each by its extension (else by its content) as LoadImageFile
// reads it, its frames' bitmap pixels made ready (QeBitmap::Prepare).
void DecodeExpected();
// Only the first part of DecodeExpected, what the loads need: the headers, and the pictures that are
// no PNG file whose header reads. DecodeExpected then does the rest.
void DecodeForLoads();

// When the file at the path was started ahead and would be read in this format, and is a PNG file
// whose header reads and whose chunks are whole: waits for its header to be read (the helper reads
// every header before it decodes any PNG file), puts the header's size into size and answers true.
bool PngSize(const std::wstring& path, int format, SIZE& size);

// When the file at the path was started ahead and would be read in this format: waits for it, moves
// what it decoded into image, hands any trace of its decoders to the sink now, sets decoded to the
// decode's result and answers true. The decode is taken once; false when there is none to take.
bool Take(const std::wstring& path, int format, QeDecodedImage& image, bool& decoded);

// Frees the decodes nobody took, with their traces, and forgets the files not decoded yet: a
// picture not drawn when it was expected costs nothing after that.
void Drop();

}  // namespace QeDecodeAhead
