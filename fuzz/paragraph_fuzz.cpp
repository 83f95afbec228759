// Fuzz target for the paragraph writer: the input's steps run against the
// model.
#include "paragraph_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    paragraph_run(bytes, size);
    return 0;
}
