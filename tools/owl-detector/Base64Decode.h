#pragma once
// Decoding of the pictures in requests.

#include <string>
#include <vector>

// Standard alphabet; line breaks and other whitespace are skipped, decoding
// stops at the first "=". False for any other character.
bool Base64Decode(const std::string& text, std::vector<unsigned char>& out);
