#pragma once
// Base64 of the pictures that go to the detector.

#include <cstddef>
#include <string>

// Standard alphabet with "=" padding. After every 76 characters of full
// four-character groups, counted from the start, comes CR LF; so the text may
// end in CR LF (input length a multiple of 57) or carry one right before the
// final padded group. Detectors written against the Windows original expect
// exactly this layout.
std::string Base64Encode(const unsigned char* data, std::size_t size);

// The same into `out` (replacing its contents), reusing its storage.
void Base64Encode(const unsigned char* data, std::size_t size, std::string& out);
