// The size the C runtime's allocator gave a malloc block: glibc's malloc_usable_size
// (block_size_posix.cpp) or the Windows runtime's _msize (block_size_win32.cpp).
#pragma once

#include <cstddef>

// Bytes usable in the block p points to (a live malloc result, never null).
std::size_t allocatedBlockSize(void* p);
