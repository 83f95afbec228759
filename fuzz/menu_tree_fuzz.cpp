// Fuzz target for the menu tree: the input's steps run against the model.
#include "menu_tree_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    menu_tree_run(bytes, size);
    return 0;
}
