// Block sizes from glibc.
#include "support/block_size.h"

#include <malloc.h>

std::size_t allocatedBlockSize(void* p) { return malloc_usable_size(p); }
