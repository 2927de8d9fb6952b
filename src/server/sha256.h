// SHA-256, for naming journals and games by what they hold: two different
// journals never share a name, however they were made.
#pragma once

#include <string>
#include <string_view>

// The digest of `bytes`, as 64 lowercase hex digits.
std::string Sha256Hex(std::string_view bytes);
