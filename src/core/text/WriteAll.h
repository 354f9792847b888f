// WriteAll: every byte to a file descriptor, through short writes and interrupted ones.
#pragma once

#include <string_view>

namespace kesto {

// False when a write failed (the file then holds a part of `bytes`).
bool WriteAll(int fd, std::string_view bytes);

}  // namespace kesto
