// Any bytes given to the GIF decoder decode or fail cleanly (see FuzzImage.h).
#include "framework/image/QeGifDecoder.h"
#include "fuzz/FuzzImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzz_image::Run<QeGifDecoder>(data, size);
}
