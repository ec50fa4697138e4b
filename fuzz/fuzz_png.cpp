// Any bytes given to the PNG decoder decode or fail cleanly (see FuzzImage.h).
#include "framework/image/QePngDecoder.h"
#include "fuzz/FuzzImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzz_image::Run<QePngDecoder>(data, size);
}
