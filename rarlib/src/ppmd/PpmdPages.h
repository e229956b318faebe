// Zero-filled memory straight from the system for the model's heap. A model of tens of megabytes is
// made for every archive that uses one; pages mapped fresh are zero without being cleared, and only
// those the model reaches are ever touched, where a heap allocator would clear all of it each time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rarlib::ppmd {

// nullptr when the memory cannot be had.
uint8_t* allocateZeroedPages(size_t bytes);
void freePages(uint8_t* p, size_t bytes);

} // namespace rarlib::ppmd
