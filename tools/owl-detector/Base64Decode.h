#pragma once
// Decoding of the pictures in requests.

#include <string_view>
#include <vector>

// Standard alphabet; line breaks and other whitespace are skipped, decoding
// stops at the first "=". False for any other character.
bool Base64Decode(std::string_view text, std::vector<unsigned char>& out);
