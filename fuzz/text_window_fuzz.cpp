// Fuzz target for the text window: the input's steps run against the model.
#include "text_window_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    text_window_run(bytes, size);
    return 0;
}
